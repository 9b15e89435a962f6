#include "dish_type_import.h"

#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/server_call.h"

#include <QColor>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

using TAcao = rpc::TAcaoTipoPrat;

const QString Marca = QStringLiteral("MARCA");

bool ehAcao(const QString& text, TAcao acao) {
    return text == QLatin1Char(char(acao));
}

QString tipoTexto(const QString& code, const QString& name) {
    return code.trimmed().isEmpty() ? QStringLiteral("—")
                                    : code.trimmed() + QStringLiteral(" - ") + name.trimmed();
}

// "opcional, contada, impressa" as far as the flags say so.
QString marcasTexto(const QString& opcional, const QString& contada, const QString& impressa) {
    QStringList out;
    const std::pair<const QString*, const char*> flags[] = {
        {&opcional, "opcional"}, {&contada, "contada"}, {&impressa, "impressa"}};
    for (const auto& [flag, name] : flags) {
        if (*flag == QLatin1String("S")) {
            out << QString::fromLatin1(name);
        }
    }
    return out.isEmpty() ? QStringLiteral("—") : out.join(QStringLiteral(", "));
}

} // namespace

// The lines as the grid shows them: the mark as a check the planner may give only to
// the lines that can be imported; a refused line in dark red, saying why.
class TModeloTiposImportados : public QIdentityProxyModel {
public:
    TModeloTiposImportados(TfrmImpTipoPrat& form, TDataSourceModel* source)
        : QIdentityProxyModel(&form)
        , form_(form)
        , source_(source) {
        setSourceModel(source);
    }

    QString Valor(int row, const QString& field) const {
        const TMemTable* t = source_->DataSet();
        const TMemField* f = t->FindField(field);
        return f ? ValueAsString(t->ViewValue(row, f->Index())).trimmed() : QString();
    }
    // A line that may be marked: something to do, and nothing against it.
    bool Marcavel(int row) const {
        return !ehAcao(Valor(row, QStringLiteral("IDACAO")), TAcao::Igual) &&
               Valor(row, QStringLiteral("DSRECUSA")).isEmpty();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const bool mark = source_->FieldNameAt(index.column()) == Marca;
        if (mark && role == Qt::CheckStateRole) {
            return form_.Marcadas().contains(
                       Valor(index.row(), QStringLiteral("NRORDCNFMES")).toInt())
                       ? Qt::Checked
                       : Qt::Unchecked;
        }
        if (mark && (role == Qt::DisplayRole || role == Qt::EditRole)) {
            return {};
        }
        const QString recusa = Valor(index.row(), QStringLiteral("DSRECUSA"));
        if (role == Qt::ForegroundRole) {
            if (!recusa.isEmpty()) {
                return QColor(Qt::darkRed);
            }
            if (ehAcao(Valor(index.row(), QStringLiteral("IDACAO")), TAcao::Igual)) {
                return QColor(Qt::gray);
            }
        }
        if (role == Qt::ToolTipRole && !recusa.isEmpty()) {
            return recusa;
        }
        return QIdentityProxyModel::data(index, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QIdentityProxyModel::flags(index) & ~Qt::ItemIsEditable;
        if (source_->FieldNameAt(index.column()) == Marca) {
            f |= Qt::ItemIsUserCheckable;
        }
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant&, int role) override {
        if (role != Qt::CheckStateRole || source_->FieldNameAt(index.column()) != Marca) {
            return false;
        }
        const int row = index.row();
        RunHandler([&] { form_.MarcaLinha(row); });
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }

    void Mudou() {
        if (rowCount() > 0) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        }
    }

private:
    TfrmImpTipoPrat& form_;
    TDataSourceModel* source_;
};

