#include "menu_history.h"

#include "core/data_packet.h"
#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/enter_chooses.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/server_call.h"
#include "rpc/contracts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::packages {

using namespace pla::host;

namespace {

// The grid's columns: what the server answers and the texts made of it.
const QList<TFieldDef>& camposGrade() {
    static const QList<TFieldDef> f{{"DTALTERACAO", TFieldType::DateTime, 0, false},
                                    {"DSOPERADOR", TFieldType::String, 60, false},
                                    {"DSOPERACAO", TFieldType::String, 40, false},
                                    {"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                    {"NMTIPOPRAT", TFieldType::String, 35, false},
                                    {"DSPRATOANT", TFieldType::String, 60, false},
                                    {"DSPRATONOV", TFieldType::String, 60, false},
                                    {"VRPECONSANT", TFieldType::Float, 0, false},
                                    {"VRPECONSNOV", TFieldType::Float, 0, false},
                                    {"QTCOMESTIANT", TFieldType::Float, 0, false},
                                    {"QTCOMESTINOV", TFieldType::Float, 0, false},
                                    {"CDFILAUXPRATANT", TFieldType::String, 4, false},
                                    {"CDPRATOANT", TFieldType::String, 10, false},
                                    {"NMPRATOANT", TFieldType::String, 40, false},
                                    {"CDFILAUXPRATNOV", TFieldType::String, 4, false},
                                    {"CDPRATONOV", TFieldType::String, 10, false},
                                    {"NMPRATONOV", TFieldType::String, 40, false}};
    return f;
}

QString codigoENome(const QString& codigo, const QString& nome) {
    if (codigo.isEmpty()) {
        return {};
    }
    return nome.isEmpty() ? codigo : codigo + QStringLiteral(" - ") + nome;
}

} // namespace

TfrmHistCard::TfrmHistCard(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00127"), QStringLiteral("Histórico de Ajuste do Cardápio"),
                    parent) {
    setObjectName(QStringLiteral("frmHistCard"));
    msgPadrao.AddLines(
        {QStringLiteral("SEL_ALTERACAO|Selecione uma alteração do histórico."),
         QStringLiteral("LIMITE|Mostrando as %s alterações mais recentes: estreite o período ou "
                        "escolha um prato ou operador."),
         QStringLiteral("PERIODO|Informe um período válido: a data inicial não pode ser "
                        "posterior à final."),
         QStringLiteral("TODOS|Todos"), QStringLiteral("NENHUM_PRATO|Todos os pratos")});
    if (p.size() < 9) {
        throw EPlaError(
            QStringLiteral("Parâmetros incompletos para o histórico de ajuste do cardápio."));
    }
    filial_ = p[0].toString().trimmed();
    servico_ = p[1].toString().trimmed();
    prato_ = p[2].toString().trimmed();
    filialPrato_ = p[3].toString().trimmed();
    referencia_ = p[4].toDateTime(); // the costs' date: the history shows no costs
    cdPrato_ = TReference::Of(p[5]);
    cdFilAux_ = TReference::Of(p[6]);
    nmPrato_ = TReference::Of(p[7]);
    escolhido_ = TReference::Of(p[8]);
    escolhido_.Set(false);
    net_ = Host().NewConnection(QStringLiteral("netHistCard"),
                                QStringLiteral("Pla00100.rdmParamCardIndu"));

    cdsHistorico = new TMemTable(QStringLiteral("cdsHistorico"), this);
    for (const TFieldDef& f : camposGrade()) {
        cdsHistorico->AddField(f.Name, f.Type, f.Size);
    }
    const std::pair<const char*, const char*> labels[] = {
        {"DTALTERACAO", "Alterado em"},      {"DSOPERADOR", "Operador"},
        {"DSOPERACAO", "Operação"},          {"DTCARDAPIO", "Dia do cardápio"},
        {"NMTIPOPRAT", "Tipo de prato"},     {"DSPRATOANT", "Prato anterior"},
        {"DSPRATONOV", "Prato novo"},        {"VRPECONSANT", "% antes"},
        {"VRPECONSNOV", "% depois"},         {"QTCOMESTIANT", "Comensais antes"},
        {"QTCOMESTINOV", "Comensais depois"}};
    for (const auto& [name, label] : labels) {
        cdsHistorico->FieldByName(QString::fromLatin1(name))
            .SetDisplayLabel(QString::fromUtf8(label));
    }
    for (const char* hidden : {"CDFILAUXPRATANT", "CDPRATOANT", "NMPRATOANT", "CDFILAUXPRATNOV",
                               "CDPRATONOV", "NMPRATONOV"}) {
        cdsHistorico->FieldByName(QString::fromLatin1(hidden)).SetVisible(false);
    }
    cdsHistorico->FieldByName(QStringLiteral("DTALTERACAO"))
        .SetDisplayFormat(QStringLiteral("dd/mm/yyyy hh:nn"));
    cdsHistorico->FieldByName(QStringLiteral("DTCARDAPIO"))
        .SetDisplayFormat(QStringLiteral("dd/mm/yyyy ddd"));
    for (const char* share : {"VRPECONSANT", "VRPECONSNOV"}) {
        cdsHistorico->FieldByName(QString::fromLatin1(share))
            .SetDisplayFormat(QStringLiteral("##0.##"));
    }
    for (const char* diners : {"QTCOMESTIANT", "QTCOMESTINOV"}) {
        cdsHistorico->FieldByName(QString::fromLatin1(diners))
            .SetDisplayFormat(QStringLiteral("#,##0.###"));
    }
    cdsHistorico->CreateDataSet();

    auto* v = new QVBoxLayout(grbDadosRel);
    auto* form = new QFormLayout;
    edtServico = new QLineEdit(grbDadosRel);
    edtServico->setObjectName(QStringLiteral("edtServico"));
    edtServico->setReadOnly(true);
    form->addRow(QStringLiteral("Serviço"), edtServico);
    auto* dish = new QHBoxLayout;
    edtPrato = new QLineEdit(grbDadosRel);
    edtPrato->setObjectName(QStringLiteral("edtPrato"));
    edtPrato->setMaxLength(10);
    edtPrato->setPlaceholderText(QStringLiteral("código; vazio: todos"));
    edtPrato->setText(prato_);
    dish->addWidget(edtPrato);
    lblPrato = new QLabel(grbDadosRel);
    lblPrato->setObjectName(QStringLiteral("lblPrato"));
    dish->addWidget(lblPrato, 1);
    form->addRow(QStringLiteral("Prato"), dish);
    auto* period = new QHBoxLayout;
    depInicio = new TDateEdit(grbDadosRel);
    depInicio->setObjectName(QStringLiteral("depInicio"));
    depFim = new TDateEdit(grbDadosRel);
    depFim->setObjectName(QStringLiteral("depFim"));
    // The last twelve months of changes, today included.
    depInicio->SetDate(Hoje().addYears(-1).addDays(1));
    depFim->SetDate(Hoje());
    period->addWidget(depInicio);
    period->addWidget(new QLabel(QStringLiteral("a"), grbDadosRel));
    period->addWidget(depFim);
    period->addStretch(1);
    form->addRow(QStringLiteral("Alterações de"), period);
    cbbOperador = new QComboBox(grbDadosRel);
    cbbOperador->setObjectName(QStringLiteral("cbbOperador"));
    cbbOperador->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbbOperador->addItem(msgPadrao.Msg(QStringLiteral("TODOS")), QString());
    form->addRow(QStringLiteral("Operador"), cbbOperador);
    v->addLayout(form);
    dbgHistorico = new QTableView(grbDadosRel);
    dbgHistorico->setObjectName(QStringLiteral("dbgHistorico"));
    auto* model = new TDataSourceModel(cdsHistorico, dbgHistorico);
    model->SetReadOnly(true);
    dbgHistorico->setModel(model);
    GradeDeEscolha(*dbgHistorico, [this] { sbtConfirmaClick(); });
    v->addWidget(dbgHistorico, 1);
    lblLimite = new QLabel(grbDadosRel);
    lblLimite->setObjectName(QStringLiteral("lblLimite"));
    lblLimite->setVisible(false);
    v->addWidget(lblLimite);
    sbtConfirma->setToolTip(
        QStringLiteral("Usar no cardápio o prato escolhido (anterior ou novo, pela coluna)"));

    {
        THostQuery q;
        q.SetConnection(Host().SharedConnection());
        q.SetSql(QStringLiteral("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = :P_CDFILIAL AND "
                                "CDSERVFILI = :P_CDSERVFILI"));
        q.SetParam(QStringLiteral("P_CDFILIAL"), filial_);
        q.SetParam(QStringLiteral("P_CDSERVFILI"), servico_);
        q.Open();
        edtServico->setText(q.IsEmpty() ? servico_
                                        : servico_ + QStringLiteral(" - ") +
                                              q.Fields(0).AsString().trimmed());
    }
    Carrega();
    connect(edtPrato, &QLineEdit::editingFinished, this, [this] {
        RunHandler([this] {
            if (edtPrato->isModified()) {
                edtPrato->setModified(false);
                Carrega();
            }
        });
    });
    for (TDateEdit* d : {depInicio, depFim}) {
        connect(d, &QDateEdit::dateChanged, this, [this] { RunHandler([this] { Carrega(); }); });
    }
    connect(cbbOperador, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { Carrega(); }); });
    connect(dbgHistorico, &QTableView::doubleClicked, this,
            [this] { RunHandler([this] { sbtConfirmaClick(); }); });
    resize(sizeHint());
}

