#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "values/arith.h"
#include "values/charcase.h"
#include "values/strops.h"

using namespace tolven;

TEST(PureStrings, PartsAndSlices) {
    EXPECT_EQ(nth_part("a,b,c", 2, ",").value, "b");
    EXPECT_EQ(nth_part("a,b,c", 3, ",").value, "c");
    EXPECT_EQ(nth_part("a,b,c", 4, ",").value, "");
    EXPECT_EQ(nth_part("a--b--c", 2, "--").value, "b");
    EXPECT_EQ(nth_part("abc", 1, "").value, "abc");
    EXPECT_EQ(nth_part("abc", 2, "").value, "");
    EXPECT_EQ(nth_part("a,b", 0, ",").error, 205);

    EXPECT_EQ(mid_text("abcdef", 2, 3), "bcd");
    EXPECT_EQ(mid_text("abcdef", 0, 3), "");
    EXPECT_EQ(mid_text("abcdef", 7, 3), "");
    EXPECT_EQ(mid_text("abcdef", 5, 99), "ef");
    EXPECT_EQ(mid_text("abcdef", 2, -1), "");
    EXPECT_EQ(left_text("abc", 5), "abc");
    EXPECT_EQ(left_text("abc", -1), "");
    EXPECT_EQ(right_text("abc", 5), "");
    EXPECT_EQ(right_text("abc", 2), "bc");
    EXPECT_EQ(right_text("abc", 0), "");

    EXPECT_EQ(delete_text("abcdef", 2, 2).value, "adef");
    EXPECT_EQ(delete_text("abcdef", 5, 99).value, "abcd");
    EXPECT_EQ(delete_text("abc", 9, 1).value, "abc");
    EXPECT_EQ(delete_text("abc", 0, 1).error, 204);
    EXPECT_EQ(insert_text("XY", "abc", 2).value, "aXYbc");
    EXPECT_EQ(insert_text("XY", "abc", 99).value, "abcXY");
    EXPECT_EQ(insert_text("XY", "abc", 0).error, 204);
    EXPECT_EQ(insert_text("XY", "abc", 0).value, "abc");
}

