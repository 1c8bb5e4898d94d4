#include "values/functions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/modules.h"
#include "core/errors.h"
#include "core/loop.h"
#include "core/tokens.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/sysvars.h"

namespace tolven::testing {
namespace {

class Dispatch : public RuntimeTest {
protected:
    // Reads one argument of `text` (which must outlive the step).
    void read(std::string_view text, char sep = ' ') {
        reader.force_expression = 0;
        begin_arguments(text);
        read_arg(sep, kAny);
    }
    template <class F>
    int raised(F body) {
        errors.error_mode = -1;
        errors.last_error_number = 0;
        body();
        errors.error_mode = 1;
        return errors.last_error_number;
    }
};

void twice_the_argument() { set_result_long(2 * read_long(')')); }
void gives_a_float() { set_result_float(2.75); }
void gives_a_text() { set_result_string("12x"); }
// Sets only the long slot and claims an integer: the dispatcher's
// completion makes the integer slot follow the long slot.
void raw_integer() {
    slots.l = 77;
    slots.i = -1;
    slots.type = kInteger;
}
void no_result() {
    slots.l = 5;
    slots.type = kNone;
}

TEST_F(Dispatch, RegisteredHandlersRunAndUnregisteredTokensAreUnknown) {
    set_function_handler(150, twice_the_argument);
    EXPECT_EQ(function_handler(150), &twice_the_argument);
    read("@\x96" "21),9", ',');
    EXPECT_EQ(slots.l, 42);
    EXPECT_EQ(slots.s, "42");
    EXPECT_EQ(reader.rest, "9");
    EXPECT_TRUE(function_handled());

    set_function_handler(150, nullptr);
    EXPECT_EQ(raised([&] { read("@\x96" "21),9", ','); }), 101);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(reader.rest, "9");  // the call's arguments were skipped
}

TEST_F(Dispatch, SlotsAreCompletedAfterTheHandler) {
    set_function_handler(200, gives_a_float);
    read("@\xC8)");
    EXPECT_EQ(slots.type, kFloat);
    EXPECT_DOUBLE_EQ(slots.f, 2.75);
    EXPECT_EQ(slots.i, 2);

    set_function_handler(200, raw_integer);
    reader.rest = ")";
    dispatch_function(200);
    EXPECT_EQ(slots.i, 77);
    EXPECT_DOUBLE_EQ(slots.f, 77.0);

    // no result type: the float slot keeps the 0.0 of the dispatch entry
    set_function_handler(200, no_result);
    slots.f = 9.0;
    dispatch_function(200);
    EXPECT_EQ(slots.i, 5);
    EXPECT_DOUBLE_EQ(slots.f, 0.0);

    // a string result leaves the integer slot alone
    set_function_handler(200, gives_a_text);
    dispatch_function(200);
    EXPECT_EQ(slots.s, "12x");
    EXPECT_EQ(slots.i, 12);
}

TEST_F(Dispatch, BuiltinTokenRange) {
    int count = 0;
    for (int t = 0; t < 256; ++t) count += is_builtin_function_token(static_cast<uint8_t>(t));
    EXPECT_EQ(count, 218);
    for (int t : {33, 36, 37, 38, 255, 23, 96, 187}) EXPECT_FALSE(is_builtin_function_token(t)) << t;
}

// Program lines. A user-function call is "@", 0xFF and the DEF line's
// number (low byte first); a DEF line is its token, four unread bytes,
// "count)" and the body.
#define DECLARE "\xCC"
#define ASSIGN "\xCE"
#define PROC "\x8F"
#define ENDPROC "\x8C"
#define PARAMETERS "\xCF"
#define END "\x02"
#define ERROR_MODE "\xEF"
#define EXPR "\x15"
std::string def(int count, std::string body, bool expression = false) {
    return std::string(expression ? EXPR : "") + "\x83...." + std::to_string(count) + ")" + body;
}
std::string fn(int line) { return std::string("@\xFF") + char(line) + char(line >> 8); }
std::string arg(char kind, int n) { return std::string("@") + kind + std::to_string(n) + ")"; }
std::string call(int line) { return std::string("\xFF") + char(line) + char(line >> 8); }

class UserFunctions : public RuntimeTest {
protected:
    int run_lines(std::initializer_list<std::string> lines) {
        install_portable_modules();
        reset_runtime();
        reset_interpreter();
        reset_shutdown_steps();
        errors = ErrorState{};
        rec.boxes.clear();
        load(lines);
        return run();
    }
    std::string failure() const { return rec.boxes.empty() ? "<none>" : rec.boxes.back().caption; }
    int32_t integer(const char* name) {
        int32_t* p = find_integer(std::string_view(name));
        return p ? *p : -12345;
    }
    std::string text(const char* name) {
        VarString* p = find_string(std::string_view(name));
        return p ? std::string(*p) : std::string("<none>");
    }
};

TEST_F(UserFunctions, BodyComputesFromTheArgumentsAndTheTextGoesOn) {
    // line 1: f(a, b) = a * 10 + b, in an expression DEF line called from a
    // plain line: the force-expression byte makes the body an expression.
    ASSERT_EQ(run_lines({def(2, arg('%', 1) + "*10+" + arg('%', 2), true), DECLARE "r%,s$,t%",
                         ASSIGN "r%=" + fn(1) + "4,2)", ASSIGN "s$=" + fn(1) + "1,2),\"x\"",
                         EXPR ASSIGN "t%=" + fn(1) + "1+1,3)*2+1"}),
              0);
    EXPECT_EQ(integer("r%"), 42);
    EXPECT_EQ(text("s$"), "12.000000 x");  // "+" gives a float
    EXPECT_EQ(integer("t%"), 47);
    EXPECT_EQ(reader.force_expression, 0);
}

TEST_F(UserFunctions, ArgumentAccessSeesItsOwnCallAtEveryLevel) {
    // f(a, b) = a * 10 + b; g(x) = f(x + 1, f(x, x)) + x: after both inner
    // calls, x is still g's argument.
    ASSERT_EQ(run_lines({def(2, arg('%', 1) + "*10+" + arg('%', 2), true),
                         def(1, fn(1) + arg('%', 1) + "+1," + fn(1) + arg('%', 1) + "," + arg('%', 1) + "))+" +
                                    arg('%', 1),
                             true),
                         DECLARE "r%", EXPR ASSIGN "r%=" + fn(2) + "2)+" + fn(2) + "1)"}),
              0);
    EXPECT_EQ(integer("r%"), (3 * 10 + 22 + 2) + (2 * 10 + 11 + 1));
}

TEST_F(UserFunctions, ArgumentKindsAndSlotZero) {
    ASSERT_EQ(run_lines({def(1, arg('$', 1)), def(1, arg('!', 1)), def(1, arg('&', 1)), def(0, arg('%', 0)),
                         DECLARE "s$,f!,l&,z%", ASSIGN "s$=" + fn(1) + "\"12abc\")", ASSIGN "f!=" + fn(2) + "2.5)",
                         ASSIGN "l&=" + fn(3) + "-7)", ASSIGN "z%=" + fn(4) + ")"}),
              0);
    EXPECT_EQ(text("s$"), "12abc");
    EXPECT_EQ(*find_float(std::string_view("F!")), 2.5);
    EXPECT_EQ(*find_long(std::string_view("L&")), -7);
    EXPECT_EQ(integer("z%"), 0);  // no RETURN has filled slot 0
}

TEST_F(UserFunctions, EmptyBodyGivesTheLastArgument) {
    ASSERT_EQ(run_lines({def(2, ""), def(0, ""), DECLARE "r%,q%", ASSIGN "r%=" + fn(1) + "5,9)",
                         ASSIGN "q%=" + fn(2) + ")"}),
              0);
    EXPECT_EQ(integer("r%"), 9);
    EXPECT_EQ(integer("q%"), 0);
}

TEST_F(UserFunctions, Errors) {
    // A built-in function only the Windows build has.
    const std::string windows_only = std::string("@") + static_cast<char>(code_of(Fn::CREATEFONT));
    const std::string windows_only_code = std::to_string(code_of(Fn::CREATEFONT));
    struct Case {
        std::string def_line, use, message;
    };
    for (const Case& c : {
             Case{def(1, "*\"OLD.DLL\",\"F\""), fn(1) + "1)", "16-Bit DLLs werden von TOLVEN nicht mehr unterst\xFC" "tzt!"},
             Case{def(16, ""), fn(1) + "1)", "Parameterzahl mu\xDF zwischen 0 und 15 liegen!"},
             Case{def(1, arg('%', 16)), fn(1) + "1)", "Parameterzahl mu\xDF zwischen 0 und 15 liegen!"},
             Case{DECLARE "x%", fn(1) + "1)", "Funktion unbekannt: 255"},    // not a DEF line
             Case{def(0, ""), fn(900) + ")", "Funktion unbekannt: 255"},     // no such line
             Case{def(0, ""), windows_only + "1)", "Funktion unbekannt: " + windows_only_code},
             Case{def(1, "!\"NO-SUCH.DLL\",\"F\""), fn(1) + "1)", "Fehler beim Laden der DLL: NO-SUCH.DLL"},
             Case{def(0, ""), "@,\"NO-SUCH.DLL\",\"F\",1,2)", "Fehler beim Laden der DLL: NO-SUCH.DLL"},
         }) {
        EXPECT_EQ(run_lines({c.def_line, DECLARE "r%", ASSIGN "r%=" + c.use}), 2) << c.use;
        EXPECT_EQ(failure(), c.message) << c.use;
    }
    // Under error mode -1 the failed call gives 0 and the text after it is
    // read as the program meant.
    ASSERT_EQ(run_lines({ERROR_MODE "-1", DECLARE "r%,s$", ASSIGN "s$=" + windows_only + "1,2),\"ok\"",
                         ASSIGN "r%=" + fn(1) + "1)"}),
              0);
    EXPECT_EQ(text("s$"), "0 ok");
    EXPECT_EQ(integer("r%"), 0);
}

TEST_F(UserFunctions, LibraryHandles) {
    // Natively no DLL loads: the handle is 0, FREELIBRARY of it is harmless.
    ASSERT_EQ(run_lines({DECLARE "h%", ASSIGN "h%=@\x80\"NO-SUCH.DLL\")", "\x45h%"}), 0);
    EXPECT_EQ(integer("h%"), 0);
}

TEST_F(UserFunctions, ProcedureCallByLineReference) {
    // CALL fills the parameter block with its arguments, read as
    // expressions, pushes the call and goes on after the target line;
    // ENDPROC comes back after the CALL.
    ASSERT_EQ(run_lines({DECLARE "r%,s$", call(5) + "7,\"x\",2+3", ASSIGN "s$=s$,\"back\"", END "",
                         PROC "", PARAMETERS "a%,b$", ASSIGN "r%=a%", ASSIGN "s$=b$", ENDPROC ""}),
              0);
    EXPECT_EQ(integer("r%"), 7);
    EXPECT_EQ(text("s$"), "x back");
    EXPECT_EQ(program.expression_flags[5], 1);
    EXPECT_EQ(parameter_block().l[3], 5);
    EXPECT_EQ(call_argument_count, 3);
}

TEST_F(UserFunctions, RunawayRecursionIsAnErrorNotACrash) {
    ASSERT_EQ(run_lines({def(1, fn(1) + arg('%', 1) + ")", true), DECLARE "r%", ASSIGN "r%=" + fn(1) + "1)"}), 2);
    EXPECT_EQ(failure().rfind("Klammern nicht ausgewogen: ", 0), 0u) << failure();
}

TEST_F(UserFunctions, DamagedDllCallArgumentsEndTheCall) {
    // ":" ends an operand but is no separator: the argument loop must not
    // read the same place forever.
    ASSERT_EQ(run_lines({ERROR_MODE "-1", DECLARE "r%", EXPR ASSIGN "r%=@+16,a:b,c)+1"}), 0);
    EXPECT_EQ(integer("r%"), 1);
}

}  // namespace
}  // namespace tolven::testing
