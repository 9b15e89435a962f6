#include "cost_analysis.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/errors.h"
#include "core/format_float.h"
#include "core/numbers.h"
#include "core/table_scopes.h"
#include "host/busy_scopes.h"
#include "host/db_grid.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/number_edit.h"
#include "host/tool_button.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

const QString Dois = QStringLiteral("#,##0.00");
const QString Cinco = QStringLiteral("#,##0.00000");
const QString Quantidade = QStringLiteral("#,##0.###");

void campo(TMemTable& t, const char* name, TFieldType type, const QString& label,
           const QString& format = {}, int size = 0) {
    TMemField& f = t.AddField(QString::fromLatin1(name), type, size);
    f.SetDisplayLabel(label);
    f.SetDisplayFormat(format);
}

void oculto(TMemTable& t, const char* name, TFieldType type, int size = 0) {
    t.AddField(QString::fromLatin1(name), type, size).SetVisible(false);
}

double percentual(double parte, double todo) {
    return todo != 0 ? RoundDec(parte / todo * 100.0, 2) : 0.0;
}

QString receita(const QString& flag) {
    return flag == QLatin1String("S") ? QStringLiteral("Revisada") : QStringLiteral("Não revisada");
}

// Negative figures of the named fields in red: a day or a month above its standard.
class TNegativoVermelho : public QStyledItemDelegate {
public:
    TNegativoVermelho(QStringList fields, QObject* parent)
        : QStyledItemDelegate(parent)
        , fields_(std::move(fields)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* model = qobject_cast<const TDataSourceModel*>(index.model());
        const int field = model ? model->FieldIndexAt(index.column()) : -1;
        if (field >= 0 && fields_.contains(model->DataSet()->Fields(field).FieldName()) &&
            index.data(Qt::EditRole).toDouble() < 0) {
            option->palette.setColor(QPalette::Text, QColor(190, 0, 0));
            option->palette.setColor(QPalette::HighlightedText, QColor(255, 200, 200));
        }
    }

private:
    QStringList fields_;
};

TDBGrid* grade(QWidget* parent, const char* name, TMemTable* table) {
    auto* g = new TDBGrid(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->SetReadOnly(true);
    g->SetDataSet(table);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setWordWrap(false);
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    g->verticalHeader()->hide();
    return g;
}

// A name of a lookup table by its code; the code itself when there is none.
QString nome(const QString& sql, const QString& filial, const QString& servico = {}) {
    THostQuery q;
    q.SetConnection(Host().SharedConnection());
    q.SetSql(sql);
    q.SetParam(QStringLiteral("P_CDFILIAL"), filial);
    q.SetParam(QStringLiteral("P_CDSERVFILI"), servico);
    q.Open();
    return q.IsEmpty() ? QString() : q.Fields(0).AsString().trimmed();
}

} // namespace

std::pair<host::TParametrosCusto, QDate> ParametrosAnalise(const QVariantList& p) {
    TParametrosCusto out;
    out.CdFilial = p.value(0).toString().trimmed();
    out.CdServico = p.value(1).toString().trimmed();
    out.TipoCustoPlanejado = p.value(2).toInt();
    out.TipoCustoRealizado = p.value(3).toInt();
    QDate dia = p.value(4).toDateTime().date();
    if (!dia.isValid()) {
        dia = p.value(4).toDate();
    }
    if (out.CdFilial.isEmpty() || out.CdServico.isEmpty() || !dia.isValid()) {
        throw EPlaError(QStringLiteral("A análise de custos precisa da filial, do serviço e de "
                                       "um dia do mês."));
    }
    out.DtMesCard = DataHora(PriDiaMes(dia));
    out.DtRefeCusto = p.value(5).toDateTime();
    out.ReferenciaFixa = p.value(6).toBool();
    out.CdFiliCust = p.value(7).toString().trimmed();
    return {out, dia};
}

// --- the analysis ------------------------------------------------------------------------

