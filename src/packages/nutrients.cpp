#include "nutrients.h"

#include "core/data_packet.h"
#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/db_grid.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/server_call.h"
#include "host/tool_button.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

namespace pla::packages {

using namespace pla::host;

namespace {

using TSit = rpc::TSituacaoNutriente;

const QString Uma = QStringLiteral("#,##0.0");

QColor corDe(const QString& situacao) {
    if (situacao == QLatin1Char(char(TSit::Acima))) {
        return QColor(190, 0, 0);
    }
    if (situacao == QLatin1Char(char(TSit::Abaixo))) {
        return QColor(30, 80, 190);
    }
    if (situacao == QLatin1Char(char(TSit::Adequado))) {
        return QColor(0, 120, 40);
    }
    return {};
}

// A field of the row an index shows.
QVariant valorDaLinha(const QModelIndex& index, const QString& field) {
    const auto* model = qobject_cast<const TDataSourceModel*>(index.model());
    const TMemTable* t = model ? model->DataSet() : nullptr;
    const TMemField* f = t ? t->FindField(field) : nullptr;
    return f ? t->ViewValue(index.row(), f->Index()) : QVariant();
}

// A nutrient's row in the colour of its situation: over red, under blue, within green.
class TCorSituacao : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QColor c = corDe(ValueAsString(valorDaLinha(index, QStringLiteral("IDSITNUTRI"))));
        if (c.isValid()) {
            option->palette.setColor(QPalette::Text, c);
            option->font.setBold(true);
        }
    }
};

// The cell's dish stands out among the day's.
class TPratoDaCelula : public QStyledItemDelegate {
public:
    TPratoDaCelula(QString prato, QObject* parent)
        : QStyledItemDelegate(parent)
        , prato_(std::move(prato)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!prato_.isEmpty() &&
            ValueAsString(valorDaLinha(index, QStringLiteral("CDPRATO"))).trimmed() == prato_) {
            option->font.setBold(true);
        }
        if (!ValueAsString(valorDaLinha(index, QStringLiteral("DSSEMCOMPOSICAO"))).isEmpty()) {
            option->palette.setColor(QPalette::Text, QColor(150, 90, 0));
        }
    }

private:
    QString prato_;
};

TDBGrid* grade(QWidget* parent, const char* name) {
    auto* g = new TDBGrid(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->SetReadOnly(true);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setWordWrap(false);
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    g->verticalHeader()->hide();
    return g;
}

void campo(TMemTable& t, const char* name, TFieldType type, const char* label,
           const QString& format = {}, int size = 0) {
    TMemField& f = t.AddField(QString::fromLatin1(name), type, size);
    f.SetDisplayLabel(QString::fromUtf8(label));
    f.SetDisplayFormat(format);
}

void oculto(TMemTable& t, const char* name, TFieldType type, int size = 0) {
    t.AddField(QString::fromLatin1(name), type, size).SetVisible(false);
}

} // namespace

QString TfrmNutriCard::TextoSituacao(const QString& situacao) {
    if (situacao == QLatin1Char(char(TSit::Acima))) {
        return QStringLiteral("Acima");
    }
    if (situacao == QLatin1Char(char(TSit::Abaixo))) {
        return QStringLiteral("Abaixo");
    }
    if (situacao == QLatin1Char(char(TSit::Adequado))) {
        return QStringLiteral("Adequado");
    }
    return QStringLiteral("Sem referência");
}

