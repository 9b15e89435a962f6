#include "contract_restrictions.h"

#include "core/data_packet.h"
#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/number_edit.h"
#include "host/server_call.h"
#include "host/tool_button.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

const QString Formulario = QStringLiteral("FORMULARIO");
const QString Calcula = QStringLiteral("CALCULA");
constexpr int TamanhoClausula = 60;

struct TParametros {
    QString Modo;
    QString Filial;
    QString Servico;
    QDate Mes;
    TReference Ok;
};

TParametros parametros(const QVariantList& p) {
    if (p.size() < 5) {
        throw EPlaError(QStringLiteral("Parâmetros incompletos para as restrições contratuais."));
    }
    TParametros out;
    out.Modo = p[0].toString().trimmed().toUpper();
    out.Filial = p[1].toString().trimmed();
    out.Servico = p[2].toString().trimmed();
    out.Mes = PriDiaMes(p[3].toDateTime().date());
    out.Ok = TReference::Of(p[4]);
    return out;
}

std::unique_ptr<rpc::TNetConnection> conexao() {
    return Host().NewConnection(QStringLiteral("netRestCont"),
                                QStringLiteral("Pla00100.rdmParamCardIndu"));
}

TDataPacket analise(rpc::TNetConnection& net, rpc::TConnectionCounter& counter,
                    const QString& filial, const QString& servico, const QDate& mes) {
    return rpc::PacoteServ(ChamaServidor(net, counter, rpc::metodos::GetAnaliRestCont(),
                                         {filial, servico, DataHora(mes)}));
}

// Whether every restriction of the packet is kept.
bool todasCumpridas(const TDataPacket& p) {
    const int kept = p.FieldIndex(QStringLiteral("IDCUMPRIDA"));
    for (const TPacketRow& r : p.Rows) {
        if (r.Values.value(kept).toString() != QLatin1String("S")) {
            return false;
        }
    }
    return true;
}

QChar primeiro(const QString& text) {
    return text.isEmpty() ? QChar() : text.front();
}

const QString Cumprida = QStringLiteral("Cumprida");
const QString Descumprida = QStringLiteral("Descumprida");
const QString NaoGravada = QStringLiteral("Não gravada");

// The situation shown in colour: broken in red, kept in green.
class TModeloRestricoes : public QIdentityProxyModel {
public:
    TModeloRestricoes(TDataSourceModel* source, QObject* parent)
        : QIdentityProxyModel(parent)
        , source_(source) {
        setSourceModel(source);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ForegroundRole && index.isValid()) {
            const int field = source_->FieldIndexAt(index.column());
            const TMemTable* t = source_->DataSet();
            if (t && field >= 0 && t->Fields(field).FieldName() == QLatin1String("DSSITUACAO")) {
                const QString text = QIdentityProxyModel::data(index, Qt::DisplayRole).toString();
                if (text == Descumprida) {
                    return QColor(176, 0, 0);
                }
                if (text == Cumprida) {
                    return QColor(0, 110, 40);
                }
            }
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    TDataSourceModel* source_;
};

} // namespace

void AbreRestricoesContratuais(const QVariantList& params) {
    const TParametros p = parametros(params);
    if (p.Modo == Calcula) {
        // No window: the verdict alone, for the close of the month.
        const std::unique_ptr<rpc::TNetConnection> net = conexao();
        rpc::TConnectionCounter counter;
        p.Ok.Set(todasCumpridas(analise(*net, counter, p.Filial, p.Servico, p.Mes)));
        return;
    }
    if (p.Modo != Formulario) {
        throw EPlaError(QStringLiteral("Modo %1 das restrições contratuais desconhecido: "
                                       "FORMULARIO ou CALCULA.")
                            .arg(p.Modo));
    }
    TfrmRestCont screen(params);
    screen.ShowModal();
}

