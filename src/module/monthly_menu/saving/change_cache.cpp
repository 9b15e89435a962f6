// The open month's change cache: saving both change sets in one call, cancelling
// them, and the questions before the month closes.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::module {

using namespace pla::host;

int TCardapioMensal::AlteracoesPendentes() const {
    return cdsCardaDia->ChangeCount() + cdsCompCardCache->ChangeCount();
}

QString TCardapioMensal::UpdCacheOnSrv() {
    QString numero =
        cdsCardaDia->IsEmpty()
            ? QString()
            : cdsCardaDia->FieldByName(QStringLiteral("NRCARDAPIO")).AsString().trimmed();
    if (AlteracoesPendentes() == 0) {
        emit comandosAlterados();
        return numero;
    }
    {
        THourglass busy;
        const auto delta = [](TMemTable& t) {
            return t.ChangeCount() > 0 ? FromDataPacket(t.Delta()) : QVariant();
        };
        const rpc::TMethodSpec& spec = rpc::metodos::UpdateCache();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {Host().Operador, Host().ModuFili, delta(*cdsCardaDia),
                                   delta(*cdsCompCardCache), IdCardCentral});
        numero = Planejamento()->Chamar(spec.Name, args).toString();
        IdCardCentral = args[int(rpc::TArgUpdateCache::Central)].Value.toString();
        CustoAnalisado = false;
    }
    if (rpc::TextoDeErro(numero)) {
        MensErro(numero, true); // the changes stay pending
    }
    cdsCardaDia->MergeChangeLog();
    cdsCompCardCache->MergeChangeLog();
    emit comandosAlterados();
    const QString type = TipoCardapio.left(1);
    const TMemField* central = cdsParamPlaneja->Active() && !cdsParamPlaneja->IsEmpty()
                                   ? cdsParamPlaneja->FindField(QStringLiteral("CDFILCENTPME"))
                                   : nullptr;
    if ((type == QLatin1String("S") && central && !central->AsString().trimmed().isEmpty()) ||
        (type == QLatin1String("D") && dependeLiberacao())) {
        cdsCardEsp->SetData(rpc::PacoteServ(
            chama(rpc::metodos::GetDiaCardEspecif(), {CdFilial, CdServico, DtMesCard})));
    }
    return numero;
}

void TCardapioMensal::recarregaPratosExcluidos() {
    cdsPratosExcluidos->SetData(rpc::PacoteServ(
        chama(rpc::metodos::getPratosExcluidos(),
              {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date()))})));
}

void TCardapioMensal::Confirma() {
    DesabilitaAnaliCor();
    // Dish types over their day's diners are shown, not saved.
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return;
    }
    gravaConfirmado();
}

// What the confirm button does once the diners by dish type let the changes go.
void TCardapioMensal::gravaConfirmado() {
    UpdCacheOnSrv();
    recarregaPratosExcluidos();
    emit gradeAlterada();
    if (custo_->CustoCalculado && custo_->Simultaneo) {
        CalculaCusto();
    }
}

// Back to the saved state, and the grid with it.
void TCardapioMensal::DescartaAlteracoes() {
    for (TMemTable* t : {cdsCompCardCache, cdsCardaDia, cdsCardEsp}) {
        if (t->Active()) {
            if (t->IsEditing()) {
                t->Cancel();
            }
            t->CancelUpdates();
        }
    }
    cdsComensAux->EmptyDataSet();
    AtualizaStlPratos(false);
    emit comandosAlterados();
}

void TCardapioMensal::Cancela() {
    DesabilitaAnaliCor();
    if (ShowMsg(msgPadrao, QStringLiteral("undochanges"), TMsgDlgType::Confirmation,
                mbYes | mbNo) != mrYes) {
        return;
    }
    DescartaAlteracoes();
    recarregaPratosExcluidos();
    emit gradeAlterada();
}

