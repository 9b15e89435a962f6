#include "cost_reference_date.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "host/cost_types.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "rpc/contracts.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::packages {

using namespace pla::host;

namespace {

// What differs between the two kinds of date: the screen and the stored columns.
struct TTipoData {
    const char* Tela;
    const char* Titulo;
    const char* Explica;
    const char* CampoData;
    const char* CampoOperador;
    const char* CampoAlteracao;
};

const TTipoData& tipoData(char tipo) {
    static const TTipoData planejado{"PLA00120",
                                     "Data de Referência dos Custos",
                                     "A data cujos custos formam o custo planejado do mês.",
                                     "DTBASCONCUSPLAN",
                                     "CDOPERBASE",
                                     "DTALTBASE"};
    static const TTipoData recalculo{"PLA00126",
                                     "Data de Referência do Recálculo dos Custos",
                                     "A data cujos custos o recálculo dos custos do mês usa.",
                                     "DTBASRECCUS",
                                     "CDOPERREC",
                                     "DTALTREC"};
    if (tipo == rpc::BaseCustoPlanejado) {
        return planejado;
    }
    if (tipo == rpc::BaseCustoRecalculo) {
        return recalculo;
    }
    throw EProgramError(QStringLiteral("Tipo de data de referência desconhecido: %1").arg(tipo));
}

QString dia(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

QLineEdit* somenteLeitura(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
}

} // namespace

TfrmDataRefCusto::TfrmDataRefCusto(char tipo, const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QString::fromLatin1(tipoData(tipo).Tela),
                    QString::fromUtf8(tipoData(tipo).Titulo), parent)
    , tipo_(tipo) {
    const TTipoData& t = tipoData(tipo);
    setObjectName(QStringLiteral("frmDataRefCusto"));
    msgPadrao.AddLines(
        {QStringLiteral("PARAMS|Parâmetros incompletos para a data de referência."),
         QStringLiteral("DATA_OBRIG|Informe a data de referência."),
         QStringLiteral("FORA_LIMITE|A data de referência deve estar entre %s e %s."),
         QStringLiteral("GRAVADA|Data de referência gravada."),
         QStringLiteral("NENHUMA|Nenhuma data gravada")});
    const bool planejado = tipo == rpc::BaseCustoPlanejado;
    if (p.size() < (planejado ? 5 : 4)) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("PARAMS")));
    }
    filial_ = p[0].toString().trimmed();
    mes_ = PriDiaMes(p[2].toDateTime().date());
    data_ = TReference::Of(p[3]);
    const QDate inicial =
        (p[3].metaType() == QMetaType::fromType<TReference>() ? data_.Get() : p[3])
            .toDateTime()
            .date();
    panHelp->setText(QString::fromUtf8(t.Explica));

    auto* v = new QVBoxLayout(grbDadosRel);
    auto* form = new QFormLayout;
    edtFilial = somenteLeitura(grbDadosRel, "edtFilial");
    const QString nome = p[1].toString().trimmed();
    edtFilial->setText(nome.isEmpty() ? filial_ : filial_ + QStringLiteral(" - ") + nome);
    form->addRow(QStringLiteral("Filial"), edtFilial);
    edtMes = somenteLeitura(grbDadosRel, "edtMes");
    edtMes->setText(FormatDateTime(QStringLiteral("mm/yyyy"), mes_));
    form->addRow(QStringLiteral("Mês do cardápio"), edtMes);
    if (planejado) {
        edtTipoCusto = somenteLeitura(grbDadosRel, "edtTipoCusto");
        edtTipoCusto->setText(nomeTipoCusto(p[4].toString().trimmed()));
        form->addRow(QStringLiteral("Tipo de custo planejado"), edtTipoCusto);
    }
    v->addLayout(form);
    grbGravada = new QGroupBox(QStringLiteral("Gravada agora"), grbDadosRel);
    grbGravada->setObjectName(QStringLiteral("grbGravada"));
    auto* stored = new QFormLayout(grbGravada);
    edtDataGravada = somenteLeitura(grbGravada, "edtDataGravada");
    edtAlteradoPor = somenteLeitura(grbGravada, "edtAlteradoPor");
    edtAlteradoEm = somenteLeitura(grbGravada, "edtAlteradoEm");
    stored->addRow(QStringLiteral("Data de referência"), edtDataGravada);
    stored->addRow(QStringLiteral("Alterada por"), edtAlteradoPor);
    stored->addRow(QStringLiteral("Alterada em"), edtAlteradoEm);
    v->addWidget(grbGravada);
    auto* edit = new QFormLayout;
    depDataRef = new TDateEdit(grbDadosRel);
    depDataRef->setObjectName(QStringLiteral("depDataRef"));
    depDataRef->SetDate(inicial);
    edit->addRow(QStringLiteral("Nova data de referência"), depDataRef);
    v->addLayout(edit);
    v->addStretch(1);

    sbtConfirma->setToolTip(QStringLiteral("Gravar a data de referência"));
    sbtCancela = new QToolButton(panBotoes);
    sbtCancela->setObjectName(QStringLiteral("sbtCancela"));
    sbtCancela->setText(QStringLiteral("Cancelar"));
    sbtCancela->setToolTip(QStringLiteral("Fechar sem gravar"));
    sbtCancela->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ButtonsLayout()->insertWidget(1, sbtCancela);
    connect(sbtCancela, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtCancelaClick(); }); });

    net_ = Host().NewConnection(QStringLiteral("netBaseCusto"),
                                QStringLiteral("Pla00120.rdmBaseCusto"));
    CarregaGravada();
    resize(460, 330);
}

