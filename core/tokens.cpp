#include "core/tokens.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace tolven {

namespace {

// The table's bare words are pasted onto these prefixes rather than used
// directly, so that a platform header defining INLINE or the like cannot
// change their meaning.
constexpr TokenKind kind_INLINE = TokenKind::Inline;
constexpr TokenKind kind_HANDLER = TokenKind::Handler;
constexpr TokenResult result_R_STR = TokenResult::Str;
constexpr TokenResult result_R_INT = TokenResult::Int;
constexpr TokenResult result_R_LONG = TokenResult::Long;
constexpr TokenResult result_R_FLOAT = TokenResult::Float;
constexpr TokenResult result_R_ANY = TokenResult::Any;
constexpr Owner owner_core = Owner::Core;
constexpr Owner owner_values = Owner::Values;
constexpr Owner owner_screen = Owner::Screen;
constexpr Owner owner_gui = Owner::Gui;
constexpr Owner owner_data = Owner::Data;
constexpr Owner owner_system = Owner::System;

// Function tokens 32..39 have no built-in handler; those of them in the
// table read an argument of the running user function.
constexpr TokenKind function_kind(int code) {
    return code >= 32 && code <= 39 ? TokenKind::Argument : TokenKind::Handler;
}

constexpr TokenInfo kCommands[] = {
#define TOLVEN_CMD(code, id, name, kind, owner, args, meaning) \
    {code, TokenFamily::Command, name, kind_##kind, TokenResult::None, owner_##owner, args, meaning},
#include "core/tokens.def"
};

constexpr TokenInfo kFunctions[] = {
#define TOLVEN_FN(code, id, name, result, owner, args, meaning) \
    {code, TokenFamily::Function, name, function_kind(code), result_##result, owner_##owner, args, meaning},
#include "core/tokens.def"
};

constexpr TokenInfo kSysVars[] = {
#define TOLVEN_SYSVAR(code, id, name, result, owner, meaning) \
    {code, TokenFamily::SysVar, name, TokenKind::Value, result_##result, owner_##owner, "", meaning},
#include "core/tokens.def"
};

std::string fold_upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// One family's indexes, built on first use. A duplicate code or name in the
// table would make a lookup ambiguous; the first entry wins and the unit
// tests report the duplicate.
struct Index {
    std::array<const TokenInfo*, 256> by_code{};
    std::unordered_map<std::string, const TokenInfo*> by_name;

    explicit Index(std::span<const TokenInfo> entries) {
        for (const TokenInfo& t : entries) {
            if (!by_code[t.code]) by_code[t.code] = &t;
            by_name.emplace(fold_upper(t.name), &t);
        }
    }
    const TokenInfo* find(std::string_view name) const {
        auto it = by_name.find(fold_upper(name));
        return it == by_name.end() ? nullptr : it->second;
    }
};

const Index& command_index() {
    static const Index index(kCommands);
    return index;
}
const Index& function_index() {
    static const Index index(kFunctions);
    return index;
}
const Index& sysvar_index() {
    static const Index index(kSysVars);
    return index;
}

// Table cells must not break the row: a "|" inside them is escaped.
std::string cell(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

std::string code_cell(std::string_view text) {
    if (text.empty()) return "";
    return "`" + cell(text) + "`";
}

void append_row(std::string& out, const TokenInfo& t, bool with_args, const char* type_column) {
    char codes[32];
    std::snprintf(codes, sizeof codes, "| %u | 0x%02X | ", static_cast<unsigned>(t.code),
                  static_cast<unsigned>(t.code));
    out += codes;
    out += code_cell(t.name);
    out += " | ";
    if (with_args) {
        out += code_cell(t.args);
        out += " | ";
    }
    out += type_column;
    out += " | ";
    out += cell(t.meaning);
    out += " | ";
    out += owner_name(t.owner);
    out += " |\n";
}

}  // namespace

const TokenInfo* command_info(uint8_t code) { return command_index().by_code[code]; }
const TokenInfo* function_info(uint8_t code) { return function_index().by_code[code]; }
const TokenInfo* sysvar_info(uint8_t code) { return sysvar_index().by_code[code]; }

const TokenInfo* find_command(std::string_view name) { return command_index().find(name); }
const TokenInfo* find_function(std::string_view name) { return function_index().find(name); }
const TokenInfo* find_sysvar(std::string_view name) { return sysvar_index().find(name); }

std::span<const TokenInfo> all_commands() { return kCommands; }
std::span<const TokenInfo> all_functions() { return kFunctions; }
std::span<const TokenInfo> all_sysvars() { return kSysVars; }

const char* owner_name(Owner owner) {
    switch (owner) {
        case Owner::Core: return "core";
        case Owner::Values: return "values";
        case Owner::Screen: return "screen";
        case Owner::Gui: return "gui";
        case Owner::Data: return "data";
        case Owner::System: return "system";
    }
    return "?";
}

const char* result_name(TokenResult result) {
    switch (result) {
        case TokenResult::None: return "-";
        case TokenResult::Str: return "string";
        case TokenResult::Int: return "integer";
        case TokenResult::Long: return "long";
        case TokenResult::Float: return "float";
        case TokenResult::Any: return "any";
    }
    return "?";
}

const char* kind_name(TokenKind kind) {
    switch (kind) {
        case TokenKind::Inline: return "inline";
        case TokenKind::Handler: return "handler";
        case TokenKind::Argument: return "argument";
        case TokenKind::Value: return "value";
    }
    return "?";
}

std::string tokens_markdown() {
    std::string out;
    out +=
        "# Token reference\n"
        "\n"
        "Generated from `core/tokens.def` by `tokens_markdown()`; edit the table, not this "
        "file (the unit tests fail while the two differ).\n"
        "\n"
        "Arguments: a trailing `$` `%` `&` `!` marks a string, integer, long or float, "
        "`name#` an area variable, `#file` a file number, `#n` a table number, `h` a window "
        "handle; `,` `;` `-` `>` `=` are the separators read; `[...]` is optional. "
        "Owner is the source folder of the subsystem that implements the token "
        "(for system variables: the one that keeps the value).\n"
        "\n"
        "## Command tokens\n"
        "\n"
        "First byte of a program line. Inline tokens are run by the interpreter loop "
        "itself; handler tokens through the statement handler table. Codes not listed "
        "(0, 1, 3-38, 40-49, 58) do nothing; 21 marks an expression line and is never "
        "a token.\n"
        "\n"
        "| Dec | Hex | Name | Arguments | Kind | Meaning | Owner |\n"
        "|---:|---|---|---|---|---|---|\n";
    for (const TokenInfo& t : all_commands()) append_row(out, t, true, kind_name(t.kind));

    out +=
        "\n"
        "## Function tokens\n"
        "\n"
        "Written as `@`, the token byte, the arguments and `)`. Codes not listed call a "
        "user function through the two-byte line number that follows (normally 0xFF).\n"
        "\n"
        "| Dec | Hex | Name | Arguments | Result | Meaning | Owner |\n"
        "|---:|---|---|---|---|---|---|\n";
    for (const TokenInfo& t : all_functions()) {
        std::string type = result_name(t.result);
        if (t.kind == TokenKind::Argument) type += " (argument access)";
        append_row(out, t, true, type.c_str());
    }

    out +=
        "\n"
        "## System-variable tokens\n"
        "\n"
        "Written as a type character (`$` `%` `&` `!`) followed by the token byte. Result "
        "is the slot that receives the value.\n"
        "\n"
        "| Dec | Hex | Name | Result | Meaning | Owner |\n"
        "|---:|---|---|---|---|---|\n";
    for (const TokenInfo& t : all_sysvars()) append_row(out, t, false, result_name(t.result));
    return out;
}

}  // namespace tolven
