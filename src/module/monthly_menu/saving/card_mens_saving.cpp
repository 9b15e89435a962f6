// The monthly menu screen's change cache: saving both change sets in one call,
// cancelling them, the buttons that follow them, and the questions before closing.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>

namespace pla::module {

using namespace pla::host;

int TfrmCardMens::AlteracoesPendentes() const {
    return cdsCardaDia->ChangeCount() + cdsCompCardCache->ChangeCount();
}

// Either table starting or ending an edit, or a change logged: the commands follow.
void TfrmCardMens::EstadoEdicaoAlterado() {
    HabilitaComandos();
}

QString TfrmCardMens::UpdCacheOnSrv() {
    QString numero =
        cdsCardaDia->IsEmpty()
            ? QString()
            : cdsCardaDia->FieldByName(QStringLiteral("NRCARDAPIO")).AsString().trimmed();
    if (AlteracoesPendentes() == 0) {
        HabilitaComandos();
        return numero;
    }
    {
        THourglass busy;
        const auto delta = [](TMemTable& t) {
            return t.ChangeCount() > 0 ? FromDataPacket(t.Delta()) : QVariant();
        };
        QList<rpc::TRpcArg> args{{Host().Operador, false},
                                 {Host().ModuFili, false},
                                 {delta(*cdsCardaDia), true},
                                 {delta(*cdsCompCardCache), true},
                                 {IdCardCentral, true}};
        numero = Planejamento()->Chamar(QStringLiteral("UpdateCache"), args).toString();
        IdCardCentral = args[4].Value.toString();
        CustoAnalisado = false;
    }
    if (numero.size() > 10) {
        MensErro(numero, true); // the changes stay pending
    }
    cdsCardaDia->MergeChangeLog();
    cdsCompCardCache->MergeChangeLog();
    HabilitaComandos();
    const QString type = TipoCardapio.left(1);
    const TMemField* central = cdsParamPlaneja->Active() && !cdsParamPlaneja->IsEmpty()
                                   ? cdsParamPlaneja->FindField(QStringLiteral("CDFILCENTPME"))
                                   : nullptr;
    if ((type == QLatin1String("S") && central && !central->AsString().trimmed().isEmpty()) ||
        (type == QLatin1String("D") && dependeLiberacao())) {
        cdsCardEsp->SetData(ToDataPacket(rpc::CheckResultServ(Planejamento()->Chamar(
            QStringLiteral("GetDiaCardEspecif"), QVariantList{CdFilial, CdServico, DtMesCard}))));
    }
    return numero;
}

void TfrmCardMens::recarregaPratosExcluidos() {
    cdsPratosExcluidos->SetData(ToDataPacket(rpc::CheckResultServ(Planejamento()->Chamar(
        QStringLiteral("getPratosExcluidos"),
        QVariantList{CdFilial, CdServico, DtMesCard, DataHora(UltimoDiaMes(DtMesCard.date()))}))));
}

void TfrmCardMens::sbtConfirmarClick() {
    DesabilitaAnaliCor();
    // Dish types over their day's diners are shown, not saved.
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return;
    }
    UpdCacheOnSrv();
    recarregaPratosExcluidos();
    desCardapio->Refresh();
}

// Back to the saved state, and the grid with it.
void TfrmCardMens::descartaAlteracoes() {
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
    HabilitaComandos();
}

void TfrmCardMens::sbtCancelarClick() {
    if (ShowMsg(msgPadrao, QStringLiteral("undochanges"), TMsgDlgType::Confirmation,
                mbYes | mbNo) != mrYes) {
        return;
    }
    descartaAlteracoes();
    recarregaPratosExcluidos();
    desCardapio->Refresh();
}

bool TfrmCardMens::VerificaCardapioEmAlteracao() {
    // The planning screen closes this one before it goes: without it there is no
    // connection left to ask anything through.
    if (CdServico.isEmpty() || !Planejamento()) {
        return true;
    }
    if (VerificaSomaTP()) {
        AbreComensaisPorTipo();
        return false;
    }
    if (AlteracoesPendentes() > 0) {
        if (ShowMsg(msgPadrao, QStringLiteral("updatecache"), TMsgDlgType::Confirmation,
                    mbYes | mbNo) == mrYes) {
            THourglass busy;
            UpdCacheOnSrv();
        } else {
            descartaAlteracoes();
        }
        HabilitaComandos();
    }
    THourglass busy;
    if (cdsCardaDia->Filtered()) {
        cdsCardaDia->SetFiltered(false);
    }
    if (cdsCardaDia->IsEmpty() && !CardapioSomenteLeitura) {
        // A month left without any day keeps no dish-position configuration.
        QList<rpc::TRpcArg> args{{CdFilial, false},
                                 {CdServico, false},
                                 {DtMesCard, true},
                                 {DataHora(UltimoDiaMes(DtMesCard.date())), false}};
        const QVariant answer = Planejamento()->Chamar(QStringLiteral("DelCnfCaMes"), args);
        if (!answer.toString().isEmpty()) {
            MensErro(answer.toString(), true);
        }
    }
    return DiasSemPrato();
}

// Days that expect diners but have no dish: unless the general parameters let them
// keep their diners, the planner clears those diners or stays on the screen.
bool TfrmCardMens::DiasSemPrato() {
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
    semPrato.SetData(ToDataPacket(
        rpc::CheckResultServ(Planejamento()->Chamar(QStringLiteral("GetCardSemPrat"), period))));
    if (semPrato.IsEmpty() || panAviso->isVisibleTo(this)) {
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
    rpc::CheckResultServ(Planejamento()->Chamar(QStringLiteral("SetCardSemPrat"), period));
    ShowMsg(msgPadrao, QStringLiteral("SUCESSO"), TMsgDlgType::Information, mbOK);
    return true;
}

} // namespace pla::module
