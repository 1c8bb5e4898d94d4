// The built-in functions and system variables as programs reach them:
// through the argument reader, with a fixed clock and German settings.
#include "values/builtins.h"

#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "core/interp.h"
#include "screen/events.h"
#include "tests/unit/support/dbase_fixture.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/low_memory.h"
#include "values/random.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/system_platform.h"
#include "values/sysvars.h"

namespace tolven::testing {
namespace {

class FixedPlatform : public SystemPlatform {
public:
    DateTime now{2026, 12, 7, 9, 5, 3, 450};
    RegionalSettings settings;
    DateTime local_time() override { return now; }
    DateTime utc_time() override { return now; }
    RegionalSettings regional_settings() override { return settings; }
    std::vector<std::string> command_line() override { return {"tolvrun.exe", "prog.tvc", "extra"}; }
};

class Builtins : public RuntimeTest {
protected:
    FixedPlatform platform;

    void SetUp() override {
        RuntimeTest::SetUp();
        set_system_platform(&platform);
        events = EventState{};
    }
    void TearDown() override {
        set_system_platform(nullptr);
        RuntimeTest::TearDown();
    }

    // Evaluates one argument (whole text) of a plain or expression line.
    void eval(const std::string& text, int mode = kAny, bool expression = false) {
        held_ = text;
        reader.force_expression = expression ? 1 : 0;
        begin_arguments(held_);
        read_arg(' ', mode);
        reader.force_expression = 0;
    }
    std::string str(const std::string& text) {
        eval(text);
        return slots.s;
    }
    int32_t num(const std::string& text) {
        eval(text);
        return slots.l;
    }
    // The error number the evaluation raised (0: none), under error mode -1.
    int raised(const std::string& text, int mode = kAny) {
        errors.error_mode = -1;
        errors.last_error_number = 0;
        eval(text, mode);
        errors.error_mode = 1;
        return errors.last_error_number;
    }
    int32_t declare_long_var(const char* name, int32_t v) {
        VarName n;
        make_name(name, n);
        *declare_long(n) = v;
        return v;
    }

private:
    std::string held_;
};

std::string fn(Fn token, const std::string& args) {
    return std::string("@") + static_cast<char>(code_of(token)) + args + ")";
}
std::string sv(char type, Sys token) { return std::string(1, type) + static_cast<char>(code_of(token)); }
// A line number as a reference stores it: low byte first.
std::string line_number(int n) { return {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)}; }

TEST_F(Builtins, SystemVariablesSlotsAndClearedRows) {
    errors.last_error_number = 216;
    EXPECT_EQ(num(sv('&', Sys::ERRORNUMBER)), 216);
    EXPECT_EQ(num(sv('&', Sys::ERRORNUMBER)), 0);  // read twice: cleared

    errors.last_report_kind = 2;
    eval(sv('%', Sys::ERRORKIND));
    EXPECT_EQ(slots.type, kString);  // numeric value, string result type
    EXPECT_EQ(slots.s, "2");
    EXPECT_EQ(slots.i, 2);
    EXPECT_EQ(num(sv('%', Sys::ERRORKIND)), 0);
    EXPECT_EQ(raised(sv('%', Sys::IOERROR), kNumberArg), 216);

    EXPECT_EQ(str(sv('$', Sys::VERSION)), "7.0f-NT");
    eval(sv('!', Sys::ONE191));  // an integer row read as float: completion fills the float
    EXPECT_EQ(slots.type, kFloat);
    EXPECT_EQ(slots.f, 1.0);
    EXPECT_EQ(str(sv('$', Sys::ONE191)), "1");
    EXPECT_EQ(num(sv('%', Sys::PARAMCOUNT)), 2);

    events.left_button = true;
    EXPECT_EQ(num(sv('%', Sys::MOUSEBUTTONS)), 2);
    EXPECT_EQ(num(sv('%', Sys::MOUSEBUTTON)), 2);
    EXPECT_EQ(num(sv('%', Sys::MOUSEBUTTON)), 0);  // the button flags are cleared by 139 only

    errors.error_mode = 7;
    EXPECT_EQ(num(sv('%', Sys::ERRORMODE)), 7);
    errors.error_mode = 1;
}

TEST_F(Builtins, RadixNumbersConstantsAndUnknownTokens) {
    EXPECT_EQ(num("$1F"), 31);
    EXPECT_EQ(num("&17"), 15);
    EXPECT_EQ(num("%101"), 5);
    EXPECT_EQ(slots.type, kLong);
    EXPECT_EQ(slots.s, "5");
    EXPECT_EQ(raised("!5"), 100);
    EXPECT_EQ(raised("%102"), 100);
    ASSERT_EQ(sysvar_info(0xF0), nullptr);
    EXPECT_EQ(raised(std::string("$") + '\xF0'), 100);  // no token, no number

    load_listing({"REM first", R"(DEF 1234"abc")", "DEF 1234 42"});
    const std::string quoted = sv('$', Sys::CONSTANT) + line_number(2);
    EXPECT_EQ(str(quoted), "abc");
    EXPECT_EQ(num(sv('%', Sys::CONSTANT) + line_number(2)), 0);
    EXPECT_EQ(num(sv('&', Sys::CONSTANT) + line_number(3)), 42);
    EXPECT_EQ(raised(sv('%', Sys::CONSTANT) + line_number(2).substr(0, 1)), 100);  // the line number is cut off
}

TEST_F(Builtins, ArithmeticTestsAndRandomNumbers) {
    eval(fn(Fn::DIV, "7,2"));
    EXPECT_EQ(slots.f, 3.5);
    EXPECT_EQ(raised(fn(Fn::DIV, "7,0")), 201);
    EXPECT_EQ(raised(fn(Fn::IDIV, "7,0")), 201);
    EXPECT_EQ(num(fn(Fn::IDIV, "-7,2")), -3);
    EXPECT_EQ(num(fn(Fn::MOD, "-7,2")), -1);
    EXPECT_EQ(num(fn(Fn::BITTEST, "-1,31")), 0);  // bit 31 always reads 0
    EXPECT_EQ(num(fn(Fn::BITTEST, "-1,30")), 1);
    EXPECT_EQ(num(fn(Fn::BITSET, "0,4,1")), 16);
    EXPECT_EQ(num(fn(Fn::XOR, "12,10")), 6);
    EXPECT_EQ(num(fn(Fn::GT, "2.5,2")), 1);
    EXPECT_EQ(num(fn(Fn::STRLT, "\"ab\",\"b\"")), 1);
    EXPECT_EQ(num(fn(Fn::STREQ, "\"a\",\"A\"")), 0);
    EXPECT_EQ(num(fn(Fn::NOT, "0")), 1);
    eval(fn(Fn::ABS, "-2.5"));
    EXPECT_EQ(slots.f, 2.5);
    EXPECT_EQ(str(fn(Fn::ROUND, "2.345,2")), "2.350000");
    EXPECT_EQ(num(fn(Fn::ROUND, "-2.5,0")), -2);
    EXPECT_EQ(raised(fn(Fn::LN, "-1")), 200);
    EXPECT_EQ(raised(fn(Fn::TAN, "0")), 0);
    eval(fn(Fn::PI, ""));
    EXPECT_DOUBLE_EQ(slots.f, 3.141592653589793);

    // The seed and the sequence are the generator's; the switch returns the
    // previous seed.
    EXPECT_EQ(num(fn(Fn::SWITCH, "\"randseed\",5")), 0);
    EXPECT_EQ(num(fn(Fn::SWITCH, "\"RANDSEED\",5")), 5);
    RandomGenerator g;
    g.set_seed(5);
    EXPECT_EQ(num(fn(Fn::RND, "100")), static_cast<int32_t>(g.next(100)));
    // Numbers of 32768 and more are kept whole.
    random_generator().set_seed(0);
    bool high = false;
    for (int k = 0; k < 50; ++k) {
        const int32_t v = num(fn(Fn::RND, "100000"));
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 100000);
        high = high || v >= 32768;
    }
    EXPECT_TRUE(high);
    EXPECT_EQ(raised(fn(Fn::SWITCH, "\"OTHER\",1")), 262);
    // Keywords of other modules join the switch.
    add_switch_keyword("OTHER", [] { set_result_int(read_int(')') + 1); });
    EXPECT_EQ(num(fn(Fn::SWITCH, "\"other\",1")), 2);
}

