#include "core/format_settings.h"
#include "host/db_grid.h"
#include "qt_print.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

std::unique_ptr<TMemTable> services() {
    auto t = std::make_unique<TMemTable>("cdsServicos");
    t->AddField("CDSERVFILI", TFieldType::FixedString, 5, true).SetDisplayLabel("Serviço(Código)");
    t->AddField("NMSERVICO", TFieldType::String, 40, true).SetDisplayLabel("Serviço(Nome)");
    t->CreateDataSet();
    for (const auto& [code, name] : {std::pair{"00001", "Almoço"}, std::pair{"00002", "Jantar"},
                                     std::pair{"00003", "Café da manhã"}}) {
        t->Append();
        t->FieldByName("CDSERVFILI").SetAsString(code);
        t->FieldByName("NMSERVICO").SetAsString(name);
        t->Post();
    }
    t->First();
    return t;
}

TEST(DBGrid, FollowsTheCursorBothWays) {
    TFormatSettingsScope locale(TFormatSettings::PtBr());
    auto t = services();
    TDBGrid grid;
    grid.SetDataSet(t.get());
    grid.resize(500, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    EXPECT_EQ(grid.currentIndex().row(), 0);
    t->Last();
    EXPECT_EQ(grid.currentIndex().row(), 2) << "the grid follows the table";
    grid.setFocus();
    QTest::keyClick(grid.viewport(), Qt::Key_Up);
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(t->RecNo(), grid.currentIndex().row() + 1) << "the table follows the grid";
    EXPECT_LT(t->RecNo(), 3);
    // After rows change (a filter), the grid stays on the cursor.
    t->SetFilter([](const TMemRow& r) { return r.AsString("NMSERVICO") != "Almoço"; });
    t->SetFiltered(true);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(grid.currentIndex().row(), t->RecNo() - 1);
}

TEST(DBGrid, AMoveThatCannotPostIsRefusedWithItsReason) {
    auto t = services();
    TDBGrid grid;
    grid.SetDataSet(t.get());
    grid.show();
    QSignalSpy errors(&grid, &TDBGrid::gridError);
    t->SetRecNo(2);
    t->Edit();
    t->FieldByName("NMSERVICO").Clear(); // required: the pending edit cannot post
    grid.setCurrentIndex(grid.model()->index(0, 0));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "O campo 'Serviço(Nome)' deve ser informado.");
    EXPECT_EQ(t->State(), TDataSetState::Edit) << "the planner's pending edit is kept";
    EXPECT_EQ(grid.currentIndex().row(), 1) << "the grid stays on the row being edited";
}

} // namespace
