#include "recipe_revision.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/table_scopes.h"
#include "host/busy_scopes.h"
#include "host/db_grid.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::packages {

using namespace pla::host;

namespace {

const QString Marcado = QStringLiteral("✓");

// PLA00122's values in PLA00106's order: the cost branch goes last.
QVariantList naOrdemDaAnalise(QVariantList params) {
    if (!params.isEmpty()) {
        params.append(params.takeFirst());
    }
    return params;
}

// The date the month's costs are compared from, and where it comes from.
std::pair<QDate, QString> dataComparacao(const TParametrosCusto& p) {
    const QDate mes = p.DtMesCard.date();
    auto net = Host().NewConnection(QStringLiteral("netBaseCusto"),
                                    QStringLiteral("Pla00120.rdmBaseCusto"));
    rpc::TConnectionCounter counter;
    TDataPacket packet;
    {
        rpc::TServerCallScope call(counter, *net);
        const rpc::TMethodSpec& metodo = rpc::metodos::GetBaseCusto();
        QList<rpc::TRpcArg> args = rpc::Argumentos(metodo, {p.CdFilial, DataHora(mes)});
        packet = rpc::PacoteServ(net->Call(metodo.Name, args));
    }
    const int at = packet.FieldIndex(QStringLiteral("DTBASRECCUS"));
    const QDate recalculo = at >= 0 && !packet.Rows.isEmpty()
                                ? packet.Rows.first().Values.value(at).toDateTime().date()
                                : QDate();
    if (recalculo.isValid()) {
        return {recalculo, QStringLiteral("data de referência para recálculo de custos")};
    }
    if (p.DtRefeCusto.isValid()) {
        return {p.DtRefeCusto.date(), QStringLiteral("data de referência dos custos")};
    }
    return {mes, QStringLiteral("primeiro dia do mês: não há data de referência para recálculo")};
}

} // namespace

TfrmRevisaoReceita::TfrmRevisaoReceita(const QVariantList& params, QWidget* parent)
    : TfrmAnaliseCusto(QStringLiteral("PLA00122"),
                       QStringLiteral("Análise de Custos com Revisão de Receita"),
                       ParametrosAnalise(naOrdemDaAnalise(params)), parent) {
    setObjectName(QStringLiteral("frmRevisaoReceita"));
    msgPadrao.AddLines(
        {QStringLiteral("NENHUM_MARCADO|Marque os pratos cujas receitas foram revisadas."),
         QStringLiteral("CONF_REVISAO|Confirma que as receitas destes %s prato(s) foram "
                        "revisadas?\n\n%s"),
         QStringLiteral("REVISADAS|%s receita(s) marcada(s) como revisada(s)."),
         QStringLiteral("COMPARACAO|Custos por porção do mês comparados com os de %s (%s).")});
    std::tie(comparacao_, origemComparacao_) = dataComparacao(Analise->Parametros());
    montaRevisao();
    carregaRevisao();
}

TfrmRevisaoReceita::~TfrmRevisaoReceita() = default;

void TfrmRevisaoReceita::montaRevisao() {
    cdsRevisao = new TMemTable(QStringLiteral("cdsRevisao"), this);
    // The mark as the planner sees it, before the server's fields.
    cdsRevisao->AddCalcField(QStringLiteral("MARCA"), TFieldType::String, 1)
        .SetDisplayLabel(Marcado);
    cdsRevisao->OnCalcFields = [](TCalcRow& row) {
        row.SetValue(QStringLiteral("MARCA"),
                     row.AsString(QStringLiteral("IDMARCADO")) == QLatin1String("S") ? Marcado
                                                                                     : QString());
    };
    auto* page = new QWidget(pgcAnalise);
    page->setObjectName(QStringLiteral("tabRevisao"));
    auto* v = new QVBoxLayout(page);
    lblComparacao = new QLabel(page);
    lblComparacao->setObjectName(QStringLiteral("lblComparacao"));
    lblComparacao->setWordWrap(true);
    lblComparacao->setText(msgPadrao.Fmt(
        QStringLiteral("COMPARACAO"),
        {FormatDateTime(QStringLiteral("dd/mm/yyyy"), comparacao_), origemComparacao_}));
    v->addWidget(lblComparacao);
    auto* row = new QHBoxLayout;
    chbPendentes =
        new QCheckBox(QStringLiteral("Somente os pratos cuja receita deve ser revisada"), page);
    chbPendentes->setObjectName(QStringLiteral("chbPendentes"));
    chbPendentes->setChecked(true);
    row->addWidget(chbPendentes, 1);
    const auto botao = [page](const char* name, const QString& text, const QString& hint) {
        auto* b = new QToolButton(page);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setToolTip(hint);
        return b;
    };
    sbtMarcarTodos = botao("sbtMarcarTodos", QStringLiteral("Marcar &todos"),
                           QStringLiteral("Marcar (ou desmarcar) todos os pratos mostrados"));
    sbtRevisar = botao("sbtRevisar", QStringLiteral("&Receitas revisadas"),
                       QStringLiteral("Registrar como revisadas as receitas dos pratos marcados"));
    row->addWidget(sbtMarcarTodos);
    row->addWidget(sbtRevisar);
    v->addLayout(row);
    dbgRevisao = new TDBGrid(page);
    dbgRevisao->setObjectName(QStringLiteral("dbgRevisao"));
    dbgRevisao->SetReadOnly(true);
    dbgRevisao->SetDataSet(cdsRevisao);
    dbgRevisao->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgRevisao->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgRevisao->verticalHeader()->hide();
    dbgRevisao->setToolTip(QStringLiteral("Clique na primeira coluna, ou tecle Espaço, para "
                                          "marcar o prato"));
    dbgRevisao->installEventFilter(this);
    v->addWidget(dbgRevisao, 1);
    pgcAnalise->insertTab(0, page, QStringLiteral("&Revisão de Receitas"));
    pgcAnalise->setCurrentIndex(0);

    connect(chbPendentes, &QCheckBox::toggled, this, [this] { RunHandler([this] { filtra(); }); });
    connect(sbtMarcarTodos, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtMarcarTodosClick(); }); });
    connect(sbtRevisar, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtRevisarClick(); }); });
    connect(dbgRevisao, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == 0) {
            RunHandler([this, index] { Marca(index.row()); });
        }
    });
    cdsRevisao->SetFilter(
        [this](const TMemRow& r) { return r.AsString(QStringLiteral("IDPENDENTE")) == "S"; });
}