TEST_F(Builtins, StringOperationsAtTheirEdges) {
    EXPECT_EQ(str(fn(Fn::MID_S, "\"abcdef\",0,3")), "");
    EXPECT_EQ(str(fn(Fn::MID_S, "\"abcdef\",9,3")), "");
    EXPECT_EQ(str(fn(Fn::MID_S, "\"abcdef\",2,3")), "bcd");
    EXPECT_EQ(str(fn(Fn::PART_S, "\"a,b,c\",2,\",\"")), "b");
    EXPECT_EQ(str(fn(Fn::PART_S, "\"a,b,c\",4,\",\"")), "");
    EXPECT_EQ(raised(fn(Fn::PART_S, "\"a,b,c\",0,\",\"")), 205);
    EXPECT_EQ(str(fn(Fn::RIGHT_S, "\"abc\",5")), "");
    EXPECT_EQ(str(fn(Fn::LEFT_S, "\"abc\",5")), "abc");
    EXPECT_EQ(raised(fn(Fn::DELETE_S, "\"abc\",0,1")), 204);
    EXPECT_EQ(str(fn(Fn::INSERT_S, "\"X\",\"abc\",2")), "aXbc");
    EXPECT_EQ(num(fn(Fn::LEN, "\"abc\"")), 3);
    EXPECT_EQ(num(fn(Fn::INSTR, "\"c\",\"abc\"")), 3);
    EXPECT_EQ(str(fn(Fn::REPLACE_S, "\"aaa\",\"a\",\"ab\"")), "ababab");
    EXPECT_EQ(str(fn(Fn::UPPER_S, "\"stra\xDF" "e \xE4\"")), "STRA\xDF" "E \xC4");
    EXPECT_EQ(str(fn(Fn::LOWER_S, "\"\xC4" "B\"")), "\xE4" "b");
    EXPECT_EQ(str(fn(Fn::ANSITOOEM_S, "\"\xE4\"")), "\x84");  // code page 850
    EXPECT_EQ(str(fn(Fn::STRING_S, "\"ab\",3")), "ababab");

    // Only the chosen argument is evaluated: the other would divide by 0.
    EXPECT_EQ(raised(fn(Fn::IIF, "1,\"yes\"," + fn(Fn::DIV, "1,0"))), 0);
    EXPECT_EQ(slots.s, "yes");
    EXPECT_EQ(raised(fn(Fn::IIF, "0," + fn(Fn::DIV, "1,0") + ",\"no\"")), 0);
    EXPECT_EQ(slots.s, "no");
    EXPECT_EQ(str(fn(Fn::CONCAT_S, fn(Fn::IIF, "0,\"a\",\"b\"") + ",\"c\"")), "bc");
}