TEST(PureStrings, SearchBuildAndReplace) {
    EXPECT_EQ(find_text("cd", "abcdcd"), 3);
    EXPECT_EQ(find_text("", "abc"), 0);
    EXPECT_EQ(find_text("x", "abc"), 0);
    EXPECT_EQ(first_code("\xE4x"), 0xE4);
    EXPECT_EQ(first_code(""), 0);
    EXPECT_EQ(char_of(0x1E4), "\xE4");
    EXPECT_EQ(char_of(0), std::string(1, '\0'));
    EXPECT_EQ(trim_text(" \t\r\nab c\x01 "), "ab c");
    EXPECT_EQ(trim_text("  "), "");

    EXPECT_EQ(repeat_text("ab", 3), "ababab");
    EXPECT_EQ(repeat_text("", 1000000), "");
    EXPECT_EQ(repeat_text("ab", -1), "");
    EXPECT_EQ(repeat_text("abc", 100000).size(), 32766u);  // whole copies below 32768
    EXPECT_EQ(repeat_text("a", 100000).size(), 32767u);
    EXPECT_EQ(blanks(3), "   ");
    EXPECT_EQ(blanks(-3), "");
    EXPECT_EQ(blanks(INT32_MAX).size(), 32767u);

    EXPECT_EQ(replace_all("aaa", "a", "aa"), "aaaaaa");  // not rescanned
    EXPECT_EQ(replace_all("abcabc", "bc", ""), "aa");
    EXPECT_EQ(replace_all("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(replace_all("abc", "", "x"), "abc");
}

TEST(PureStrings, WindowsCaseRules) {
    EXPECT_EQ(ansi_upper("abz\xE4\xF6\xFC\xE0\xFE"), "ABZ\xC4\xD6\xDC\xC0\xDE");
    EXPECT_EQ(ansi_lower("ABZ\xC4\xD6\xDC\xC0\xDE"), "abz\xE4\xF6\xFC\xE0\xFE");
    EXPECT_EQ(ansi_upper("\xDF\xB5\xF7"), "\xDF\xB5\xF7");  // sharp s, micro, division
    EXPECT_EQ(ansi_lower("\xD7\xDF"), "\xD7\xDF");
    EXPECT_EQ(ansi_upper("\x9A\x9C\x9E\xFF"), "\x8A\x8C\x8E\x9F");
    EXPECT_EQ(ansi_lower("\x8A\x8C\x8E\x9F"), "\x9A\x9C\x9E\xFF");
    for (int c = 0; c < 256; ++c) {
        unsigned char u = ansi_upper(static_cast<unsigned char>(c));
        if (u != c) {
            EXPECT_EQ(ansi_lower(u), c) << c;
        }
    }
}

TEST(PureStrings, OemConversion) {
    EXPECT_EQ(ansi_to_oem("\xE4\xF6\xFC\xC4\xD6\xDC\xDF"), "\x84\x94\x81\x8E\x99\x9A\xE1");
    EXPECT_EQ(oem_to_ansi("\x84\x94\x81\x8E\x99\x9A\xE1"), "\xE4\xF6\xFC\xC4\xD6\xDC\xDF");
    EXPECT_EQ(ansi_to_oem("\x80\x8D"), "E?");     // euro sign, unassigned
    EXPECT_EQ(ansi_to_oem("\x84\x93\x96"), "\"\"-");  // typographic quotes and dash
    EXPECT_EQ(oem_to_ansi("\xC4\xB3\xDA\xDB"), "-|+?");
    for (int c = 0; c < 256; ++c) {
        if (c >= 0x80 && c < 0xA0 && c != 0x83) continue;  // not in code page 850
        std::string s(1, static_cast<char>(c));
        EXPECT_EQ(oem_to_ansi(ansi_to_oem(s)), s) << c;
    }
}

TEST(PureArith, IntegerOperationsNeverTrap) {
    EXPECT_EQ(long_div(7, 2).value, 3);
    EXPECT_EQ(long_div(-7, 2).value, -3);
    EXPECT_EQ(long_div(1, 0).error, 201);
    EXPECT_EQ(long_div(INT32_MIN, -1).value, INT32_MIN);
    EXPECT_EQ(long_mod(-7, 3).value, -1);
    EXPECT_EQ(long_mod(7, -3).value, 1);
    EXPECT_EQ(long_mod(INT32_MIN, -1).value, 0);
    EXPECT_EQ(long_mod(1, 0).error, 201);
    EXPECT_EQ(float_div(1, 0).error, 201);
    EXPECT_EQ(float_div(1, 4).value, 0.25);
    EXPECT_EQ(wrap_add(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(wrap_mul(65536, 65536), 0);
    EXPECT_EQ(wrap_abs(INT32_MIN), INT32_MIN);
    EXPECT_EQ(wrap_abs(-5), 5);

    EXPECT_FALSE(bit_test(-1, 31));  // bit 31 always reads 0
    EXPECT_TRUE(bit_test(-1, 30));
    EXPECT_TRUE(bit_test(4, 34));    // taken mod 32
    EXPECT_FALSE(bit_test(4, 1));
    EXPECT_TRUE(bit_test(INT32_MIN >> 1, -2));
    EXPECT_EQ(bit_change(0, 3, 1), 8);
    EXPECT_EQ(bit_change(15, 3, 0), 7);
    EXPECT_EQ(bit_change(15, 3, -1), 7);
    EXPECT_EQ(bit_change(0, 31, 1), INT32_MIN);
}

TEST(PureArith, MathFunctions) {
    EXPECT_DOUBLE_EQ(math_function(MathFn::Power, 2, 3).value, 8.0);
    EXPECT_EQ(math_function(MathFn::Power, 0, 2).error, 200);
    EXPECT_EQ(math_function(MathFn::Power, -2, 2).error, 200);
    EXPECT_EQ(math_function(MathFn::Ln, -1).error, 200);
    EXPECT_EQ(math_function(MathFn::Ln, 0).error, 200);
    EXPECT_DOUBLE_EQ(math_function(MathFn::Log10, 1000).value, 3.0);
    EXPECT_EQ(math_function(MathFn::Cot, 0).error, 200);
    EXPECT_DOUBLE_EQ(math_function(MathFn::Tan, 0).value, 0.0);
    EXPECT_EQ(math_function(MathFn::Sqrt, -1).error, 200);
    EXPECT_DOUBLE_EQ(math_function(MathFn::Sqrt, 2.25).value, 1.5);
    EXPECT_EQ(math_function(MathFn::Exp, 1000).error, 200);
    EXPECT_EQ(math_function(MathFn::Square, 1e200).error, 200);
    EXPECT_EQ(math_function(MathFn::Cos, NAN).error, 200);
    EXPECT_DOUBLE_EQ(math_function(MathFn::Pi, 0).value, 3.141592653589793);
    EXPECT_DOUBLE_EQ(math_function(MathFn::ArcTan, 1).value, 3.141592653589793 / 4);
}
