// The open month's cost operations: the calculation after saving, the notice that the
// costs are out of date, the reference dates and the closing's cost checks.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "host/autoriza.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/net_connection.h"

#include <QScopeGuard>
#include <cmath>

namespace pla::module {

using namespace pla::host;

void TCardapioMensal::ExibeAvisoRecalc() {
    // Before the first calculation there are no figures to be out of date.
    if (!custo_->CustoCalculado) {
        return;
    }
    AvisoRecalculo = true;
    emit custoDesatualizado();
}

bool TCardapioMensal::CalculaCusto() {
    // The calculation saves first: the colours would speak of the menu as it was.
    DesabilitaAnaliCor();
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return false;
    }
    // Whoever asked for it, the planner sees the month being worked on.
    THourglass busy;
    UpdCacheOnSrv();
    emit comandosAlterados();
    custo_->CalculaCusto(DataCard());
    AvisoRecalculo = false;
    emit custoCalculado();
    return true;
}

void TCardapioMensal::RecalculaOuAvisa() {
    if (custo_->CustoCalculado && custo_->Simultaneo) {
        CalculaCusto();
    } else {
        ExibeAvisoRecalc();
    }
}

QDate TCardapioMensal::CheckDtRefCust() {
    const QVariant answer =
        rpc::CheckResultServ(chama(rpc::metodos::GetDtRefCust(), {CdFilial, CdServico, DtMesCard}));
    const QVariant stored = answer.toList().value(0);
    // The server answers 0 when no date is stored.
    if (stored.typeId() != QMetaType::QDateTime && stored.typeId() != QMetaType::QDate) {
        return {};
    }
    return stored.toDate();
}

void TCardapioMensal::AlteraDataReferencia(bool recalculo) {
    DesabilitaAnaliCor();
    const TPermissoes p = Permissoes();
    if (!(recalculo ? p.atualizarDataRefRec() : p.atualizarDataRef())) {
        return;
    }
    const QDate stored = recalculo ? CheckDtRefRecCus() : CheckDtRefCust();
    if (stored.isValid()) {
        // Changing a stored date takes a supervisor.
        const std::unique_ptr<rpc::TNetConnection> netAutoriza =
            Host().NewConnection(QStringLiteral("netAutoriza"), QStringLiteral("Est.rdmAutoriza"));
        netAutoriza->SetConnected(true);
        const auto fim = qScopeGuard([&netAutoriza] { netAutoriza->SetConnected(false); });
        const bool authorised =
            recalculo ? Autoriza(*netAutoriza, 12, QStringLiteral("ALT_REC_CUS"))
                      : Autoriza(*netAutoriza, 7, QStringLiteral("ALTERACAO_DATA_REFERENCIA"));
        if (!authorised) {
            return;
        }
    }
    // Nothing stored yet: the branch's processing date is offered.
    QVariantList params{CdFilial, NmFilial, DtMesCard,
                        DataHora(stored.isValid() ? stored : Host().DataProc(CdFilial))};
    if (!recalculo) {
        params << Ajusta(QString::number(TipoCustoPlanejado), 2);
    }
    Host().LoadBPL(recalculo ? QStringLiteral("PLA00126") : QStringLiteral("PLA00120"), params);
    if (recalculo) {
        return;
    }
    // A fixed reference follows what is stored now; the figures no longer match it.
    const QDate now = CheckDtRefCust();
    if (now.isValid() && now != stored && ExibeCusto && !RefeCardapio) {
        DtRefeCusto = DataHora(now);
        emit referenciaAlterada();
        ExibeAvisoRecalc();
    }
}

bool TCardapioMensal::ParametroFechamento(const TMemTable& close, const char* name) {
    return !close.IsEmpty() &&
           close.FieldByName(QString::fromLatin1(name)).AsString() == QLatin1String("S");
}

bool TCardapioMensal::VerificaCustoFechamento(const TMemTable& close) {
    const auto param = [&close](const char* name) { return ParametroFechamento(close, name); };
    if (param("IDBLQFECHCARD") && PriDiaMes(Host().DataProc(CdFilial)) <= DtMesCard.date()) {
        const QString kind = RefeCardapio ? QStringLiteral("C") : QStringLiteral("X");
        const QVariant reference =
            RefeCardapio || !DtRefeCusto.isValid() ? QVariant() : QVariant(DtRefeCusto);
        TMemTable check(QStringLiteral("cdsVdFechaCardCus"));
        check.SetData(rpc::PacoteServ(
            chama(rpc::metodos::getVdFechaCardapioCus(),
                  {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date())),
                   Host().Operador, qlonglong(TipoCustoPlanejado), kind, reference})));
        if (!check.IsEmpty()) {
            const double diff = check.FieldByName(QStringLiteral("DIFECUSTO")).AsFloat();
            const double above = check.FieldByName(QStringLiteral("VRPEMAXDIFPLAPA")).AsFloat();
            const double below = check.FieldByName(QStringLiteral("VRPEMINDIFPLAPA")).AsFloat();
            // A difference equal to its limit is still within it.
            if ((diff > 0 && above < diff) || (diff < 0 && std::abs(diff) > below)) {
                MensErro(msgPadrao.Msg(QStringLiteral("FECHA_CARD_CUS")), true);
            }
        }
    }
    if (param("IDACOMPCUSTO") && !CustoAnalisado) {
        // Saved since it was last analysed: the analysis opens and the month stays open;
        // once analysed, it may close.
        AnalisaCustos();
        return false;
    }
    return true;
}

} // namespace pla::module
