// Handing the open month to the contract restrictions (PLA00113): the screen that shows
// and maintains them, and their check when the month is closed, which only asks the
// verdict.
#include "core/dates.h"
#include "core/reference.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

namespace {

const QString TelaRestricoes = QStringLiteral("PLA00113");

} // namespace

void TCardapioMensal::AnalisaRestricoesContratuais() {
    DesabilitaAnaliCor();
    // The verdict is the saved month's: what the planner changed is saved first.
    if (!GravaAntesDeLancar()) {
        return;
    }
    const TReference ok(RestricoesOk);
    Host().LoadBPL(TelaRestricoes,
                   {QStringLiteral("FORMULARIO"), CdFilial, CdServico, DtMesCard, ok.AsVariant()});
    RestricoesOk = ok.Get().toBool();
}

bool TCardapioMensal::VerificaRestricoesFechamento(const TMemTable& close) {
    RestricoesOk = true;
    // A month the planner may only read cannot be mended here: it is not held open.
    if (CardapioSomenteLeitura) {
        return true;
    }
    if (!ParametroFechamento(close, "IDRESTRCARD") ||
        PriDiaMes(Host().DataProc(CdFilial)) > DtMesCard.date()) {
        return true;
    }
    const TReference ok(true);
    Host().LoadBPL(TelaRestricoes,
                   {QStringLiteral("CALCULA"), CdFilial, CdServico, DtMesCard, ok.AsVariant()});
    RestricoesOk = ok.Get().toBool();
    if (RestricoesOk) {
        return true;
    }
    QString texto = QStringLiteral("O cardápio do mês descumpre restrições contratuais do serviço "
                                   "e não pode ser fechado. Veja quais e em que dias em "
                                   "\"Analisar Restrições Contratuais\" (Ctrl+U).");
    if (AlteracoesPendentes() > 0) {
        texto += QStringLiteral(" As alterações ainda não gravadas não entram na análise: "
                                "confirme-as antes.");
    }
    TDialogPresenter::Current().Message(texto, TMsgDlgType::Warning, mbOK);
    return false;
}

} // namespace pla::module