bool TCardapioMensal::VerificaCardapioEmAlteracao() {
    // The planning screen closes this one before it goes: without it there is no
    // connection left to ask anything through.
    if (CdServico.isEmpty() || !Planejamento()) {
        return true;
    }
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return false;
    }
    TMemTable cdsParamCloseCard(QStringLiteral("cdsParamCloseCard"));
    cdsParamCloseCard.SetData(rpc::PacoteServ(
        chama(rpc::metodos::GetParams(),
              {CdFilial, QStringLiteral("PLA00101-CLOSE"), qlonglong(Host().RetornaIdioma())})));
    if (!VerificaCustoFechamento(cdsParamCloseCard)) {
        return false;
    }
    if (!VerificaRestricoesFechamento(cdsParamCloseCard)) {
        return false;
    }
    if (AlteracoesPendentes() > 0) {
        if (ShowMsg(msgPadrao, QStringLiteral("updatecache"), TMsgDlgType::Confirmation,
                    mbYes | mbNo) == mrYes) {
            THourglass busy;
            UpdCacheOnSrv();
        } else {
            DescartaAlteracoes();
        }
        emit comandosAlterados();
    }
    THourglass busy;
    custo_->LiberaTrabalho();
    if (cdsCardaDia->Filtered()) {
        cdsCardaDia->SetFiltered(false);
    }
    if (cdsCardaDia->IsEmpty() && !CardapioSomenteLeitura) {
        // A month left without any day keeps no dish-position configuration.
        const QVariant answer =
            chama(rpc::metodos::DelCnfCaMes(),
                  {CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date()))});
        if (!answer.toString().isEmpty()) {
            MensErro(answer.toString(), true);
        }
    }
    return DiasSemPrato();
}

// Days that expect diners but have no dish: unless the general parameters let them
// keep their diners, the planner clears those diners or stays on the screen.
bool TCardapioMensal::DiasSemPrato() {
    const int blocked =
        cdsParamPlaneja->Active() && !cdsParamPlaneja->IsEmpty()
            ? int(cdsParamPlaneja->FieldByName(QStringLiteral("QTDIABLOQCAR")).AsInteger())
            : 0;
    QDate start = Host().DataProc(CdFilial).addDays(blocked);
    if (start < DtMesCard.date()) {
        start = DtMesCard.date();
    }
    const QVariantList period{CdFilial, CdServico, DataHora(start),
                              DataHora(UltimoDiaMes(DtMesCard.date()))};
    if (start > UltimoDiaMes(DtMesCard.date())) {
        return true;
    }
    TMemTable semPrato(QStringLiteral("cdsCardSemPrato"));
    semPrato.SetData(rpc::PacoteServ(chama(rpc::metodos::GetCardSemPrat(), period)));
    if (semPrato.IsEmpty() || CardapioSomenteLeitura) {
        return true;
    }
    QString list = QStringLiteral("\n");
    for (semPrato.First(); !semPrato.Eof(); semPrato.Next()) {
        const QDateTime day = semPrato.FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime();
        list += QStringLiteral("\n") + msgPadrao.Msg(QStringLiteral("CARDAPIO_SEM_PRAT")) +
                QLatin1Char(' ') +
                FormatDateTime(day.time() == QTime(0, 0) ? QStringLiteral("dd/mm/yyyy")
                                                         : QStringLiteral("dd/mm/yyyy hh:nn:ss"),
                               day) +
                QStringLiteral(" - ") + msgPadrao.Msg(QStringLiteral("COMENSAIS_SEM_PRAT")) +
                QLatin1Char(' ') +
                FloatToStr(semPrato.FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat());
    }
    // The general parameters of the month's generation, else those of the load.
    TMemTable geral(QStringLiteral("cdsVerifParGeral"));
    const QVariant generated = ResultadoGeracao.value(1);
    geral.SetData(IsDataPacket(generated) ? ToDataPacket(generated) : cdsParamGeral->Data());
    const TMemField* keep =
        geral.IsEmpty() ? nullptr : geral.FindField(QStringLiteral("IDPERCOMENSPRAT"));
    if (keep && keep->AsString() != QLatin1String("N")) {
        return true;
    }
    if (TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("CARD_SEM_PRAT")) + list,
                                            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return false;
    }
    rpc::CheckResultServ(chama(rpc::metodos::SetCardSemPrat(), period));
    ShowMsg(msgPadrao, QStringLiteral("SUCESSO"), TMsgDlgType::Information, mbOK);
    return true;
}

} // namespace pla::module
