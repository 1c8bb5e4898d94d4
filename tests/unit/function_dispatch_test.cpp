#include "values/functions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/modules.h"
#include "core/errors.h"
#include "core/loop.h"
#include "core/tokens.h"
#include "tests/unit/support/raised.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/sysvars.h"

namespace tolven::testing {
namespace {

class Dispatch : public RuntimeTest {
protected:
    // Reads one argument of a text written in listing notation.
    void read(const std::string& listing, char sep = ' ') {
        text_ = listing_args(listing);
        reader.force_expression = 0;
        begin_arguments(text_);
        read_arg(sep, kAny);
    }

private:
    std::string text_;  // the reader's text must outlive the step
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
    const uint8_t len = code_of(Fn::LEN);
    set_function_handler(len, twice_the_argument);
    EXPECT_EQ(function_handler(len), &twice_the_argument);
    read("@LEN(21),9", ',');
    EXPECT_EQ(slots.l, 42);
    EXPECT_EQ(slots.s, "42");
    EXPECT_EQ(reader.rest, "9");
    EXPECT_TRUE(function_handled());

    set_function_handler(len, nullptr);
    EXPECT_EQ(raised([&] { read("@LEN(21),9", ','); }), 101);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(reader.rest, "9");  // the call's arguments were skipped
}

TEST_F(Dispatch, SlotsAreCompletedAfterTheHandler) {
    const uint8_t iif = code_of(Fn::IIF);
    set_function_handler(iif, gives_a_float);
    read("@IIF()");
    EXPECT_EQ(slots.type, kFloat);
    EXPECT_DOUBLE_EQ(slots.f, 2.75);
    EXPECT_EQ(slots.i, 2);

    set_function_handler(iif, raw_integer);
    reader.rest = ")";
    dispatch_function(iif);
    EXPECT_EQ(slots.i, 77);
    EXPECT_DOUBLE_EQ(slots.f, 77.0);

    // no result type: the float slot keeps the 0.0 of the dispatch entry
    set_function_handler(iif, no_result);
    slots.f = 9.0;
    dispatch_function(iif);
    EXPECT_EQ(slots.i, 5);
    EXPECT_DOUBLE_EQ(slots.f, 0.0);

    // a string result leaves the integer slot alone
    set_function_handler(iif, gives_a_text);
    dispatch_function(iif);
    EXPECT_EQ(slots.s, "12x");
    EXPECT_EQ(slots.i, 12);
}

TEST_F(Dispatch, BuiltinTokenRange) {
    int count = 0;
    for (int t = 0; t < 256; ++t) count += is_builtin_function_token(static_cast<uint8_t>(t));
    EXPECT_EQ(count, 218);
    // The argument access of user functions is the dispatcher's own.
    for (Fn t : {Fn::ARG_F, Fn::ARG_S, Fn::ARG_I, Fn::ARG_L})
        EXPECT_FALSE(is_builtin_function_token(code_of(t))) << function_info(code_of(t))->name;
    // Codes that name no function call a user function.
    for (int t : {23, 96, 187, 255}) {
        EXPECT_EQ(function_info(static_cast<uint8_t>(t)), nullptr) << t;
        EXPECT_FALSE(is_builtin_function_token(static_cast<uint8_t>(t))) << t;
    }
}

// A DEF line is its token, four unread bytes, "count)" and the body; a
// label before it names the function for calls such as "@F(1,2)".
class UserFunctions : public RuntimeTest {
protected:
    int run_lines(std::initializer_list<std::string> lines) {
        install_portable_modules();
        reset_runtime();
        reset_interpreter();
        reset_shutdown_steps();
        errors = ErrorState{};
        rec.boxes.clear();
        load_listing(lines);
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
    // f(a, b) = a * 10 + b, in an expression DEF line called from a plain
    // line: the force-expression byte makes the body an expression.
    ASSERT_EQ(run_lines({"F:", "~DEF ....2)@ARG%(1)*10+@ARG%(2)", "DECLARE r%,s$,t%", "LET r%=@F(4,2)",
                         R"(LET s$=@F(1,2),"x")", "~LET t%=@F(1+1,3)*2+1"}),
              0);
    EXPECT_EQ(integer("r%"), 42);
    EXPECT_EQ(text("s$"), "12.000000 x");  // "+" gives a float
    EXPECT_EQ(integer("t%"), 47);
    EXPECT_EQ(reader.force_expression, 0);
}

TEST_F(UserFunctions, ArgumentAccessSeesItsOwnCallAtEveryLevel) {
    // f(a, b) = a * 10 + b; g(x) = f(x + 1, f(x, x)) + x: after both inner
    // calls, x is still g's argument.
    ASSERT_EQ(run_lines({"F:", "~DEF ....2)@ARG%(1)*10+@ARG%(2)",
                         "G:", "~DEF ....1)@F(@ARG%(1)+1,@F(@ARG%(1),@ARG%(1)))+@ARG%(1)",
                         "DECLARE r%", "~LET r%=@G(2)+@G(1)"}),
              0);
    EXPECT_EQ(integer("r%"), (3 * 10 + 22 + 2) + (2 * 10 + 11 + 1));
}

TEST_F(UserFunctions, ArgumentKindsAndSlotZero) {
    ASSERT_EQ(run_lines({"TEXT_ARG:", "DEF ....1)@ARG$(1)", "FLOAT_ARG:", "DEF ....1)@ARG!(1)",
                         "LONG_ARG:", "DEF ....1)@ARG&(1)", "SLOT_ZERO:", "DEF ....0)@ARG%(0)",
                         "DECLARE s$,f!,l&,z%", R"(LET s$=@TEXT_ARG("12abc"))", "LET f!=@FLOAT_ARG(2.5)",
                         "LET l&=@LONG_ARG(-7)", "LET z%=@SLOT_ZERO()"}),
              0);
    EXPECT_EQ(text("s$"), "12abc");
    EXPECT_EQ(*find_float(std::string_view("F!")), 2.5);
    EXPECT_EQ(*find_long(std::string_view("L&")), -7);
    EXPECT_EQ(integer("z%"), 0);  // no RETURN has filled slot 0
}

TEST_F(UserFunctions, EmptyBodyGivesTheLastArgument) {
    ASSERT_EQ(run_lines({"F:", "DEF ....2)", "G:", "DEF ....0)", "DECLARE r%,q%", "LET r%=@F(5,9)",
                         "LET q%=@G()"}),
              0);
    EXPECT_EQ(integer("r%"), 9);
    EXPECT_EQ(integer("q%"), 0);
}

TEST_F(UserFunctions, Errors) {
    struct Case {
        std::string first_line, use, message;
    };
    const std::string unknown_user = "Funktion unbekannt: 255";
    // A built-in function only the Windows build has.
    const std::string windows_only = "Funktion unbekannt: " + std::to_string(code_of(Fn::CREATEFONT));
    for (const Case& c : {
             Case{R"(DEF ....1)*"OLD.DLL","F")", "@F(1)", "16-Bit DLLs werden von TOLVEN nicht mehr unterst\xFC" "tzt!"},
             Case{"DEF ....16)", "@F(1)", "Parameterzahl mu\xDF zwischen 0 und 15 liegen!"},
             Case{"DEF ....1)@ARG%(16)", "@F(1)", "Parameterzahl mu\xDF zwischen 0 und 15 liegen!"},
             Case{"DECLARE x%", "@F(1)", unknown_user},  // not a DEF line
             Case{"DEF ....0)", "@{xFF}{x84}{x03})", unknown_user},  // a call of line 900: no such line
             Case{"DEF ....0)", "@CREATEFONT(1)", windows_only},
             Case{R"(DEF ....1)!"NO-SUCH.DLL","F")", "@F(1)", "Fehler beim Laden der DLL: NO-SUCH.DLL"},
             Case{"DEF ....0)", R"(@CALLDLL("NO-SUCH.DLL","F",1,2))", "Fehler beim Laden der DLL: NO-SUCH.DLL"},
         }) {
        EXPECT_EQ(run_lines({"F:", c.first_line, "DECLARE r%", "LET r%=" + c.use}), 2) << c.use;
        EXPECT_EQ(failure(), c.message) << c.use;
    }
    // Under error mode -1 the failed call gives 0 and the text after it is
    // read as the program meant.
    ASSERT_EQ(run_lines({"F:", "ERRORMODE -1", "DECLARE r%,s$", R"(LET s$=@CREATEFONT(1,2),"ok")", "LET r%=@F(1)"}), 0);
    EXPECT_EQ(text("s$"), "0 ok");
    EXPECT_EQ(integer("r%"), 0);
}

TEST_F(UserFunctions, LibraryHandles) {
    // Natively no DLL loads: the handle is 0, FREELIBRARY of it is harmless.
    ASSERT_EQ(run_lines({"DECLARE h%", R"(LET h%=@LOADLIBRARY("NO-SUCH.DLL"))", "FREELIBRARY h%"}), 0);
    EXPECT_EQ(integer("h%"), 0);
}

TEST_F(UserFunctions, ProcedureCallByLineReference) {
    // CALL fills the parameter block with its arguments, read as
    // expressions, pushes the call and goes on after the target line;
    // ENDPROC comes back after the CALL.
    ASSERT_EQ(run_lines({"DECLARE r%,s$", R"(CALL {:P}7,"x",2+3)", R"(LET s$=s$,"back")", "END", "P:", "PROC",
                         "PARAMETERS a%,b$", "LET r%=a%", "LET s$=b$", "ENDPROC"}),
              0);
    EXPECT_EQ(integer("r%"), 7);
    EXPECT_EQ(text("s$"), "x back");
    EXPECT_EQ(program.expression_flags[5], 1);
    EXPECT_EQ(parameter_block().l[3], 5);
    EXPECT_EQ(call_argument_count, 3);
}

TEST_F(UserFunctions, RunawayRecursionIsAnErrorNotACrash) {
    ASSERT_EQ(run_lines({"F:", "~DEF ....1)@F(@ARG%(1))", "DECLARE r%", "LET r%=@F(1)"}), 2);
    EXPECT_EQ(failure().rfind("Klammern nicht ausgewogen: ", 0), 0u) << failure();
}

TEST_F(UserFunctions, DamagedDllCallArgumentsEndTheCall) {
    // ":" ends an operand but is no separator: the argument loop must not
    // read the same place forever.
    ASSERT_EQ(run_lines({"ERRORMODE -1", "DECLARE r%", "~LET r%=@CALLADDRESS(16,a:b,c)+1"}), 0);
    EXPECT_EQ(integer("r%"), 1);
}

}  // namespace
}  // namespace tolven::testing
