#include "core/errors.h"
#include "core/format_float.h"
#include "core/format_settings.h"
#include "core/numbers.h"

#include "qt_print.h"
#include <cmath>

#include <gtest/gtest.h>

using namespace pla;

namespace {

class Numbers : public ::testing::Test {
protected:
    TFormatSettingsScope locale{TFormatSettings::PtBr()};
};

TEST_F(Numbers, RoundDecRoundsTiesAwayFromZeroOnTheReadDecimal) {
    EXPECT_EQ(RoundDec(2.675, 2), 2.68); // binary 2.67499999... must not round down
    EXPECT_EQ(RoundDec(-1.005, 2), -1.01);
    EXPECT_EQ(RoundDec(0.125, 2), 0.13);
    EXPECT_EQ(RoundDec(1.005, 2), 1.01);
    EXPECT_EQ(RoundDec(2.5, 0), 3.0);
    EXPECT_EQ(RoundDec(-2.5, 0), -3.0);
    EXPECT_EQ(RoundDec(0.5, 0), 1.0);
    EXPECT_EQ(RoundDec(0.05, 1), 0.1);
    EXPECT_EQ(RoundDec(9.999995, 5), 10.0);
    EXPECT_EQ(RoundDec(0.1 + 0.2, 5), 0.3);
    EXPECT_EQ(RoundDec(123.456789, 5), 123.45679);
    EXPECT_EQ(RoundDec(1234567.123455, 5), 1234567.12346);
}

TEST_F(Numbers, RoundDecZeroAndSmallValues) {
    EXPECT_EQ(RoundDec(0.0, 5), 0.0);
    EXPECT_EQ(RoundDec(0.0049, 2), 0.0);
    EXPECT_EQ(RoundDec(1e-7, 5), 0.0);
    const double negTiny = RoundDec(-0.004, 2);
    EXPECT_EQ(negTiny, 0.0);
    EXPECT_FALSE(std::signbit(negTiny)) << "a negative that rounds to zero is plain zero";
    EXPECT_EQ(RoundDec(0.000005, 5), 0.00001);
}

TEST_F(Numbers, RoundDecLeavesShortValuesAndHugeValuesAlone) {
    EXPECT_EQ(RoundDec(12.5, 5), 12.5);
    EXPECT_EQ(RoundDec(1e20, 2), 1e20);
    EXPECT_EQ(RoundDec(-7.0, 3), -7.0);
    const double once = RoundDec(3.14159265, 5);
    EXPECT_EQ(RoundDec(once, 5), once);
    EXPECT_TRUE(std::isnan(RoundDec(std::nan(""), 2)));
}

TEST_F(Numbers, FormatFloatMasksOfTheScreens) {
    EXPECT_EQ(FormatFloat("#,##0", 1234567.5), "1.234.568");
    EXPECT_EQ(FormatFloat("#,##0", 0), "0");
    EXPECT_EQ(FormatFloat("#,##0", 999.5), "1.000");
    EXPECT_EQ(FormatFloat("#,##0", -1234.4), "-1.234");
    EXPECT_EQ(FormatFloat("#,##0.###", 1234.5), "1.234,5");
    EXPECT_EQ(FormatFloat("#,##0.###", 1234.56789), "1.234,568");
    EXPECT_EQ(FormatFloat("#,##0.###", 2), "2");
    EXPECT_EQ(FormatFloat("#,##0.##", 2.675), "2,68");
    EXPECT_EQ(FormatFloat("#,##0.##", 0.005), "0,01");
    EXPECT_EQ(FormatFloat("##0.###", 12.3456), "12,346");
    EXPECT_EQ(FormatFloat("##0.###", 0.0004), "0");
    EXPECT_EQ(FormatFloat("##0.###", 1234.5), "1234,5");
    EXPECT_EQ(FormatFloat("##0.##", 12.5), "12,5");
    EXPECT_EQ(FormatFloat("##0.##", 100), "100");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
    EXPECT_EQ(FormatFloat("#,##0.00", 1e9), "1.000.000.000,00");
    EXPECT_EQ(FormatFloat("#,##0.00000", 12.345678), "12,34568");
    EXPECT_EQ(FormatFloat("##0.000", 3.14159), "3,142");
    EXPECT_EQ(FormatFloat("##0.000", 0), "0,000");
    EXPECT_EQ(FormatFloat("##0.00 %", 12.5), "12,50 %");
    EXPECT_EQ(FormatFloat("#,###,##0", 1234567), "1.234.567");
    EXPECT_EQ(FormatFloat("#,###,##0.00000", 1234567.123456), "1.234.567,12346");
}

TEST_F(Numbers, FormatFloatNegativesThatRoundToZeroHaveNoSign) {
    EXPECT_EQ(FormatFloat("#,##0.00", -0.001), "0,00");
    EXPECT_EQ(FormatFloat("#,##0", -0.4), "0");
    EXPECT_EQ(FormatFloat("#,##0.00", -1234.565), "-1.234,57");
}

TEST_F(Numbers, FormatFloatSectionsAndLiterals) {
    EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", -5), "(5,00)");
    EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", 0), "zero");
    EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", 5), "5,00");
    EXPECT_EQ(FormatFloat("'R$ '#,##0.00", 1500), "R$ 1.500,00");
    EXPECT_EQ(FormatFloat("#.##", 0.5), ",5");
}

TEST_F(Numbers, FormatFloatFollowsTheCurrentSeparators) {
    TFormatSettings us = TFormatSettings::PtBr();
    us.DecimalSeparator = QLatin1Char('.');
    us.ThousandSeparator = QLatin1Char(',');
    TFormatSettingsScope scope(us);
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
    EXPECT_EQ(FloatMaskOut("12,50"), 12.5);
}

TEST_F(Numbers, FormatFloatRejectsMasksItCannotHonour) {
    EXPECT_THROW(FormatFloat("0.00E+00", 1), EProgramError);
    EXPECT_THROW(FormatFloat("0 'open", 1), EProgramError);
    EXPECT_THROW(FormatFloat("0.0.0", 1), EProgramError);
    EXPECT_THROW(FormatFloat("0 x 0", 1), EProgramError);
}

TEST_F(Numbers, FloatMaskOutReadsWhatTheGridShows) {
    EXPECT_EQ(FloatMaskOut("12,50"), 12.5);
    EXPECT_EQ(FloatMaskOut("12.50"), 12.5);
    EXPECT_EQ(FloatMaskOut("-3"), 3.0);
    EXPECT_EQ(FloatMaskOut(" 7 "), 7.0);
    EXPECT_EQ(FloatMaskOut("12,5 %"), 12.5);
    EXPECT_EQ(FloatMaskOut("R$ 1.234"), 1.234); // the dot becomes the decimal separator
}

TEST_F(Numbers, FloatMaskOutFailsWithTheStandardConversionError) {
    try {
        FloatMaskOut("1.234,5");
        FAIL() << "two separators must not convert";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'1,234,5' não é um valor numérico válido");
    }
    EXPECT_THROW(FloatMaskOut(""), EConvertError);
    EXPECT_THROW(FloatMaskOut("abc"), EConvertError);
}

TEST_F(Numbers, StrToFloatGrammar) {
    EXPECT_EQ(StrToFloat(" -1,5 "), -1.5);
    EXPECT_EQ(StrToFloat("+2"), 2.0);
    EXPECT_EQ(StrToFloat(",5"), 0.5);
    EXPECT_EQ(StrToFloat("5,"), 5.0);
    EXPECT_EQ(StrToFloat("1,5e3"), 1500.0);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    EXPECT_THROW(StrToFloat("1,5,0"), EConvertError);
    EXPECT_THROW(StrToFloat("1e"), EConvertError);
    EXPECT_THROW(StrToFloat("-"), EConvertError);
    EXPECT_THROW(StrToFloat("1e999"), EConvertError);
    EXPECT_EQ(FloatToStr(12.5), "12,5");
    EXPECT_EQ(FloatToStr(0.1), "0,1");
    EXPECT_EQ(StrToFloat(FloatToStr(2.675)), 2.675);
}

} // namespace
