#include "proc_prato.h"

#include "host/host_messages.h"
#include "host/mask_edit.h"
#include "host/radio_group.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QToolButton>

namespace pla::module {

using namespace pla::host;

TfrmProcPrato::TfrmProcPrato(const QStringList& cells, TGotoCell gotoCell, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00117"), QStringLiteral("Procurar"), parent)
    , cells_(cells)
    , gotoCell_(std::move(gotoCell)) {
    setObjectName(QStringLiteral("frmProcPrato"));
    msgPadrao.AddLines({QStringLiteral("N_IDENTICO|Texto idêntico não encontrado."),
                        QStringLiteral("END_SEEK|Fim da pesquisa."),
                        QStringLiteral("N_PREFIXO|Texto não encontrado como prefixo do campo."),
                        QStringLiteral("N_PARTE|Texto não encontrado como parte do campo.")});
    auto* form = new QFormLayout(grbDadosRel);
    edtCampo = new QLineEdit(QStringLiteral("Nome do Prato"), grbDadosRel);
    edtCampo->setObjectName(QStringLiteral("edtCampo"));
    edtCampo->setReadOnly(true);
    edtCampo->setEnabled(false);
    form->addRow(QStringLiteral("Campo"), edtCampo);
    medConteudo = new TMaskEdit(QString(), grbDadosRel);
    medConteudo->setObjectName(QStringLiteral("medConteudo"));
    medConteudo->setMaxLength(100);
    form->addRow(QStringLiteral("Conteúdo"), medConteudo);
    rdgTipo = new TRadioGroup(
        QStringLiteral("Tipo"),
        {QStringLiteral("Idêntico"), QStringLiteral("Prefixo"), QStringLiteral("Parte")},
        grbDadosRel);
    rdgTipo->setObjectName(QStringLiteral("rdgTipo"));
    rdgTipo->SetItemIndex(0);
    form->addRow(rdgTipo);
    sbtConfirma->setText(QStringLiteral("Procurar"));
    sbtConfirma->setToolTip(QStringLiteral("Procurar o próximo"));
    sbtConfirma->setEnabled(false);
    connect(medConteudo, &QLineEdit::textChanged, this, [this] { medConteudoChange(); });
    connect(medConteudo, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Typed in capitals, as the names are stored.
        if (text != text.toUpper()) {
            const int at = medConteudo->cursorPosition();
            medConteudo->setText(text.toUpper());
            medConteudo->setCursorPosition(at);
        }
    });
    connect(rdgTipo, &TRadioGroup::Clicked, this, [this] { rdgTipoClick(); });
    resize(420, 220);
}

void TfrmProcPrato::FormActivate(bool first) {
    if (first) {
        medConteudo->setFocus();
    }
    update();
    posicao_ = 0;
    naoEncontrado_ = QStringLiteral("N_IDENTICO");
}

void TfrmProcPrato::medConteudoChange() {
    sbtConfirma->setEnabled(!medConteudo->text().isEmpty());
    posicao_ = 0;
    encontrado_ = false;
}

void TfrmProcPrato::rdgTipoClick() {
    posicao_ = 0;
    encontrado_ = false;
    static const char* const keys[] = {"N_IDENTICO", "N_PREFIXO", "N_PARTE"};
    naoEncontrado_ = QString::fromLatin1(keys[std::clamp(rdgTipo->ItemIndex(), 0, 2)]);
}

void TfrmProcPrato::sbtConfirmaClick() {
    const QString content = medConteudo->text().trimmed();
    while (posicao_ < cells_.size()) {
        const QString& entry = cells_[posicao_];
        const qsizetype hash = entry.indexOf(QLatin1Char('#'));
        const qsizetype percent = entry.indexOf(QLatin1Char('%'), hash + 1);
        const int column = entry.left(hash).toInt();
        const int row = entry.mid(hash + 1, percent - hash - 1).toInt();
        const QString name = entry.mid(percent + 1).toUpper();
        ++posicao_;
        if (encontrado_ && posicao_ == cells_.size()) {
            posicao_ = 0; // after the last match the search starts again
        }
        if (name.trimmed().isEmpty()) {
            continue;
        }
        bool match = false;
        switch (rdgTipo->ItemIndex()) {
        case 1:
            match = name.startsWith(content);
            break;
        case 2:
            match = name.contains(content);
            break;
        default:
            match = name == content;
            break;
        }
        if (match) {
            gotoCell_(column, row);
            encontrado_ = true;
            return;
        }
    }
    if (!encontrado_) {
        MensErro(msgPadrao.Msg(naoEncontrado_), true);
    }
}

} // namespace pla::module