// The server's dishes with a mark of the screen's own, those to revise first.
void TfrmRevisaoReceita::carregaRevisao() {
    TDataPacket p;
    {
        THourglass busy;
        p = rpc::PacoteServ(
            Analise->Custo->chama(rpc::metodos::GetRevisaoReceita(),
                                  {Analise->Custo->ChaveTrabCusto, Analise->Parametros().CdFilial,
                                   DataHora(comparacao_)}));
    }
    p.Fields.prepend({"IDMARCADO", TFieldType::String, 1, false});
    const int receita = p.FieldIndex(QStringLiteral("IDRECEREVI"));
    p.Fields.insert(receita, {"DSRECEITA", TFieldType::String, 3, false});
    for (TPacketRow& r : p.Rows) {
        r.Values.prepend(QStringLiteral("N"));
        r.Values.insert(receita, r.Values[receita].toString() == QLatin1String("S")
                                     ? QStringLiteral("Sim")
                                     : QStringLiteral("Não"));
    }
    const int pendente = p.FieldIndex(QStringLiteral("IDPENDENTE"));
    std::stable_sort(p.Rows.begin(), p.Rows.end(), [pendente](const auto& a, const auto& b) {
        return a.Values[pendente].toString() > b.Values[pendente].toString();
    });
    TMemTable& t = *cdsRevisao;
    {
        TControlsDisabled quiet(t);
        t.SetData(p);
        t.MergeChangeLog();
        const std::tuple<const char*, const char*, const char*> shown[] = {
            {"MARCA", "✓", ""},
            {"CDPRATO", "Código", ""},
            {"NMPRATO", "Prato", ""},
            {"NMTIPOPRAT", "Tipo de Prato", ""},
            {"DSRECEITA", "Receita Revisada", ""},
            {"QTVEZES", "Dias", "#,##0"},
            {"VRCUSTOREF", "Custo por Porção na Comparação", "#,##0.00000"},
            {"VRCUSTOMES", "Custo por Porção no Mês", "#,##0.00000"},
            {"VRVARIACAO", "Variação %", "#,##0.00"},
            {"VRCUSTOPRATO", "Custo no Mês", "#,##0.00"},
            {"NMOPERREVI", "Última Revisão por", ""},
            {"DTREVISAO", "em", "dd/mm/yyyy hh:nn"}};
        for (int i = 0; i < t.FieldCount(); ++i) {
            t.Fields(i).SetVisible(false);
        }
        for (const auto& [name, label, format] : shown) {
            TMemField& f = t.FieldByName(QString::fromLatin1(name));
            f.SetVisible(true);
            f.SetDisplayLabel(QString::fromUtf8(label));
            f.SetDisplayFormat(QString::fromLatin1(format));
        }
    }
    filtra();
    dbgRevisao->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
}

void TfrmRevisaoReceita::filtra() {
    cdsRevisao->SetFiltered(chbPendentes->isChecked());
    cdsRevisao->First();
}

QStringList TfrmRevisaoReceita::Marcados() {
    QStringList out;
    TMemTable& t = *cdsRevisao;
    // Every marked dish, also one the filter hides now.
    TFilterSuspended all(t);
    TBookmarkRestore back(t);
    for (t.First(); !t.Eof(); t.Next()) {
        if (t.FieldByName(QStringLiteral("IDMARCADO")).AsString() == QLatin1String("S")) {
            out << t.FieldByName(QStringLiteral("CDFILAUXPRAT")).AsString() +
                       t.FieldByName(QStringLiteral("CDPRATO")).AsString();
        }
    }
    return out;
}

