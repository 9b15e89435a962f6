#include "core/format_settings.h"
#include "host/dialog_presenter.h"
#include "host/mask_edit.h"
#include "host/radio_group.h"
#include "module/dialogs/proc_prato.h"
#include "module/dialogs/visua.h"
#include "module/monthly_menu/grid/day_colours.h"
#include "module/monthly_menu/grid/dish_lines.h"
#include "module/monthly_menu/grid/menu_pivot.h"
#include "qt_print.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::module;

namespace {

const QString Total = QStringLiteral(" Comensais");

TEST(DishLines, LinesSplitIntoTheirParts) {
    const TDishLine l =
        TDishLine::Parse("05010"
                         "01ARROZ BRANCO%%0000000012%%NARROZ SOLTINHO||812,5??0002");
    EXPECT_EQ(l.Day, "05");
    EXPECT_EQ(l.Type, "01001ARROZ BRANCO");
    EXPECT_EQ(l.Key(), "0501001ARROZ BRANCO");
    EXPECT_EQ(l.Code, "0000000012");
    EXPECT_EQ(l.Name, "NARROZ SOLTINHO");
    EXPECT_EQ(l.Mark(), QChar('N'));
    EXPECT_EQ(l.Dish(), "ARROZ SOLTINHO");
    EXPECT_EQ(l.Quantity, "812,5");
    EXPECT_EQ(l.Branch, "0002");
    EXPECT_EQ(l.Text(), "0501001ARROZ BRANCO%%0000000012%%NARROZ SOLTINHO||812,5??0002");

    const TDishLine total = TDishLine::Parse("05" + Total + "%%%%||830??");
    EXPECT_EQ(total.Type, Total);
    EXPECT_TRUE(total.Code.isEmpty() && total.Name.isEmpty() && total.Branch.isEmpty());
    EXPECT_EQ(total.Quantity, "830");
}

TEST(DishLines, SortedLookupsWithSharedKeys) {
    TDishLines lines;
    QString error;
    lines.SetText("06040"
                  "04SALADA%%22%%NALFACE||10??0002\n"
                  "05" +
                      Total +
                      "%%%%||830??\n"
                      "05040"
                      "04SALADA%%21%%NTOMATE||100??0002\n"
                      "05040"
                      "04SALADA%%20%%NPEPINO||100??0002\n"
                      "06" +
                      Total +
                      "%%%%||0??\n"
                      "&Erro ao montar a lista",
                  &error);
    EXPECT_EQ(error, "Erro ao montar a lista");
    ASSERT_EQ(lines.Count(), 5);
    EXPECT_TRUE(lines.Lines()[0].startsWith("05" + Total)) << "the total line first in its day";

    // Two dishes of one type and day share the key; the first is found.
    const QString key = "0504004SALADA";
    EXPECT_EQ(lines.All(key).size(), 2);
    EXPECT_EQ(lines.Lookup(key)->Code, "20");
    EXPECT_FALSE(lines.Lookup("0704004SALADA").has_value());
    EXPECT_EQ(lines.Lookup("06" + Total)->Quantity, "0")
        << "a day without dishes keeps its total line";

    // Putting a line replaces the first under its key; adding keeps the order.
    lines.Put(TDishLine{"06", "04004SALADA", "23", "SRUCULA", "12,5", "0002"});
    EXPECT_EQ(lines.All("0604004SALADA").size(), 1);
    EXPECT_EQ(lines.Lookup("0604004SALADA")->Name, "SRUCULA");
    lines.Add(TDishLine{"01", "04004SALADA", "24", "NAGRIAO", "1", "0002"});
    EXPECT_TRUE(lines.Lines()[0].startsWith("01"));
    QStringList sorted = lines.Lines();
    sorted.sort();
    EXPECT_EQ(lines.Lines(), sorted);
}

TEST(DishLines, QuantitiesByMontage) {
    TFormatSettingsScope ptBr(TFormatSettings::PtBr());
    EXPECT_EQ(QuantityText(812.3456, 0), "812,346");
    EXPECT_EQ(QuantityText(812, 0), "812");
    EXPECT_EQ(QuantityText(12.5, 1), "12,5");
    EXPECT_EQ(QuantityText(33.333, 1), "33,33");
    EXPECT_DOUBLE_EQ(QuantityValue("12,5"), 12.5);
    EXPECT_DOUBLE_EQ(QuantityValue("12.5"), 12.5) << "the server writes a point";
    EXPECT_DOUBLE_EQ(QuantityValue(""), 0.0);
    EXPECT_EQ(DayKey(QDate(2026, 12, 5)), "05");
}

TEST(MenuPivot, ThreeViewsOfTheSameMonth) {
    TMenuPivot p;
    const QDate d1(2026, 12, 1), d2(2026, 12, 2);
    p.SetData({d2, d1, d1, d2}, {"04004SALADA", "01001ARROZ", "04004SALADA"}, Total);
    EXPECT_EQ(p.Days(), (QList<QDate>{d1, d2}));
    EXPECT_EQ(p.Types(), (QStringList{"01001ARROZ", "04004SALADA", Total})) << "total last";

    EXPECT_EQ(p.View(), 2) << "days down, types across by default";
    EXPECT_EQ(p.RowCount(), 2);
    EXPECT_EQ(p.ColumnCount(), 3);
    EXPECT_EQ(p.RowHeader(1).Day, d2);
    EXPECT_EQ(p.ColumnHeader(2).Kind, TCellKind::TotalCaption);
    EXPECT_EQ(p.Cell(0, 2).Kind, TCellKind::Total);
    EXPECT_EQ(p.Cell(1, 1).Type, "04004SALADA");
    EXPECT_EQ(p.Position(d2, "01001ARROZ"), std::make_pair(1, 0));

    p.SetView(1);
    EXPECT_EQ(p.RowCount(), 3);
    EXPECT_EQ(p.ColumnCount(), 2);
    EXPECT_EQ(p.RowHeader(0).Kind, TCellKind::TypeHeader);
    EXPECT_EQ(p.ColumnHeader(1).Day, d2);
    EXPECT_EQ(p.Cell(2, 0).Kind, TCellKind::Total);
    EXPECT_EQ(p.Position(d2, "01001ARROZ"), std::make_pair(0, 1));

    p.SetView(0);
    EXPECT_EQ(p.RowCount(), 6) << "day outermost, its types and total";
    EXPECT_EQ(p.ColumnCount(), 1);
    EXPECT_EQ(p.RowHeader(4).Day, d2);
    EXPECT_EQ(p.RowHeader(4).Type, "04004SALADA");
    EXPECT_EQ(p.Cell(5, 0).Kind, TCellKind::Total);
    EXPECT_EQ(p.Position(d2, "01001ARROZ"), std::make_pair(3, 0));
    EXPECT_EQ(p.Position(QDate(2026, 12, 9), "01001ARROZ"), std::make_pair(-1, -1))
        << "a day without rows is not shown";
}

TEST(DayColours, BlockedDaysHolidaysAndOptions) {
    const QDate month(2026, 12, 1);
    const QStringList blocked = CoresBloqueio(month, QDate(2026, 12, 5), 2, "12632256");
    ASSERT_EQ(blocked.size(), 32);
    EXPECT_EQ(blocked[0], "0");
    EXPECT_EQ(blocked[6], "12632256") << "before the 7th";
    EXPECT_EQ(blocked[7], "  ");
    EXPECT_TRUE(CardBlock(QDate(2026, 12, 6), QDate(2026, 12, 5), 2));
    EXPECT_FALSE(CardBlock(QDate(2026, 12, 7), QDate(2026, 12, 5), 2));

    const QStringList holidays = CoresFeriado(month, {QDate(2026, 12, 25)}, "13434828");
    EXPECT_EQ(holidays[25], "13434828");
    EXPECT_EQ(holidays[24], "  ");

    const QStringList options{"040%S", "120%S"};
    EXPECT_TRUE(CheckOpcao(options, "040"));
    EXPECT_TRUE(CheckOpcao(options, "04004SALADA"));
    EXPECT_FALSE(CheckOpcao(options, "010"));
}

TEST(ViewDialog, PreviewFollowsTheChoiceAndKeysClose) {
    TfrmVisua dialog;
    EXPECT_EQ(dialog.windowTitle(), "Visualização do Cardápio");
    EXPECT_EQ(dialog.size(), QSize(364, 224));
    dialog.SetView(2);
    EXPECT_TRUE(dialog.panTipo3->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.panTipo1->isVisibleTo(&dialog));
    dialog.ComboBox1->setCurrentIndex(1);
    EXPECT_TRUE(dialog.panTipo2->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.panTipo3->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.View(), 1);

    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The dish search over a list of cells, confirmed as the planner confirms it.
class DishSearch : public ::testing::Test {
protected:
    DishSearch()
        : presenterScope_(presenter_)
        , dialog_({"0#0%ARROZ INTEGRAL", "0#1% ", "1#0%FEIJAO COM ARROZ", "1#1%ARROZ"},
                  [this](int c, int r) { visited_ << QString("%1,%2").arg(c).arg(r); }) {}

    void find(const QString& text, int type) {
        dialog_.medConteudo->setText(text);
        dialog_.rdgTipo->Button(type)->click();
        visited_.clear();
    }
    void confirm(int times = 1) {
        for (int i = 0; i < times; ++i) {
            dialog_.sbtConfirma->click();
        }
    }

    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
    TfrmProcPrato dialog_;
    QStringList visited_;
};

TEST_F(DishSearch, MatchTypesAndWrapping) {
    EXPECT_EQ(dialog_.windowTitle(), "Procurar");
    EXPECT_FALSE(dialog_.sbtConfirma->isEnabled()) << "nothing typed";
    find("ARROZ", 1); // prefix
    confirm(3);
    EXPECT_EQ(visited_, (QStringList{"0,0", "1,1", "0,0"})) << "after the last, the first again";
    find("ARROZ", 2); // part
    confirm(3);
    EXPECT_EQ(visited_, (QStringList{"0,0", "1,0", "1,1"}));
    find("  ARROZ ", 0); // identical, trimmed
    confirm();
    EXPECT_EQ(visited_, QStringList{"1,1"});
    EXPECT_TRUE(presenter_.Shown().isEmpty());
    find("PUDIM", 0);
    confirm();
    EXPECT_EQ(presenter_.LastText(), "Texto idêntico não encontrado.");
    find("PUDIM", 2);
    confirm();
    EXPECT_EQ(presenter_.LastText(), "Texto não encontrado como parte do campo.");
    // Typed in capitals.
    dialog_.medConteudo->clear();
    QTest::keyClicks(dialog_.medConteudo, "arroz");
    EXPECT_EQ(dialog_.medConteudo->text(), "ARROZ");
}

} // namespace
