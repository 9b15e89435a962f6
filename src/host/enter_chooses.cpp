#include "enter_chooses.h"

#include "host_messages.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

namespace pla::host {

namespace {

class TEnterEscolhe : public QObject {
public:
    TEnterEscolhe(QAbstractItemView& lista, std::function<void()> escolhe)
        : QObject(&lista)
        , escolhe_(std::move(escolhe)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                RunHandler(escolhe_);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> escolhe_;
};

} // namespace

void EnterEscolhe(QAbstractItemView& lista, std::function<void()> escolhe) {
    lista.installEventFilter(new TEnterEscolhe(lista, std::move(escolhe)));
}

void GradeDeEscolha(QTableView& grade, std::function<void()> escolhe) {
    grade.setSelectionBehavior(QAbstractItemView::SelectRows);
    grade.setSelectionMode(QAbstractItemView::SingleSelection);
    grade.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grade.setWordWrap(false);
    grade.verticalHeader()->hide();
    grade.verticalHeader()->setDefaultSectionSize(20);
    grade.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    EnterEscolhe(grade, std::move(escolhe));
}

} // namespace pla::host
