#include "branch_history.h"

#include "core/dates.h"
#include "core/format_float.h"
#include "core/format_settings.h"
#include "core/mem_row.h"
#include "host/busy_scopes.h"
#include "host/db_grid.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/server_call.h"
#include "host/tool_button.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

const QString Dois = QStringLiteral("#,##0.00");
const QString Cinco = QStringLiteral("#,##0.00000");

// The colours of the month's cost charts: the standard grey and dashed, planned blue,
// real orange.
const QColor CorPadrao(90, 90, 90);
const QColor CorPlanejado(31, 119, 180);
const QColor CorRealizado(230, 120, 20);

QLocale localeDosNumeros() {
    return TFormatSettings::Current().DecimalSeparator == QLatin1Char(',')
               ? QLocale(QLocale::Portuguese, QLocale::Brazil)
               : QLocale::system();
}

// A month above its standard shows its difference in red.
class TAcimaDoPadrao : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString field = index.model()->headerData(index.column(), Qt::Horizontal).toString();
        if (field.startsWith(QStringLiteral("Dif.")) && index.data(Qt::EditRole).toDouble() > 0) {
            option->palette.setColor(QPalette::Text, QColor(190, 0, 0));
        }
    }
};

} // namespace

TfrmHistFilial::TfrmHistFilial(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA08800"), QStringLiteral("Histórico da Filial"), parent) {
    setObjectName(QStringLiteral("frmHistFilial"));
    // Its page follows the module's numbering of four digits: 1230 and 8800.
    SetHelpContext(12308800);
    msgPadrao.AddLines(
        {QStringLiteral("SEM_FILIAL|Informe a filial do histórico."),
         QStringLiteral("LENDO|Somando os custos dos meses da filial..."),
         QStringLiteral("SEM_MESES|A filial não tem meses planejados."),
         QStringLiteral("EXPLICA|Custo planejado: matéria-prima e consumo pelo tipo de custo "
                        "planejado, aos preços da data de referência do mês (ou de cada dia); "
                        "custo real: as retiradas do estoque. Diferenças em relação ao padrão, em "
                        "%; acima do padrão em vermelho.")});
    filial_ = p.value(0).toString().trimmed();
    if (filial_.isEmpty()) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("SEM_FILIAL")));
    }
    net_ = Host().NewConnection(QStringLiteral("netHistFilial"),
                                QStringLiteral("Pla08800.rdmHistFilial"));

    cdsMeses = new TMemTable(QStringLiteral("cdsMeses"), this);
    const auto campo = [this](const char* name, TFieldType type, const char* label,
                              const QString& format = {}, int size = 0) {
        TMemField& f = cdsMeses->AddField(QString::fromLatin1(name), type, size);
        if (label) {
            f.SetDisplayLabel(QString::fromUtf8(label));
            f.SetDisplayFormat(format);
        } else {
            f.SetVisible(false);
        }
    };
    campo("DTMESCARD", TFieldType::DateTime, "Mês", QStringLiteral("mm/yyyy"));
    campo("QTDIAS", TFieldType::Integer, "Dias");
    campo("QTCOMESTI", TFieldType::Float, "Comensais Planejados", QStringLiteral("#,##0"));
    campo("VRCUSTOPLAN", TFieldType::Float, "Custo Planejado", Dois);
    campo("VRPERCAPPLAN", TFieldType::Float, "Per Capita Planejado", Cinco);
    campo("QTCOMEFET", TFieldType::Float, "Comensais Reais", QStringLiteral("#,##0"));
    campo("VRCUSTOREAL", TFieldType::Float, "Custo Real", Dois);
    campo("VRPERCAPREAL", TFieldType::Float, "Per Capita Real", Cinco);
    campo("VRCUSTPADR", TFieldType::Float, "Per Capita Padrão", Cinco);
    campo("VRDIFPLANPADR", TFieldType::Float, "Dif. Planejado %", Dois);
    campo("VRDIFREALPADR", TFieldType::Float, "Dif. Real %", Dois);
    campo("CDSERVFILI", TFieldType::String, nullptr, {}, 5);
    campo("NMSERVICO", TFieldType::String, nullptr, {}, 40);
    cdsMeses->CreateDataSet();

    sbtConfirma->hide(); // a query: nothing to confirm
    sbtFechar = BotaoComTexto(panBotoes, "sbtFechar", QStringLiteral("Fechar"),
                              QStringLiteral("Fechar o histórico"), "window-close");
    ButtonsLayout()->addWidget(sbtFechar);
    connect(sbtFechar, &QToolButton::clicked, this, [this] { close(); });

    auto* v = new QVBoxLayout(grbDadosRel);
    auto* linha = new QHBoxLayout;
    lblFilial = new QLabel(grbDadosRel);
    lblFilial->setObjectName(QStringLiteral("lblFilial"));
    linha->addWidget(lblFilial, 1);
    auto* rotulo = new QLabel(QStringLiteral("&Serviço:"), grbDadosRel);
    cbbServico = new QComboBox(grbDadosRel);
    cbbServico->setObjectName(QStringLiteral("cbbServico"));
    rotulo->setBuddy(cbbServico);
    linha->addWidget(rotulo);
    linha->addWidget(cbbServico);
    v->addLayout(linha);
    lblAviso = new QLabel(msgPadrao.Msg(QStringLiteral("EXPLICA")), grbDadosRel);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setWordWrap(true);
    v->addWidget(lblAviso);
    auto* divisor = new QSplitter(Qt::Vertical, grbDadosRel);
    dbgMeses = new TDBGrid(divisor);
    dbgMeses->setObjectName(QStringLiteral("dbgMeses"));
    dbgMeses->SetReadOnly(true);
    dbgMeses->SetDataSet(cdsMeses);
    dbgMeses->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgMeses->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgMeses->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dbgMeses->verticalHeader()->hide();
    dbgMeses->setItemDelegate(new TAcimaDoPadrao(dbgMeses));

    chtHistorico = new QChart;
    chtHistorico->setObjectName(QStringLiteral("chtHistorico"));
    chtHistorico->setTitle(QStringLiteral("Per Capita por Mês — Planejado x Real x Padrão"));
    QFont font = chtHistorico->titleFont();
    font.setBold(true);
    chtHistorico->setTitleFont(font);
    chtHistorico->setAnimationOptions(QChart::NoAnimation);
    chtHistorico->legend()->setAlignment(Qt::AlignBottom);
    chtHistorico->setLocalizeNumbers(true);
    chtHistorico->setLocale(localeDosNumeros());
    axsMeses = new QBarCategoryAxis;
    axsMeses->setObjectName(QStringLiteral("axsMeses"));
    axsMeses->setTitleText(QStringLiteral("Mês"));
    axsValores = new QValueAxis;
    axsValores->setObjectName(QStringLiteral("axsValores"));
    axsValores->setLabelFormat(QStringLiteral("%.2f"));
    chtHistorico->addAxis(axsMeses, Qt::AlignBottom);
    chtHistorico->addAxis(axsValores, Qt::AlignLeft);
    auto* barras = new QBarSeries;
    barras->setObjectName(QStringLiteral("serMeses"));
    const auto conjunto = [](const char* name, const QString& title, const QColor& color) {
        auto* set = new QBarSet(title);
        set->setObjectName(QString::fromLatin1(name));
        set->setColor(color);
        set->setBorderColor(color);
        return set;
    };
    barPlanejado = conjunto("barPlanejado", QStringLiteral("Per capita planejado"), CorPlanejado);
    barRealizado = conjunto("barRealizado", QStringLiteral("Per capita real"), CorRealizado);
    barras->append(barPlanejado);
    barras->append(barRealizado);
    serPadrao = new QLineSeries;
    serPadrao->setObjectName(QStringLiteral("serPadrao"));
    serPadrao->setName(QStringLiteral("Per capita padrão"));
    QPen pen(CorPadrao);
    pen.setWidthF(2.5);
    pen.setStyle(Qt::DashLine);
    serPadrao->setPen(pen);
    chtHistorico->addSeries(barras);
    chtHistorico->addSeries(serPadrao); // over the bars
    for (QAbstractSeries* s :
         {static_cast<QAbstractSeries*>(barras), static_cast<QAbstractSeries*>(serPadrao)}) {
        s->attachAxis(axsMeses);
        s->attachAxis(axsValores);
    }
    chvHistorico = new QChartView(chtHistorico, divisor); // owns the chart
    chvHistorico->setObjectName(QStringLiteral("chvHistorico"));
    chvHistorico->setRenderHint(QPainter::Antialiasing);
    chvHistorico->setMinimumSize(480, 260);
    divisor->addWidget(dbgMeses);
    divisor->addWidget(chvHistorico);
    v->addWidget(divisor, 1);

    QVariantList answer;
    {
        TWaitAnimation wait(this, 6, msgPadrao.Msg(QStringLiteral("LENDO")));
        answer = rpc::CheckResultServ(chama(rpc::metodos::GetHistFilial(), {filial_})).toList();
    }
    if (answer.size() < int(rpc::TElemHistFilial::Quantidade)) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao ler o histórico."));
    }
    cdsMeses->SetData(rpc::PacoteServ(answer[int(rpc::TElemHistFilial::Meses)]));
    lblFilial->setText(
        QStringLiteral("<b>Filial %1 - %2</b>")
            .arg(filial_,
                 answer[int(rpc::TElemHistFilial::NomeFilial)].toString().toHtmlEscaped()));
    for (cdsMeses->First(); !cdsMeses->Eof(); cdsMeses->Next()) {
        const QString code = cdsMeses->FieldByName(QStringLiteral("CDSERVFILI")).AsString();
        if (cbbServico->findData(code) < 0) {
            cbbServico->addItem(
                code + QStringLiteral(" - ") +
                    cdsMeses->FieldByName(QStringLiteral("NMSERVICO")).AsString().trimmed(),
                code);
        }
    }
    if (cbbServico->count() == 0) {
        lblAviso->setText(msgPadrao.Msg(QStringLiteral("SEM_MESES")));
    }
    MostraServico();
    connect(cbbServico, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { MostraServico(); }); });
    resize(1100, 720);
}