TAnaliseCusto::TAnaliseCusto(const TParametrosCusto& parametros, const QDate& dia, QObject* parent)
    : QObject(parent)
    , parametros_(parametros)
    , dia_(dia) {
    setObjectName(QStringLiteral("Analise"));
    Custo = new TCustoDoMes([this] { return parametros_; }, this);
    Custo->setObjectName(QStringLiteral("Custo"));
    Custo->PorPrato = true;
    criaTabelas();
}

TAnaliseCusto::~TAnaliseCusto() {
    try {
        Libera();
    } catch (const std::exception&) {
        // Swept by the server after a day.
    }
}

void TAnaliseCusto::criaTabelas() {
    const auto tabela = [this](const char* name) {
        return new TMemTable(QString::fromLatin1(name), this);
    };
    cdsPratosTrab = tabela("cdsPratosTrab");

    cdsDias = tabela("cdsDias");
    TMemTable& d = *cdsDias;
    campo(d, "DTDATA", TFieldType::DateTime, QStringLiteral("Dia"), QStringLiteral("dd/mm/yyyy"));
    campo(d, "DSSEMANA", TFieldType::String, QStringLiteral("Sem."), {}, 3);
    campo(d, "QTCOMENSAIS", TFieldType::Float, QStringLiteral("Comensais"), Quantidade);
    campo(d, "QTPRATOS", TFieldType::Integer, QStringLiteral("Pratos"));
    campo(d, "VRCUSTPRODMAT", TFieldType::Float, QStringLiteral("Matéria-prima"), Dois);
    campo(d, "VRCUSTOCONS", TFieldType::Float, QStringLiteral("Consumo"), Dois);
    campo(d, "VRCUSTORAT", TFieldType::Float, QStringLiteral("Custo Indireto"), Dois);
    campo(d, "VRCUSTO", TFieldType::Float, QStringLiteral("Custo"), Dois);
    campo(d, "VRPERCAPITA", TFieldType::Float, QStringLiteral("Per Capita"), Cinco);
    campo(d, "VRPADRAO", TFieldType::Float, QStringLiteral("Padrão"), Cinco);
    campo(d, "VRSALDO", TFieldType::Float, QStringLiteral("Saldo"), Cinco);
    campo(d, "VRCUSTOREAL", TFieldType::Float, QStringLiteral("Realizado"), Dois);

    cdsTipos = tabela("cdsTipos");
    TMemTable& t = *cdsTipos;
    oculto(t, "CDTIPOPRAT", TFieldType::String, 2);
    campo(t, "NMTIPOPRAT", TFieldType::String, QStringLiteral("Tipo de Prato"), {}, 35);
    campo(t, "QTPRATOS", TFieldType::Integer, QStringLiteral("Pratos Servidos"));
    campo(t, "QTPORCAO", TFieldType::Float, QStringLiteral("Porções"), Quantidade);
    campo(t, "VRCUSTO", TFieldType::Float, QStringLiteral("Custo"), Dois);
    campo(t, "VRPERCAPITA", TFieldType::Float, QStringLiteral("Per Capita"), Cinco);
    campo(t, "VRPARTIC", TFieldType::Float, QStringLiteral("% da Matéria-prima"), Dois);

    cdsPratos = tabela("cdsPratos");
    TMemTable& p = *cdsPratos;
    oculto(p, "CDFILAUXPRAT", TFieldType::String, 4);
    campo(p, "CDPRATO", TFieldType::String, QStringLiteral("Código"), {}, 10);
    campo(p, "NMPRATO", TFieldType::String, QStringLiteral("Prato"), {}, 40);
    campo(p, "NMTIPOPRAT", TFieldType::String, QStringLiteral("Tipo de Prato"), {}, 35);
    campo(p, "QTVEZES", TFieldType::Integer, QStringLiteral("Dias"));
    campo(p, "QTPORCAO", TFieldType::Float, QStringLiteral("Porções"), Quantidade);
    campo(p, "VRCUSTOPORCAO", TFieldType::Float, QStringLiteral("Custo por Porção"), Cinco);
    campo(p, "VRCUSTO", TFieldType::Float, QStringLiteral("Custo no Mês"), Dois);
    campo(p, "VRPARTIC", TFieldType::Float, QStringLiteral("% da Matéria-prima"), Dois);
    campo(p, "VRPARTICACUM", TFieldType::Float, QStringLiteral("% Acumulado"), Dois);
    campo(p, "DSRECEITA", TFieldType::String, QStringLiteral("Receita"), {}, 12);

    cdsPratosDia = tabela("cdsPratosDia");
    TMemTable& pd = *cdsPratosDia;
    campo(pd, "NMTIPOPRAT", TFieldType::String, QStringLiteral("Tipo de Prato"), {}, 35);
    oculto(pd, "CDFILAUXPRAT", TFieldType::String, 4);
    campo(pd, "CDPRATO", TFieldType::String, QStringLiteral("Código"), {}, 10);
    campo(pd, "NMPRATO", TFieldType::String, QStringLiteral("Prato"), {}, 40);
    campo(pd, "QTPORCAO", TFieldType::Float, QStringLiteral("Porções"), Quantidade);
    campo(pd, "VRCUSTOPORCAO", TFieldType::Float, QStringLiteral("Custo por Porção"), Cinco);
    campo(pd, "VRCUSTOPRATO", TFieldType::Float, QStringLiteral("Custo"), Dois);
    campo(pd, "VRPERCAPITA", TFieldType::Float, QStringLiteral("Per Capita"), Cinco);
    campo(pd, "VRPARTIC", TFieldType::Float, QStringLiteral("% do Dia"), Dois);
    campo(pd, "DSRECEITA", TFieldType::String, QStringLiteral("Receita"), {}, 12);

    for (TMemTable* table : {cdsDias, cdsTipos, cdsPratos, cdsPratosDia}) {
        table->CreateDataSet();
    }
}

