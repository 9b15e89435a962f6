// The planning screen's menu cycles: updating a future month from the active cycle,
// and the validation that prepares a month for elaboration.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/mask_edit.h"
#include "host/valida_filial.h"
#include "module/frame/creation.h"
#include "param_card_indu.h"

#include "rpc/contracts.h"

#include <QLineEdit>

namespace pla::module {

using namespace pla::host;

void TfrmParamCardIndu::cycleAnswer(const QString& cdFilial, const QString& answer) {
    if (answer.isEmpty()) {
        return;
    }
    if (!rpc::TextoDeErro(answer)) { // the log of a partial update
        if (ShowMsg(msgPadrao, QStringLiteral("Card_Ciclo_Restr"), TMsgDlgType::Confirmation,
                    mbYes | mbNo) == mrYes) {
            CriaLogCardCiclo(cdFilial, answer);
        }
        return;
    }
    MensErro(answer, true);
}

void TfrmParamCardIndu::btnCriaCardCicloClick() {
    exigeOperador();
    validateBranch(true);
    validateService(true, false);
    checkMonth();
    const QDate month = PriDiaMes(depMesCard->Date());
    if (!(DataHora(month) > Agora())) {
        depMesCard->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("Atu_Card_Mes_Maior")), true);
    }
    if (ShowMsg(msgPadrao, QStringLiteral("Card_Ciclo_Atu"), TMsgDlgType::Confirmation,
                mbYes | mbNo) != mrYes) {
        return;
    }
    QVariant answer;
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getdataserv")));
        rpc::TServerCallScope call(counter_, *netParamCardIndu);
        // The server gives the first three back normalised; the button keeps its own.
        const rpc::TMethodSpec& spec = rpc::metodos::SetCriaCardCiclo();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {medCdFilial->text(), medCdServico->text(), DataHora(month),
                                   Host().Operador, QStringLiteral("S")});
        answer = netParamCardIndu->Call(spec.Name, args);
    }
    cycleAnswer(medCdFilial->text(), answer.toString());
}

void TfrmParamCardIndu::ValidaElaboracaoCardapio(const QString& cdFilial, const QString& cdServico,
                                                 const QDate& dtMes, int montagem) {
    QString filial = cdFilial;
    QString servico = cdServico;
    QDateTime data = DataHora(dtMes);
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("valid_elab")));
        rpc::TServerCallScope call(counter_, *netParamCardIndu);
        const rpc::TMethodSpec& spec = rpc::metodos::getVerificaCiclo();
        QList<rpc::TRpcArg> args = rpc::Argumentos(spec, {filial, servico, data});
        const QVariant answer = netParamCardIndu->Call(spec.Name, args);
        cdsVerifCiclo->SetData(rpc::PacoteServ(answer));
    }
    const QDate month = PriDiaMes(depMesCard->Date());
    if (!cdsVerifCiclo->IsEmpty() && DataHora(month) > Agora()) {
        const QString cycle =
            cdsVerifCiclo->FieldByName(QStringLiteral("CDCARDCICLO")).AsString().trimmed() +
            QStringLiteral(" - ") +
            cdsVerifCiclo->FieldByName(QStringLiteral("NMCARDCICLO")).AsString().trimmed();
        if (TDialogPresenter::Current().Message(fmt(QStringLiteral("Conf_CardCiclo"), {cycle}),
                                                TMsgDlgType::Confirmation, mbYes | mbNo) == mrYes) {
            QVariant answer;
            {
                TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("valid_elab")));
                rpc::TServerCallScope call(counter_, *netParamCardIndu);
                const rpc::TMethodSpec& spec = rpc::metodos::SetCriaCardCiclo();
                QList<rpc::TRpcArg> args = rpc::Argumentos(
                    spec, {filial, servico, data, Host().Operador, QStringLiteral("N")});
                answer = netParamCardIndu->Call(spec.Name, args);
                using A = rpc::TArgCriaCardCiclo;
                filial = args[int(A::Filial)].Value.toString();
                servico = args[int(A::Servico)].Value.toString();
                data = args[int(A::Data)].Value.toDateTime();
            }
            cycleAnswer(filial, answer.toString());
        }
    }
    QVariant answer;
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("valid_elab")));
        rpc::TServerCallScope call(counter_, *netParamCardIndu);
        const rpc::TMethodSpec& spec = rpc::metodos::Gera_Cardapio();
        QList<rpc::TRpcArg> args = rpc::Argumentos(
            spec, {filial, qlonglong(montagem), servico, data, Host().Operador, Host().ModuFili});
        answer = netParamCardIndu->Call(spec.Name, args);
    }
    if (answer.typeId() == QMetaType::QString) {
        throw EPlaError(answer.toString());
    }
    resultadoGeracao_ = answer.toList();
    const QString key = resultadoGeracao_.value(0).toString();
    if (!key.isEmpty()) {
        MensErro(msgPadrao.Contains(key) ? msgPadrao.Msg(key) : key, true);
    }
}

} // namespace pla::module
