#include "core/loop.h"

#include <string>

#include "core/control_flow.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/line_trace.h"
#include "core/tokens.h"
#include "core/pump.h"
#include "core/shutdown.h"
#include "values/reader.h"
#include "values/textops.h"

namespace tolven {

Program program;
Interp interp;

namespace {

// The statement handler table: filled once per process by the composition
// root, so it is not part of the per-run interpreter state.
Handler handlers[256] = {};

// Statements whose module has not landed yet say so instead of silently
// doing nothing.
void unknown_statement() { raise_error(102, std::to_string(interp.current_token)); }

// The statement to run: its token and argument text; nothing at all reads
// as a comment.
inline void take_statement(std::string_view statement) {
    if (statement.empty()) {
        interp.current_token = code_of(Cmd::REM);
        interp.argument_text = {};
    } else {
        interp.current_token = static_cast<uint8_t>(statement[0]);
        interp.argument_text = statement.substr(1);
    }
}

// Applies a CASE / CASENOT prefix. Returns false when the line does nothing.
bool apply_case_prefix(bool run_when_true) {
    std::string_view args = interp.argument_text;
    size_t colon = find_separator(args, ':');
    if (colon == std::string_view::npos) {
        raise_error(127);
        return false;
    }
    begin_arguments(args.substr(0, colon));
    read_arg(' ', kAny);
    const bool holds = slots.i != 0;
    if (holds != run_when_true) return false;
    take_statement(args.substr(colon + 1));
    return true;
}

void trace_line() {
    std::string n = std::to_string(interp.current_line);
    host().debug_output("debugTRACE*RUNTIME*" + n + "*TRACE*0");
    int answer = host().message_box("Line " + n + "!", "TRACE:",
                                    mb::kOkCancel | mb::kIconInformation, true);
    if (answer == mb::kIdCancel) raise_error(999);
    host().refresh_main_window();
}

}  // namespace

void set_handler(uint8_t token, Handler handler) { handlers[token] = handler; }
Handler statement_handler(uint8_t token) { return handlers[token]; }

void clear_handlers() {
    for (const TokenInfo& t : all_commands())
        handlers[t.code] = t.kind == TokenKind::Handler ? unknown_statement : nullptr;
}

void reset_interpreter() {
    interp = Interp{};
    reset_control_flow();
}

namespace {

// One pass of the loop. The watched form also logs the line and shows the
// trace box; run_loop picks the form with a single test, so a run without
// any trace pays nothing more for it.
template <bool kWatched>
inline void run_line() {
    ++interp.current_line;
    ++interp.lines_run;
    interp.found_flag = false;
    take_statement(program.lines[static_cast<size_t>(interp.current_line)]);
    // Logged before anything of the line runs, so a line that fails or
    // never returns is the last one in the log.
    if constexpr (kWatched)
        if (interp.watch & watch::kLineLog) log_line();
    last_key_seen();

    bool runs = true;
    if (interp.current_token == Cmd::CASE) runs = apply_case_prefix(true);
    if (runs && interp.current_token == Cmd::CASENOT) runs = apply_case_prefix(false);

    if (runs) {
        if constexpr (kWatched)
            if ((interp.watch & watch::kTraceBox) && interp.current_token != 0 &&
                interp.current_token != Cmd::REM)
                trace_line();
        begin_arguments(interp.argument_text);
        if (Handler h = handlers[interp.current_token]) {
            h();
        } else {
            run_inline(interp.current_token);
        }
    }

    if (!interp.pump_switch) {
        if (interp.pump_counter > 19) {
            periodic_pump();
            interp.pump_counter = 0;
        } else {
            ++interp.pump_counter;
        }
    }
}

}  // namespace

void run_loop() {
    while (interp.current_line < program.line_count && !interp.end_flag) {
        if (interp.watch) [[unlikely]]
            run_line<true>();
        else
            run_line<false>();
    }
}

void run_program() {
    run_loop();
    shutdown_and_exit(0);
}

}  // namespace tolven