void TAnaliseCusto::Calcula() {
    Custo->CalculaCusto(dia_);
    Custo->CustoCalculado = true;
    RecarregaPratos();
}

void TAnaliseCusto::RecarregaPratos() {
    cdsPratosTrab->SetData(rpc::PacoteServ(Custo->chama(
        rpc::metodos::GetPratosTrabCusto(), {Custo->ChaveTrabCusto, parametros_.CdFilial})));
    cdsPratosTrab->MergeChangeLog();
    montaDias();
    montaTipos();
    montaPratos();
    MostraDia(diaMostrado_.isValid() ? diaMostrado_ : dia_);
}

// Each day as the panel shows it on that day, with its diners and its dishes.
void TAnaliseCusto::montaDias() {
    QHash<QDate, int> pratos;
    for (cdsPratosTrab->First(); !cdsPratosTrab->Eof(); cdsPratosTrab->Next()) {
        ++pratos[cdsPratosTrab->FieldByName(QStringLiteral("DTDATA")).AsDateTime().date()];
    }
    TMemTable& trab = *Custo->cdsTrabCusto;
    QList<QDate> dias;
    for (trab.First(); !trab.Eof(); trab.Next()) {
        dias << trab.FieldByName(QStringLiteral("DTDATA")).AsDateTime().date();
    }
    const QDate dataProc = Host().DataProc(parametros_.CdFilial);
    TMemTable& d = *cdsDias;
    TControlsDisabled quiet(d);
    d.EmptyDataSet();
    comensais_ = 0;
    const auto set = [&d](const char* name, const QVariant& value) {
        d.FieldByName(QString::fromLatin1(name)).SetValue(value);
    };
    for (const QDate& dia : dias) {
        const TPainelCusto p = Custo->Painel(dia, dataProc); // the work table on the day
        const double comensais = trab.FieldByName(QStringLiteral("QTCOMENSAIS")).AsFloat();
        comensais_ += comensais;
        d.Append();
        set("DTDATA", DataHora(dia));
        set("DSSEMANA", FormatDateTime(QStringLiteral("ddd"), dia));
        set("QTCOMENSAIS", comensais);
        set("QTPRATOS", pratos.value(dia));
        set("VRCUSTPRODMAT", p.MatPriCardPlan);
        set("VRCUSTOCONS", p.ConsCardPlan);
        set("VRCUSTORAT", p.CustIndDia);
        set("VRCUSTO", p.CustoCardPlan);
        set("VRPERCAPITA", p.PercDia);
        // A day nobody eats has no standard to meet: its balance would read as savings.
        set("VRPADRAO", comensais > 0 ? QVariant(p.PadrPerc) : QVariant());
        set("VRSALDO", comensais > 0 ? QVariant(p.SaldoPerc) : QVariant());
        set("VRCUSTOREAL", p.RealHabilitado ? QVariant(p.CustoCardReal) : QVariant());
        d.Post();
    }
    d.MergeChangeLog();
    totais_ = dias.isEmpty() ? TPainelCusto{} : Custo->Painel(dias.last(), dataProc);
    // What was really spent, up to the last day before the processing date.
    if (!dias.isEmpty() && dataProc.isValid() && dataProc > dias.first()) {
        const QDate real = std::min(dias.last(), dataProc.addDays(-1));
        totais_.TotalRAcum = Custo->Painel(real, dataProc).TotalRAcum;
    }
    d.First();
}

