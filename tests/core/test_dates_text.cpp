#include "core/dates.h"
#include "core/errors.h"
#include "core/format_settings.h"
#include "core/text_utils.h"

#include "qt_print.h"

#include <gtest/gtest.h>

using namespace pla;

namespace {

class DatesText : public ::testing::Test {
protected:
    TFormatSettingsScope locale{TFormatSettings::PtBr()};
};

TEST_F(DatesText, MonthBoundaries) {
    EXPECT_EQ(PriDiaMes(QDate(2026, 12, 17)), QDate(2026, 12, 1));
    EXPECT_EQ(UltimoDiaMes(QDate(2026, 12, 17)), QDate(2026, 12, 31));
    EXPECT_EQ(UltimoDiaMes(QDate(2024, 2, 10)), QDate(2024, 2, 29));
    EXPECT_EQ(UltimoDiaMes(QDate(2026, 2, 10)), QDate(2026, 2, 28));
    EXPECT_EQ(UltDiaMes(2026, 4), QDate(2026, 4, 30));
    EXPECT_FALSE(UltDiaMes(2026, 13).isValid());
    const QDateTime mid = DataHora(QDate(2026, 3, 15), QTime(10, 30));
    EXPECT_EQ(PriDiaMes(mid), DataHora(QDate(2026, 3, 1)));
    EXPECT_EQ(UltimoDiaMes(mid), DataHora(QDate(2026, 3, 31)));
}

TEST_F(DatesText, WeekdayNames) {
    EXPECT_EQ(NomeSemana(QDate(2026, 12, 6)), "Domingo");
    EXPECT_EQ(NomeSemana(QDate(2026, 12, 7)), "Segunda-feira");
    EXPECT_EQ(NomeSemana(QDate(2026, 12, 12)), "Sábado");
    EXPECT_EQ(NomeSemana(QDate()), "");
}

TEST_F(DatesText, FormatDateTimePatternsOfTheScreens) {
    const QDateTime d = DataHora(QDate(2026, 12, 5), QTime(14, 7, 9));
    EXPECT_EQ(FormatDateTime("dd", d), "05");
    EXPECT_EQ(FormatDateTime("dd ddd", d), "05 sáb");
    EXPECT_EQ(FormatDateTime("dd - ddd", d), "05 - sáb");
    EXPECT_EQ(FormatDateTime("mmmm", d), "dezembro");
    EXPECT_EQ(FormatDateTime("mmmm\" - \"yyyy", d), "dezembro - 2026");
    EXPECT_EQ(FormatDateTime("yyyy", d), "2026");
    EXPECT_EQ(FormatDateTime("mm/yyyy", d), "12/2026");
    EXPECT_EQ(FormatDateTime("ddddd", d), "05/12/2026");
    EXPECT_EQ(FormatDateTime("DD/MM/YYYY", d), "05/12/2026");
    EXPECT_EQ(FormatDateTime("hh:mm", d), "14:07"); // minutes right after an hour
    EXPECT_EQ(FormatDateTime("hh:nn:ss", d), "14:07:09");
    EXPECT_EQ(FormatDateTime("'Dia' d", d), "Dia 5");
    EXPECT_EQ(FormatDateTime("dddd", d), "sábado");
    EXPECT_EQ(FormatDateTime("dd", QDateTime()), "");
}

TEST_F(DatesText, DateTextRoundTripAndErrors) {
    EXPECT_EQ(StrToDateTime("05/12/2026"), DataHora(QDate(2026, 12, 5)));
    EXPECT_EQ(StrToDateTime("5/1/26"), DataHora(QDate(2026, 1, 5)));
    EXPECT_EQ(StrToDateTime("05/12/2026 14:30"), DataHora(QDate(2026, 12, 5), QTime(14, 30)));
    EXPECT_THROW(StrToDateTime("31/02/2026"), EConvertError);
    EXPECT_THROW(StrToDateTime("2026-12-05"), EConvertError);
    EXPECT_THROW(StrToDateTime("05/12/2026 25:00"), EConvertError);
}

TEST_F(DatesText, WallClockValuesIgnoreTimeZones) {
    // A local midnight (that may not even exist where daylight saving starts at
    // midnight) keeps its date and time as written.
    const QDateTime local(QDate(2026, 11, 1), QTime(0, 0));
    const QDateTime wall = NormalizaDataHora(local);
    EXPECT_EQ(wall.timeSpec(), Qt::UTC);
    EXPECT_EQ(wall.date(), QDate(2026, 11, 1));
    EXPECT_EQ(wall.time(), QTime(0, 0));
    EXPECT_EQ(DataHora(QDate(2018, 11, 4)).time(), QTime(0, 0));
}

TEST_F(DatesText, AjustaPadsCodes) {
    EXPECT_EQ(Ajusta("1", 4), "0001");
    EXPECT_EQ(Ajusta(" 12 ", 5), "00012");
    EXPECT_EQ(Ajusta("6", 2), "06");
    EXPECT_EQ(Ajusta("AB", 4), "AB  ");
    EXPECT_EQ(Ajusta("", 4), "    ");
    EXPECT_EQ(Ajusta("12345", 4), "12345") << "a longer code is left for the size check";
}

TEST_F(DatesText, TrimAndEmptyAndIif) {
    EXPECT_EQ(AllTrim("  arroz  "), "arroz");
    EXPECT_TRUE(EmptyString("   "));
    EXPECT_TRUE(EmptyString(""));
    EXPECT_FALSE(EmptyString(" x "));
    EXPECT_EQ(iif(true, 1, 2), 1);
    EXPECT_EQ(iif(false, QString("S"), QString("N")), "N");
    EXPECT_EQ(iif(true, "S", "N"), QString("S"));
}

} // namespace
