#include "app/built.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "app/modules.h"
#include "app/win32_modules.h"
#include "core/tokens.h"

namespace tolven {
namespace {

// The Windows-only tables may only be read at compile time here: their
// handlers are not linked into the native build.
struct TokenSets {
    std::array<bool, 256> statements{}, functions{};
    bool inline_in_table = false, duplicate = false;
};
consteval TokenSets windows_only_tokens() {
    TokenSets t;
    for (const Module* m : kWin32Modules) {
        for (const StatementEntry& e : m->statements) {
            t.duplicate |= t.statements[code_of(e.token)];
            t.statements[code_of(e.token)] = true;
        }
        for (const FunctionEntry& e : m->functions) {
            t.duplicate |= t.functions[code_of(e.token)];
            t.functions[code_of(e.token)] = true;
        }
    }
    return t;
}
constexpr TokenSets kWindowsOnly = windows_only_tokens();
static_assert(!kWindowsOnly.duplicate, "a Windows-only token is in two tables");

// Two modules claiming one token would make the later one silently win;
// a table row for an inline command or an argument-access function would
// never run; both are mistakes of a table, not of the token table.
TEST(ModuleTables, EachTokenHasOneOwnerAndAHandlerKind) {
    std::map<int, std::string> statement_owner, function_owner;
    for (int t = 0; t < 256; ++t) {
        if (kWindowsOnly.statements[t]) statement_owner[t] = "windows-only";
        if (kWindowsOnly.functions[t]) function_owner[t] = "windows-only";
    }
    for (const Module* m : portable_modules()) {
        for (const StatementEntry& e : m->statements) {
            const TokenInfo* info = command_info(code_of(e.token));
            ASSERT_NE(info, nullptr);
            EXPECT_EQ(info->kind, TokenKind::Handler) << m->name << ": " << info->name;
            EXPECT_NE(e.handler, nullptr) << m->name << ": " << info->name;
            EXPECT_TRUE(statement_owner.emplace(code_of(e.token), m->name).second)
                << info->name << " in " << m->name << " and " << statement_owner[code_of(e.token)];
            EXPECT_TRUE(statement_is_built(code_of(e.token))) << info->name;
        }
        for (const FunctionEntry& e : m->functions) {
            const TokenInfo* info = function_info(code_of(e.token));
            ASSERT_NE(info, nullptr);
            EXPECT_NE(e.handler, nullptr) << m->name << ": " << info->name;
            EXPECT_TRUE(function_owner.emplace(code_of(e.token), m->name).second)
                << info->name << " in " << m->name << " and " << function_owner[code_of(e.token)];
            EXPECT_TRUE(function_is_built(code_of(e.token))) << info->name;
        }
    }
}

TEST(ModuleTables, BuiltIsWhatTheTablesAndTheLoopProvide) {
    EXPECT_TRUE(statement_is_built(code_of(Cmd::END)));       // run by the loop itself
    EXPECT_TRUE(statement_is_built(code_of(Cmd::TEXTXY)));    // a Windows-only module
    EXPECT_TRUE(function_is_built(code_of(Fn::ARG_S)));       // served by the dispatcher
    EXPECT_FALSE(statement_is_built(0));                      // no meaning, nothing to build
    int handler_tokens = 0, built = 0;
    for (const TokenInfo& t : all_commands()) {
        if (t.kind != TokenKind::Handler) continue;
        ++handler_tokens;
        built += statement_is_built(t.code) ? 1 : 0;
    }
    EXPECT_GT(built, 0);
    EXPECT_LE(built, handler_tokens);
}

}  // namespace
}  // namespace tolven