TfrmImpTipoPrat::TfrmImpTipoPrat(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00121"), QStringLiteral("Importar Tipo de Prato"), parent)
    , feito_(TReference::Of(p.value(3))) {
    setObjectName(QStringLiteral("frmImpTipoPrat"));
    msgPadrao.AddLines(
        {QStringLiteral("PARAMETROS|A importação de tipos de prato precisa da filial, do serviço "
                        "e do mês."),
         QStringLiteral("SEM_ORIGEM|Nenhum outro mês ou serviço da filial tem configuração de "
                        "cardápio para importar."),
         QStringLiteral("ESCOLHA_ORIGEM|Escolha o serviço e o mês de onde vêm os tipos de prato."),
         QStringLiteral("NADA_MARCADO|Marque ao menos um tipo de prato para importar."),
         QStringLiteral("JA_NO_MES|A ordem %s já tem esse tipo de prato no mês: nada a importar."),
         QStringLiteral("PERDE_PRATOS|Os pratos destas posições serão excluídos do cardápio: %s. "
                        "Confirma a importação?"),
         QStringLiteral("IMPORTADO|Tipos de prato importados: %s posição(ões) do mês; %s "
                        "prato(s) excluído(s) do cardápio."),
         QStringLiteral("NADA_IMPORTADO|O mês já tem esses tipos de prato: nada foi importado."),
         QStringLiteral("PRIMEIRO_DIA|Dias alteráveis a partir de %s. Marque as linhas a "
                        "importar; as que não podem mudar ficam em vermelho escuro.")});
    filial_ = p.value(0).toString().trimmed();
    servico_ = p.value(1).toString().trimmed();
    mes_ = PriDiaMes(p.value(2).toDateTime().date());
    if (filial_.isEmpty() || servico_.isEmpty() || !mes_.isValid()) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("PARAMETROS")));
    }
    net_ = Host().NewConnection(QStringLiteral("netImpTipoPrat"),
                                QStringLiteral("Pla00121.rdmImpTipoPrat"));

    cdsOrigens = new TMemTable(QStringLiteral("cdsOrigens"), this);
    cdsLinhas = new TMemTable(QStringLiteral("cdsLinhas"), this);
    const auto calc = [this](const char* name, const char* label, int size) {
        cdsLinhas->AddCalcField(QString::fromLatin1(name), TFieldType::String, size)
            .SetDisplayLabel(QString::fromUtf8(label));
    };
    const auto campo = [this](const char* name, TFieldType type, int size, const char* label) {
        TMemField& f = cdsLinhas->AddField(QString::fromLatin1(name), type, size);
        if (label) {
            f.SetDisplayLabel(QString::fromUtf8(label));
        } else {
            f.SetVisible(false);
        }
    };
    calc("MARCA", "Importar", 1);
    campo("NRORDCNFMES", TFieldType::Integer, 0, "Ordem");
    calc("DSORIGEM", "Tipo de Prato da Origem", 40);
    calc("DSMARCAS", "Marcas da Origem", 40);
    calc("DSMES", "No Mês", 40);
    calc("DSACAO", "O que Acontece", 120);
    campo("QTDIASPRATO", TFieldType::Integer, 0, "Dias com Pratos");
    campo("QTDIASBLOQ", TFieldType::Integer, 0, "Dias Bloqueados");
    for (const char* hidden :
         {"IDACAO", "CDTIPOPRAT", "NMTIPOPRAT", "IDOPCCNFMES", "IDCONCNFMES", "IDIMPCNFMES",
          "CDTIPOPRATDEST", "NMTIPOPRATDEST", "IDFLAGSDEST", "IDPERDEPRATOS", "DSRECUSA"}) {
        campo(hidden, TFieldType::String, 0, nullptr);
    }
    campo("NRSEQCNFMES", TFieldType::Integer, 0, nullptr);
    cdsLinhas->OnCalcFields = [](TCalcRow& row) {
        const QString acao = row.AsString(QStringLiteral("IDACAO"));
        const bool remove = ehAcao(acao, TAcao::Remove);
        row.SetValue(QStringLiteral("DSORIGEM"),
                     remove ? QStringLiteral("—")
                            : tipoTexto(row.AsString(QStringLiteral("CDTIPOPRAT")),
                                        row.AsString(QStringLiteral("NMTIPOPRAT"))));
        row.SetValue(QStringLiteral("DSMARCAS"),
                     remove ? QStringLiteral("—")
                            : marcasTexto(row.AsString(QStringLiteral("IDOPCCNFMES")),
                                          row.AsString(QStringLiteral("IDCONCNFMES")),
                                          row.AsString(QStringLiteral("IDIMPCNFMES"))));
        const qint64 seq = row.AsInteger(QStringLiteral("NRSEQCNFMES"));
        const QString noMes = tipoTexto(row.AsString(QStringLiteral("CDTIPOPRATDEST")),
                                        row.AsString(QStringLiteral("NMTIPOPRATDEST")));
        row.SetValue(QStringLiteral("DSMES"),
                     seq > 0 ? QStringLiteral("posição %1: %2").arg(seq).arg(noMes)
                             : QStringLiteral("—"));
        QString texto;
        if (ehAcao(acao, TAcao::Nova)) {
            texto = QStringLiteral("Nova posição no mês");
        } else if (ehAcao(acao, TAcao::Altera)) {
            texto = QStringLiteral("A posição passa a ser deste tipo de prato");
        } else if (ehAcao(acao, TAcao::Igual)) {
            texto = QStringLiteral("Já está no mês");
        } else {
            texto = QStringLiteral("Posição que a origem não tem: excluída se marcada");
        }
        if (row.AsString(QStringLiteral("IDPERDEPRATOS")) == QLatin1String("S")) {
            texto += QStringLiteral(" (seus pratos de %1 dia(s) são excluídos)")
                         .arg(row.AsInteger(QStringLiteral("QTDIASPRATO")));
        }
        const QString recusa = row.AsString(QStringLiteral("DSRECUSA"));
        if (!recusa.isEmpty()) {
            texto = QStringLiteral("Não pode mudar: ") + recusa;
        }
        row.SetValue(QStringLiteral("DSACAO"), texto);
    };
    cdsLinhas->CreateDataSet();

    auto* v = new QVBoxLayout(grbDadosRel);
    lblDestino = new QLabel(grbDadosRel);
    lblDestino->setObjectName(QStringLiteral("lblDestino"));
    v->addWidget(lblDestino);
    auto* form = new QFormLayout;
    cbbServico = new QComboBox(grbDadosRel);
    cbbServico->setObjectName(QStringLiteral("cbbServico"));
    cbbMes = new QComboBox(grbDadosRel);
    cbbMes->setObjectName(QStringLiteral("cbbMes"));
    form->addRow(QStringLiteral("&Serviço de origem:"), cbbServico);
    form->addRow(QStringLiteral("&Mês de origem:"), cbbMes);
    v->addLayout(form);
    lblAviso = new QLabel(grbDadosRel);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setWordWrap(true);
    v->addWidget(lblAviso);
    dbgTipos = new QTableView(grbDadosRel);
    dbgTipos->setObjectName(QStringLiteral("dbgTipos"));
    dbgTipos->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgTipos->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgTipos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgTipos->setWordWrap(false);
    dbgTipos->verticalHeader()->hide();
    dbgTipos->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dbgTipos->horizontalHeader()->setStretchLastSection(true);
    modelo_ = new TModeloTiposImportados(*this, new TDataSourceModel(cdsLinhas, dbgTipos));
    dbgTipos->setModel(modelo_);
    v->addWidget(dbgTipos, 1);
    sbtConfirma->setToolTip(QStringLiteral("Importar os tipos de prato marcados"));

    // Where the positions may come from.
    {
        QVariant answer;
        answer = rpc::CheckResultServ(
            chama(rpc::metodos::GetOrigensTipoPrat(), {filial_, servico_, DataHora(mes_)}));
        cdsOrigens->SetData(rpc::PacoteServ(answer));
    }
    QString nomeServico;
    {
        THostQuery q;
        q.SetConnection(Host().SharedConnection());
        q.SetSql(QStringLiteral("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = :P_CDFILIAL AND "
                                "CDSERVFILI = :P_CDSERVFILI"));
        q.SetParam(QStringLiteral("P_CDFILIAL"), filial_);
        q.SetParam(QStringLiteral("P_CDSERVFILI"), servico_);
        q.Open();
        nomeServico = q.IsEmpty() ? QString() : q.Fields(0).AsString().trimmed();
    }
    lblDestino->setText(QStringLiteral("<b>Para: filial %1, serviço %2 - %3, %4</b>")
                            .arg(filial_, servico_, nomeServico.toHtmlEscaped(),
                                 FormatDateTime(QStringLiteral("mmmm 'de' yyyy"), mes_)));
    QStringList servicos;
    for (cdsOrigens->First(); !cdsOrigens->Eof(); cdsOrigens->Next()) {
        const QString code = cdsOrigens->FieldByName(QStringLiteral("CDSERVFILI")).AsString();
        if (!servicos.contains(code)) {
            servicos << code;
            cbbServico->addItem(
                code + QStringLiteral(" - ") +
                    cdsOrigens->FieldByName(QStringLiteral("NMSERVICO")).AsString().trimmed(),
                code);
        }
    }
    // The month's own service first (its latest other month), else the first service.
    cbbServico->setCurrentIndex(std::max(0, cbbServico->findData(servico_)));
    preencheMeses();
    connect(cbbServico, &QComboBox::currentIndexChanged, this, [this] {
        RunHandler([this] {
            preencheMeses();
            CarregaPrevia();
        });
    });
    connect(cbbMes, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { CarregaPrevia(); }); });
    CarregaPrevia();
    resize(960, 520);
}