void TfrmRevisaoReceita::Marca(int viewRow) {
    TMemTable& t = *cdsRevisao;
    if (viewRow < 0 || viewRow >= t.ViewRowCount()) {
        return;
    }
    t.MoveToViewRow(viewRow);
    TMemField& f = t.FieldByName(QStringLiteral("IDMARCADO"));
    t.Edit();
    f.SetAsString(f.AsString() == QLatin1String("S") ? QStringLiteral("N") : QStringLiteral("S"));
    t.Post();
    t.MergeChangeLog();
}

void TfrmRevisaoReceita::sbtMarcarTodosClick() {
    TMemTable& t = *cdsRevisao;
    bool todos = !t.IsEmpty();
    for (t.First(); !t.Eof(); t.Next()) {
        todos = todos && t.FieldByName(QStringLiteral("IDMARCADO")).AsString() == "S";
    }
    TControlsDisabled quiet(t);
    for (t.First(); !t.Eof(); t.Next()) {
        t.Edit();
        t.FieldByName(QStringLiteral("IDMARCADO"))
            .SetAsString(todos ? QStringLiteral("N") : QStringLiteral("S"));
        t.Post();
    }
    t.MergeChangeLog();
    t.First();
}

void TfrmRevisaoReceita::sbtRevisarClick() {
    TMemTable& t = *cdsRevisao;
    TDataPacket pratos;
    pratos.Fields = {{"CDFILAUXPRAT", TFieldType::String, 4, false},
                     {"CDPRATO", TFieldType::String, 10, false}};
    QStringList nomes;
    TFilterSuspended all(t);
    for (const QString& prato : Marcados()) {
        TPacketRow r;
        r.Values = {prato.left(4), prato.mid(4)};
        pratos.Rows.append(r);
        nomes << QStringLiteral("- ") + t.Lookup(QStringLiteral("CDFILAUXPRAT;CDPRATO"),
                                                 {prato.left(4), prato.mid(4)},
                                                 QStringLiteral("NMPRATO"))
                                            .toString();
    }
    if (pratos.Rows.isEmpty()) {
        MensErro(msgPadrao.Msg(QStringLiteral("NENHUM_MARCADO")), true);
    }
    if (TDialogPresenter::Current().Message(
            msgPadrao.Fmt(QStringLiteral("CONF_REVISAO"),
                          {QString::number(pratos.Rows.size()), nomes.join(QLatin1Char('\n'))}),
            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return;
    }
    const TParametrosCusto& p = Analise->Parametros();
    int marcadas = 0;
    {
        TWaitAnimation wait(this, 6, QStringLiteral("Registrando as receitas revisadas..."));
        marcadas = int(
            rpc::CheckResultServ(Analise->Custo->chama(rpc::metodos::SetReceitaRevisada(),
                                                       {p.CdFilial, p.CdServico, p.DtMesCard,
                                                        FromDataPacket(pratos), Host().Operador}))
                .toLongLong());
        revisadas_ += marcadas;
        // The recipes' flags as they are now, everywhere the analysis shows them.
        Analise->RecarregaPratos();
        carregaRevisao();
    }
    mostraTotais();
    TDialogPresenter::Current().Message(
        msgPadrao.Fmt(QStringLiteral("REVISADAS"), {QString::number(marcadas)}),
        TMsgDlgType::Information, mbOK);
}

bool TfrmRevisaoReceita::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgRevisao && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        RunHandler([this] { Marca(dbgRevisao->currentIndex().row()); });
        return true;
    }
    return TfrmAnaliseCusto::eventFilter(watched, event);
}

QString TfrmRevisaoReceita::relatorioExtra() const {
    QString html = QStringLiteral("<h3>Receitas a revisar</h3><p>%1</p>")
                       .arg(lblComparacao->text().toHtmlEscaped());
    html += QStringLiteral("<table border='1' cellspacing='0' cellpadding='2' width='100%'><tr>"
                           "<th>Prato</th><th>Tipo</th><th>Receita</th><th>Na comparação</th>"
                           "<th>No mês</th><th>Variação %</th></tr>");
    const TMemTable& t = *cdsRevisao;
    const auto col = [&t](const char* name) {
        return t.FieldByName(QString::fromLatin1(name)).Index();
    };
    for (int row = 0; row < t.ViewRowCount(); ++row) {
        if (t.ViewValue(row, col("IDPENDENTE")).toString() != QLatin1String("S")) {
            continue;
        }
        const auto text = [&t, row, &col](const char* name) {
            const TMemField& f = t.FieldByName(QString::fromLatin1(name));
            return TMemField::FormatValue(t.ViewValue(row, col(name)), f.DataType(),
                                          f.DisplayFormat())
                .toHtmlEscaped();
        };
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td align='right'>%4</td>"
                               "<td align='right'>%5</td><td align='right'>%6</td></tr>")
                    .arg(text("NMPRATO"), text("NMTIPOPRAT"),
                         t.ViewValue(row, col("IDRECEREVI")).toString() == QLatin1String("S")
                             ? QStringLiteral("Revisada")
                             : QStringLiteral("Não revisada"),
                         text("VRCUSTOREF"), text("VRCUSTOMES"), text("VRVARIACAO"));
    }
    return html + QStringLiteral("</table>");
}

} // namespace pla::packages
