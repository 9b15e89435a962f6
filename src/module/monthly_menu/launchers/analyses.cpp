// Handing the open month to the cost analyses: their common prelude, the plain analysis
// (PLA00106) and the analysis with recipe revision (PLA00122), after which the month is
// read again.
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/host_context.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

bool TCardapioMensal::GravaAntesDeLancar() {
    if (!Comandos().Confirmar) {
        return true;
    }
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return false;
    }
    gravaConfirmado();
    return true;
}

bool TCardapioMensal::EscolheAnalise() const {
    const THostContext& h = Host();
    return h.ExisteAcesso(h.SiglaModulo(h.ModuloAtiv) + QStringLiteral(";PLA01300"), h.Operador);
}

// Branch, service, planned and real cost types, the current day (the month's first
// without a cell), the reference date of the costs (null when none), whether it is
// fixed, and the cost branch as the planner typed it.
QVariantList TCardapioMensal::parametrosAnalise() const {
    return {CdFilial,
            CdServico,
            qlonglong(TipoCustoPlanejado),
            qlonglong(TipoCustoRealizado),
            DataHora(DataCard().isValid() ? DataCard() : DtMesCard.date()),
            DtRefeCusto.isValid() ? QVariant(DtRefeCusto) : QVariant(),
            Custo().ReferenciaFixa(),
            CdFiliCust};
}

void TCardapioMensal::AnalisaCustos() {
    DesabilitaAnaliCor();
    if (!GravaAntesDeLancar()) {
        return;
    }
    Host().LoadBPL(QStringLiteral("PLA00106"), parametrosAnalise());
    CustoAnalisado = true;
    emit gradeAlterada();
}

void TCardapioMensal::AnalisaCustosRevisaoReceita() {
    DesabilitaAnaliCor();
    if (!Permissoes().analisarCustoRevRece() || !GravaAntesDeLancar()) {
        return;
    }
    // The same values with the cost branch first.
    QVariantList params = parametrosAnalise();
    params.prepend(params.takeLast());
    Host().LoadBPL(QStringLiteral("PLA00122"), params);
    CustoAnalisado = true;
    emit gradeAlterada();
    // The recipes may have changed: the month as the server now holds it.
    rpc::TMesRecarregado mes;
    {
        TWaitAnimation wait(janela(), 6, QStringLiteral("Atualizando o cardápio..."));
        const QVariant answer =
            chama(rpc::metodos::GetAtualizaCustos(),
                  {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date())),
                   qlonglong(0), QStringLiteral("N")});
        const QVariantList r = rpc::CheckResultServ(answer).toList();
        mes.CardaDia = r.value(0);
        mes.CompCard = r.value(1);
    }
    recarregaMes(mes);
    emit gradeAlterada();
}

} // namespace pla::module
