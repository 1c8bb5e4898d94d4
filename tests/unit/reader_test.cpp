#include "values/reader.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>

#include "core/errors.h"
#include "tests/unit/support/raised.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/numtext.h"
#include "values/store.h"
#include "values/textops.h"

namespace tolven::testing {
namespace {

class Reader : public RuntimeTest {
protected:
    // Reads one argument of `text`; the text must outlive the test step.
    void read(std::string_view text, char sep = ' ', int mode = kAny, bool expression = false) {
        reader.force_expression = expression ? 1 : 0;
        begin_arguments(text);
        read_arg(sep, mode);
    }
    void expr(std::string_view text, char sep = ' ', int mode = kAny) { read(text, sep, mode, true); }

    void declare_int(const char* name, int32_t v) {
        VarName n;
        make_name(name, n);
        *declare_integer(n) = v;
    }
    void declare_str(const char* name, std::string v) {
        VarName n;
        make_name(name, n);
        *declare_string(n) = std::move(v);
    }
};

TEST_F(Reader, SeparatorsCutTheTextAndRecordWhatEndedIt) {
    read("12,34", ',');
    EXPECT_EQ(slots.l, 12);
    EXPECT_EQ(reader.separator_found, ',');
    EXPECT_EQ(reader.rest, "34");
    read_arg(',', kAny);  // the last argument: no separator left
    EXPECT_EQ(slots.l, 34);
    EXPECT_EQ(reader.separator_found, ' ');
    EXPECT_TRUE(reader.rest.empty());

    read("\"a,b\",\"c\"", ',');  // no cut inside quotes
    EXPECT_EQ(slots.s, "a,b");

    read("x(1,2)=5", '=');  // brackets hide separators
    EXPECT_EQ(reader.rest, "5");

    read("7,]8", ',');  // a "]" right after the separator goes too
    EXPECT_EQ(reader.rest, "8");

    read("1,2,3", ' ');  // blank: the whole rest
    EXPECT_EQ(slots.type, kString);
    EXPECT_TRUE(reader.rest.empty());
}

TEST_F(Reader, PrintReadsRecordCommaOrSemicolonAndTheEndFlag) {
    reader.end_of_args = false;
    read("1;2,3", 'p');
    EXPECT_EQ(slots.l, 1);
    EXPECT_EQ(reader.separator_found, ';');
    EXPECT_FALSE(reader.end_of_args);
    read_arg('p', kAny);
    EXPECT_EQ(reader.separator_found, ',');
    read_arg('p', kAny);
    EXPECT_EQ(slots.l, 3);
    EXPECT_EQ(reader.separator_found, ' ');
    EXPECT_TRUE(reader.end_of_args);

    reader.end_of_args = false;
    read("\"a;b\"", 'p');
    EXPECT_EQ(slots.s, "a;b");
    EXPECT_TRUE(reader.end_of_args);

    // An empty text is no error for "p": it only ends the arguments.
    reader.end_of_args = false;
    EXPECT_EQ(raised([&] { read("", 'p'); }), 0);
    EXPECT_TRUE(reader.end_of_args);
    EXPECT_EQ(raised([&] { read("", ','); }), 212);
    EXPECT_EQ(raised([&] { expr("", ')'); }), 212);
}

TEST_F(Reader, StringLiteralEscapes) {
    read("\"x\\ny\"");
    EXPECT_EQ(slots.s, "x\ry");
    read("\"\\\\n\"");  // a doubled backslash is one backslash, the n stays
    EXPECT_EQ(slots.s, "\\n");
    read("\"a\\tb\\ac\\zd\\.e\"");
    EXPECT_EQ(slots.s, std::string("a\tb\x08" "c\0d\\e", 9));
    read("\"\x01q\"");
    EXPECT_EQ(slots.s, "\\q");
    read("\"\\q\"");  // unknown escapes stay
    EXPECT_EQ(slots.s, "\\q");

    read("\"c:\\tmp\\\\x\"", ' ', kRawString);  // mode 9: only doubled backslashes
    EXPECT_EQ(slots.s, "c:\\tmp\\x");
    expr("\"a\\t\"+\"\\t\"", ' ', kRawString);  // after the first operand mode 9 is 1
    EXPECT_EQ(slots.s, "a\\t\t");

    read("\"open");  // unterminated: up to the end of the text
    EXPECT_EQ(slots.s, "open");
    EXPECT_EQ(slots.type, kString);
    read("\"");
    EXPECT_EQ(slots.s, "");
}

TEST_F(Reader, ParenthesesAroundAPlainArgument) {
    read("(5)");
    EXPECT_EQ(slots.l, 5);
    EXPECT_EQ(slots.type, kLong);
    read("-(7)");
    EXPECT_EQ(slots.l, -7);
    read("(2),3", ',');  // only a whole-text pair is removed
    EXPECT_EQ(slots.type, kString);
}

TEST_F(Reader, NumbersAndTheirSlots) {
    read("42");
    EXPECT_EQ(slots.type, kLong);
    EXPECT_EQ(slots.i, 42);
    EXPECT_EQ(slots.f, 42.0);
    EXPECT_EQ(slots.s, "42");

    read("3.9");
    EXPECT_EQ(slots.type, kFloat);
    EXPECT_EQ(slots.i, 3);
    EXPECT_EQ(slots.s, "3.900000");
    read("-3.9");
    EXPECT_EQ(slots.l, -3);
    EXPECT_EQ(slots.s, "-3.900000");

    read("2147483648");
    EXPECT_EQ(slots.type, kLong);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(slots.f, 2147483648.0);
    read("3e10");
    EXPECT_EQ(slots.l, 0);
    read("2147483647");
    EXPECT_EQ(slots.l, 2147483647);
    read("-2147483648");  // magnitude above the limit
    EXPECT_EQ(slots.l, 0);
    read("1e999");  // outside the double range
    EXPECT_EQ(slots.f, 0.0);
}

TEST_F(Reader, ShortDecimalsConvertExactlyAsTheGeneralConverter) {
    uint64_t seed = 12345;
    auto next = [&] { return seed = seed * 6364136223846793005ull + 1442695040888963407ull; };
    for (int k = 0; k < 100000; ++k) {
        std::string t;
        const int digits = 1 + static_cast<int>(next() >> 60);  // 1..16
        const int point = static_cast<int>((next() >> 59) % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point) t += '.';
            t += static_cast<char>('0' + (next() >> 33) % 10);
        }
        double expected = 0.0;
        std::from_chars(t.data(), t.data() + t.size(), expected, std::chars_format::general);
        ASSERT_EQ(scan_number(t).value, expected) << t;
    }
}

TEST_F(Reader, WidthAndDecimalsShapeNumberTexts) {
    number_format.width = 5;
    read("42");
    EXPECT_EQ(slots.s, "   42");
    number_format.decimals = 2;
    read("3.14159");
    EXPECT_EQ(slots.s, " 3.14");
    number_format.width = 0;
    number_format.decimals = 0;
    read("2.5");
    EXPECT_EQ(slots.s, "2");
    number_format.decimals = 35;
    read("1.5");
    EXPECT_EQ(slots.s.size(), 37u);
    number_format.decimals = -1;  // exponent form, one digit after the point
    number_format.width = -9;     // left-aligned
    read("1.5");
    EXPECT_EQ(slots.s, "1.5E+00  ");
    number_format.width = -4;
    read("7");
    EXPECT_EQ(slots.s, "7   ");
    number_format.decimals = 6;
    number_format.width = 1 << 30;  // capped, not a gigabyte of blanks
    read("1");
    EXPECT_EQ(slots.s.size(), 32767u);
}

TEST_F(Reader, TextThatIsNoNumberWarns214WithItsPrefix) {
    EXPECT_EQ(raised([&] { read("12abc"); }), 214);
    EXPECT_EQ(slots.type, kString);
    EXPECT_EQ(slots.s, "12abc");
    EXPECT_EQ(slots.l, 12);
    EXPECT_EQ(raised([&] { read("abc"); }), 214);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(slots.f, 0.0);

    // Warning box under error mode 1: the program goes on after OK.
    read("zz");
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Keine Zahl: zz");
}

TEST_F(Reader, StringResultsCarryTheNumberTheyStartWith) {
    read("\"12.5kg\"");
    EXPECT_EQ(slots.f, 12.5);
    EXPECT_EQ(slots.i, 12);
    read("\" 7\"");
    EXPECT_EQ(slots.l, 7);
}

TEST_F(Reader, Variables) {
    declare_int("a%", 5);
    declare_str("name$", "Otto");
    read("A%");
    EXPECT_EQ(slots.type, kInteger);
    EXPECT_EQ(slots.i, 5);
    EXPECT_EQ(slots.l, 5);
    EXPECT_EQ(slots.s, "5");
    read("-a%");
    EXPECT_EQ(slots.i, -5);
    EXPECT_EQ(slots.s, "-5");
    read("Name$");
    EXPECT_EQ(slots.s, "Otto");
    EXPECT_EQ(slots.type, kString);
}

TEST_F(Reader, UndeclaredScalarWarns215AndKeepsTheOldNumbers) {
    read("99");
    EXPECT_EQ(raised([&] { read("x%"); }), 215);
    EXPECT_EQ(slots.i, 99);
    EXPECT_EQ(slots.l, 99);
    EXPECT_EQ(slots.s, "x%");
    EXPECT_EQ(slots.type, kInteger);

    // While declaring, no warning.
    interp.current_token = code_of(Cmd::DECLARE);
    EXPECT_EQ(raised([&] { read("y%"); }), 0);
}

TEST_F(Reader, ModeChecksRaise216) {
    declare_int("a%", 1);
    EXPECT_EQ(raised([&] { read("a%", ' ', kStringArg); }), 216);
    EXPECT_EQ(raised([&] { read("\"x\"", ' ', kNumberArg); }), 216);
    EXPECT_EQ(raised([&] { read("\"x\"", ' ', kRawString); }), 0);
    EXPECT_EQ(raised([&] { read("a%", ' ', kNumberArg); }), 0);
    EXPECT_EQ(raised([&] { expr("\"x\"+a%", ' ', kStringArg); }), 216);
    // No number check in expression lines.
    EXPECT_EQ(raised([&] { expr("\"x\"", ' ', kNumberArg); }), 0);
}

TEST_F(Reader, RadixNumbersAndUnknownSystemVariables) {
    read("$1F");
    EXPECT_EQ(slots.l, 31);
    EXPECT_EQ(slots.type, kLong);
    EXPECT_EQ(slots.s, "31");
    read("&17");
    EXPECT_EQ(slots.l, 15);
    read("%101");
    EXPECT_EQ(slots.i, 5);
    EXPECT_EQ(raised([&] { read("!5"); }), 100);
    EXPECT_EQ(raised([&] { read("%12"); }), 100);  // 2 is no binary digit
}

TEST_F(Reader, FunctionCallsGoThroughTheDispatcher) {
    // Code 5 names no function.
    ASSERT_EQ(function_info(5), nullptr);
    EXPECT_EQ(raised([&] { read("@\x05" "1,2),3", ','); }), 101);
    EXPECT_EQ(reader.rest, "3");  // the unknown call's arguments are skipped
    EXPECT_EQ(raised([&] { expr("@\x05" "1)+2"); }), 101);
    EXPECT_EQ(slots.l, 2);
}

TEST_F(Reader, SkipArgumentAndWhichComesFirst) {
    begin_arguments("\"a,)\",b)");
    EXPECT_EQ(which_comes_first(), ',');
    skip_argument(',');
    EXPECT_EQ(reader.rest, "b)");
    EXPECT_EQ(which_comes_first(), ')');
    begin_arguments("(1,2)");
    EXPECT_EQ(which_comes_first(), ' ');
    begin_arguments("");
    EXPECT_EQ(raised([] { skip_argument(','); }), 212);
}

TEST_F(Reader, TextOperations) {
    EXPECT_EQ(find_separator("a(b,c),d", ','), 6u);
    EXPECT_EQ(find_separator("\"x,y", ','), std::string_view::npos);
    // The line reference after 0xFF may hold any byte, also a separator.
    EXPECT_EQ(find_separator(std::string_view("@\xFF,\x00" "1),2", 8), ','), 6u);
    // The natural logarithm takes ordinary arguments.
    EXPECT_EQ(find_separator(listing_args("@LN(2),5"), ','), 4u);
    // A named constant's line number may hold a delimiter.
    const std::string constant = std::string("%") + static_cast<char>(code_of(Sys::CONSTANT)) + std::string("+\0+1", 4);
    EXPECT_EQ(find_operand_end(constant, ' ', true), 4u);
    EXPECT_EQ(find_operand_end("x%[i%+1]*2", ' ', true), 8u);
    EXPECT_EQ(find_operand_end("(1+2)*3", ')', true), 5u);
    EXPECT_EQ(find_operand_end("2)*3", ')', true), 1u);
    EXPECT_EQ(find_operand_end("a+b", ',', false), 3u);
    EXPECT_EQ(trim("  ab \t"), "ab");
    EXPECT_EQ(folded("ab\xE4\xF7\xFE\xFFz"), "AB\xC4\xF7\xDE\xFFZ");
}

// ---- expression lines ----

TEST_F(Reader, ArithmeticAndPrecedence) {
    expr("1+2*3");
    EXPECT_EQ(slots.l, 7);
    EXPECT_EQ(slots.type, kFloat);
    EXPECT_EQ(slots.s, "7.000000");
    expr("(1+2)*3");
    EXPECT_EQ(slots.l, 9);
    expr("8-3-2");
    EXPECT_EQ(slots.l, 3);
    expr("2*(3+(4-1))*2");
    EXPECT_EQ(slots.l, 24);
    expr("7\\2");
    EXPECT_EQ(slots.l, 3);
    EXPECT_EQ(slots.type, kInteger);
    expr("-7\\2");
    EXPECT_EQ(slots.l, -3);
    expr("2^3");
    EXPECT_EQ(slots.type, kFloat);
    EXPECT_NEAR(slots.f, 8.0, 1e-12);
    expr("1--2");
    EXPECT_EQ(slots.l, 3);
    expr("7/2");
    EXPECT_EQ(slots.f, 3.5);
    EXPECT_EQ(slots.i, 3);
}

TEST_F(Reader, ArithmeticErrors) {
    EXPECT_EQ(raised([&] { expr("0^2"); }), 200);
    EXPECT_EQ(raised([&] { expr("-2^2"); }), 200);  // the sign belongs to the base
    EXPECT_EQ(raised([&] { expr("1/0"); }), 201);
    EXPECT_EQ(raised([&] { expr("7\\0.5"); }), 201);
    EXPECT_EQ(raised([&] { expr("7\x15M0"); }), 201);
    EXPECT_EQ(raised([&] { expr("1+"); }), 212);
    EXPECT_EQ(slots.l, 1);  // the missing operand drops the operator
}

TEST_F(Reader, ComparisonsAndKeywordOperators) {
    expr("1<>2=1");  // "=" binds tighter: 1 <> (2 = 1)
    EXPECT_EQ(slots.i, 1);
    EXPECT_EQ(slots.type, kInteger);
    expr("1=1.0");
    EXPECT_EQ(slots.i, 1);
    expr("3>=3");
    EXPECT_EQ(slots.i, 1);
    expr("3<=2");
    EXPECT_EQ(slots.i, 0);
    expr("\"a\"<\"b\"");
    EXPECT_EQ(slots.i, 1);
    expr("\"B\"<\"a\"");  // byte-wise, case-sensitive
    EXPECT_EQ(slots.i, 1);
    expr("\"ab\">\"a\"");
    EXPECT_EQ(slots.i, 1);
    expr("\"a\"+\"b\"");
    EXPECT_EQ(slots.s, "ab");
    EXPECT_EQ(slots.type, kString);
    // A number meeting a string is compared and joined as its text.
    expr("1+2=\"3.000000\"");
    EXPECT_EQ(slots.i, 1);
    expr("1*2+\"x\"");
    EXPECT_EQ(slots.s, "2.000000x");
    expr("7\\2+\"x\"");
    EXPECT_EQ(slots.s, "3x");

    expr("7\x15M3");
    EXPECT_EQ(slots.l, 1);
    expr("-7\x15M3");
    EXPECT_EQ(slots.l, -1);
    expr("0\x15O" "2");
    EXPECT_EQ(slots.l, 1);
    expr("1\x15" "A0");
    EXPECT_EQ(slots.l, 0);
    expr("12\x15&10");
    EXPECT_EQ(slots.l, 8);
    expr("12\x15|3");
    EXPECT_EQ(slots.l, 15);
    expr("1<<31");
    EXPECT_EQ(slots.l, 0);  // -2147483648 is beyond the slot range as a float
    expr("1<<33");
    EXPECT_EQ(slots.l, 2);
    expr("256>>4");
    EXPECT_EQ(slots.l, 16);
    expr("2+3=5\x15" "A1");  // AND binds like "*": 5 = (5 AND 1)
    EXPECT_EQ(slots.l, 0);
}

TEST_F(Reader, ExpressionsStopAtTheirSeparator) {
    expr("1+2,-3", ',');
    EXPECT_EQ(slots.l, 3);
    EXPECT_EQ(reader.separator_found, ',');
    EXPECT_EQ(reader.rest, "-3");
    read_arg(',', kAny);
    EXPECT_EQ(slots.l, -3);

    expr("2*(1+1))*5", ')');  // a function's last argument
    EXPECT_EQ(slots.l, 4);
    EXPECT_EQ(reader.rest, "*5");

    reader.end_of_args = false;
    expr("\"a\"+\"b\",1+1;\"c\"", 'p');
    EXPECT_EQ(slots.s, "ab");
    EXPECT_EQ(reader.separator_found, ',');
    read_arg('p', kAny);
    EXPECT_EQ(slots.l, 2);
    EXPECT_EQ(reader.separator_found, ';');
    EXPECT_FALSE(reader.end_of_args);
    read_arg('p', kAny);
    EXPECT_EQ(slots.s, "c");
    EXPECT_TRUE(reader.end_of_args);
    EXPECT_EQ(reader.separator_found, ' ');
}

TEST_F(Reader, ExpressionOperandsAreVariablesAndElements) {
    declare_int("b%", 5);
    expr("b%+1");
    EXPECT_EQ(slots.l, 6);
    VarName n;
    make_name("x%", n);
    int32_t bounds[3] = {3, 0, 0};
    ArrayDesc* a = declare_array('%', n, bounds);
    integer_element(element_index(*a, 2, 0, 0)) = 40;
    expr("1+x%[b%-3]*2");  // the index list has its own operand level
    EXPECT_EQ(slots.l, 81);
}

TEST_F(Reader, DeepNestingRaises255InsteadOfOverflowing) {
    std::string deep(400, '(');
    deep += "1";
    deep += std::string(400, ')');
    EXPECT_EQ(raised([&] { expr(deep); }), 255);
    // A long flat chain of operators needs no nesting.
    std::string chain = "1";
    for (int k = 0; k < 5000; ++k) chain += "+1";
    expr(chain);
    EXPECT_EQ(slots.l, 5001);
    // Rising precedence keeps at most five pending operators per level.
    std::string mixed;
    for (int k = 0; k < 300; ++k) mixed += "1<>2=3+4*5^";
    mixed += "1";
    EXPECT_EQ(raised([&] { expr(mixed); }), 0);
}

}  // namespace
}  // namespace tolven::testing