// Each dish type's dishes over the month: how many served, their portions and cost, the
// per capita over the month's diners and their share of the raw material.
void TAnaliseCusto::montaTipos() {
    struct TTipo {
        QString Nome;
        qint64 Ordem = 0;
        int Pratos = 0;
        double Porcoes = 0;
        double Custo = 0;
    };
    QMap<QString, TTipo> tipos;
    TMemTable& w = *cdsPratosTrab;
    for (w.First(); !w.Eof(); w.Next()) {
        const QString code = w.FieldByName(QStringLiteral("CDTIPOPRAT")).AsString();
        const qint64 ordem = w.FieldByName(QStringLiteral("NRORDCNFMES")).IsNull()
                                 ? 999
                                 : w.FieldByName(QStringLiteral("NRORDCNFMES")).AsInteger();
        TTipo& t = tipos[code];
        if (t.Pratos == 0 || ordem < t.Ordem) {
            t.Ordem = ordem;
        }
        t.Nome = w.FieldByName(QStringLiteral("NMTIPOPRAT")).AsString();
        ++t.Pratos;
        t.Porcoes += w.FieldByName(QStringLiteral("QTPORCAO")).AsFloat();
        t.Custo += w.FieldByName(QStringLiteral("VRCUSTOPRATO")).AsFloat();
    }
    QList<QPair<QString, TTipo>> ordem;
    for (auto it = tipos.cbegin(); it != tipos.cend(); ++it) {
        ordem.append({it.key(), it.value()});
    }
    std::stable_sort(ordem.begin(), ordem.end(), [](const auto& a, const auto& b) {
        return std::tie(a.second.Ordem, a.second.Nome) < std::tie(b.second.Ordem, b.second.Nome);
    });
    TMemTable& t = *cdsTipos;
    TControlsDisabled quiet(t);
    t.EmptyDataSet();
    for (const auto& [code, tipo] : ordem) {
        const double custo = RoundDec(tipo.Custo, 5);
        t.Append();
        t.FieldByName(QStringLiteral("CDTIPOPRAT")).SetAsString(code);
        t.FieldByName(QStringLiteral("NMTIPOPRAT")).SetAsString(tipo.Nome);
        t.FieldByName(QStringLiteral("QTPRATOS")).SetAsInteger(tipo.Pratos);
        t.FieldByName(QStringLiteral("QTPORCAO")).SetAsFloat(RoundDec(tipo.Porcoes, 5));
        t.FieldByName(QStringLiteral("VRCUSTO")).SetAsFloat(custo);
        t.FieldByName(QStringLiteral("VRPERCAPITA"))
            .SetAsFloat(TCustoDoMes::Percapita(custo, comensais_));
        t.FieldByName(QStringLiteral("VRPARTIC")).SetAsFloat(percentual(custo, totais_.MatPriMes));
        t.Post();
    }
    t.MergeChangeLog();
    t.First();
}