TfrmRestCont::TfrmRestCont(const QVariantList& params, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00113"), QStringLiteral("Restrições Contratuais"), parent) {
    setObjectName(QStringLiteral("frmRestCont"));
    msgPadrao.AddLines(
        {QStringLiteral("SEM_RESTRICOES|O serviço não tem restrições contratuais cadastradas."),
         QStringLiteral("TODAS_CUMPRIDAS|O cardápio do mês cumpre todas as restrições "
                        "contratuais."),
         QStringLiteral("DESCUMPRIDAS|O cardápio do mês descumpre %s das %s restrições "
                        "contratuais."),
         QStringLiteral("UMA_DESCUMPRIDA|O cardápio do mês descumpre 1 das %s restrições "
                        "contratuais."),
         QStringLiteral("NAO_GRAVADAS|As alterações ainda não gravadas não entram na análise."),
         QStringLiteral("ESCOLHA|Escolha na lista a restrição."),
         QStringLiteral("CONF_EXCL|Excluir a restrição \"%s\"?"),
         QStringLiteral("DESFAZER|Desfazer as alterações das restrições que não foram gravadas?"),
         QStringLiteral("SEM_ALTERACAO|Não há alterações a gravar."),
         QStringLiteral("GRAVADAS|Restrições contratuais gravadas."),
         QStringLiteral("SAIR|As restrições foram alteradas. Deseja gravá-las antes de sair?"),
         QStringLiteral("CONSULTA|Somente consulta: o operador não tem permissão para alterar "
                        "as restrições contratuais.")});
    const TParametros p = parametros(params);
    filial_ = p.Filial;
    servico_ = p.Servico;
    mes_ = p.Mes;
    ok_ = p.Ok;
    net_ = conexao();

    // The list: the restriction in words and its verdict first, then who changed it.
    cdsRestricoes = new TMemTable(QStringLiteral("cdsRestricoes"), this);
    const auto calc = [this](const char* name, const char* label) {
        // Unbounded: a month may break a restriction on many days.
        cdsRestricoes->AddCalcField(QString::fromLatin1(name), TFieldType::String, 0)
            .SetDisplayLabel(QString::fromUtf8(label));
    };
    calc("DSRESTRICAO", "Restrição");
    calc("DSSITUACAO", "Situação");
    calc("DSDIAS", "Dias que a descumprem");
    calc("DSDETALHE", "O que foi encontrado");
    const auto field = [this](const char* name, TFieldType type, int size, const char* label,
                              bool visible) {
        TMemField& f = cdsRestricoes->AddField(QString::fromLatin1(name), type, size);
        f.SetDisplayLabel(QString::fromUtf8(label));
        f.SetVisible(visible);
    };
    field("NRRESTCONT", TFieldType::Integer, 0, "Nº", false);
    field("IDTIPORESTR", TFieldType::String, 1, "Tipo", false);
    field("CDTIPOPRAT", TFieldType::String, 2, "Tipo de prato", false);
    field("NMTIPOPRAT", TFieldType::String, 35, "Tipo de prato", false);
    field("IDSOFRITO", TFieldType::String, 1, "Fritos", false);
    field("VRLIMITE", TFieldType::Float, 0, "Limite", false);
    field("DSRESTCONT", TFieldType::String, TamanhoClausula, "Cláusula", true);
    field("CDOPERADOR", TFieldType::String, 12, "Alterada por", true);
    field("DTULTALT", TFieldType::DateTime, 0, "Em", true);
    cdsRestricoes->FieldByName(QStringLiteral("DTULTALT"))
        .SetDisplayFormat(QStringLiteral("dd/mm/yyyy hh:nn"));
    cdsRestricoes->OnCalcFields = [this](TCalcRow& row) {
        const TRestricaoContratual r = daLinha(row);
        row.SetValue(QStringLiteral("DSRESTRICAO"), DescricaoRestricao(r));
        const auto v = row.IsNull(QStringLiteral("NRRESTCONT"))
                           ? vereditos_.cend()
                           : vereditos_.constFind(row.AsInteger(QStringLiteral("NRRESTCONT")));
        // A restriction changed here is judged once it is saved.
        const bool julgada = v != vereditos_.cend() && v->Regra.Tipo == r.Tipo &&
                             v->Regra.CdTipoPrat == r.CdTipoPrat &&
                             v->Regra.SoFritos == r.SoFritos && v->Regra.Limite == r.Limite;
        row.SetValue(QStringLiteral("DSSITUACAO"), !julgada      ? NaoGravada
                                                   : v->Cumprida ? Cumprida
                                                                 : Descumprida);
        row.SetValue(QStringLiteral("DSDIAS"), julgada ? v->Dias : QString());
        row.SetValue(QStringLiteral("DSDETALHE"), julgada ? v->Detalhe : QString());
    };
    cdsRestricoes->CreateDataSet();

    auto* v = new QVBoxLayout(grbDadosRel);
    edtCardapio = new QLineEdit(grbDadosRel);
    edtCardapio->setObjectName(QStringLiteral("edtCardapio"));
    edtCardapio->setReadOnly(true);
    v->addWidget(edtCardapio);
    lblSituacao = new QLabel(grbDadosRel);
    lblSituacao->setObjectName(QStringLiteral("lblSituacao"));
    lblSituacao->setWordWrap(true);
    v->addWidget(lblSituacao);
    dbgRestricoes = new QTableView(grbDadosRel);
    dbgRestricoes->setObjectName(QStringLiteral("dbgRestricoes"));
    dbgRestricoes->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgRestricoes->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgRestricoes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgRestricoes->setWordWrap(true);
    dbgRestricoes->verticalHeader()->hide();
    dbgRestricoes->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    dbgRestricoes->horizontalHeader()->setStretchLastSection(true);
    auto* source = new TDataSourceModel(cdsRestricoes, dbgRestricoes);
    source->SetReadOnly(true);
    dbgRestricoes->setModel(new TModeloRestricoes(source, dbgRestricoes));
    for (const auto& [column, width] : {std::pair{0, 320}, {1, 100}, {2, 180}, {3, 330}}) {
        dbgRestricoes->setColumnWidth(column, width);
    }
    v->addWidget(dbgRestricoes, 1);

    // The restriction being included or changed.
    auto* editor = new QGroupBox(QStringLiteral("Restrição"), grbDadosRel);
    editor->setObjectName(QStringLiteral("grbRestricao"));
    auto* form = new QFormLayout(editor);
    cbbTipo = new QComboBox(editor);
    cbbTipo->setObjectName(QStringLiteral("cbbTipo"));
    for (const TTipoRestricao t : TiposRestricao()) {
        const QChar c = QLatin1Char(char(t));
        cbbTipo->addItem(NomeTipoRestricao(c), QString(c));
    }
    form->addRow(QStringLiteral("Tipo de restrição"), cbbTipo);
    cbbTipoPrato = new QComboBox(editor);
    cbbTipoPrato->setObjectName(QStringLiteral("cbbTipoPrato"));
    cbbTipoPrato->addItem(QStringLiteral("(qualquer tipo)"), QString());
    qryTipoPrato = new THostQuery(QStringLiteral("qryTipoPrato"), this);
    qryTipoPrato->SetConnection(Host().SharedConnection());
    qryTipoPrato->SetSql(
        QStringLiteral("SELECT CDTIPOPRAT, NMTIPOPRAT FROM TIPOPRAT ORDER BY CDTIPOPRAT"));
    qryTipoPrato->Open();
    for (qryTipoPrato->First(); !qryTipoPrato->Eof(); qryTipoPrato->Next()) {
        const QString code = qryTipoPrato->FieldByName(QStringLiteral("CDTIPOPRAT")).AsString();
        cbbTipoPrato->addItem(
            code.trimmed() + QStringLiteral(" - ") +
                qryTipoPrato->FieldByName(QStringLiteral("NMTIPOPRAT")).AsString().trimmed(),
            code.trimmed());
    }
    form->addRow(QStringLiteral("Tipo de prato"), cbbTipoPrato);
    chbFritos = new QCheckBox(QStringLiteral("Somente pratos fritos"), editor);
    chbFritos->setObjectName(QStringLiteral("chbFritos"));
    form->addRow(QString(), chbFritos);
    auto* limite = new QHBoxLayout;
    nedLimite = new TNumberEdit(editor);
    nedLimite->setObjectName(QStringLiteral("nedLimite"));
    nedLimite->SetIntegerDigits(6);
    limite->addWidget(nedLimite);
    lblUnidade = new QLabel(editor);
    lblUnidade->setObjectName(QStringLiteral("lblUnidade"));
    limite->addWidget(lblUnidade, 1);
    form->addRow(QStringLiteral("Limite"), limite);
    edtClausula = new QLineEdit(editor);
    edtClausula->setObjectName(QStringLiteral("edtClausula"));
    edtClausula->setMaxLength(TamanhoClausula);
    edtClausula->setPlaceholderText(QStringLiteral("Cláusula do contrato (opcional)"));
    form->addRow(QStringLiteral("Cláusula"), edtClausula);
    v->addWidget(editor);

    sbtIncluir =
        BotaoFerramenta(panBotoes, "sbtIncluir", QStringLiteral("Incluir Restrição"), "list-add");
    sbtAlterar = BotaoFerramenta(panBotoes, "sbtAlterar", QStringLiteral("Alterar Restrição"),
                                 "document-edit");
    sbtExcluir = BotaoFerramenta(panBotoes, "sbtExcluir", QStringLiteral("Excluir Restrição"),
                                 "list-remove");
    sbtCancelar = BotaoFerramenta(panBotoes, "sbtCancelar", QStringLiteral("Desfazer Alterações"),
                                  "edit-undo");
    sbtFechar = BotaoFerramenta(panBotoes, "sbtFechar", QStringLiteral("Fechar"), "window-close");
    int at = ButtonsLayout()->indexOf(sbtConfirma);
    for (QToolButton* b : {sbtIncluir, sbtAlterar, sbtExcluir, sbtCancelar}) {
        ButtonsLayout()->insertWidget(at++, b);
    }
    ButtonsLayout()->addWidget(sbtFechar);
    sbtConfirma->setToolTip(QStringLiteral("Gravar Restrições"));
    connect(sbtIncluir, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtIncluirClick(); }); });
    connect(sbtAlterar, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtAlterarClick(); }); });
    connect(sbtExcluir, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtExcluirClick(); }); });
    connect(sbtCancelar, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtCancelarClick(); }); });
    connect(sbtFechar, &QToolButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(cbbTipo, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { tipoAlterado(); }); });
    connect(dbgRestricoes->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { RunHandler([this] { MostraRestricao(); }); });
    connect(cdsRestricoes, &TMemTable::rowsReset, this, [this] { habilita(); });

    // Who and what: the branch's and the service's names, the month.
    qryNomes = new THostQuery(QStringLiteral("qryNomes"), this);
    qryNomes->SetConnection(Host().SharedConnection());
    qryNomes->SetSql(QStringLiteral("SELECT F.NMFILIAL, S.NMSERVICO FROM FILIAL F JOIN SERVICO S "
                                    "ON S.CDFILIAL = F.CDFILIAL WHERE F.CDFILIAL = :P_CDFILIAL AND "
                                    "S.CDSERVFILI = :P_CDSERVFILI"));
    qryNomes->SetParam(QStringLiteral("P_CDFILIAL"), filial_);
    qryNomes->SetParam(QStringLiteral("P_CDSERVFILI"), servico_);
    qryNomes->Open();
    const auto nome = [this](const char* name) {
        return qryNomes->IsEmpty()
                   ? QString()
                   : QStringLiteral(" - ") +
                         qryNomes->FieldByName(QString::fromLatin1(name)).AsString().trimmed();
    };
    edtCardapio->setText(QStringLiteral("Filial %1%2 · Serviço %3%4 · %5")
                             .arg(filial_, nome("NMFILIAL"), servico_, nome("NMSERVICO"),
                                  FormatDateTime(QStringLiteral("mmmm 'de' yyyy"), mes_)));

    // The operator's permission to change the menu's configuration covers these.
    const QVariantList autorizacoes =
        rpc::CheckResultServ(chama(rpc::metodos::CheckAutOper(), {Host().Operador})).toList();
    podeAlterar_ = autorizacoes.value(rpc::Posicao(rpc::TAutorizacao::ConfigurarCard)).toString() ==
                   QLatin1String("1");
    panHelp->setText(podeAlterar_ ? QStringLiteral("A análise é a do cardápio do mês como está "
                                                   "gravado.")
                                  : msgPadrao.Msg(QStringLiteral("CONSULTA")));
    tipoAlterado();
    CarregaRestricoes();
    resize(980, 560);
}

