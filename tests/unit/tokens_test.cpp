#include "core/tokens.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace tolven;

namespace {

std::set<int> range_set(std::initializer_list<std::pair<int, int>> ranges) {
    std::set<int> out;
    for (auto [a, b] : ranges)
        for (int c = a; c <= b; ++c) out.insert(c);
    return out;
}

template <class Pred>
std::set<int> codes_of(std::span<const TokenInfo> entries, Pred pred) {
    std::set<int> out;
    for (const TokenInfo& t : entries)
        if (pred(t)) out.insert(t.code);
    return out;
}

bool name_is_identifier_like(std::string_view name, bool allow_suffix) {
    if (name.empty() || !(name[0] >= 'A' && name[0] <= 'Z')) return false;
    for (size_t i = 1; i < name.size(); ++i) {
        char c = name[i];
        bool last = i + 1 == name.size();
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) continue;
        if (allow_suffix && last && (c == '$' || c == '%' || c == '&' || c == '!')) continue;
        return false;
    }
    return true;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

TEST(TokensTest, CommandsAreInlineOrHandlersWithoutResult) {
    for (const TokenInfo& t : all_commands()) {
        EXPECT_TRUE(t.kind == TokenKind::Inline || t.kind == TokenKind::Handler) << t.name;
        EXPECT_EQ(t.result, TokenResult::None) << t.name;
    }
}

TEST(TokensTest, CommandsWithoutMeaningAreAbsent) {
    std::set<int> none = range_set({{0, 1}, {3, 38}, {40, 49}, {58, 58}});
    for (int c : none) EXPECT_EQ(command_info(static_cast<uint8_t>(c)), nullptr) << "command " << c;
    EXPECT_EQ(command_info(21), nullptr);  // the expression-line marker
}

TEST(TokensTest, FunctionTokens) {
    auto fns = all_functions();
    std::set<int> handled = codes_of(fns, [](auto& t) { return t.kind == TokenKind::Handler; });
    EXPECT_EQ(handled.size(), 218u);
    std::set<int> expected = range_set({{24, 254}});
    for (int c : {32, 33, 34, 35, 36, 37, 38, 39, 96, 97, 187, 217, 218}) expected.erase(c);
    EXPECT_EQ(handled, expected);

    // The argument accesses of user functions, one per value kind.
    const std::pair<int, TokenResult> args[] = {
        {33, TokenResult::Float}, {36, TokenResult::Str}, {37, TokenResult::Int}, {38, TokenResult::Long}};
    for (auto [code, result] : args) {
        const TokenInfo* t = function_info(static_cast<uint8_t>(code));
        ASSERT_NE(t, nullptr) << code;
        EXPECT_EQ(t->kind, TokenKind::Argument);
        EXPECT_EQ(t->owner, Owner::Values);
        EXPECT_EQ(t->result, result);
    }
    EXPECT_EQ(fns.size(), 222u);
    // Everything else introduces a user-function call.
    for (int c : {0, 23, 32, 34, 35, 39, 96, 97, 187, 217, 218, 255})
        EXPECT_EQ(function_info(static_cast<uint8_t>(c)), nullptr) << c;
}

TEST(TokensTest, SystemVariableTokens) {
    std::set<int> expected = range_set({{129, 231}, {254, 254}});
    EXPECT_EQ(codes_of(all_sysvars(), [](auto&) { return true; }), expected);
    for (const TokenInfo& t : all_sysvars()) {
        EXPECT_EQ(t.kind, TokenKind::Value);
        EXPECT_STREQ(t.args, "");
        EXPECT_NE(t.result, TokenResult::None) << t.name;
    }
}

TEST(TokensTest, EntriesAreOrderedAndComplete) {
    for (auto family : {all_commands(), all_functions(), all_sysvars()}) {
        int previous = -1;
        for (const TokenInfo& t : family) {
            EXPECT_GT(t.code, previous) << t.name;
            previous = t.code;
            ASSERT_NE(t.name, nullptr);
            ASSERT_NE(t.args, nullptr);
            ASSERT_NE(t.meaning, nullptr);
            EXPECT_TRUE(*t.args || *t.meaning) << t.name;
            EXPECT_NE(std::string(owner_name(t.owner)), "?") << t.name;
        }
    }
}

TEST(TokensTest, NamesAreUniqueAndParseBack) {
    struct Family {
        std::span<const TokenInfo> entries;
        const TokenInfo* (*find)(std::string_view);
        const TokenInfo* (*by_code)(uint8_t);
        bool suffix;
    };
    const Family families[] = {{all_commands(), find_command, command_info, true},
                               {all_functions(), find_function, function_info, true},
                               {all_sysvars(), find_sysvar, sysvar_info, false}};
    for (const Family& f : families) {
        std::set<std::string> names;
        for (const TokenInfo& t : f.entries) {
            EXPECT_TRUE(names.insert(t.name).second) << "duplicate " << t.name;
            EXPECT_TRUE(name_is_identifier_like(t.name, f.suffix)) << t.name;
            EXPECT_EQ(f.find(t.name), &t) << t.name;
            EXPECT_EQ(f.find(lower(t.name)), &t) << t.name;
            EXPECT_EQ(f.by_code(t.code), &t) << t.name;
        }
        EXPECT_EQ(f.find(""), nullptr);
        EXPECT_EQ(f.find("NO SUCH TOKEN"), nullptr);
    }
    // Type characters are part of the name: the list statements differ only there.
    EXPECT_EQ(find_command("DIM%")->code, 0xC8);
    EXPECT_EQ(find_command("dim$")->code, 0xCB);
    EXPECT_EQ(find_command("DIM")->code, 0x6F);
    EXPECT_EQ(find_command("LIST"), nullptr);
}

TEST(TokensTest, StringFunctionsEndInDollar) {
    for (const TokenInfo& t : all_functions()) {
        std::string_view name = t.name;
        EXPECT_EQ(name.back() == '$', t.result == TokenResult::Str) << t.name;
    }
}

TEST(TokensTest, KnownTokens) {
    // The line of the sample program: assignment of a settings value.
    const TokenInfo* let = command_info(0xCE);
    ASSERT_NE(let, nullptr);
    EXPECT_STREQ(let->name, "LET");
    const TokenInfo* read = function_info(0xC7);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->owner, Owner::System);
    EXPECT_EQ(read->result, TokenResult::Str);

