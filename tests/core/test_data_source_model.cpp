#include "core/data_source_model.h"
#include "core/format_settings.h"
#include "table_fixtures.h"

#include "qt_print.h"
#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace pla;
using pla::test::addDay;
using pla::test::savedDays;

namespace {

class DataSourceModel : public ::testing::Test {
protected:
    TFormatSettingsScope locale{TFormatSettings::PtBr()};
};

TEST_F(DataSourceModel, ShowsVisibleFieldsWithLabelsAndFormats) {
    auto t = savedDays();
    t->FieldByName("CDFILIAL").SetVisible(false);
    t->FieldByName("QTCOMESTICAR").SetDisplayLabel("Comensais");
    t->SetRecNo(1);
    t->Edit();
    t->FieldByName("QTCOMESTICAR").SetAsFloat(1234.5);
    t->Post();
    TDataSourceModel model(t.get());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.columnCount(), 5);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "Comensais");
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "01");
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), "1.235");
    EXPECT_EQ(model.data(model.index(0, 3), Qt::EditRole).toDouble(), 1234.5);
    EXPECT_EQ(model.data(model.index(0, 3), Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(model.rowCount(), 5);
}

TEST_F(DataSourceModel, FollowsTheTable) {
    auto t = savedDays();
    TDataSourceModel model(t.get());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    t->SetRecNo(2);
    t->Edit();
    t->FieldByName("DSCARDAPIO").SetAsString("editado");
    EXPECT_EQ(model.data(model.index(1, 5)).toString(), "editado") << "the edit buffer shows";
    t->Post();
    EXPECT_GE(changed.count(), 1);
    t->Append();
    EXPECT_EQ(model.rowCount(), 6) << "the row being inserted shows";
    t->Cancel();
    EXPECT_EQ(model.rowCount(), 5);
    t->SetFilter([](const TMemRow& r) { return r.AsFloat("QTCOMESTICAR") > 100; });
    t->SetFiltered(true);
    EXPECT_EQ(model.rowCount(), 3);
    t->Close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(DataSourceModel, EditingACellPostsAndRefusesBadInput) {
    auto t = savedDays();
    TDataSourceModel model(t.get());
    QSignalSpy failed(&model, &TDataSourceModel::editFailed);
    EXPECT_TRUE(model.setData(model.index(3, 4), QStringLiteral("321,5")));
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_EQ(t->RecNo(), 4);
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsFloat(), 321.5);
    EXPECT_EQ(t->ChangeCount(), 1);
    EXPECT_FALSE(model.setData(model.index(0, 4), QStringLiteral("muitos")));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), "'muitos' não é um valor numérico válido");
    EXPECT_EQ(t->State(), TDataSetState::Browse) << "a refused edit leaves nothing pending";
    t->First();
    EXPECT_EQ(t->FieldByName("QTCOMESTICAR").AsFloat(), 100.0);
    model.SetReadOnly(true);
    EXPECT_FALSE(model.flags(model.index(0, 4)).testFlag(Qt::ItemIsEditable));
}

TEST_F(DataSourceModel, APlannerTypesIntoTheGrid) {
    auto t = savedDays();
    TDataSourceModel model(t.get());
    QTableView view;
    view.setModel(&model);
    view.resize(800, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QModelIndex cell = model.index(2, 5);
    view.setCurrentIndex(cell);
    view.edit(cell);
    auto* editor = view.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "sopa do dia");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits on the next turn of the loop
    EXPECT_EQ(model.LastError(), "");
    t->SetRecNo(3);
    EXPECT_EQ(t->FieldByName("DSCARDAPIO").AsString(), "sopa do dia");
    EXPECT_EQ(t->ChangeCount(), 1);
}

} // namespace