TfrmRestCont::~TfrmRestCont() = default;

QVariant TfrmRestCont::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

void TfrmRestCont::CarregaRestricoes() {
    const TDataPacket julgadas = analise(*net_, counter_, filial_, servico_, mes_);
    vereditos_.clear();
    const auto f = [&julgadas](const char* name) {
        return julgadas.FieldIndex(QString::fromLatin1(name));
    };
    // The verdicts name the restrictions as they were judged: read them whole.
    const TDataPacket gravadas =
        rpc::PacoteServ(chama(rpc::metodos::GetRestContServ(), {filial_, servico_}));
    QHash<qint64, TRestricaoContratual> regras;
    TMemTable leitura;
    leitura.SetData(gravadas);
    for (leitura.First(); !leitura.Eof(); leitura.Next()) {
        TRestricaoContratual r;
        r.Tipo = primeiro(leitura.FieldByName(QStringLiteral("IDTIPORESTR")).AsString());
        r.CdTipoPrat = leitura.FieldByName(QStringLiteral("CDTIPOPRAT")).AsString().trimmed();
        r.SoFritos =
            leitura.FieldByName(QStringLiteral("IDSOFRITO")).AsString() == QLatin1String("S");
        r.Limite = leitura.FieldByName(QStringLiteral("VRLIMITE")).AsFloat();
        regras.insert(leitura.FieldByName(QStringLiteral("NRRESTCONT")).AsInteger(), r);
    }
    for (const TPacketRow& r : julgadas.Rows) {
        const qint64 numero = r.Values.value(f("NRRESTCONT")).toLongLong();
        TVeredito v;
        v.Regra = regras.value(numero);
        v.Cumprida = r.Values.value(f("IDCUMPRIDA")).toString() == QLatin1String("S");
        v.Dias = r.Values.value(f("DSDIAS")).toString();
        v.Detalhe = r.Values.value(f("DSDETALHE")).toString();
        vereditos_.insert(numero, v);
    }
    cdsRestricoes->SetData(gravadas);
    ok_.Set(todasCumpridas(julgadas));
    atualizaSituacao();
    selecionaLinha(0);
}