TfrmNutriCard::TfrmNutriCard(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00105"), QStringLiteral("Consultar Nutrientes"), parent) {
    setObjectName(QStringLiteral("frmNutriCard"));
    msgPadrao.AddLines(
        {QStringLiteral("PARAMETROS|A consulta de nutrientes precisa da filial, do serviço e do "
                        "dia do cardápio."),
         QStringLiteral("CONSULTANDO|Somando os nutrientes do dia..."),
         QStringLiteral("CELULA_VAZIA|Célula sem prato: os totais do dia por comensal."),
         QStringLiteral("PRATO|Prato %s - %s: por porção, e os totais do dia por comensal."),
         QStringLiteral("REFERENCIA|Referência do serviço: %s. Acima em vermelho, abaixo em azul, "
                        "adequado em verde."),
         QStringLiteral("SEM_REFERENCIA|O serviço não tem valores de referência de nutrientes."),
         QStringLiteral("SEM_PRATOS|O dia não tem pratos no cardápio."),
         QStringLiteral("SEM_COMPOSICAO|Sem composição nutricional (ficam fora das somas): %s.")});
    filial_ = p.value(0).toString().trimmed();
    servico_ = p.value(1).toString().trimmed();
    const QString escolha = p.value(2).toString().trimmed().toUpper();
    dia_ = p.value(3).toDateTime().date();
    if (!dia_.isValid()) {
        dia_ = p.value(3).toDate();
    }
    prato_ = p.value(4).toString().trimmed();
    nomePrato_ = p.value(5).toString().trimmed();
    if (filial_.isEmpty() || servico_.isEmpty() || !dia_.isValid()) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("PARAMETROS")));
    }
    net_ = Host().NewConnection(QStringLiteral("netNutriCard"),
                                QStringLiteral("Pla00105.rdmNutriCard"));

    cdsNutrientes = new TMemTable(QStringLiteral("cdsNutrientes"), this);
    campo(*cdsNutrientes, "NMNUTRIENTE", TFieldType::String, "Nutriente", {}, 40);
    campo(*cdsNutrientes, "SGUNIDADE", TFieldType::String, "Unidade", {}, 4);
    campo(*cdsNutrientes, "QTPRATO", TFieldType::Float, "Prato (porção)", Uma);
    campo(*cdsNutrientes, "QTDIA", TFieldType::Float, "Total do dia", Uma);
    campo(*cdsNutrientes, "QTMINNUTRI", TFieldType::Float, "Mínimo", Uma);
    campo(*cdsNutrientes, "QTMAXNUTRI", TFieldType::Float, "Máximo", Uma);
    cdsNutrientes->AddCalcField(QStringLiteral("DSSITUACAO"), TFieldType::String, 20)
        .SetDisplayLabel(QStringLiteral("Situação"));
    oculto(*cdsNutrientes, "CDNUTRIENTE", TFieldType::String, 4);
    oculto(*cdsNutrientes, "IDSITNUTRI", TFieldType::String, 1);
    cdsNutrientes->OnCalcFields = [](TCalcRow& row) {
        row.SetValue(QStringLiteral("DSSITUACAO"),
                     TextoSituacao(row.AsString(QStringLiteral("IDSITNUTRI"))));
    };
    cdsNutrientes->CreateDataSet();

    auto* v = new QVBoxLayout(grbDadosRel);
    lblDia = new QLabel(grbDadosRel);
    lblDia->setObjectName(QStringLiteral("lblDia"));
    v->addWidget(lblDia);
    auto* linha = new QHBoxLayout;
    lblPrato = new QLabel(grbDadosRel);
    lblPrato->setObjectName(QStringLiteral("lblPrato"));
    lblPrato->setWordWrap(true);
    linha->addWidget(lblPrato, 1);
    auto* rotulo = new QLabel(QStringLiteral("&Nutriente:"), grbDadosRel);
    cbbNutriente = new QComboBox(grbDadosRel);
    cbbNutriente->setObjectName(QStringLiteral("cbbNutriente"));
    rotulo->setBuddy(cbbNutriente);
    linha->addWidget(rotulo);
    linha->addWidget(cbbNutriente);
    v->addLayout(linha);
    lblReferencia = new QLabel(grbDadosRel);
    lblReferencia->setObjectName(QStringLiteral("lblReferencia"));
    lblReferencia->setWordWrap(true);
    v->addWidget(lblReferencia);
    lblSemComposicao = new QLabel(grbDadosRel);
    lblSemComposicao->setObjectName(QStringLiteral("lblSemComposicao"));
    lblSemComposicao->setWordWrap(true);
    lblSemComposicao->setStyleSheet(QStringLiteral("color: #965a00"));
    v->addWidget(lblSemComposicao);
    auto* divisor = new QSplitter(Qt::Vertical, grbDadosRel);
    dbgNutrientes = grade(divisor, "dbgNutrientes");
    dbgNutrientes->SetDataSet(cdsNutrientes);
    dbgNutrientes->setItemDelegate(new TCorSituacao(dbgNutrientes));
    dbgPratosDia = grade(divisor, "dbgPratosDia");
    dbgPratosDia->setItemDelegate(new TPratoDaCelula(prato_, dbgPratosDia));
    divisor->addWidget(dbgNutrientes);
    divisor->addWidget(dbgPratosDia);
    v->addWidget(divisor, 1);

    sbtConfirma->hide(); // a query: nothing to confirm
    sbtFechar = BotaoComTexto(panBotoes, "sbtFechar", QStringLiteral("Fechar"),
                              QStringLiteral("Fechar a consulta"), "window-close");
    ButtonsLayout()->addWidget(sbtFechar);
    connect(sbtFechar, &QToolButton::clicked, this, [this] { close(); });

    // The catalogue's nutrients to choose from, the one asked for chosen.
    cbbNutriente->addItem(QStringLiteral("Todos os nutrientes"),
                          QString::fromLatin1(rpc::TodosNutrientes));
    {
        THostQuery q;
        q.SetConnection(Host().SharedConnection());
        q.SetSql(QStringLiteral("SELECT CDNUTRIENTE, NMNUTRIENTE FROM NUTRIENTE ORDER BY "
                                "NRORDNUTRI, CDNUTRIENTE"));
        q.Open();
        for (q.First(); !q.Eof(); q.Next()) {
            cbbNutriente->addItem(q.Fields(1).AsString().trimmed(),
                                  q.Fields(0).AsString().trimmed());
        }
    }
    int at = cbbNutriente->findData(escolha.isEmpty() ? QString::fromLatin1(rpc::TodosNutrientes)
                                                      : escolha);
    if (at < 0) {
        cbbNutriente->addItem(escolha, escolha); // the server says what it is not
        at = cbbNutriente->count() - 1;
    }
    cbbNutriente->setCurrentIndex(at);

    lblDia->setText(
        QStringLiteral("<b>Filial %1 · Serviço %2 · %3</b>")
            .arg(filial_, servico_, FormatDateTime(QStringLiteral("dddd, dd/mm/yyyy"), dia_)));
    lblPrato->setText(prato_.isEmpty()
                          ? msgPadrao.Msg(QStringLiteral("CELULA_VAZIA"))
                          : msgPadrao.Fmt(QStringLiteral("PRATO"), {prato_, nomePrato_}));
    Carrega();
    connect(cbbNutriente, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { Carrega(); }); });
    resize(900, 600);
}

