#include "dish_inversion.h"

#include "core/dates.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "rpc/contracts.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QToolButton>

namespace pla::packages {

using namespace pla::host;

TfrmInvPrato::TfrmInvPrato(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00132"), QStringLiteral("Inverter Prato"), parent) {
    setObjectName(QStringLiteral("frmInvPrato"));
    msgPadrao.AddLines(
        {QStringLiteral("DATA_OBRIG|Informe o dia com o qual os pratos serão invertidos."),
         QStringLiteral("MESMO_DIA|Escolha um dia diferente do dia do cardápio."),
         QStringLiteral("FORA_MES|O dia deve estar dentro do mês do cardápio (%s)."),
         QStringLiteral("ANTES_BLOQ|Os pratos só podem ser invertidos a partir de %s."),
         QStringLiteral("CONF_INV|Confirma a inversão dos pratos dos dias %s e %s?")});
    if (p.size() < 7) {
        throw EPlaError(QStringLiteral("Parâmetros incompletos para a inversão de pratos."));
    }
    filial_ = p[0].toString();
    servico_ = p[1].toString();
    dia_ = p[2].toDateTime().date();
    mes_ = PriDiaMes(p[3].toDateTime().date());
    primeiro_ = Host().DataProc(filial_).addDays(p[5].toInt());
    feito_ = TReference::Of(p[6]);
    feito_.Set(false);
    auto* form = new QFormLayout(grbDadosRel);
    edtDia = new QLineEdit(FormatDateTime(QStringLiteral("dd/mm/yyyy"), dia_), grbDadosRel);
    edtDia->setObjectName(QStringLiteral("edtDia"));
    edtDia->setReadOnly(true);
    form->addRow(QStringLiteral("Dia do cardápio"), edtDia);
    depOutroDia = new TDateEdit(grbDadosRel);
    depOutroDia->setObjectName(QStringLiteral("depOutroDia"));
    form->addRow(QStringLiteral("Inverter com o dia"), depOutroDia);
    sbtConfirma->setToolTip(QStringLiteral("Inverter os pratos dos dois dias"));
    net_ = Host().NewConnection(QStringLiteral("netInvPrato"),
                                QStringLiteral("Pla00100.rdmParamCardIndu"));
    resize(380, 170);
}

TfrmInvPrato::~TfrmInvPrato() = default;

void TfrmInvPrato::sbtConfirmaClick() {
    const QDate outro = depOutroDia->Date();
    const auto dia = [](const QDate& d) { return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d); };
    if (!outro.isValid()) {
        MensErro(msgPadrao.Msg(QStringLiteral("DATA_OBRIG")), true);
    }
    if (outro == dia_) {
        MensErro(msgPadrao.Msg(QStringLiteral("MESMO_DIA")), true);
    }
    if (PriDiaMes(outro) != mes_) {
        MensErro(msgPadrao.Fmt(QStringLiteral("FORA_MES"),
                               {FormatDateTime(QStringLiteral("mm/yyyy"), mes_)}),
                 true);
    }
    if (std::min(outro, dia_) < primeiro_) {
        MensErro(msgPadrao.Fmt(QStringLiteral("ANTES_BLOQ"), {dia(primeiro_)}), true);
    }
    if (TDialogPresenter::Current().Message(
            msgPadrao.Fmt(QStringLiteral("CONF_INV"), {dia(dia_), dia(outro)}),
            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return;
    }
    {
        rpc::TServerCallScope call(counter_, *net_);
        const rpc::TMethodSpec& spec = rpc::metodos::InvertePratos();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {filial_, servico_, DataHora(dia_), DataHora(outro)});
        rpc::CheckResultServ(net_->Call(spec.Name, args));
    }
    feito_.Set(true);
    SetModalResult(1);
}

void TfrmInvPrato::FormActivate(bool first) {
    if (first) {
        depOutroDia->setFocus();
    }
}

} // namespace pla::packages