// The month's dishes, the costliest first, with the share of the raw material each takes
// and the share taken together with the costlier ones.
void TAnaliseCusto::montaPratos() {
    struct TPrato {
        QString Filial;
        QString Codigo;
        QString Nome;
        QString Tipo;
        QString Receita;
        QSet<QDate> Dias;
        double Porcoes = 0;
        double Custo = 0;
    };
    QMap<QString, TPrato> pratos;
    TMemTable& w = *cdsPratosTrab;
    for (w.First(); !w.Eof(); w.Next()) {
        const auto f = [&w](const char* name) -> TMemField& {
            return w.FieldByName(QString::fromLatin1(name));
        };
        TPrato& p = pratos[f("CDFILAUXPRAT").AsString() + f("CDPRATO").AsString()];
        p.Filial = f("CDFILAUXPRAT").AsString();
        p.Codigo = f("CDPRATO").AsString();
        p.Nome = f("NMPRATO").AsString();
        p.Tipo = f("NMTIPOPRAT").AsString();
        p.Receita = f("IDRECEREVI").AsString();
        p.Dias.insert(f("DTDATA").AsDateTime().date());
        p.Porcoes += f("QTPORCAO").AsFloat();
        p.Custo += f("VRCUSTOPRATO").AsFloat();
    }
    QList<TPrato> ordem = pratos.values();
    std::stable_sort(ordem.begin(), ordem.end(), [](const TPrato& a, const TPrato& b) {
        return a.Custo != b.Custo ? a.Custo > b.Custo : a.Nome < b.Nome;
    });
    TMemTable& t = *cdsPratos;
    TControlsDisabled quiet(t);
    t.EmptyDataSet();
    double acumulado = 0;
    for (const TPrato& p : ordem) {
        const double custo = RoundDec(p.Custo, 5);
        acumulado += custo;
        t.Append();
        t.FieldByName(QStringLiteral("CDFILAUXPRAT")).SetAsString(p.Filial);
        t.FieldByName(QStringLiteral("CDPRATO")).SetAsString(p.Codigo);
        t.FieldByName(QStringLiteral("NMPRATO")).SetAsString(p.Nome);
        t.FieldByName(QStringLiteral("NMTIPOPRAT")).SetAsString(p.Tipo);
        t.FieldByName(QStringLiteral("QTVEZES")).SetAsInteger(int(p.Dias.size()));
        t.FieldByName(QStringLiteral("QTPORCAO")).SetAsFloat(RoundDec(p.Porcoes, 5));
        t.FieldByName(QStringLiteral("VRCUSTOPORCAO"))
            .SetAsFloat(p.Porcoes != 0 ? RoundDec(custo / p.Porcoes, 5) : 0.0);
        t.FieldByName(QStringLiteral("VRCUSTO")).SetAsFloat(custo);
        t.FieldByName(QStringLiteral("VRPARTIC")).SetAsFloat(percentual(custo, totais_.MatPriMes));
        t.FieldByName(QStringLiteral("VRPARTICACUM"))
            .SetAsFloat(percentual(acumulado, totais_.MatPriMes));
        t.FieldByName(QStringLiteral("DSRECEITA")).SetAsString(receita(p.Receita));
        t.Post();
    }
    t.MergeChangeLog();
    t.First();
}

void TAnaliseCusto::MostraDia(const QDate& dia) {
    diaMostrado_ = dia;
    double comensais = 0;
    double materia = 0;
    if (cdsDias->Locate(QStringLiteral("DTDATA"), DataHora(dia))) {
        comensais = cdsDias->FieldByName(QStringLiteral("QTCOMENSAIS")).AsFloat();
        materia = cdsDias->FieldByName(QStringLiteral("VRCUSTPRODMAT")).AsFloat();
    }
    TMemTable& t = *cdsPratosDia;
    TControlsDisabled quiet(t);
    t.EmptyDataSet();
    TMemTable& w = *cdsPratosTrab;
    TBookmarkRestore back(w);
    for (w.First(); !w.Eof(); w.Next()) {
        if (w.FieldByName(QStringLiteral("DTDATA")).AsDateTime().date() != dia) {
            continue;
        }
        const double custo = w.FieldByName(QStringLiteral("VRCUSTOPRATO")).AsFloat();
        t.Append();
        for (const char* name : {"NMTIPOPRAT", "CDFILAUXPRAT", "CDPRATO", "NMPRATO", "QTPORCAO",
                                 "VRCUSTOPORCAO", "VRCUSTOPRATO"}) {
            t.FieldByName(QString::fromLatin1(name))
                .SetValue(w.FieldByName(QString::fromLatin1(name)).Value());
        }
        t.FieldByName(QStringLiteral("VRPERCAPITA"))
            .SetAsFloat(TCustoDoMes::Percapita(custo, comensais));
        t.FieldByName(QStringLiteral("VRPARTIC")).SetAsFloat(percentual(custo, materia));
        t.FieldByName(QStringLiteral("DSRECEITA"))
            .SetAsString(receita(w.FieldByName(QStringLiteral("IDRECEREVI")).AsString()));
        t.Post();
    }
    t.MergeChangeLog();
    t.First();
}