TfrmHistCard::~TfrmHistCard() = default;

QVariant TfrmHistCard::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

QString TfrmHistCard::nomePrato(const QString& codigo, const QString& filial) {
    THostQuery q;
    q.SetConnection(Host().SharedConnection());
    // The same code may name another dish in another branch: the dish's own when known.
    q.SetSql(filial.isEmpty()
                 ? QStringLiteral("SELECT NMPRATO FROM PRATO WHERE CDPRATO = :P_CDPRATO ORDER BY "
                                  "CDFILAUXPRAT")
                 : QStringLiteral("SELECT NMPRATO FROM PRATO WHERE CDPRATO = :P_CDPRATO AND "
                                  "CDFILAUXPRAT = :P_CDFILAUXPRAT"));
    q.SetParam(QStringLiteral("P_CDPRATO"), codigo);
    if (!filial.isEmpty()) {
        q.SetParam(QStringLiteral("P_CDFILAUXPRAT"), filial);
    }
    q.Open();
    return q.IsEmpty() ? QString() : q.Fields(0).AsString().trimmed();
}

void TfrmHistCard::carregaOperadores(const TDataPacket& operadores) {
    const QString atual = cbbOperador->currentData().toString();
    const QSignalBlocker quiet(cbbOperador);
    cbbOperador->clear();
    cbbOperador->addItem(msgPadrao.Msg(QStringLiteral("TODOS")), QString());
    const int code = operadores.FieldIndex(QStringLiteral("CDOPERADOR"));
    const int name = operadores.FieldIndex(QStringLiteral("NMOPERADOR"));
    for (const TPacketRow& r : operadores.Rows) {
        const QString c = r.Values.value(code).toString().trimmed();
        cbbOperador->addItem(codigoENome(c, r.Values.value(name).toString().trimmed()), c);
    }
    // The operator chosen stays chosen while the period still has changes of theirs.
    const int keep = cbbOperador->findData(atual);
    if (keep < 0 && !atual.isEmpty()) {
        cbbOperador->addItem(atual, atual);
    }
    cbbOperador->setCurrentIndex(std::max(0, cbbOperador->findData(atual)));
}