TfrmImpTipoPrat::~TfrmImpTipoPrat() = default;

QVariant TfrmImpTipoPrat::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

QString TfrmImpTipoPrat::ServicoOrigem() const {
    return cbbServico->currentData().toString();
}

QDate TfrmImpTipoPrat::MesOrigem() const {
    return cbbMes->currentData().toDate();
}

void TfrmImpTipoPrat::preencheMeses() {
    const QSignalBlocker quiet(cbbMes);
    cbbMes->clear();
    for (cdsOrigens->First(); !cdsOrigens->Eof(); cdsOrigens->Next()) {
        if (cdsOrigens->FieldByName(QStringLiteral("CDSERVFILI")).AsString() != ServicoOrigem()) {
            continue;
        }
        const QDate month =
            cdsOrigens->FieldByName(QStringLiteral("DTREFECNFMES")).AsDateTime().date();
        cbbMes->addItem(QStringLiteral("%1 (%2 posições)")
                            .arg(FormatDateTime(QStringLiteral("mm/yyyy"), month))
                            .arg(cdsOrigens->FieldByName(QStringLiteral("QTPOSICOES")).AsInteger()),
                        month);
    }
    cbbMes->setCurrentIndex(cbbMes->count() > 0 ? 0 : -1);
}

QString TfrmImpTipoPrat::valor(int row, const char* field) const {
    return modelo_->Valor(row, QString::fromLatin1(field));
}

