// The cost analysis on paper: the month, the days with a menu, the dish types and the
// dishes that weigh most, laid out on the host's page (the page set-up of every
// printout), previewed, printed or saved as PDF.
#include "cost_analysis.h"

#include "core/dates.h"
#include "core/format_float.h"
#include "host/busy_scopes.h"
#include "host/host_messages.h"
#include "host/modal_runner.h"
#include "host/page_setup.h"

#include <QFileDialog>
#include <QLabel>
#include <QPrinter>
#include <QTextDocument>
#include <functional>

namespace pla::packages {

using namespace pla::host;

namespace {

// The dishes the printout lists, the costliest first.
constexpr int PratosImpressos = 20;

QString numero(double v) {
    return FormatFloat(QStringLiteral("#,##0.00000"), v);
}

// The visible fields of a table as an HTML table, its rows as the grid shows them (the
// cursor is not moved); `linha` chooses the rows, at most `limite` of them.
QString tabelaHtml(const TMemTable& t, const std::function<bool(int row)>& linha = {},
                   int limite = -1) {
    QList<const TMemField*> campos;
    for (int i = 0; i < t.FieldCount(); ++i) {
        if (t.Fields(i).Visible()) {
            campos << &t.Fields(i);
        }
    }
    QString html = QStringLiteral("<table border='1' cellspacing='0' cellpadding='2' "
                                  "width='100%'><tr>");
    for (const TMemField* f : campos) {
        html +=
            QStringLiteral("<th bgcolor='#e8e8e8'>%1</th>").arg(f->DisplayLabel().toHtmlEscaped());
    }
    html += QStringLiteral("</tr>");
    int shown = 0;
    for (int row = 0; row < t.ViewRowCount() && (limite < 0 || shown < limite); ++row) {
        if (linha && !linha(row)) {
            continue;
        }
        ++shown;
        html += QStringLiteral("<tr>");
        for (const TMemField* f : campos) {
            const QVariant v = t.ViewValue(row, f->Index());
            const bool number = IsNumericType(f->DataType());
            const bool negative = f->FieldName() == QLatin1String("VRSALDO") && v.toDouble() < 0;
            html += QStringLiteral("<td align='%1'%2>%3</td>")
                        .arg(number ? QStringLiteral("right") : QStringLiteral("left"),
                             negative ? QStringLiteral(" style='color:#be0000'") : QString(),
                             TMemField::FormatValue(v, f->DataType(), f->DisplayFormat())
                                 .toHtmlEscaped());
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

} // namespace

QString TfrmAnaliseCusto::Relatorio() const {
    const TPainelCusto& m = Analise->Totais();
    QString html = QStringLiteral("<html><body><h2>%1</h2><p><b>%2</b><br>%3<br>Impresso em %4</p>")
                       .arg(titulo_.toHtmlEscaped(), cabecalho_.toHtmlEscaped(),
                            lblReferencia->text().toHtmlEscaped(),
                            FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), Agora()));
    const std::pair<const char*, double> mes[] = {
        {"Matéria-prima", m.MatPriMes},      {"Consumo", m.ConsMes},
        {"Custo indireto", m.CustIndTotMes}, {"Custo (sem o indireto)", m.TotalMes},
        {"Padrão do mês", m.PadrMens},       {"Saldo", m.SaldoMes},
        {"Comensais", m.Estimados},          {"Per capita médio", m.PuMedioTeor},
        {"Padrão per capita", m.PadrPerc},   {"Realizado", m.TotalRAcum}};
    html += QStringLiteral("<h3>Mês</h3><table cellspacing='0' cellpadding='2'>");
    for (int i = 0; i < 10; i += 2) {
        html += QStringLiteral("<tr><td>%1</td><td align='right'>%2</td><td width='30'></td>"
                               "<td>%3</td><td align='right'>%4</td></tr>")
                    .arg(QString::fromUtf8(mes[i].first), numero(mes[i].second),
                         QString::fromUtf8(mes[i + 1].first), numero(mes[i + 1].second));
    }
    html += QStringLiteral("</table>");
    const TMemTable& dias = *Analise->cdsDias;
    const int comensais = dias.FieldByName(QStringLiteral("QTCOMENSAIS")).Index();
    const int custo = dias.FieldByName(QStringLiteral("VRCUSTO")).Index();
    html += QStringLiteral("<h3>Dias com cardápio</h3>") +
            tabelaHtml(dias, [&dias, comensais, custo](int row) {
                return dias.ViewValue(row, comensais).toDouble() != 0 ||
                       dias.ViewValue(row, custo).toDouble() != 0;
            });
    html += QStringLiteral("<h3>Por tipo de prato</h3>") + tabelaHtml(*Analise->cdsTipos);
    html += QStringLiteral("<h3>Os %1 pratos que mais pesam no custo do mês</h3>")
                .arg(PratosImpressos) +
            tabelaHtml(*Analise->cdsPratos, {}, PratosImpressos);
    return html + relatorioExtra() + QStringLiteral("</body></html>");
}

void TfrmAnaliseCusto::Imprime(QPagedPaintDevice& device) const {
    QTextDocument doc;
    QFont f = font();
    f.setPointSizeF(8);
    doc.setDefaultFont(f);
    doc.setHtml(Relatorio());
    doc.print(&device);
}

void TfrmAnaliseCusto::SalvaPdf(const QString& fileName) const {
    GravaPdf(fileName, titulo_, [this](QPagedPaintDevice& device) { Imprime(device); });
}

void TfrmAnaliseCusto::sbtVisualizarClick() {
    VisualizaImpressao(this, titulo_, [this](QPrinter& p) { Imprime(p); });
}

void TfrmAnaliseCusto::sbtSalvarPdfClick() {
    svdSalvarPdf->selectFile(ScreenCode() + QLatin1Char('-') +
                             FormatDateTime(QStringLiteral("yyyy-mm"), Analise->Mes()) +
                             QStringLiteral(".pdf"));
    if (TModalRunner::Run(*svdSalvarPdf) != QDialog::Accepted ||
        svdSalvarPdf->selectedFiles().isEmpty()) {
        return;
    }
    const QString file = svdSalvarPdf->selectedFiles().first();
    SalvaPdf(file);
    if (!QFileInfo::exists(file)) {
        MensErro(msgPadrao.Fmt(QStringLiteral("ERRO_PDF"), {file}), true);
    }
}

} // namespace pla::packages
