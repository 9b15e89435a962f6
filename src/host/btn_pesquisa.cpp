#include "btn_pesquisa.h"

#include "host_messages.h"
#include "lookup_dialog.h"

namespace pla::host {

TBtnPesquisa::TBtnPesquisa(QWidget* parent)
    : QToolButton(parent) {
    setText(QStringLiteral("..."));
    setToolTip(QStringLiteral("Pesquisar"));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] { Pesquisar(); });
}

bool TBtnPesquisa::Pesquisar() {
    bool chosen = false;
    RunHandler([&] {
        bool cancel = false;
        if (BeforePesq) {
            BeforePesq(*this, cancel);
        }
        if (cancel || !table_) {
            return;
        }
        if (host::Pesquisar(*table_, title_, emptyText_)) {
            if (AfterPesq) {
                AfterPesq(*this);
            }
            chosen = true;
        }
    });
    return chosen;
}

} // namespace pla::host
