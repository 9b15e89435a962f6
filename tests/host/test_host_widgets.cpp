#include "core/format_settings.h"
#include "host/date_edit.h"
#include "host/mask_edit.h"
#include "host/number_edit.h"
#include "host/number_guard.h"
#include "qt_print.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

class HostWidgets : public ::testing::Test {
protected:
    TFormatSettingsScope locale{TFormatSettings::PtBr()};
};

TEST_F(HostWidgets, TheNumberGuardKeepsDigitsAndDecimals) {
    EXPECT_EQ(MaxNumber("123456", 6, 3, '7', 6, 0), QChar()) << "a seventh integer digit";
    EXPECT_EQ(MaxNumber("123456", 6, 3, '9', 0, 1), QChar('9')) << "replacing a selected digit";
    EXPECT_EQ(MaxNumber("12", 6, 3, ',', 2, 0), QChar(','));
    EXPECT_EQ(MaxNumber("12", 6, 3, '.', 2, 0), QChar(',')) << "a point is the decimal comma";
    EXPECT_EQ(MaxNumber("12,5", 6, 3, ',', 4, 0), QChar()) << "one separator only";
    EXPECT_EQ(MaxNumber("1,234", 6, 3, '5', 5, 0), QChar()) << "a fourth decimal";
    EXPECT_EQ(MaxNumber("1,234", 6, 3, '5', 0, 0), QChar('5')) << "integer digits are free";
    EXPECT_EQ(MaxNumber("12", 6, 0, ',', 2, 0), QChar()) << "no decimals, no separator";
    EXPECT_EQ(MaxNumber("12", 6, 3, 'a', 2, 0), QChar());
    EXPECT_EQ(MaxNumber("12", 6, 3, '-', 0, 0), QChar());
    EXPECT_EQ(MaxNumber("12", 6, 3, QChar(8), 2, 0), QChar(8)) << "backspace passes";
    EXPECT_EQ(MaxNumber("", 8, 2, '0', 0, 0), QChar('0'));
}

TEST_F(HostWidgets, ANumberEditTakesOnlyWhatFits) {
    TNumberEdit edit;
    edit.SetDecimals(3);
    edit.SetIntegerDigits(6);
    edit.show();
    edit.setFocus();
    QTest::keyClicks(&edit, "-12a3.456789");
    EXPECT_EQ(edit.text(), "123,456");
    EXPECT_DOUBLE_EQ(edit.Value(), 123.456);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "123,45") << "backspace erases, it is not typed in";
    edit.clear();
    EXPECT_TRUE(edit.IsEmpty());
    EXPECT_EQ(edit.Value(), 0.0);
    edit.SetThousandSeparator(true);
    edit.SetValue(1234.5);
    EXPECT_EQ(edit.text(), "1.234,500");
    EXPECT_DOUBLE_EQ(edit.Value(), 1234.5);
    edit.SetAllowNegative(true);
    edit.clear();
    QTest::keyClicks(&edit, "-7,25");
    EXPECT_DOUBLE_EQ(edit.Value(), -7.25);
}

TEST_F(HostWidgets, MaskEditsUpperCaseAndLimitThePositions) {
    TMaskEdit branch(">aaaa;0; ");
    branch.show();
    QTest::keyClicks(&branch, "ab-1c9");
    EXPECT_EQ(branch.text(), "AB1C");
    EXPECT_TRUE(branch.IsComplete());
    TMaskEdit service("ccccc;0; ");
    QTest::keyClicks(&service, "a b-c d");
    EXPECT_EQ(service.text(), "a b-c");
    TMaskEdit required("000;0; ");
    QTest::keyClicks(&required, "1x2");
    EXPECT_EQ(required.text(), "12");
    EXPECT_FALSE(required.IsComplete());
}

TEST_F(HostWidgets, DateEditsMayBeEmptyOrShowMonthsOnly) {
    TDateEdit edit;
    EXPECT_TRUE(edit.IsEmpty());
    EXPECT_FALSE(edit.Date().isValid());
    edit.SetMonthOnly(true);
    edit.SetDate(QDate(2026, 12, 17));
    EXPECT_EQ(edit.Date(), QDate(2026, 12, 1));
    EXPECT_EQ(edit.text(), "12/2026");
    edit.show();
    edit.setFocus();
    edit.setCurrentSection(QDateTimeEdit::MonthSection);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.Date(), QDate(2027, 1, 1)) << "the up button goes to the next month";
    edit.Clear();
    EXPECT_TRUE(edit.IsEmpty());
    edit.SetMonthOnly(false);
    edit.SetDate(QDate(2026, 2, 28));
    EXPECT_EQ(edit.text(), "28/02/2026");
}

} // namespace
