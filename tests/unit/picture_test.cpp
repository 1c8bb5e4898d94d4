#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "values/picture.h"

using namespace tolven;

namespace {
// German Windows settings: decimal comma, thousands point.
std::string de(std::string_view format, double v) {
    auto r = format_picture(format, v, ",", ".");
    return r ? *r : std::string("<refused>");
}
}  // namespace

TEST(PurePicture, DigitPlaceholders) {
    EXPECT_EQ(de("0.00", 1234.567), "1234,57");
    EXPECT_EQ(de("00000", 42), "00042");
    EXPECT_EQ(de("0", 123456), "123456");  // extra digits before the first placeholder
    EXPECT_EQ(de("00-00", 1234), "12-34");
    EXPECT_EQ(de("00-00", 5), "00-05");
    EXPECT_EQ(de("0.##", 1), "1");
    EXPECT_EQ(de("0.0#", 1.5), "1,5");
    EXPECT_EQ(de("0.0#", 1.25), "1,25");
    EXPECT_EQ(de("#.##", 0.5), ",5");
    EXPECT_EQ(de("#.##", 0), "");
    EXPECT_EQ(de(".00", 12.5), "12,50");
    EXPECT_EQ(de("#0.00", 0.004), "0,00");
    EXPECT_EQ(de("0", 0.5), "1");  // half away from zero
    EXPECT_EQ(de("0", 9.5), "10");
    EXPECT_EQ(de("0.00", 2.345), "2,35");
    EXPECT_EQ(de("0.00", 0.995), "1,00");
    EXPECT_EQ(de("0", 1e20), "100000000000000000000");
    EXPECT_EQ(de("x", 5), "x");
}

TEST(PurePicture, ThousandsLiteralsAndQuotes) {
    EXPECT_EQ(de("#,##0.00", 1234567.891), "1.234.567,89");
    EXPECT_EQ(de("#,##0", 999), "999");
    EXPECT_EQ(de("#,##0", 1000), "1.000");
    EXPECT_EQ(de("0,000", 5), "0.005");
    EXPECT_EQ(de("#,##0 DM", 1234), "1.234 DM");
    EXPECT_EQ(de("\"a;0\" 0", 7), "a;0 7");
    EXPECT_EQ(de("'#'0", 7), "#7");
    EXPECT_EQ(de("0 \"open", 7), "7 open");
    EXPECT_EQ(*format_picture("#,##0.00", 1234.5, ".", ","), "1,234.50");
    EXPECT_EQ(*format_picture("#,##0.00", 1234.5, "", ""), "123450");
}

TEST(PurePicture, Sections) {
    const char* f = "0.00;(0.00);\"null\"";
    EXPECT_EQ(de(f, 5), "5,00");
    EXPECT_EQ(de(f, -5), "(5,00)");
    EXPECT_EQ(de(f, 0), "null");
    EXPECT_EQ(de(f, -0.0), "null");
    EXPECT_EQ(de("0;;\"zero\"", -3), "-3");  // empty negative section
    EXPECT_EQ(de("0;-0", 0), "0");
    EXPECT_EQ(de("0.0", -1.25), "-1,3");
    EXPECT_EQ(de("0", -0.4), "0");  // no "-0"
    EXPECT_EQ(de("", 1.5), "1,5");
    EXPECT_EQ(de(";0", 5), "5");
}

TEST(PurePicture, Scientific) {
    EXPECT_EQ(de("0.00E+00", 1234.5), "1,23E+03");
    EXPECT_EQ(de("0.00E-00", 1234.5), "1,23E03");
    EXPECT_EQ(de("0.00E-00", 0.000123), "1,23E-04");
    EXPECT_EQ(de("0.00e+0", 0), "0,00e+0");
    EXPECT_EQ(de("00.0E+0", 1234.5), "12,3E+2");
    EXPECT_EQ(de("0.##E+000", 1500), "1,5E+003");
    EXPECT_EQ(de("0.00E+00", -9.999), "-1,00E+01");
    EXPECT_EQ(de("0E+", 5), "5E+0");
}

TEST(PurePicture, GeneralFormatAndLimits) {
    EXPECT_EQ(general_float_text(1e20, ","), "1E20");
    EXPECT_EQ(general_float_text(-1.5e-7, ","), "-1,5E-7");
    EXPECT_EQ(general_float_text(0.0001, ","), "0,0001");
    EXPECT_EQ(general_float_text(0.00001, "."), "0.00001");
    EXPECT_EQ(general_float_text(123.456, "."), "123.456");
    EXPECT_EQ(general_float_text(1.0 / 3, "."), "0.333333333333333");
    EXPECT_EQ(general_float_text(1e15 - 1, "."), "999999999999999");
    EXPECT_EQ(general_float_text(1e15, "."), "1E15");
    EXPECT_EQ(general_float_text(0, "."), "0");
    EXPECT_EQ(general_float_text(NAN, "."), "NAN");
    EXPECT_EQ(general_float_text(-INFINITY, "."), "-INF");
    EXPECT_EQ(de("0.00", INFINITY), "INF");
    EXPECT_FALSE(format_picture(std::string(225, '0'), 1, ",", "."));
    EXPECT_TRUE(format_picture(std::string(224, '0'), 1, ",", "."));
    std::string long_fraction = "0." + std::string(200, '0');
    EXPECT_EQ(de(long_fraction, 0.1), "0," + std::string("1") + std::string(199, '0'));
}
