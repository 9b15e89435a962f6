#include "log_int_card.h"

#include "host/busy_scopes.h"
#include "host/host_query.h"

namespace pla::module {

TfrmLogIntCard::TfrmLogIntCard(QWidget* parent)
    : TfrmDadosGerRel(QStringLiteral("PLA00131"),
                      QStringLiteral("Log Atualização Ciclo de Cardápio"),
                      QStringLiteral("PLA00131"), parent) {
    setObjectName(QStringLiteral("frmLogIntCard"));
    SetHelpContext(12306100);
    // Arq_Rel_Err and printing come with the report form.
    msgPadrao.AddLines({QStringLiteral("NovoCaption|Título do relatório"),
                        QStringLiteral("NovoPrompt|Informe o título do relatório:"),
                        QStringLiteral("Capt_Tela|Log da Importação de Cardápio")});
    resize(820, 480);
}

void TfrmLogIntCard::rpddPadraoBeforeGetQueryParams(QMap<QString, QVariant>& params) {
    if (params.contains(QStringLiteral("P_NRLOGCARDCICLO"))) {
        params[QStringLiteral("P_NRLOGCARDCICLO")] = NrLogCardCiclo;
    }
    if (params.contains(QStringLiteral("P_CDFILIAL"))) {
        params[QStringLiteral("P_CDFILIAL")] = CdFilial;
    }
}

void TfrmLogIntCard::FormActivate(bool first) {
    TfrmDadosGerRel::FormActivate(first);
    update();
    if (!primeiraAtivacao_) {
        return;
    }
    primeiraAtivacao_ = false;
    // The animation the preparation showed goes also when the preview fails.
    struct THide {
        ~THide() {
            while (host::WaitAnimationVisible()) {
                host::DeactiveShowAvi();
            }
        }
    } hide;
    if (Prepared() && dtsPadrao->Active() && !dtsPadrao->IsEmpty()) {
        Preview();
    }
}

} // namespace pla::module