TfrmHistFilial::~TfrmHistFilial() = default;

QVariant TfrmHistFilial::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

void TfrmHistFilial::MostraServico() {
    const QString servico = cbbServico->currentData().toString();
    cdsMeses->SetFilter([servico](const TMemRow& row) {
        return row.AsString(QStringLiteral("CDSERVFILI")) == servico;
    });
    cdsMeses->SetFiltered(true);
    meses_.clear();
    for (cdsMeses->First(); !cdsMeses->Eof(); cdsMeses->Next()) {
        const auto valor = [this](const char* field) {
            return cdsMeses->FieldByName(QString::fromLatin1(field)).AsFloat();
        };
        meses_.append({cdsMeses->FieldByName(QStringLiteral("DTMESCARD")).AsDateTime().date(),
                       valor("VRPERCAPPLAN"), valor("VRPERCAPREAL"), valor("VRCUSTPADR")});
    }
    std::sort(meses_.begin(), meses_.end(),
              [](const TMes& a, const TMes& b) { return a.Mes < b.Mes; });
    QStringList categorias;
    QList<qreal> planejado, realizado;
    QList<QPointF> padrao;
    double maximo = 0;
    for (qsizetype i = 0; i < meses_.size(); ++i) {
        const TMes& m = meses_[i];
        categorias << FormatDateTime(QStringLiteral("mm/yyyy"), m.Mes);
        planejado << m.Planejado;
        realizado << m.Realizado;
        if (m.Padrao > 0) {
            padrao << QPointF(qreal(i), m.Padrao);
        }
        maximo = std::max({maximo, m.Planejado, m.Realizado, m.Padrao});
    }
    axsMeses->clear();
    axsMeses->append(categorias);
    barPlanejado->remove(0, barPlanejado->count());
    barPlanejado->append(planejado);
    barRealizado->remove(0, barRealizado->count());
    barRealizado->append(realizado);
    serPadrao->replace(padrao);
    axsValores->setRange(0, maximo > 0 ? maximo * 1.1 : 1.0);
    axsValores->applyNiceNumbers();
    cdsMeses->First();
}

void TfrmHistFilial::FormActivate(bool first) {
    if (first) {
        dbgMeses->setFocus();
    }
}

} // namespace pla::packages
