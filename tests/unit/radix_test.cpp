#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "values/numtext.h"
#include "values/radix.h"

using namespace tolven;

TEST(PureRadix, TypedNumbers) {
    EXPECT_EQ(parse_typed_number("$1F"), 31);
    EXPECT_EQ(parse_typed_number("$ff"), 255);
    EXPECT_EQ(parse_typed_number("&17"), 15);
    EXPECT_EQ(parse_typed_number("%101"), 5);
    EXPECT_EQ(parse_typed_number("$-FF"), -255);
    EXPECT_EQ(parse_typed_number("$  7"), 7);
    EXPECT_EQ(parse_typed_number("$7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(parse_typed_number("$80000000"), INT32_MIN);  // bit 31
    EXPECT_EQ(parse_typed_number("$FFFFFFFF"), -1);
    EXPECT_EQ(parse_typed_number("%11111111111111111111111111111111"), -1);
    EXPECT_FALSE(parse_typed_number("$100000000"));  // needs 33 bits
    EXPECT_FALSE(parse_typed_number("!5"));
    EXPECT_FALSE(parse_typed_number("$"));
    EXPECT_FALSE(parse_typed_number("$-"));
    EXPECT_FALSE(parse_typed_number("&8"));
    EXPECT_FALSE(parse_typed_number("%102"));
    EXPECT_FALSE(parse_typed_number("$1F "));
    EXPECT_FALSE(parse_typed_number(""));
    EXPECT_FALSE(parse_typed_number("12"));
}

TEST(PureRadix, PartialConversionKeepsDigitsBeforeTheStop) {
    RadixNumber r = parse_radix("1G", 16);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.value, 1);
    r = parse_radix("-12x", 8);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.value, -10);
    r = parse_radix("123456789", 16);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.value, 0x12345678);
}

TEST(PureRadix, RadixTexts) {
    EXPECT_EQ(radix_text(-255, 16), "-FF");
    EXPECT_EQ(radix_text(255, 16), "FF");
    EXPECT_EQ(radix_text(0, 16), "0");
    EXPECT_EQ(radix_text(8, 8), "10");
    EXPECT_EQ(radix_text(-5, 2), "-101");
    EXPECT_EQ(radix_text(INT32_MIN, 16), "-80000000");
    EXPECT_EQ(radix_text(INT32_MAX, 2), std::string(31, '1'));
    for (int32_t v : {0, 1, -1, 4711, -65536, INT32_MAX, INT32_MIN + 1})
        for (int base : {2, 8, 16})
            EXPECT_EQ(parse_radix(radix_text(v, base), base).value, v) << v << " " << base;
}

TEST(PureNumText, ValueOfText) {
    NumberValue v = value_of_text("$1F");
    EXPECT_EQ(v.i, 31);
    EXPECT_EQ(v.l, 31);
    EXPECT_EQ(v.f, 31.0);
    EXPECT_EQ(value_of_text("%101").l, 5);
    EXPECT_EQ(value_of_text("&-17").l, -15);
    EXPECT_EQ(value_of_text("$1G").l, 1);
    v = value_of_text("12abc");
    EXPECT_EQ(v.i, 12);
    EXPECT_EQ(v.f, 12.0);
    v = value_of_text(" \t-2.5e1x \r");
    EXPECT_EQ(v.l, -2);
    EXPECT_EQ(v.f, -25.0);
    v = value_of_text("1e");
    EXPECT_EQ(v.f, 1.0);
    v = value_of_text(".5");
    EXPECT_EQ(v.l, 0);
    EXPECT_EQ(v.f, 0.5);
    v = value_of_text("99999999999");
    EXPECT_EQ(v.l, 0);
    EXPECT_EQ(v.f, 99999999999.0);
    EXPECT_EQ(value_of_text("-2147483648").l, INT32_MIN);
    EXPECT_EQ(value_of_text("1e999").f, 0.0);
    EXPECT_EQ(value_of_text("inf").f, 0.0);
    EXPECT_EQ(value_of_text("").f, 0.0);
    EXPECT_EQ(value_of_text("-").l, 0);
    EXPECT_EQ(value_of_text("abc").f, 0.0);
}

TEST(PureNumText, TruncationAndRounding) {
    EXPECT_EQ(float_to_long(2147483647.9), INT32_MAX);
    EXPECT_EQ(float_to_long(2147483648.0), 0);
    EXPECT_EQ(float_to_long(-2147483647.9), -2147483647);
    EXPECT_EQ(float_to_long(-2147483648.0), 0);
    EXPECT_EQ(float_to_long(-3.9), -3);
    EXPECT_EQ(float_to_long(NAN), 0);
    EXPECT_DOUBLE_EQ(round_decimals(2.345, 2), 2.35);
    EXPECT_DOUBLE_EQ(round_decimals(-2.5, 0), -2.0);
    EXPECT_DOUBLE_EQ(round_decimals(1234.5, -2), 1200.0);
    EXPECT_EQ(round_decimals(1e300, 400), 1e300);
    EXPECT_EQ(round_decimals(5.0, -400), 0.0);
}