// The row (or the last, when fewer are left) made current, and the editor with it.
void TfrmRestCont::selecionaLinha(int linha) {
    const int n = cdsRestricoes->RecordCount();
    if (n > 0) {
        dbgRestricoes->setCurrentIndex(
            dbgRestricoes->model()->index(std::clamp(linha, 0, n - 1), 0));
    }
    MostraRestricao();
}

TRestricaoContratual TfrmRestCont::daLinha(const TMemRow& row) {
    TRestricaoContratual r;
    r.Tipo = primeiro(row.AsString(QStringLiteral("IDTIPORESTR")));
    r.CdTipoPrat = row.AsString(QStringLiteral("CDTIPOPRAT")).trimmed();
    r.NmTipoPrat = row.AsString(QStringLiteral("NMTIPOPRAT")).trimmed();
    r.SoFritos = row.AsString(QStringLiteral("IDSOFRITO")) == QLatin1String("S");
    r.Limite = row.AsFloat(QStringLiteral("VRLIMITE"));
    return r;
}

TRestricaoContratual TfrmRestCont::doEditor() const {
    TRestricaoContratual r;
    r.Tipo = primeiro(cbbTipo->currentData().toString());
    if (RestricaoDePratos(r.Tipo)) {
        r.CdTipoPrat = cbbTipoPrato->currentData().toString();
        r.NmTipoPrat = r.CdTipoPrat.isEmpty()
                           ? QString()
                           : cbbTipoPrato->currentText().mid(r.CdTipoPrat.size() + 3);
        r.SoFritos = chbFritos->isChecked();
    }
    r.Limite = nedLimite->Value();
    return r;
}