void TfrmHistCard::Carrega() {
    if (carregando_) {
        return;
    }
    carregando_ = true;
    const auto done = qScopeGuard([this] { carregando_ = false; });
    const QString codigo = edtPrato->text().trimmed();
    // The cell's dish is known with its branch; a code typed here is any branch's.
    const QString filial = codigo == prato_ ? filialPrato_ : QString();
    lblPrato->setText(codigo.isEmpty() ? msgPadrao.Msg(QStringLiteral("NENHUM_PRATO"))
                                       : nomePrato(codigo, filial));
    const QDate inicio = depInicio->Date();
    const QDate fim = depFim->Date();
    if (!inicio.isValid() || !fim.isValid() || fim < inicio) {
        cdsHistorico->EmptyDataSet();
        lblLimite->setVisible(false);
        (inicio.isValid() ? depFim : depInicio)->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("PERIODO")), true);
    }
    const QVariantList answer =
        rpc::CheckResultServ(chama(rpc::metodos::GetHistCard(),
                                   {filial_, servico_, codigo, filial, DataHora(inicio),
                                    DataHora(fim), cbbOperador->currentData().toString()}))
            .toList();
    const TDataPacket changes = rpc::PacoteServ(answer.value(int(rpc::TElemHistCard::Alteracoes)));
    carregaOperadores(rpc::PacoteServ(answer.value(int(rpc::TElemHistCard::Operadores))));
    TDataPacket rows;
    rows.Fields = cdsHistorico->DataFieldDefs();
    const auto at = [&changes](const TPacketRow& r, const char* name) {
        return r.Values.value(changes.FieldIndex(QString::fromLatin1(name)));
    };
    const auto text = [&at](const TPacketRow& r, const char* name) {
        return at(r, name).toString().trimmed();
    };
    for (const TPacketRow& r : changes.Rows) {
        const QString kind = text(r, "IDOPERACAO");
        const QString operacao = rpc::NomeOperacaoCardapio(kind.isEmpty() ? QChar() : kind.at(0));
        TPacketRow out;
        out.Values = {at(r, "DTALTERACAO"),
                      codigoENome(text(r, "CDOPERADOR"), text(r, "NMOPERADOR")),
                      operacao.isEmpty() ? kind : operacao,
                      at(r, "DTCARDAPIO"),
                      text(r, "NMTIPOPRAT").isEmpty() ? text(r, "CDTIPOPRAT")
                                                      : text(r, "NMTIPOPRAT"),
                      codigoENome(text(r, "CDPRATOANT"), text(r, "NMPRATOANT")),
                      codigoENome(text(r, "CDPRATONOV"), text(r, "NMPRATONOV")),
                      at(r, "VRPECONSANT"),
                      at(r, "VRPECONSNOV"),
                      at(r, "QTCOMESTIANT"),
                      at(r, "QTCOMESTINOV"),
                      text(r, "CDFILAUXPRATANT"),
                      text(r, "CDPRATOANT"),
                      text(r, "NMPRATOANT"),
                      text(r, "CDFILAUXPRATNOV"),
                      text(r, "CDPRATONOV"),
                      text(r, "NMPRATONOV")};
        rows.Rows.append(out);
    }
    cdsHistorico->SetData(rows);
    const bool limited = answer.value(int(rpc::TElemHistCard::Limitado)).toBool();
    lblLimite->setText(
        msgPadrao.Fmt(QStringLiteral("LIMITE"), {QString::number(rpc::LimiteHistCard)}));
    lblLimite->setVisible(limited);
    if (!cdsHistorico->IsEmpty()) {
        dbgHistorico->setCurrentIndex(dbgHistorico->model()->index(0, 0));
    }
}