void TAnaliseCusto::Libera() {
    Custo->LiberaTrabalho();
    Custo->Desconecta();
}

// --- the screen ---------------------------------------------------------------------------

TfrmAnaliseCusto::TfrmAnaliseCusto(const QVariantList& params, QWidget* parent)
    : TfrmAnaliseCusto(QStringLiteral("PLA00106"), QStringLiteral("Análise de Custos do Cardápio"),
                       ParametrosAnalise(params), parent) {}

TfrmAnaliseCusto::TfrmAnaliseCusto(const QString& screenCode, const QString& caption,
                                   const std::pair<TParametrosCusto, QDate>& parametros,
                                   QWidget* parent)
    : TfrmRotiGeral(screenCode, caption, parent)
    , titulo_(caption) {
    setObjectName(QStringLiteral("frmAnaliseCusto"));
    msgPadrao.AddLines({QStringLiteral("CALCULANDO|Calculando os custos do mês..."),
                        QStringLiteral("PRATOS_DIA|Pratos de %s"),
                        QStringLiteral("SEM_PRATOS|Nenhum prato no dia."),
                        QStringLiteral("ERRO_PDF|Não foi possível gravar o PDF em %s.")});
    Analise = new TAnaliseCusto(parametros.first, parametros.second, this);
    monta();
    {
        TWaitAnimation wait(QApplication::activeWindow(), 6,
                            msgPadrao.Msg(QStringLiteral("CALCULANDO")));
        Analise->Calcula();
    }
    mostraTotais();
    resize(1100, 720);
}

TfrmAnaliseCusto::~TfrmAnaliseCusto() = default;

