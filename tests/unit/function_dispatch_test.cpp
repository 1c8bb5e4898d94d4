#include "values/functions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/built.h"
#include "core/errors.h"
#include "core/loop.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"

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

// What the built lists claim for functions must be what the portable
// registration puts into the function table.
TEST_F(Dispatch, PortableListsMatchTheFunctionTable) {
    install_portable_handlers();
    std::set<int> claimed;
    for (const BuiltModule& m : built_modules())
        if (m.portable) claimed.insert(m.functions.begin(), m.functions.end());
    for (int t = 0; t < 256; ++t) {
        if (claimed.count(t)) EXPECT_NE(function_handler(t), nullptr) << "listed function " << t;
        else EXPECT_EQ(function_handler(t), nullptr) << "unlisted function " << t;
    }
}

}  // namespace
}  // namespace tolven::testing
