// The loaded program and the interpreter's process-wide state.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/tokens.h"

namespace tolven {

constexpr int32_t kMaxLines = 65535;
constexpr int32_t kMaxLineBytes = 32767;

// The line table as loaded: lines[1..line_count], index 0 unused. Lines never
// change while the program runs, so views into them stay valid.
struct Program {
    std::vector<std::string> lines{1};
    std::vector<uint8_t> expression_flags{0};
    int32_t line_count = 0;

    std::string file_name;       // file that holds the program
    int32_t program_offset = 0;  // header position inside that file
    bool appended = false;       // found appended to the runtime itself
    int32_t end_position = 0;    // file position after the last record read

    void clear() {
        lines.assign(1, std::string());
        expression_flags.assign(1, 0);
        line_count = 0;
    }
    void add_line(std::string text, uint8_t expression_flag) {
        lines.push_back(std::move(text));
        expression_flags.push_back(expression_flag);
        ++line_count;
    }
};
extern Program program;

struct Interp {
    int32_t current_line = 0;     // 1-based; jumps set it to target - 1
    uint8_t current_token = 0;
    std::string_view argument_text;  // the current statement's argument text
    bool end_flag = false;
    bool found_flag = false;
    bool pump_switch = false;     // on: no periodic message pumping
    uint8_t pump_counter = 0;
    uint64_t lines_run = 0;       // for measurements
    uint8_t watch = 0;            // watch:: bits; 0 keeps the loop on its fast path
    bool runtime_mode = false;    // set once loading is done
};
extern Interp interp;

// What the loop does beside running each line.
namespace watch {
constexpr uint8_t kTraceBox = 1;  // debug mode 2: a box before every statement
constexpr uint8_t kLineLog = 2;   // TOLVEN_TRACE: every line run is logged
}  // namespace watch
inline void set_watch(uint8_t what, bool on) {
    interp.watch = static_cast<uint8_t>(on ? interp.watch | what : interp.watch & ~what);
}

// Line l's text (empty for out-of-range numbers).
inline std::string_view line_text(int32_t l) {
    if (l < 1 || l > program.line_count) return {};
    return program.lines[static_cast<size_t>(l)];
}
// Line l's command token; an empty line counts as a comment.
inline uint8_t line_token(int32_t l) {
    std::string_view t = line_text(l);
    return t.empty() ? code_of(Cmd::REM) : static_cast<uint8_t>(t[0]);
}
inline Cmd line_command(int32_t l) { return static_cast<Cmd>(line_token(l)); }

}  // namespace tolven