void TfrmHistCard::sbtConfirmaClick() {
    const QModelIndex current = dbgHistorico->currentIndex();
    if (!current.isValid() || cdsHistorico->IsEmpty() ||
        current.row() >= cdsHistorico->RecordCount()) {
        dbgHistorico->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("SEL_ALTERACAO")), true);
    }
    cdsHistorico->SetRecNo(current.row() + 1);
    const auto field = [this](const QString& name) {
        return cdsHistorico->FieldByName(name).AsString().trimmed();
    };
    // A change without a dish on either side has none to hand back.
    if (field(QStringLiteral("CDPRATOANT")).isEmpty() &&
        field(QStringLiteral("CDPRATONOV")).isEmpty()) {
        dbgHistorico->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("SEL_ALTERACAO")), true);
    }
    // Every column of the state before the change (dish, share, diners) ends so.
    const auto* model = static_cast<const TDataSourceModel*>(dbgHistorico->model());
    const bool anterior = model->FieldNameAt(current.column()).endsWith(QLatin1String("ANT"));
    QString lado = anterior ? QStringLiteral("ANT") : QStringLiteral("NOV");
    if (field(QStringLiteral("CDPRATO") + lado).isEmpty()) {
        lado = anterior ? QStringLiteral("NOV") : QStringLiteral("ANT");
    }
    cdPrato_.Set(field(QStringLiteral("CDPRATO") + lado));
    cdFilAux_.Set(field(QStringLiteral("CDFILAUXPRAT") + lado));
    nmPrato_.Set(field(QStringLiteral("NMPRATO") + lado));
    escolhido_.Set(true);
    SetModalResult(1);
}

void TfrmHistCard::FormActivate(bool first) {
    if (first) {
        dbgHistorico->setFocus();
    }
}

} // namespace pla::packages