TEST_F(Builtins, NumbersAndTextsWithTheRegionalSettings) {
    EXPECT_EQ(num(fn(Fn::VAL, "\"$1F\"")), 31);
    EXPECT_EQ(num(fn(Fn::VAL, "\"%101\"")), 5);
    EXPECT_EQ(num(fn(Fn::VAL, "\"12abc\"")), 12);
    eval(fn(Fn::VAL, "\" 2.5 \""));
    EXPECT_EQ(slots.f, 2.5);
    EXPECT_EQ(str(fn(Fn::HEX_S, "-255")), "-FF");
    EXPECT_EQ(str(fn(Fn::OCT_S, "8")), "10");
    EXPECT_EQ(str(fn(Fn::BIN_S, "5")), "101");
    EXPECT_EQ(str(fn(Fn::STR_S, "12")), "12");
    EXPECT_EQ(str(fn(Fn::STR_S, "1.5")), "1.500000");
    EXPECT_EQ(str(fn(Fn::FORMAT_S, "\"#,##0.00\",1234.5")), "1.234,50");
    platform.settings.decimal = ".";
    platform.settings.thousands = ",";
    reset_regional_cache();
    EXPECT_EQ(str(fn(Fn::FORMAT_S, "\"#,##0.00\",1234.5")), "1,234.50");
    EXPECT_EQ(str(fn(Fn::FORMAT_S, "\"" + std::string(230, '0') + "\",1")), "");
}

TEST_F(Builtins, DateAndTimeTexts) {
    EXPECT_EQ(str(fn(Fn::DATE_S, "0")), "07.12.2026");
    EXPECT_EQ(str(fn(Fn::DATE_S, "1")), "7. Dezember 2026");
    EXPECT_EQ(str(fn(Fn::DATE_S, "2")), "Montag, der 7. Dezember 2026");
    EXPECT_EQ(str(fn(Fn::DATE_S, "3")), "20261207");
    EXPECT_EQ(str(fn(Fn::DATE_S, "4")), ".dMy");
    EXPECT_EQ(str(fn(Fn::DATE_S, "17")), "7. Dezember 2026");
    EXPECT_EQ(str(fn(Fn::TIME_S, "0")), "09:05");
    EXPECT_EQ(str(fn(Fn::TIME_S, "1")), "03.45");
    platform.now = {2000, 2, 29, 0, 0, 0, 0};
    EXPECT_EQ(str(fn(Fn::DATE_S, "3")), "20000229");
    EXPECT_EQ(str(fn(Fn::DATE_S, "1")), "29. Februar  2000");
    platform.now = {4000, 2, 29, 0, 0, 0, 0};  // not a leap year, and beyond 3999
    EXPECT_EQ(str(fn(Fn::DATE_S, "3")), "");
    platform.now = {2026, 12, 7, 0, 0, 0, 0};
    platform.settings = {"/", "MM/dd/yyyy", ".", ","};
    reset_regional_cache();
    EXPECT_EQ(str(fn(Fn::DATE_S, "0")), "12/07/2026");
    EXPECT_EQ(str(fn(Fn::DATE_S, "4")), "/Mdy");
}