int TfrmRestCont::linhaAtual() const {
    const QModelIndex i = dbgRestricoes->currentIndex();
    return i.isValid() && i.row() < cdsRestricoes->RecordCount() ? i.row() : -1;
}

void TfrmRestCont::MostraRestricao() {
    const int linha = linhaAtual();
    if (linha >= 0) {
        cdsRestricoes->SetRecNo(linha + 1);
        const auto s = [this](const char* name) {
            return cdsRestricoes->FieldByName(QString::fromLatin1(name)).AsString().trimmed();
        };
        cbbTipo->setCurrentIndex(std::max(0, cbbTipo->findData(s("IDTIPORESTR"))));
        cbbTipoPrato->setCurrentIndex(std::max(0, cbbTipoPrato->findData(s("CDTIPOPRAT"))));
        chbFritos->setChecked(s("IDSOFRITO") == QLatin1String("S"));
        tipoAlterado();
        nedLimite->SetValue(cdsRestricoes->FieldByName(QStringLiteral("VRLIMITE")).AsFloat());
        edtClausula->setText(s("DSRESTCONT"));
    }
    habilita();
}

// The limit's unit and decimals follow the kind; the cost names no dishes.
void TfrmRestCont::tipoAlterado() {
    const QChar tipo = primeiro(cbbTipo->currentData().toString());
    lblUnidade->setText(UnidadeRestricao(tipo));
    nedLimite->SetDecimals(tipo == QLatin1Char(char(TTipoRestricao::CustoMaximo)) ? 2 : 0);
    habilita();
}