    EXPECT_STREQ(command_info(0x27)->name, "REM");
    EXPECT_EQ(find_command("CASENOT")->code, 0x82);
    EXPECT_EQ(find_command("ELSEIF")->kind, TokenKind::Inline);
    EXPECT_EQ(find_command("POKEB")->owner, Owner::Values);  // inline, but area code
    EXPECT_EQ(find_function("MID$")->code, 0x93);
    EXPECT_EQ(find_sysvar("MOUSEX")->code, 137);
    EXPECT_EQ(find_sysvar("mousex")->result, TokenResult::Int);
}

TEST(TokensTest, MarkdownHasOneRowPerEntry) {
    std::string md = tokens_markdown();
    EXPECT_NE(md.find("## Command tokens"), std::string::npos);
    EXPECT_NE(md.find("## Function tokens"), std::string::npos);
    EXPECT_NE(md.find("## System-variable tokens"), std::string::npos);
    size_t rows = 0;
    std::istringstream in(md);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("| ", 0) == 0 && line.find(" | 0x") != std::string::npos) ++rows;
    EXPECT_EQ(rows, all_commands().size() + all_functions().size() + all_sysvars().size());
    // An argument shape with a bar must not split its row.
    EXPECT_NE(md.find("`#file\\|name,attributes`"), std::string::npos);
}

// docs/tokens.md is rendered from the table. Run with TOLVEN_UPDATE_DOCS=1 to
// rewrite it after changing core/tokens.def.
TEST(TokensTest, DocsFileIsInSync) {
    const char* root = std::getenv("TOLVEN_SOURCE_DIR");
    std::string path = std::string(root ? root : "../..") + "/docs/tokens.md";
    std::string expected = tokens_markdown();
    if (std::getenv("TOLVEN_UPDATE_DOCS")) {
        std::ofstream out(path, std::ios::binary);
        ASSERT_TRUE(out) << path;
        out << expected;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) GTEST_SKIP() << path << " not found";
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(text.str() == expected) << path << " is out of date; rerun with TOLVEN_UPDATE_DOCS=1";
}