void TfrmImpTipoPrat::CarregaPrevia() {
    using E = rpc::TElemPrevTipoPrat;
    marcadas_.clear();
    if (ServicoOrigem().isEmpty() || !MesOrigem().isValid()) {
        cdsLinhas->EmptyDataSet();
        lblAviso->setText(msgPadrao.Msg(cdsOrigens->RecordCount() == 0
                                            ? QStringLiteral("SEM_ORIGEM")
                                            : QStringLiteral("ESCOLHA_ORIGEM")));
        return;
    }
    const QVariantList answer =
        rpc::CheckResultServ(
            chama(rpc::metodos::GetPrevTipoPrat(),
                  {filial_, servico_, DataHora(mes_), ServicoOrigem(), DataHora(MesOrigem())}))
            .toList();
    if (answer.size() < int(E::Quantidade)) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao comparar os tipos de "
                                       "prato."));
    }
    cdsLinhas->SetData(rpc::PacoteServ(answer[int(E::Linhas)]));
    // What can be brought is marked; removals wait for the planner.
    for (int r = 0; r < cdsLinhas->ViewRowCount(); ++r) {
        const QString acao = valor(r, "IDACAO");
        if (modelo_->Marcavel(r) && (ehAcao(acao, TAcao::Nova) || ehAcao(acao, TAcao::Altera))) {
            marcadas_.insert(valor(r, "NRORDCNFMES").toInt());
        }
    }
    lblAviso->setText(
        msgPadrao.Fmt(QStringLiteral("PRIMEIRO_DIA"),
                      {FormatDateTime(QStringLiteral("dd/mm/yyyy"),
                                      answer[int(E::PrimeiroDiaAlteravel)].toDateTime().date())}));
    modelo_->Mudou();
    if (cdsLinhas->ViewRowCount() > 0) {
        dbgTipos->setCurrentIndex(modelo_->index(0, 0));
    }
}

