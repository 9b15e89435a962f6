#include "period_deletion.h"

#include "core/dates.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "rpc/contracts.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QToolButton>

namespace pla::packages {

using namespace pla::host;

namespace {

QString dia(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

} // namespace

TfrmDelCardPeriodo::TfrmDelCardPeriodo(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00118"), QStringLiteral("Excluir Cardápio no Período"),
                    parent) {
    setObjectName(QStringLiteral("frmDelCardPeriodo"));
    msgPadrao.AddLines(
        {QStringLiteral("DATA_OBRIG|Informe o primeiro e o último dia do período."),
         QStringLiteral("FORA_MES|O período deve estar dentro do mês do cardápio (%s)."),
         QStringLiteral("ANTES_BLOQ|O cardápio só pode ser excluído a partir de %s."),
         QStringLiteral("INICIO_FIM|O primeiro dia não pode ser posterior ao último."),
         QStringLiteral("CONF_DEL|Confirma a exclusão do cardápio de %s a %s?"),
         QStringLiteral("EXCLUIDOS|Cardápio excluído: %s dia(s).")});
    if (p.size() < 7) {
        throw EPlaError(QStringLiteral("Parâmetros incompletos para a exclusão do cardápio."));
    }
    filial_ = p[0].toString();
    servico_ = p[1].toString();
    mes_ = PriDiaMes(p[2].toDateTime().date());
    primeiro_ = Host().DataProc(filial_).addDays(p[3].toInt());
    auto* form = new QFormLayout(grbDadosRel);
    depInicio = new TDateEdit(grbDadosRel);
    depInicio->setObjectName(QStringLiteral("depInicio"));
    depFim = new TDateEdit(grbDadosRel);
    depFim->setObjectName(QStringLiteral("depFim"));
    form->addRow(QStringLiteral("Primeiro dia"), depInicio);
    form->addRow(QStringLiteral("Último dia"), depFim);
    depInicio->SetDate(std::max(mes_, primeiro_));
    depFim->SetDate(UltimoDiaMes(mes_));
    sbtConfirma->setToolTip(QStringLiteral("Excluir o cardápio do período"));
    net_ = Host().NewConnection(QStringLiteral("netDelCard"),
                                QStringLiteral("Pla00100.rdmParamCardIndu"));
    resize(380, 180);
}

TfrmDelCardPeriodo::~TfrmDelCardPeriodo() = default;

void TfrmDelCardPeriodo::sbtConfirmaClick() {
    const QDate inicio = depInicio->Date();
    const QDate fim = depFim->Date();
    if (!inicio.isValid() || !fim.isValid()) {
        MensErro(msgPadrao.Msg(QStringLiteral("DATA_OBRIG")), true);
    }
    if (PriDiaMes(inicio) != mes_ || PriDiaMes(fim) != mes_) {
        MensErro(msgPadrao.Fmt(QStringLiteral("FORA_MES"),
                               {FormatDateTime(QStringLiteral("mm/yyyy"), mes_)}),
                 true);
    }
    if (inicio > fim) {
        MensErro(msgPadrao.Msg(QStringLiteral("INICIO_FIM")), true);
    }
    if (inicio < primeiro_) {
        MensErro(msgPadrao.Fmt(QStringLiteral("ANTES_BLOQ"), {dia(primeiro_)}), true);
    }
    if (TDialogPresenter::Current().Message(
            msgPadrao.Fmt(QStringLiteral("CONF_DEL"), {dia(inicio), dia(fim)}),
            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return;
    }
    {
        rpc::TServerCallScope call(counter_, *net_);
        const rpc::TMethodSpec& spec = rpc::metodos::DelCardPeriodo();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {filial_, servico_, DataHora(inicio), DataHora(fim)});
        excluidos_ = rpc::CheckResultServ(net_->Call(spec.Name, args)).toInt();
    }
    TDialogPresenter::Current().Message(
        msgPadrao.Fmt(QStringLiteral("EXCLUIDOS"), {QString::number(excluidos_)}),
        TMsgDlgType::Information, mbOK);
    SetModalResult(1);
}

void TfrmDelCardPeriodo::FormActivate(bool first) {
    if (first) {
        depInicio->setFocus();
    }
}

} // namespace pla::packages
