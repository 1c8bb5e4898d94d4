#include "core/built.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/interp.h"
#include "core/loop.h"
#include "core/modules.h"
#include "core/tokens.h"

namespace tolven {
namespace {

TEST(BuiltTokens, ListsNameRealTokensOnce) {
    std::map<int, const char*> statement_owner, function_owner;
    for (const BuiltModule& m : built_modules()) {
        for (uint8_t t : m.statements) {
            EXPECT_NE(command_info(t), nullptr) << m.name << " lists statement " << int(t);
            EXPECT_TRUE(statement_owner.emplace(t, m.name).second) << "statement " << int(t) << " listed twice";
            EXPECT_TRUE(statement_is_built(t));
        }
        for (uint8_t t : m.functions) {
            EXPECT_NE(function_info(t), nullptr) << m.name << " lists function " << int(t);
            EXPECT_TRUE(function_owner.emplace(t, m.name).second) << "function " << int(t) << " listed twice";
            EXPECT_TRUE(function_is_built(t));
        }
    }
    EXPECT_TRUE(statement_is_built(2));    // END
    EXPECT_FALSE(statement_is_built(0));   // no meaning, nothing to build
}

// The lists of portable modules must say what their registration does: a
// handler token they claim has a real handler, every other one still has
// the one placeholder that reports an unknown statement.
TEST(BuiltTokens, PortableListsMatchTheHandlerTable) {
    install_portable_handlers();
    std::set<int> claimed;
    for (const BuiltModule& m : built_modules())
        if (m.portable) claimed.insert(m.statements.begin(), m.statements.end());
    std::set<Handler> placeholders;
    for (uint8_t t : kHandlerTokens)
        if (!claimed.count(t)) placeholders.insert(interp.handlers[t]);
    EXPECT_LE(placeholders.size(), 1u) << "an unlisted handler token has its own handler";
    for (int t : claimed) {
        const TokenInfo* info = command_info(static_cast<uint8_t>(t));
        ASSERT_NE(info, nullptr);
        if (info->kind == TokenKind::Inline) {
            EXPECT_EQ(interp.handlers[t], nullptr) << "inline token " << t << " has a handler";
        } else {
            EXPECT_NE(interp.handlers[t], nullptr) << t;
            EXPECT_FALSE(placeholders.count(interp.handlers[t])) << "listed token " << t << " is not registered";
        }
    }
}

TEST(BuiltTokens, HandlerTokensComeFromTheTokenTable) {
    std::set<int> from_table, from_modules(kHandlerTokens.begin(), kHandlerTokens.end());
    for (const TokenInfo& t : all_commands())
        if (t.kind == TokenKind::Handler) from_table.insert(t.code);
    EXPECT_EQ(from_modules, from_table);
    EXPECT_EQ(kHandlerTokens.size(), 179u);
}

}  // namespace
}  // namespace tolven
