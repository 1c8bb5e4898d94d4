// Names, argument shapes and owners of every command, function and
// system-variable token, read from core/tokens.def. The interpreter uses it
// for diagnostics, the assembler to turn names into bytes and back, and
// docs/tokens.md is rendered from it.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tolven {

// The tokens by name, generated from the table: code says Cmd::PRINT,
// Fn::MID_S and Sys::DIALOGRESULT, never the byte.
enum class Cmd : uint8_t {
#define TOLVEN_CMD(code, id, name, kind, owner, args, meaning) id = code,
#include "core/tokens.def"
};
enum class Fn : uint8_t {
#define TOLVEN_FN(code, id, name, result, owner, args, meaning) id = code,
#include "core/tokens.def"
};
enum class Sys : uint8_t {
#define TOLVEN_SYSVAR(code, id, name, result, owner, meaning) id = code,
#include "core/tokens.def"
};

constexpr uint8_t code_of(Cmd t) { return static_cast<uint8_t>(t); }
constexpr uint8_t code_of(Fn t) { return static_cast<uint8_t>(t); }
constexpr uint8_t code_of(Sys t) { return static_cast<uint8_t>(t); }

// A line's command token compared with a name.
constexpr bool operator==(uint8_t code, Cmd t) { return code == code_of(t); }

enum class TokenFamily : uint8_t { Command, Function, SysVar };

// Commands: run inline by the loop or through the handler table.
// Functions: a built-in handler, or the argument access of user functions
// (tokens 33, 36, 37, 38), which the dispatcher serves itself.
// System variables carry Value.
enum class TokenKind : uint8_t { Inline, Handler, Argument, Value };

enum class TokenResult : uint8_t { None, Str, Int, Long, Float, Any };

enum class Owner : uint8_t { Core, Values, Screen, Gui, Data, System };

struct TokenInfo {
    uint8_t code;
    TokenFamily family;
    const char* name;     // upper case; never empty
    TokenKind kind;
    TokenResult result;    // None for commands
    Owner owner;
    const char* args;     // "" when there are none (always "" for system variables)
    const char* meaning;
};

// nullptr when the code has no meaning in that family.
const TokenInfo* command_info(uint8_t code);
const TokenInfo* function_info(uint8_t code);
const TokenInfo* sysvar_info(uint8_t code);

// Lookup by name, ignoring ASCII case ("mid$" finds MID$).
const TokenInfo* find_command(std::string_view name);
const TokenInfo* find_function(std::string_view name);
const TokenInfo* find_sysvar(std::string_view name);

// Every entry of a family in ascending code order.
std::span<const TokenInfo> all_commands();
std::span<const TokenInfo> all_functions();
std::span<const TokenInfo> all_sysvars();

const char* owner_name(Owner owner);          // "core", "values", ...
const char* result_name(TokenResult result);   // "string", "integer", ...
const char* kind_name(TokenKind kind);        // "inline", "handler", ...

// The reference tables of docs/tokens.md.
std::string tokens_markdown();

}  // namespace tolven