TfrmDataRefCusto::~TfrmDataRefCusto() = default;

QDate TfrmDataRefCusto::Inicio() const {
    return mes_.addMonths(-12);
}

QDate TfrmDataRefCusto::Fim() const {
    return UltimoDiaMes(mes_);
}

// "01 - CUSTO MÉDIO" as the cost-type lists show it; the number alone when the list
// cannot be read, since the name only helps the planner recognise the type.
QString TfrmDataRefCusto::nomeTipoCusto(const QString& numero) const {
    bool ok = false;
    const int n = numero.toInt(&ok);
    if (!ok) {
        return numero;
    }
    try {
        auto connection = Host().NewConnection(QStringLiteral("netTipoCusto"),
                                               QStringLiteral("Cus00000.rdmCustProd"));
        rpc::TConnectionCounter counter;
        rpc::TServerCallScope call(counter, *connection);
        TCostTypeList list;
        list.Load(*connection);
        for (const TCostTypeList::TItem& item : list.Items()) {
            if (item.Number == n) {
                return item.Text;
            }
        }
    } catch (const EPlaError&) {
        // The number is enough to go on.
    }
    return numero;
}

void TfrmDataRefCusto::CarregaGravada() {
    const TTipoData& t = tipoData(tipo_);
    TDataPacket packet;
    {
        rpc::TServerCallScope call(counter_, *net_);
        const rpc::TMethodSpec& metodo = rpc::metodos::GetBaseCusto();
        QList<rpc::TRpcArg> args = rpc::Argumentos(metodo, {filial_, DataHora(mes_)});
        packet = rpc::PacoteServ(net_->Call(metodo.Name, args));
    }
    const auto valor = [&packet](const char* name) {
        const int at = packet.FieldIndex(QString::fromLatin1(name));
        return at >= 0 && !packet.Rows.isEmpty() ? packet.Rows.first().Values.value(at)
                                                 : QVariant();
    };
    gravada_ = valor(t.CampoData).toDateTime().date();
    const QDateTime quando = valor(t.CampoAlteracao).toDateTime();
    edtDataGravada->setText(gravada_.isValid() ? dia(gravada_)
                                               : msgPadrao.Msg(QStringLiteral("NENHUMA")));
    edtAlteradoPor->setText(valor(t.CampoOperador).toString().trimmed());
    edtAlteradoEm->setText(
        quando.isValid() ? FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), quando) : QString());
}

void TfrmDataRefCusto::sbtConfirmaClick() {
    const QDate data = depDataRef->Date();
    if (!data.isValid()) {
        depDataRef->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("DATA_OBRIG")), true);
    }
    if (data < Inicio() || data > Fim()) {
        depDataRef->setFocus();
        MensErro(msgPadrao.Fmt(QStringLiteral("FORA_LIMITE"), {dia(Inicio()), dia(Fim())}), true);
    }
    QString recusa;
    {
        rpc::TServerCallScope call(counter_, *net_);
        const rpc::TMethodSpec& metodo = rpc::metodos::SetBaseCusto();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(metodo, {filial_, DataHora(mes_), QString(QLatin1Char(tipo_)),
                                     DataHora(data), Host().Operador});
        recusa = net_->Call(metodo.Name, args).toString().trimmed();
    }
    if (!recusa.isEmpty()) {
        // The planner's date stays, to be corrected or kept for another try.
        MensErro(recusa, true);
    }
    gravada_ = data;
    data_.Set(DataHora(data));
    TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("GRAVADA")),
                                        TMsgDlgType::Information, mbOK);
    SetModalResult(mrOk);
}

void TfrmDataRefCusto::sbtCancelaClick() {
    SetModalResult(mrCancel);
}

void TfrmDataRefCusto::FormActivate(bool first) {
    if (first) {
        depDataRef->setFocus();
    }
}

} // namespace pla::packages
