// Removing a dish from the monthly grid, with the record of central dishes excluded
// from the day; and the two period operations that other packages carry out on the
// server, after which the month is reloaded.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/reference.h"
#include "core/table_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

void TCardapioMensal::ExcluiPrato() {
    DesabilitaAnaliCor();
    // Without the permission, on a blocked day or on an empty cell: nothing, and
    // nothing asked.
    if (!Comandos().Excluir) {
        return;
    }
    const std::optional<TDishLine> entry = EntradaCelula();
    const QDate dia = DataCard();
    const QString nr = getNrCardapio(CdFilial, CdServico, dia).trimmed();
    if (!entry) {
        return;
    }
    const QString key = ChaveConfirmacao.isEmpty() ? QStringLiteral("CONF_EXCL") : ChaveConfirmacao;
    if (ShowMsg(msgPadrao, key, TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        emit gradeAlterada();
        ExclusaoRealizada = false;
        return;
    }
    emit comandosAlterados();
    const QString tipo = CelulaAtual().Type;
    const int posicao = GetSeqPrat(tipo.left(3).toInt());
    {
        TFilterSuspended semFiltro(*cdsCompCardCache);
        if (cdsCompCardCache->Locate(
                QStringLiteral("CDFILIAL;NRCARDAPIO;NRSEQPRATCAR;CDPRATO;CDFILAUXPRAT"),
                {CdFilial, nr, posicao, entry->Code, entry->Branch})) {
            const QString cdTipoPrat =
                cdsCompCardCache->FieldByName(QStringLiteral("CDTIPOPRAT")).AsString();
            const double share =
                cdsCompCardCache->FieldByName(QStringLiteral("VRPECONSCARD")).AsFloat();
            if (cdsCnfCaMes->Locate(QStringLiteral("NRSEQCNFMES"), posicao) &&
                cdsCnfCaMes->FieldByName(QStringLiteral("IDCONCNFMES")).AsString() ==
                    QLatin1String("S")) {
                atualizaComensaisRemocao(dia, cdTipoPrat, share);
            }
            cdsCompCardCache->Delete();
            if (!entry->Code.isEmpty() || !entry->Branch.isEmpty()) {
                registraExclusao(dia, posicao, *entry, nr);
            }
            RegistraDiaEspecifico(dia);
        }
    }
    ExclusaoRealizada = true;
    AtualizaStlPratos(true);
    emit comandosAlterados();
    ExibeAvisoRecalc();
}

// Who excluded which central dish from a day: type S following a head office, and a
// release-dependent type D.
void TCardapioMensal::registraExclusao(const QDate& dia, int posicao, const TDishLine& removida,
                                       const QString& nrCardapio) {
    TDishRef excluido = pratosDaPosicao(nrCardapio, dia, posicao).Central;
    if (excluido.Empty() && removida.Mark() != QLatin1Char('S')) {
        excluido = {removida.Code, removida.Branch};
    }
    const QString dd = DayKey(dia);
    // The row marks the position removed even when no dish of the central menu left it
    // (a branch's own "S" dish where the central menu has none): its dish is empty.
    const auto append = [&](const QString& mark) {
        cdsPratosExcluidos->Append();
        const auto f = [this](const char* name) -> TMemField& {
            return cdsPratosExcluidos->FieldByName(QString::fromLatin1(name));
        };
        f("CDFILIAL").SetAsString(CdFilial);
        f("CDSERVFILI").SetAsString(CdServico);
        f("DTPRATEXCL").SetAsString(dd);
        f("NRSEQPRATEXCL").SetAsInteger(posicao);
        f("IDLOCALEXCL").SetAsString(mark);
        f("CDPRATO").SetAsString(excluido.Code);
        f("CDFILAUXPRAT").SetAsString(excluido.Branch);
        cdsPratosExcluidos->Post();
    };
    if (tipoDeCardapio() == QLatin1Char('S') && !paramPlaneja("CDFILCENTPME").isEmpty()) {
        const QString mark =
            grupoParametrizado() && operadorDoGrupo() ? QStringLiteral("M") : QStringLiteral("F");
        if (pratoExcluido(dd, posicao)) {
            cdsPratosExcluidos->Edit();
            cdsPratosExcluidos->FieldByName(QStringLiteral("IDLOCALEXCL")).SetAsString(mark);
            cdsPratosExcluidos->Post();
        } else {
            append(mark);
        }
    } else if (dependeLiberacao()) {
        if (!pratoExcluido(dd, posicao)) {
            if (tipoDeOperador() == QLatin1Char('F')) {
                append(QStringLiteral("F"));
            } else if (IdCardCentral == QLatin1String("S")) {
                append(QStringLiteral("M"));
            }
        }
    }
}

void TCardapioMensal::ExcluiCardapioPeriodo() {
    DesabilitaAnaliCor();
    if (!Comandos().DelCard) {
        return;
    }
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return;
    }
    UpdCacheOnSrv();
    Host().LoadBPL(QStringLiteral("PLA00118"),
                   QVariantList{CdFilial, CdServico, DtMesCard,
                                qlonglong(paramPlaneja("QTDIABLOQCAR").toInt()), QString(),
                                // only services of type "N" are planned here
                                QStringLiteral("N"), QString(tipoDeOperador())});
    if (AlteracoesPendentes() > 0) {
        emit comandosAlterados();
    }
    recarregaMes(rpc::TMesRecarregado::FromWire(
        rpc::CheckResultServ(
            chama(rpc::metodos::getDelCard(),
                  {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date())),
                   qlonglong(0), QStringLiteral("N")})),
        false));
    RecalculaOuAvisa();
}

