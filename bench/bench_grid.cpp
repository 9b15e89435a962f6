// Measures the monthly grid at its largest: 31 days and 40 dish positions. Building the
// grid from the loaded dish lines (sorting them, the pivot of days and types), and
// painting the whole grid once, every cell's text, colours and font asked of the
// handler as the screen answers it (a lookup in the sorted lines and its formatting).
#include "core/format_float.h"
#include "module/monthly_menu/grid/dish_lines.h"
#include "module/monthly_menu/grid/menu_cell_delegate.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/grid/menu_pivot.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <benchmark/benchmark.h>

using namespace pla;
using namespace pla::module;

namespace {

const QString Total = QStringLiteral(" Comensais");
constexpr int Days = 31;
constexpr int Positions = 40;

struct TMonth {
    QList<QDate> DayRows;
    QStringList TypeRows;
    QString Lines;
};

TMonth month() {
    TMonth m;
    QStringList lines;
    for (int d = 1; d <= Days; ++d) {
        const QDate day(2026, 12, d);
        for (int p = 1; p <= Positions; ++p) {
            const QString type = QStringLiteral("%1%2TIPO DE PRATO %3")
                                     .arg(p * 10, 3, 10, QLatin1Char('0'))
                                     .arg(p % 15 + 1, 2, 10, QLatin1Char('0'))
                                     .arg(p);
            m.DayRows << day;
            m.TypeRows << type;
            lines << TDishLine{DayKey(day),
                               type,
                               QString::number(1000 + p),
                               QStringLiteral("NPRATO DO DIA %1 NA POSIÇÃO %2").arg(d).arg(p),
                               QStringLiteral("812.5"),
                               QStringLiteral("0002")}
                         .Text();
        }
        lines << TDishLine{DayKey(day), Total, {}, {}, QStringLiteral("830"), {}}.Text();
    }
    m.Lines = lines.join(QLatin1Char('\n'));
    return m;
}

void drawCell(const TDishLines& lines, const TPivotCell& cell, TDrawCell& draw) {
    if (cell.Kind == TCellKind::Data || cell.Kind == TCellKind::Total) {
        if (const auto l = lines.Lookup(DayKey(cell.Day) + cell.Type)) {
            draw.Text = QLatin1Char(' ') +
                        FormatFloat(QStringLiteral("#,##0.###"), QuantityValue(l->Quantity)) +
                        QStringLiteral("  ") + l->Dish();
            if (l->Mark() == QLatin1Char('R')) {
                draw.Background = QColor(255, 255, 0);
            }
        }
    } else if (cell.Kind == TCellKind::TypeHeader) {
        draw.Text = cell.Type.mid(5);
    }
}

void BM_BuildGrid(benchmark::State& state) {
    const TMonth m = month();
    for (auto _ : state) {
        TDishLines lines;
        lines.SetText(m.Lines);
        TMenuPivot pivot;
        pivot.SetData(m.DayRows, m.TypeRows, Total);
        benchmark::DoNotOptimize(pivot.RowCount() * lines.Count());
    }
}
BENCHMARK(BM_BuildGrid)->Unit(benchmark::kMillisecond);

void BM_PaintWholeGrid(benchmark::State& state) {
    const TMonth m = month();
    TDishLines lines;
    lines.SetText(m.Lines);
    TMenuPivot pivot;
    pivot.SetData(m.DayRows, m.TypeRows, Total);
    TMenuGridModel model;
    model.SetPivot(pivot);
    model.SetDrawHandler(
        [&lines](const TPivotCell& cell, TDrawCell& draw) { drawCell(lines, cell, draw); });
    QTableView view;
    view.setModel(&model);
    view.setWordWrap(false);
    view.setItemDelegate(new TMenuCellDelegate(&view)); // as the screen paints it
    view.horizontalHeader()->setDefaultSectionSize(140);
    view.verticalHeader()->setDefaultSectionSize(18);
    // Big enough to show every cell at once.
    view.resize(150 + 140 * (Positions + 2), 40 + 18 * (Days + 2));
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    const bool afterChange = state.range(0) != 0;
    for (auto _ : state) {
        if (afterChange) {
            model.Refresh(); // every cell asks the handler again
        }
        view.render(&image);
        benchmark::ClobberMemory();
    }
    state.counters["cells"] = double(Days * (Positions + 1));
}
// 1: after a change (every cell drawn by the handler); 0: a repaint (scrolling).
BENCHMARK(BM_PaintWholeGrid)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