TfrmNutriCard::~TfrmNutriCard() = default;

QVariant TfrmNutriCard::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

QString TfrmNutriCard::Escolha() const {
    return cbbNutriente->currentData().toString();
}

void TfrmNutriCard::Carrega() {
    using E = rpc::TElemNutriCard;
    QVariantList answer;
    {
        TWaitAnimation wait(this, 6, msgPadrao.Msg(QStringLiteral("CONSULTANDO")));
        answer = rpc::CheckResultServ(chama(rpc::metodos::GetNutriCard(),
                                            {filial_, servico_, Escolha(), DataHora(dia_), prato_}))
                     .toList();
    }
    if (answer.size() < int(E::Quantidade)) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao somar os nutrientes."));
    }
    cdsNutrientes->SetData(rpc::PacoteServ(answer[int(E::Nutrientes)]));
    montaPratos(rpc::PacoteServ(answer[int(E::PratosDia)]));
    const QString referencia = answer[int(E::Referencia)].toString();
    QString texto = referencia.isEmpty()
                        ? msgPadrao.Msg(QStringLiteral("SEM_REFERENCIA"))
                        : msgPadrao.Fmt(QStringLiteral("REFERENCIA"), {referencia});
    if (cdsPratosDia->RecordCount() == 0) {
        texto += QLatin1Char(' ') + msgPadrao.Msg(QStringLiteral("SEM_PRATOS"));
    }
    lblReferencia->setText(texto);
    const QString falta = answer[int(E::SemComposicao)].toString();
    lblSemComposicao->setText(
        falta.isEmpty() ? QString() : msgPadrao.Fmt(QStringLiteral("SEM_COMPOSICAO"), {falta}));
    lblSemComposicao->setVisible(!falta.isEmpty());
    cdsNutrientes->First();
}

// The day's dishes: their columns of nutrients are the server's, named by their codes;
// each takes its nutrient's name and unit.
void TfrmNutriCard::montaPratos(const TDataPacket& packet) {
    // The screen's only once it holds the answer: a refused answer leaves the last one.
    auto tabela = std::make_unique<TMemTable>(QStringLiteral("cdsPratosDia"));
    campo(*tabela, "NMTIPOPRAT", TFieldType::String, "Tipo de Prato", {}, 35);
    campo(*tabela, "CDPRATO", TFieldType::String, "Prato", {}, 10);
    campo(*tabela, "NMPRATO", TFieldType::String, "Nome", {}, 40);
    campo(*tabela, "VRPECONSCARD", TFieldType::Float, "% Comensais", QStringLiteral("#,##0.##"));
    oculto(*tabela, "NRORDCNFMES", TFieldType::Integer);
    oculto(*tabela, "CDFILAUXPRAT", TFieldType::String, 4);
    for (const TFieldDef& f : packet.Fields) {
        if (f.Type != TFieldType::Float || f.Name == QLatin1String("VRPECONSCARD")) {
            continue;
        }
        const QVariant nome = cdsNutrientes->Lookup(QStringLiteral("CDNUTRIENTE"), {f.Name},
                                                    QStringLiteral("NMNUTRIENTE"));
        const QVariant unidade = cdsNutrientes->Lookup(QStringLiteral("CDNUTRIENTE"), {f.Name},
                                                       QStringLiteral("SGUNIDADE"));
        TMemField& c = tabela->AddField(f.Name, TFieldType::Float);
        c.SetDisplayLabel(
            nome.isNull() ? f.Name
                          : QStringLiteral("%1 (%2)").arg(nome.toString().trimmed(),
                                                          unidade.toString().trimmed().toLower()));
        c.SetDisplayFormat(Uma);
    }
    campo(*tabela, "DSSEMCOMPOSICAO", TFieldType::String, "Sem composição", {}, 400);
    tabela->SetData(packet);
    tabela->setParent(this);
    TMemTable* anterior = cdsPratosDia;
    cdsPratosDia = tabela.release();
    dbgPratosDia->SetDataSet(cdsPratosDia);
    delete anterior;
}

void TfrmNutriCard::FormActivate(bool first) {
    if (first) {
        dbgNutrientes->setFocus();
    }
}

} // namespace pla::packages