void TCardapioMensal::InvertePrato() {
    DesabilitaAnaliCor();
    if (!Comandos().InvPrato) {
        return;
    }
    UpdCacheOnSrv();
    const TReference feito(false);
    Host().LoadBPL(QStringLiteral("PLA00132"),
                   QVariantList{CdFilial, CdServico, DataHora(DataCard()), DtMesCard,
                                paramPlaneja("IDCARDIAUTIL"),
                                qlonglong(paramPlaneja("QTDIABLOQCAR").toInt()),
                                feito.AsVariant()});
    emit gradeAlterada();
    if (!feito.Get().toBool()) {
        return;
    }
    recarregaAposOperacao();
}

// After another screen changed the month on the server: what is pending saved, the
// month read again, and the costs recalculated or said to be out of date.
void TCardapioMensal::recarregaAposOperacao() {
    emit comandosAlterados();
    UpdCacheOnSrv();
    const rpc::TMesRecarregado r = rpc::TMesRecarregado::FromWire(
        rpc::CheckResultServ(
            chama(rpc::metodos::getImpCardDia(),
                  {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date())),
                   qlonglong(0), QStringLiteral("N")})),
        true);
    const bool especiais =
        (tipoDeCardapio() == QLatin1Char('S') && !paramPlaneja("CDFILCENTPME").isEmpty()) ||
        dependeLiberacao();
    if (especiais) {
        cdsCardEsp->SetData(rpc::PacoteServ(r.CardEsp.value_or(QVariant())));
        cdsCardEsp->MergeChangeLog();
    }
    recarregaMes(r);
    RecalculaOuAvisa();
    emit gradeAlterada();
}

// The month's days, dishes and excluded dishes (when given) as the server now has them.
void TCardapioMensal::recarregaMes(const rpc::TMesRecarregado& mes) {
    DesligaFiltro(*cdsCardaDia);
    DesligaFiltro(*cdsCompCardCache);
    cdsCardaDia->SetData(rpc::PacoteServ(mes.CardaDia));
    cdsCardaDia->MergeChangeLog();
    RetornaCompcard(mes.CompCard, true);
    if (mes.PratosExcluidos.isValid()) {
        cdsPratosExcluidos->SetData(rpc::PacoteServ(mes.PratosExcluidos));
        cdsPratosExcluidos->MergeChangeLog();
    }
    AtualizaStlPratos(false);
    emit comandosAlterados();
}

} // namespace pla::module