void TfrmRestCont::habilita() {
    const bool pratos = RestricaoDePratos(primeiro(cbbTipo->currentData().toString()));
    const bool linha = linhaAtual() >= 0;
    for (QWidget* w : std::initializer_list<QWidget*>{cbbTipo, nedLimite, edtClausula}) {
        w->setEnabled(podeAlterar_);
    }
    cbbTipoPrato->setEnabled(podeAlterar_ && pratos);
    chbFritos->setEnabled(podeAlterar_ && pratos);
    sbtIncluir->setEnabled(podeAlterar_);
    sbtAlterar->setEnabled(podeAlterar_ && linha);
    sbtExcluir->setEnabled(podeAlterar_ && linha);
    const bool alterada = cdsRestricoes->ChangeCount() > 0;
    sbtCancelar->setEnabled(podeAlterar_ && alterada);
    sbtConfirma->setEnabled(podeAlterar_ && alterada);
}

void TfrmRestCont::atualizaSituacao() {
    const int total = int(vereditos_.size());
    int descumpridas = 0;
    for (const TVeredito& v : vereditos_) {
        descumpridas += v.Cumprida ? 0 : 1;
    }
    QString texto = total == 0          ? msgPadrao.Msg(QStringLiteral("SEM_RESTRICOES"))
                    : descumpridas == 0 ? msgPadrao.Msg(QStringLiteral("TODAS_CUMPRIDAS"))
                    : descumpridas == 1
                        ? msgPadrao.Fmt(QStringLiteral("UMA_DESCUMPRIDA"), {QString::number(total)})
                        : msgPadrao.Fmt(QStringLiteral("DESCUMPRIDAS"),
                                        {QString::number(descumpridas), QString::number(total)});
    if (cdsRestricoes->ChangeCount() > 0) {
        texto += QLatin1Char(' ') + msgPadrao.Msg(QStringLiteral("NAO_GRAVADAS"));
    }
    lblSituacao->setText(texto);
    lblSituacao->setStyleSheet(descumpridas > 0 ? QStringLiteral("color: rgb(176, 0, 0);")
                                                : QString());
    habilita();
}

void TfrmRestCont::escreveLinha(const TRestricaoContratual& r) {
    const auto set = [this](const char* name, const QVariant& value) {
        cdsRestricoes->FieldByName(QString::fromLatin1(name)).SetValue(value);
    };
    set("IDTIPORESTR", QString(r.Tipo));
    set("CDTIPOPRAT", r.CdTipoPrat.isEmpty() ? QVariant() : QVariant(r.CdTipoPrat));
    set("NMTIPOPRAT", r.NmTipoPrat.isEmpty() ? QVariant() : QVariant(r.NmTipoPrat));
    set("IDSOFRITO", r.SoFritos ? QStringLiteral("S") : QStringLiteral("N"));
    set("VRLIMITE", r.Limite);
    const QString clausula = edtClausula->text().trimmed();
    set("DSRESTCONT", clausula.isEmpty() ? QVariant() : QVariant(clausula));
}