TEST_F(Builtins, MemoryReadsStayInsideWhatCanBeRead) {
    VarName n;
    make_name("BUF#", n);
    AreaVar* a = declare_area(n);
    a->size = 8;
    a->data = low_alloc(8);
    ASSERT_NE(a->data, 0u);
    uint8_t* p = address_pointer(a->data);
    const uint8_t bytes[8] = {'h', 'i', 0, 'x', 0x78, 0x56, 0x34, 0x12};
    std::copy(bytes, bytes + 8, p);

    EXPECT_EQ(str(fn(Fn::PEEK_S, "buf#,0,2")), "hi");
    EXPECT_EQ(str(fn(Fn::PEEK_S, "buf#,6,10")), "\x34\x12");  // stops at the end of the block
    EXPECT_EQ(raised(fn(Fn::PEEK_S, "buf#,9,1")), 207);
    EXPECT_EQ(raised(fn(Fn::PEEK_S, "buf#,-1,1")), 207);
    EXPECT_EQ(str(fn(Fn::PEEKZ_S, "buf#,0")), "hi");
    EXPECT_EQ(num(fn(Fn::PEEKL, "buf#,4")), 0x12345678);
    EXPECT_EQ(raised(fn(Fn::PEEKL, "buf#,6")), 207);  // the value would leave the block
    EXPECT_EQ(num(fn(Fn::PEEKW, "buf#,4")), 0x5678);
    EXPECT_EQ(num(fn(Fn::PEEKB, "buf#,3")), 'x');
    EXPECT_EQ(num(fn(Fn::AREAPOS, "buf#,1,\"x\"")), 2);
    EXPECT_EQ(num(fn(Fn::AREAPOS, "buf#,0,\"zz\"")), -1);
    EXPECT_EQ(raised(fn(Fn::PEEK_S, "nothing#,0,1")), 215);
    EXPECT_EQ(raised(fn(Fn::PEEK_S, "buf$,0,1")), 121);

    // Through an address in a long variable; a bad address is refused.
    declare_long_var("ADR&", static_cast<int32_t>(a->data));
    EXPECT_EQ(str(fn(Fn::PEEK_S, "adr&,0,2")), "hi");
    EXPECT_EQ(str(fn(Fn::PEEKZ_S, "adr&,0")), "hi");
    EXPECT_EQ(num(fn(Fn::PEEKL, "adr&,4")), 0x12345678);
    declare_long_var("BAD&", 16);
    EXPECT_EQ(raised(fn(Fn::PEEK_S, "bad&,0,4")), 207);
    EXPECT_EQ(raised(fn(Fn::PEEKZ_S, "bad&,0")), 207);
    EXPECT_EQ(raised(fn(Fn::AREAPOS, "adr&,0,\"h\"")), 121);

    // The address of a variable leads back to its value.
    make_name("N%", n);
    *declare_integer(n) = 4711;
    const int32_t address = num(fn(Fn::ADDRESS, "n%"));
    ASSERT_NE(address, 0);
    declare_long_var("P&", address);
    EXPECT_EQ(num(fn(Fn::PEEKL, "p&,0")), 4711);
    make_name("F!", n);
    *declare_float(n) = 2.5;
    declare_long_var("P&", num(fn(Fn::ADDRESS, "f!")));
    EXPECT_EQ(num(fn(Fn::PEEKB, "p&,7")), 0x40);  // the top byte of 2.5
    const int32_t bound[3] = {5, 0, 0};
    make_name("A&", n);
    ArrayDesc* arr = declare_array(kLongKind, n, bound);
    ASSERT_NE(arr, nullptr);
    long_element(element_index(*arr, 4, 0, 0)) = -2;
    declare_long_var("P&", num(fn(Fn::ADDRESS, "a&[4]")));
    EXPECT_EQ(num(fn(Fn::PEEKL, "p&,0")), -2);
    EXPECT_EQ(raised(fn(Fn::ADDRESS, "a&[6]")), 233);
    EXPECT_EQ(num(fn(Fn::ADDRESS, "buf#")), static_cast<int32_t>(a->data));
    EXPECT_EQ(raised(fn(Fn::ADDRESS, "missing%")), 215);
    make_name("E$", n);
    declare_string(n);
    EXPECT_EQ(num(fn(Fn::ADDRESS, "e$")), 0);  // the empty string has no first character
}

