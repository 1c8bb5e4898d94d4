#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "core/errors.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"
#include "values/statements.h"
#include "values/low_memory.h"
#include "values/store.h"


namespace tolven::testing {
namespace {

class ValueStatements : public RuntimeTest {
protected:
    int32_t integer(const char* name) {
        int32_t* p = find_integer(std::string_view(name));
        EXPECT_NE(p, nullptr) << name;
        return p ? *p : -12345;
    }
    std::string text(const char* name) {
        VarString* p = find_string(std::string_view(name));
        EXPECT_NE(p, nullptr) << name;
        return p ? std::string(*p) : std::string("<none>");
    }
    double real(const char* name) {
        double* p = find_float(std::string_view(name));
        EXPECT_NE(p, nullptr) << name;
        return p ? *p : -12345.0;
    }
    // Runs a program on an empty store; returns the exit code.
    int run_fresh(std::initializer_list<std::string> lines) {
        reset_interpreter();
        reset_shutdown_steps();
        errors = ErrorState{};
        reset_values();
        rec.boxes.clear();
        load_listing(lines);
        return run();
    }
    // The message of the error that ended the program.
    std::string failure() {
        return rec.boxes.empty() ? std::string("<no box>") : rec.boxes.back().caption;
    }
};

TEST_F(ValueStatements, DeclareTwiceHidesTheFirst) {
    load_listing({"DECLARE a%", "LET a%=1", "DECLARE A%", "LET a%=2"});
    ScalarMark before{};
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(scalar_count('%'), 2);
    EXPECT_EQ(integer("a%"), 2);
    before.integers = 1;
    release_scalars(before);
    EXPECT_EQ(integer("a%"), 1);
}

TEST_F(ValueStatements, LocalsVanishWhenTheTablesAreCutBack) {
    ASSERT_EQ(run_fresh({"DECLARE x%,s$", "LET x%=1", "LET s$=\"outer\""}), 0);
    const ScalarMark call = mark_scalars();
    VarName x, y, s;
    make_name("x%", x);
    make_name("y%", y);
    make_name("s$", s);
    *declare_integer(x) = 5;
    *declare_integer(y) = 6;
    *declare_string(s) = "inner";
    EXPECT_EQ(integer("x%"), 5);
    EXPECT_EQ(text("s$"), "inner");
    release_scalars(call);
    EXPECT_EQ(integer("x%"), 1);
    EXPECT_EQ(text("s$"), "outer");
    EXPECT_EQ(find_integer(std::string_view("y%")), nullptr);
}

TEST_F(ValueStatements, NameIndexSurvivesManyProcedureCalls) {
    VarName outer;
    make_name("keep%", outer);
    *declare_integer(outer) = 42;
    // Thousands of distinct local names come and go.
    for (int call = 0; call < 200; ++call) {
        const ScalarMark m = mark_scalars();
        for (int k = 0; k < 20; ++k) {
            VarName n;
            make_name("l" + std::to_string(call) + "_" + std::to_string(k) + "%", n);
            *declare_integer(n) = k;
        }
        *declare_integer(outer) = call;  // a local hiding the global
        EXPECT_EQ(integer("keep%"), call);
        release_scalars(m);
        EXPECT_EQ(integer("keep%"), 42);
    }
    EXPECT_EQ(find_integer(std::string_view("l5_3%")), nullptr);
    EXPECT_EQ(scalar_count('%'), 1);
}

TEST_F(ValueStatements, ArraysAndTheirBounds) {
    EXPECT_EQ(run_fresh({"DECLARE x%[2,3],n$[1]", "LET x%[2,3]=7", "LET x%[0,1]=5", "LET n$[1]=\"a\",\"b\"",
          "LET x%[3,0]=1"}), 2);
    EXPECT_EQ(failure(), "Das Element gibt es nicht!");
    ArrayDesc* a = find_array(std::string_view("X%"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->count, 12);
    EXPECT_EQ(element_index(*a, 2, 3, 0), a->first + 11);  // the last element
    EXPECT_EQ(integer_element(a->first + 11), 7);
    EXPECT_EQ(integer_element(element_index(*a, 0, 1, 0)), 5);
    EXPECT_EQ(array_room('%'), kPoolCapacity - 12);
    ArrayDesc* n = find_array(std::string_view("n$"));
    EXPECT_EQ(string_element(element_index(*n, 1, 0, 0)), "a b");

    EXPECT_EQ(run_fresh({"DECLARE x%[2]", "LET x%[-1]=1"}), 2);
    EXPECT_EQ(failure(), "Das Element gibt es nicht!");

    EXPECT_EQ(run_fresh({"DECLARE x%[1,2,3,4]"}), 2);
    EXPECT_EQ(failure(), "Maximal drei Dimensionen erlaubt!");
}

TEST_F(ValueStatements, ArrayElementsReadInBothLineKinds) {
    ASSERT_EQ(run_fresh({"DECLARE x![2],i%,r!", "LET x![1]=2.5", "LET i%=1", "LET r!=x![i%]",
          "~LET i%=x![i%]*2+x![0]"}), 0);
    EXPECT_EQ(real("r!"), 2.5);
    EXPECT_EQ(integer("i%"), 5);
}

TEST_F(ValueStatements, PoolsHoldAtMost65535Elements) {
    EXPECT_EQ(run_fresh({"DECLARE big%[65534]", "DECLARE one&[0]", "DECLARE more%[0]"}), 2);
    EXPECT_EQ(failure(), "Zu viele Elemente!more%[0]");
    EXPECT_NE(find_array(std::string_view("ONE&")), nullptr);  // other pools are separate
    EXPECT_EQ(find_array(std::string_view("MORE%")), nullptr);

    EXPECT_EQ(run_fresh({"DECLARE neg%[-5]"}), 2);
    EXPECT_EQ(failure(), "Zu viele Elemente!neg%[-5]");
}

TEST_F(ValueStatements, StringAssignmentJoinsPieces) {
    load_listing({"DECLARE a$,b$", "LET A$=\"ab\",\"cd\";\"ef\"", "~LET b$=\"x\"+a$;\"!\",\"y\""});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(text("a$"), "ab cdef");
    EXPECT_EQ(text("b$"), "xab cdef! y");

    // Text that no read can take ends the pieces instead of looping.
    ASSERT_EQ(run_fresh({"DECLARE c$", "~LET c$=\"a\":\"b\""}), 0);
    EXPECT_EQ(text("c$"), "a");
}

TEST_F(ValueStatements, NumericAssignmentConverts) {
    ASSERT_EQ(run_fresh({"DECLARE a%,b%,c%,d&,e!,s$,g%", "LET a%=3.9", "LET b%=-3.9", "LET c%=3e10",
          "LET d&=a%", "LET e!=d&", "LET s$=\"12abc\"", "LET g%=s$"}), 0);
    EXPECT_EQ(integer("a%"), 3);
    EXPECT_EQ(integer("b%"), -3);
    EXPECT_EQ(integer("c%"), 0);
    EXPECT_EQ(*find_long(std::string_view("d&")), 3);
    EXPECT_EQ(real("e!"), 3.0);
    EXPECT_EQ(integer("g%"), 12);
}

TEST_F(ValueStatements, ExpressionAssignment) {
    ASSERT_EQ(run_fresh({"DECLARE a%,b%", "LET b%=4", "~LET a%=b%+1", "~LET b%=(a%-1)*b%\\3"}), 0);
    EXPECT_EQ(integer("a%"), 5);
    EXPECT_EQ(integer("b%"), 5);
}

TEST_F(ValueStatements, AssigningUndeclaredVariablesFails) {
    EXPECT_EQ(run_fresh({"LET zz%=1"}), 2);
    EXPECT_EQ(failure(), "Variable nicht declariert: ZZ%");
    EXPECT_EQ(run_fresh({"LET q$=\"x\""}), 2);
    EXPECT_EQ(failure(), "Variable nicht declariert: Q$");
}

TEST_F(ValueStatements, IncDecAddSub) {
    ASSERT_EQ(run_fresh({"DECLARE a%,l&", "LET a%=2147483646", "INC a%", "INC a%", "DEC a%", "ADD a%,10",
          "SUB a%,3"}), 0);
    EXPECT_EQ(integer("a%"), static_cast<int32_t>(2147483646u + 1 + 1 - 1 + 10 - 3));

    EXPECT_EQ(run_fresh({"DECLARE l&", "INC l&"}), 2);
    EXPECT_EQ(failure(), "Integer-Variable erwartet!");

    EXPECT_EQ(run_fresh({"ADD nope%,1"}), 2);
    EXPECT_EQ(failure(), "Variable nicht declariert: NOPE%");
}

TEST_F(ValueStatements, ListDimensions) {
    ASSERT_EQ(run_fresh({"DIM% 65535", "LIST% 65535=9", "DIM$ 2", "LIST$ 1=\"x\""}), 0);
    EXPECT_EQ(list_bound('%'), 65535);
    EXPECT_EQ(integer_list(65535), 9);
    EXPECT_EQ(string_list(1), "x");

    EXPECT_EQ(run_fresh({"DIM% 65536"}), 2);
    EXPECT_EQ(failure(), "Es sind lediglich 0 bis 32766 Elemente erlaubt!");

    EXPECT_EQ(run_fresh({"DIM! 1", "DIM! 1"}), 2);
    EXPECT_EQ(failure(), "\"DIM!\" darf nur einmal verwandt werden!");

    EXPECT_EQ(run_fresh({"DIM% 3", "LIST% 4=1"}), 2);
    EXPECT_EQ(failure(), "Bereichsgrenze \xFC" "berschritten: 4");

    EXPECT_EQ(run_fresh({"DIM% 3", "LIST% -1=1"}), 2);

    EXPECT_EQ(run_fresh({"LIST$ 0=\"x\""}), 2);  // not dimensioned
}

TEST_F(ValueStatements, ListElementFunctionReadsWithinTheBound) {
    dimension_list('$', 2);
    string_list(2) = "z";
    begin_arguments("2)+1");
    read_list_element('$');
    EXPECT_EQ(slots.s, "z");
    EXPECT_EQ(reader.rest, "+1");
    errors.error_mode = -1;
    begin_arguments("3)");
    read_list_element('$');
    EXPECT_EQ(errors.last_error_number, 207);
    EXPECT_EQ(slots.s, "");
}

TEST_F(ValueStatements, ListElementFunctionsAreCallable) {
    EXPECT_EQ(run_fresh({"DECLARE a%,b$,c!,d&", "DIM% 3", "LIST% 2=7", "DIM$ 1", "LIST$ 1=\"z\"",
                         "DIM! 0", "LIST! 0=2.5", "DIM& 1", "LIST& 1=-4",
                         "LET a%=@LIST%(2)", "LET b$=@LIST$(1)", "LET c!=@LIST!(0)",
                         "LET d&=@LIST&(1)"}),
              0);
    EXPECT_EQ(integer("A%"), 7);
    EXPECT_EQ(text("B$"), "z");
    EXPECT_EQ(real("C!"), 2.5);
    ASSERT_NE(find_long(std::string_view("D&")), nullptr);
    EXPECT_EQ(*find_long(std::string_view("D&")), -4);
    EXPECT_EQ(run_fresh({"DECLARE a%", "DIM% 3", "LET a%=@LIST%(4)"}), 2);
    EXPECT_EQ(failure(), "Bereichsgrenze \xFC" "berschritten: 4");
}

TEST_F(ValueStatements, TableCapacity) {
    std::string names;
    for (int k = 0; k < 999; ++k) names += (k ? ",v" : "v") + std::to_string(k) + "!";
    EXPECT_EQ(run_fresh({"DECLARE " + names, "DECLARE one!"}), 2);
    EXPECT_EQ(scalar_count('!'), 999);
    EXPECT_EQ(failure(), "Speicher f\xFCr Float-Variablen ersch\xF6pft!");
}

TEST_F(ValueStatements, MalformedNames) {
    for (const char* bad : {"abc", "a b%", "p#[3]", "x]", ",a%", "a%,"}) {
        EXPECT_EQ(run_fresh({std::string("DECLARE ") + bad}), 2) << bad;
        EXPECT_EQ(failure().rfind("Variablenbezeichner fehlerhaft: ", 0), 0u) << bad;
    }
    EXPECT_EQ(run_fresh({"DECLARE abcdefghijklmnopqrstuvwxyz1234567%"}), 2);
    EXPECT_EQ(failure(), "Variablenname zu lang: ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567%");
    // 32 characters are fine.
    EXPECT_EQ(run_fresh({"DECLARE abcdefghijklmnopqrstuvwxyz12345%"}), 0);
}

TEST_F(ValueStatements, UnderErrorModeMinusOneBadStatementsAreSkipped) {
    ASSERT_EQ(run_fresh({"ERRORMODE -1", "DECLARE x%[2],a%,bad name%,b%", "LET x%[5]=1", "LET a%=x%[7]+1",
          "LET nope%=3", "DIM% -1", "LIST% 0=5", "ADD a%", "INC b%"}), 0);
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(integer("b%"), 1);
    EXPECT_EQ(list_bound('%'), -1);
}

TEST_F(ValueStatements, ParametersTakeTheArgumentSlots) {
    ParamBlock& p = parameter_block();
    p.i[1] = 11;
    p.s[2] = "two";
    p.l[3] = 33;
    p.f[4] = 4.5;
    load_listing({"PARAMETERS a%,b$,c#,d!"});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(integer("a%"), 11);
    EXPECT_EQ(text("b$"), "two");
    EXPECT_EQ(find_area(std::string_view("c#")), nullptr);  // other kinds are ignored
    EXPECT_EQ(real("d!"), 4.5);
}

TEST_F(ValueStatements, Clear) {
    ASSERT_EQ(run_fresh({"DECLARE a%,s$,x![1]", "LET a%=5", "LET s$=\"t\"", "LET x![1]=2", "CLEAR a%,s$,x![]"}), 0);
    EXPECT_EQ(integer("a%"), 0);
    EXPECT_EQ(text("s$"), "");
    ArrayDesc* x = find_array(std::string_view("x!"));
    EXPECT_EQ(float_element(element_index(*x, 1, 0, 0)), 0.0);

    EXPECT_EQ(run_fresh({"DECLARE p#", "CLEAR p#"}), 2);
    EXPECT_EQ(failure(), "Bereichsvariable ist nicht DIMensioniert!");

    EXPECT_EQ(run_fresh({"CLEAR q%"}), 2);
    EXPECT_EQ(failure(), "Variable nicht declariert: Q%");
}

TEST_F(ValueStatements, AreaVariablesHoldAnAddress) {
    ASSERT_EQ(run_fresh({"DECLARE p#,v&", "LET p#=123456", "LET v&=p#"}), 0);
    EXPECT_EQ(find_area(std::string_view("P#"))->data, 123456u);
    EXPECT_EQ(*find_long(std::string_view("v&")), 123456);

    EXPECT_EQ(run_fresh({"DECLARE p#,v&", "LET v&=p#"}), 2);
    EXPECT_EQ(failure(), "Bereichsvariable ist nicht DIMensioniert!");

    EXPECT_EQ(run_fresh({"DECLARE p#", "LET p#.x%=1"}), 2);  // structures come later
}

TEST_F(ValueStatements, ClearZeroesTheBlockOfAnAreaVariable) {
    const uint32_t block = low_alloc(16);
    ASSERT_NE(block, 0u);
    uint8_t* bytes = address_pointer(block);
    for (int k = 0; k < 16; ++k) bytes[k] = 0xAA;
    VarName n;
    make_name("blk#", n);
    AreaVar* a = declare_area(n);
    a->data = block;
    a->size = 8;
    load_listing({"CLEAR blk#"});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[7], 0);
    EXPECT_EQ(bytes[8], 0xAA);

    // Pointed at memory that is not the program's: refused, nothing written.
    a->data = 16;
    reset_interpreter();
    reset_shutdown_steps();
    load_listing({"CLEAR blk#"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(failure(), "Bereichsgrenze \xFC" "berschritten: BLK#");
    low_free(block);
}

}  // namespace
}  // namespace tolven::testing