void TfrmRestCont::sbtIncluirClick() {
    const TRestricaoContratual r = doEditor();
    const QString problema = ProblemaRestricao(r);
    if (!problema.isEmpty()) {
        MensErro(problema, true);
    }
    cdsRestricoes->Append();
    escreveLinha(r);
    cdsRestricoes->Post();
    atualizaSituacao();
    selecionaLinha(cdsRestricoes->RecordCount() - 1);
}

void TfrmRestCont::sbtAlterarClick() {
    const int linha = linhaAtual();
    if (linha < 0) {
        MensErro(msgPadrao.Msg(QStringLiteral("ESCOLHA")), true);
    }
    const TRestricaoContratual r = doEditor();
    const QString problema = ProblemaRestricao(r);
    if (!problema.isEmpty()) {
        MensErro(problema, true);
    }
    cdsRestricoes->SetRecNo(linha + 1);
    cdsRestricoes->Edit();
    escreveLinha(r);
    cdsRestricoes->Post();
    atualizaSituacao();
}

void TfrmRestCont::sbtExcluirClick() {
    const int linha = linhaAtual();
    if (linha < 0) {
        MensErro(msgPadrao.Msg(QStringLiteral("ESCOLHA")), true);
    }
    cdsRestricoes->SetRecNo(linha + 1);
    const QString texto = cdsRestricoes->FieldByName(QStringLiteral("DSRESTRICAO")).AsString();
    if (TDialogPresenter::Current().Message(msgPadrao.Fmt(QStringLiteral("CONF_EXCL"), {texto}),
                                            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return;
    }
    cdsRestricoes->Delete();
    atualizaSituacao();
    selecionaLinha(linha);
}

void TfrmRestCont::sbtCancelarClick() {
    if (cdsRestricoes->ChangeCount() == 0 ||
        ShowMsg(msgPadrao, QStringLiteral("DESFAZER"), TMsgDlgType::Confirmation, mbYes | mbNo) !=
            mrYes) {
        return;
    }
    const int linha = linhaAtual();
    cdsRestricoes->CancelUpdates();
    atualizaSituacao();
    selecionaLinha(linha);
}

void TfrmRestCont::sbtConfirmaClick() {
    cdsRestricoes->CheckBrowseMode();
    if (cdsRestricoes->ChangeCount() == 0) {
        MensErro(msgPadrao.Msg(QStringLiteral("SEM_ALTERACAO")), true);
    }
    const QString resposta =
        chama(rpc::metodos::SetRestContServ(),
              {filial_, servico_, FromDataPacket(cdsRestricoes->Delta()), Host().Operador})
            .toString();
    if (!resposta.isEmpty()) {
        MensErro(resposta, true); // the changes stay, for the planner to mend
    }
    CarregaRestricoes();
    TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("GRAVADAS")),
                                        TMsgDlgType::Information, mbOK);
}

void TfrmRestCont::FormActivate(bool first) {
    if (first) {
        dbgRestricoes->setFocus();
    }
    // The window's own close button asks too.
    if (!janelaVigiada_ && window() != this) {
        window()->installEventFilter(this);
        janelaVigiada_ = true;
    }
}

bool TfrmRestCont::FormCloseQuery() {
    if (cdsRestricoes->ChangeCount() == 0) {
        return true;
    }
    const int answer = ShowMsg(msgPadrao, QStringLiteral("SAIR"), TMsgDlgType::Confirmation,
                               mbYes | mbNo | mbCancel);
    if (answer == mrYes) {
        return RunHandler([this] { sbtConfirmaClick(); });
    }
    if (answer == mrNo) {
        cdsRestricoes->CancelUpdates();
        return true;
    }
    return false;
}

// Esc leaves as the close button does, asking about unsaved changes first.
void TfrmRestCont::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        SetModalResult(mrCancel);
        return;
    }
    TfrmRotiGeral::keyPressEvent(event);
}

bool TfrmRestCont::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && watched != this && event->type() == QEvent::Close) {
        bool may = true;
        RunHandler([&] { may = FormCloseQuery(); });
        if (!may) {
            event->ignore();
            return true;
        }
    }
    return TfrmRotiGeral::eventFilter(watched, event);
}

} // namespace pla::packages