TEST_F(Builtins, ScramblingTwiceRestoresTheText) {
    const std::string text = "Geheimer Text \xE4\xF6\xFC";
    EXPECT_EQ(str(fn(Fn::SCRAMBLE_S, "\"" + text + "\"")), text);  // no key yet

    const std::string key = "\"Schl\xFCssel\"";
    begin_arguments(key);
    statement_handler(code_of(Cmd::SCRAMBLEKEY))();
    const std::string once = str(fn(Fn::SCRAMBLE_S, "\"" + text + "\""));
    EXPECT_NE(once, text);
    VarName n;
    make_name("S$", n);
    *declare_string(n) = once;
    EXPECT_EQ(str(fn(Fn::SCRAMBLE_S, "s$")), text);
    *declare_string(n) = std::string(256, 'a');
    EXPECT_EQ(str(fn(Fn::SCRAMBLE_S, "s$")), std::string(256, 'a'));

    begin_arguments("\"\"");
    statement_handler(code_of(Cmd::SCRAMBLEKEY))();  // an empty key: no scrambling
    EXPECT_EQ(str(fn(Fn::SCRAMBLE_S, "\"" + text + "\"")), text);
}

TEST_F(Builtins, SystemFunctionsAndInput) {
    EXPECT_EQ(str(fn(Fn::PARAM_S, "1")), "prog.tvc");
    EXPECT_EQ(str(fn(Fn::PARAM_S, "0")), "tolvrun.exe");
    EXPECT_EQ(raised(fn(Fn::PARAM_S, "3")), 208);
    EXPECT_EQ(num(fn(Fn::DISKFREE, "\"1\"")), -1);  // "1" - 64 is no drive

    events.mouse_x = 20;
    events.mouse_y = 30;
    EXPECT_EQ(num(fn(Fn::MOUSEIN, "10,20-30,40")), 1);
    EXPECT_EQ(num(fn(Fn::MOUSEIN, "21,20-30,40")), 0);
    EXPECT_EQ(num(fn(Fn::MOUSEINCELL, "3,3-3,3")), 1);  // row 30/13+1, column 20/8+1
    events.last_key = 'k';
    EXPECT_EQ(num(fn(Fn::KEYIN, "\"jkl\"")), 1);
    EXPECT_EQ(num(fn(Fn::KEYCODE, "107")), 1);
    // The key-state byte is the keyboard handler's: the variable and the
    // test read the same value.
    EXPECT_EQ(num(fn(Fn::KEYSTATE, "0")), 1);
    events.key_state = 4;
    EXPECT_EQ(num(sv('%', Sys::KEYSTATE)), 4);
    EXPECT_EQ(num(fn(Fn::KEYSTATE, "4")), 1);
    EXPECT_EQ(num(fn(Fn::KEYSTATE, "0")), 0);
    EXPECT_EQ(str(fn(Fn::INKEY_S, "")), "k");
    EXPECT_EQ(str(fn(Fn::INKEY_S, "")), std::string(1, '\0'));  // cleared: character 0
    EXPECT_EQ(num(fn(Fn::RED, "31")), 30);
    EXPECT_EQ(num(fn(Fn::BLUE, "2048")), 2);
}

class TableRows : public DbaseTest {
protected:
    void read(char type, Sys token) {
        held_ = sv(type, token);
        read_system_variable(held_);
    }

private:
    std::string held_;
};

TEST_F(TableRows, ReadTheCurrentTableAndZeroWithoutOne) {
    read('&', Sys::DBISOPEN);
    EXPECT_EQ(slots.l, 0);
    read('$', Sys::DBFIELDNAME);
    EXPECT_EQ(slots.s, "");

    make_table("P", "NAME;C;10;0\nAGE;N;6;2\n");
    read('&', Sys::DBISOPEN);
    EXPECT_EQ(slots.l, 1);
    read('%', Sys::DBINFO164);
    EXPECT_EQ(slots.i, 2);
    read('%', Sys::DBINFO162);
    EXPECT_EQ(slots.i, 17);  // the deletion flag and both fields
    dbase::read_field("AGE");
    read('$', Sys::DBINFO166);
    EXPECT_EQ(slots.s, "N");
    read('%', Sys::DBINFO167);
    EXPECT_EQ(slots.i, 6);
    read('%', Sys::DBINFO168);
    EXPECT_EQ(slots.i, 2);
    read('$', Sys::DBFIELDNAME);
    EXPECT_EQ(slots.s, "AGE");
}

}  // namespace
}  // namespace tolven::testing