void TfrmImpTipoPrat::MarcaLinha(int row) {
    if (row < 0 || row >= cdsLinhas->ViewRowCount()) {
        return;
    }
    const int ordem = valor(row, "NRORDCNFMES").toInt();
    const QString recusa = valor(row, "DSRECUSA");
    if (!recusa.isEmpty()) {
        MensErro(recusa, true);
    }
    if (ehAcao(valor(row, "IDACAO"), TAcao::Igual)) {
        MensErro(msgPadrao.Fmt(QStringLiteral("JA_NO_MES"), {QString::number(ordem)}), true);
    }
    if (!marcadas_.remove(ordem)) {
        marcadas_.insert(ordem);
    }
    modelo_->Mudou();
}

void TfrmImpTipoPrat::sbtConfirmaClick() {
    if (cdsLinhas->ViewRowCount() == 0) {
        MensErro(msgPadrao.Msg(QStringLiteral("ESCOLHA_ORIGEM")), true);
    }
    if (marcadas_.isEmpty()) {
        MensErro(msgPadrao.Msg(QStringLiteral("NADA_MARCADO")), true);
    }
    QStringList trazer, remover, confirmados, perdas;
    for (int r = 0; r < cdsLinhas->ViewRowCount(); ++r) {
        const int ordem = valor(r, "NRORDCNFMES").toInt();
        if (!marcadas_.contains(ordem)) {
            continue;
        }
        (ehAcao(valor(r, "IDACAO"), TAcao::Remove) ? remover : trazer) << QString::number(ordem);
        if (valor(r, "IDPERDEPRATOS") == QLatin1String("S")) {
            const QString seq = valor(r, "NRSEQCNFMES");
            confirmados << seq;
            perdas << QStringLiteral("posição %1 (%2), %3 dia(s)")
                          .arg(seq, valor(r, "NMTIPOPRATDEST"), valor(r, "QTDIASPRATO"));
        }
    }
    if (!perdas.isEmpty() &&
        TDialogPresenter::Current().Message(
            msgPadrao.Fmt(QStringLiteral("PERDE_PRATOS"), {perdas.join(QStringLiteral("; "))}),
            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return;
    }
    QVariantList answer;
    {
        TWaitAnimation wait(this, 1, QStringLiteral("Importando os tipos de prato..."));
        // A refusal raises here: the marks stay as the planner left them.
        answer = rpc::CheckResultServ(chama(rpc::metodos::ImportaTipoPrat(),
                                            {filial_, servico_, DataHora(mes_), ServicoOrigem(),
                                             DataHora(MesOrigem()), trazer.join(QLatin1Char(';')),
                                             remover.join(QLatin1Char(';')),
                                             confirmados.join(QLatin1Char(';')), Host().Operador}))
                     .toList();
    }
    const qint64 posicoes = answer.value(int(rpc::TElemImpTipoPrat::Posicoes)).toLongLong();
    if (posicoes == 0) {
        TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("NADA_IMPORTADO")),
                                            TMsgDlgType::Information, mbOK);
        CarregaPrevia();
        return;
    }
    feito_.Set(true);
    TDialogPresenter::Current().Message(
        msgPadrao.Fmt(
            QStringLiteral("IMPORTADO"),
            {QString::number(posicoes),
             QString::number(
                 answer.value(int(rpc::TElemImpTipoPrat::PratosExcluidos)).toLongLong())}),
        TMsgDlgType::Information, mbOK);
    SetModalResult(mrOk);
}

void TfrmImpTipoPrat::FormActivate(bool first) {
    if (first) {
        dbgTipos->setFocus();
    }
}

} // namespace pla::packages