void TfrmAnaliseCusto::monta() {
    const TParametrosCusto& p = Analise->Parametros();
    sbtConfirma->hide(); // nothing to confirm: the analysis only shows
    sbtVisualizar =
        BotaoComTexto(panBotoes, "sbtVisualizar", QStringLiteral("Visualizar"),
                      QStringLiteral("Visualizar e imprimir a análise"), "document-print-preview");
    sbtSalvarPdf = BotaoComTexto(panBotoes, "sbtSalvarPdf", QStringLiteral("Salvar PDF"),
                                 QStringLiteral("Salvar a análise como PDF"), "document-save-as");
    sbtFechar = BotaoComTexto(panBotoes, "sbtFechar", QStringLiteral("Fechar"),
                              QStringLiteral("Fechar a análise"), "window-close");
    ButtonsLayout()->insertWidget(0, sbtVisualizar);
    ButtonsLayout()->insertWidget(1, sbtSalvarPdf);
    ButtonsLayout()->addWidget(sbtFechar);
    connect(sbtVisualizar, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtVisualizarClick(); }); });
    connect(sbtSalvarPdf, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtSalvarPdfClick(); }); });
    connect(sbtFechar, &QToolButton::clicked, this, [this] { close(); });

    auto* v = new QVBoxLayout(grbDadosRel);
    const QString nmFilial = nome(
        QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"), p.CdFilial);
    const QString nmServico =
        nome(QStringLiteral("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = :P_CDFILIAL AND "
                            "CDSERVFILI = :P_CDSERVFILI"),
             p.CdFilial, p.CdServico);
    lblCabecalho = new QLabel(grbDadosRel);
    lblCabecalho->setObjectName(QStringLiteral("lblCabecalho"));
    cabecalho_ = QStringLiteral("Filial %1 %2 · Serviço %3 %4 · %5")
                     .arg(p.CdFilial, nmFilial, p.CdServico, nmServico,
                          FormatDateTime(QStringLiteral("mmmm/yyyy"), Analise->Mes()));
    lblCabecalho->setText(QStringLiteral("<b>%1</b>").arg(cabecalho_.toHtmlEscaped()));
    v->addWidget(lblCabecalho);
    const QString referencia =
        p.ReferenciaFixa
            ? QStringLiteral("preços de %1")
                  .arg(FormatDateTime(QStringLiteral("dd/mm/yyyy"),
                                      p.DtRefeCusto.isValid() ? p.DtRefeCusto.date() : Hoje()))
            : QStringLiteral("preços da data de cada dia");
    const QString filialCusto = p.CdFiliCust.isEmpty() || p.CdFiliCust == p.CdFilial
                                    ? QString()
                                    : QStringLiteral(", da filial %1").arg(p.CdFiliCust);
    lblReferencia = new QLabel(grbDadosRel);
    lblReferencia->setObjectName(QStringLiteral("lblReferencia"));
    lblReferencia->setText(QStringLiteral("Custo planejado pelo tipo de custo %1 e realizado pelo "
                                          "tipo %2, a %3%4. Per capita com o custo indireto; "
                                          "saldo = padrão − custo (negativo em vermelho).")
                               .arg(p.TipoCustoPlanejado)
                               .arg(p.TipoCustoRealizado)
                               .arg(referencia, filialCusto));
    lblReferencia->setWordWrap(true);
    v->addWidget(lblReferencia);
    v->addWidget(criaTotais(grbDadosRel));

    pgcAnalise = new QTabWidget(grbDadosRel);
    pgcAnalise->setObjectName(QStringLiteral("pgcAnalise"));
    auto* porDia = new QSplitter(Qt::Vertical, pgcAnalise);
    porDia->setObjectName(QStringLiteral("tabDias"));
    dbgDias = grade(porDia, "dbgDias", Analise->cdsDias);
    dbgDias->setItemDelegate(new TNegativoVermelho({QStringLiteral("VRSALDO")}, dbgDias));
    dbgDias->setToolTip(QStringLiteral("Escolha um dia para ver os seus pratos abaixo"));
    auto* baixo = new QWidget(porDia);
    auto* bv = new QVBoxLayout(baixo);
    bv->setContentsMargins(0, 4, 0, 0);
    lblPratosDia = new QLabel(baixo);
    lblPratosDia->setObjectName(QStringLiteral("lblPratosDia"));
    bv->addWidget(lblPratosDia);
    dbgPratosDia = grade(baixo, "dbgPratosDia", Analise->cdsPratosDia);
    bv->addWidget(dbgPratosDia, 1);
    porDia->setStretchFactor(0, 3);
    porDia->setStretchFactor(1, 2);
    pgcAnalise->addTab(porDia, QStringLiteral("Por &Dia"));
    dbgTipos = grade(pgcAnalise, "dbgTipos", Analise->cdsTipos);
    pgcAnalise->addTab(dbgTipos, QStringLiteral("Por &Tipo de Prato"));
    dbgPratos = grade(pgcAnalise, "dbgPratos", Analise->cdsPratos);
    pgcAnalise->addTab(dbgPratos, QStringLiteral("&Pratos que Mais Pesam"));
    v->addWidget(pgcAnalise, 1);
    connect(Analise->cdsDias, &TMemTable::currentChanged, this,
            [this] { RunHandler([this] { diaEscolhido(); }); });
    connect(dbgDias, &QAbstractItemView::doubleClicked, this, [this] {
        if (!Analise->cdsPratosDia->IsEmpty()) {
            dbgPratosDia->setFocus();
        }
    });

    svdSalvarPdf = new QFileDialog(this, QStringLiteral("Salvar a análise em PDF"));
    svdSalvarPdf->setObjectName(QStringLiteral("svdSalvarPdf"));
    svdSalvarPdf->setAcceptMode(QFileDialog::AcceptSave);
    svdSalvarPdf->setNameFilter(QStringLiteral("Documento PDF (*.pdf)"));
    svdSalvarPdf->setDefaultSuffix(QStringLiteral("pdf"));
    svdSalvarPdf->setOption(QFileDialog::DontUseNativeDialog);
}

QWidget* TfrmAnaliseCusto::criaTotais(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Mês"), parent);
    box->setObjectName(QStringLiteral("grbMes"));
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(1);
    const std::tuple<const char*, TNumberEdit**, const char*> boxes[] = {
        {"Matéria-prima", &nedMatPriMes, "nedMatPriMes"},
        {"Consumo", &nedConsMes, "nedConsMes"},
        {"Custo Indireto", &nedCustIndTotMes, "nedCustIndTotMes"},
        {"Custo", &nedTotalMes, "nedTotalMes"},
        {"Padrão", &nedPadrMens, "nedPadrMens"},
        {"Saldo", &nedSaldoMes, "nedSaldoMes"},
        {"Comensais", &nedEstimados, "nedEstimados"},
        {"Per Capita Médio", &nedPuMedioTeor, "nedPuMedioTeor"},
        {"Padrão Per Capita", &nedPadrPerc, "nedPadrPerc"},
        {"Realizado", &nedTotalRAcum, "nedTotalRAcum"},
    };
    int at = 0;
    for (const auto& [label, edit, name] : boxes) {
        *edit = CampoValor(box, name);
        grid->addWidget(new QLabel(QString::fromUtf8(label), box), (at / 5) * 2, at % 5);
        grid->addWidget(*edit, (at / 5) * 2 + 1, at % 5);
        ++at;
    }
    nedEstimados->SetDecimals(3);
    nedTotalRAcum->setToolTip(
        QStringLiteral("Custo realizado até o dia anterior à data de processamento"));
    return box;
}

void TfrmAnaliseCusto::mostraTotais() {
    const TPainelCusto& m = Analise->Totais();
    const std::pair<TNumberEdit*, double> values[] = {
        {nedMatPriMes, m.MatPriMes},         {nedConsMes, m.ConsMes},
        {nedCustIndTotMes, m.CustIndTotMes}, {nedTotalMes, m.TotalMes},
        {nedPadrMens, m.PadrMens},           {nedSaldoMes, m.SaldoMes},
        {nedEstimados, m.Estimados},         {nedPuMedioTeor, m.PuMedioTeor},
        {nedPadrPerc, m.PadrPerc},           {nedTotalRAcum, m.TotalRAcum}};
    for (const auto& [edit, value] : values) {
        edit->SetValue(value);
    }
    QPalette p = nedSaldoMes->palette();
    p.setColor(QPalette::Text,
               m.SaldoMes < 0 ? QColor(190, 0, 0) : palette().color(QPalette::Text));
    nedSaldoMes->setPalette(p);
    diaEscolhido();
}

// The dishes of the day the cursor is on, below the days.
void TfrmAnaliseCusto::diaEscolhido() {
    TMemTable& d = *Analise->cdsDias;
    if (d.IsEmpty()) {
        return;
    }
    const QDate dia = d.FieldByName(QStringLiteral("DTDATA")).AsDateTime().date();
    if (dia != Analise->DiaMostrado()) {
        TBookmarkRestore back(d);
        Analise->MostraDia(dia);
    }
    lblPratosDia->setText(
        Analise->cdsPratosDia->IsEmpty()
            ? msgPadrao.Msg(QStringLiteral("SEM_PRATOS"))
            : msgPadrao.Fmt(QStringLiteral("PRATOS_DIA"),
                            {FormatDateTime(QStringLiteral("dddd, dd/mm/yyyy"), dia)}));
}

void TfrmAnaliseCusto::FormActivate(bool first) {
    if (!first) {
        return;
    }
    // The day the planner was on, with its dishes.
    if (Analise->cdsDias->Locate(QStringLiteral("DTDATA"), DataHora(Analise->Dia()))) {
        dbgDias->scrollTo(dbgDias->currentIndex());
    }
    diaEscolhido();
    dbgDias->setFocus();
}

} // namespace pla::packages
