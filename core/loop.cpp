#include "core/loop.h"

#include <string>

#include "core/control_flow.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/modules.h"
#include "core/pump.h"
#include "core/shutdown.h"
#include "values/reader.h"
#include "values/textops.h"

namespace tolven {

Program program;
Interp interp;

namespace {

constexpr uint8_t kComment = 39;
constexpr uint8_t kCase = 129;
constexpr uint8_t kCaseNot = 130;

// Statements whose module has not landed yet say so instead of silently
// doing nothing.
void unknown_statement() { raise_error(102, std::to_string(interp.current_token)); }

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
    std::string_view statement = args.substr(colon + 1);
    if (statement.empty()) {
        interp.current_token = kComment;
        interp.argument_text = {};
    } else {
        interp.current_token = static_cast<uint8_t>(statement[0]);
        interp.argument_text = statement.substr(1);
    }
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

void set_handler(uint8_t token, Handler handler) { interp.handlers[token] = handler; }

void install_portable_handlers() {
    for (auto& h : interp.handlers) h = nullptr;
    for (int token : kHandlerTokens) interp.handlers[token] = unknown_statement;
    register_portable_modules();
}

void reset_interpreter() {
    Handler saved[256];
    for (int t = 0; t < 256; ++t) saved[t] = interp.handlers[t];
    interp = Interp{};
    for (int t = 0; t < 256; ++t) interp.handlers[t] = saved[t];
    reset_control_flow();
}

void run_loop() {
    while (interp.current_line < program.line_count && !interp.end_flag) {
        ++interp.current_line;
        ++interp.lines_run;
        interp.found_flag = false;
        std::string_view line = program.lines[static_cast<size_t>(interp.current_line)];
        if (line.empty()) {
            interp.current_token = kComment;
            interp.argument_text = {};
        } else {
            interp.current_token = static_cast<uint8_t>(line[0]);
            interp.argument_text = line.substr(1);
        }
        last_key_seen();

        bool runs = true;
        if (interp.current_token == kCase) runs = apply_case_prefix(true);
        if (runs && interp.current_token == kCaseNot) runs = apply_case_prefix(false);

        if (runs) {
            if (interp.trace && interp.current_token != 0 && interp.current_token != kComment)
                trace_line();
            begin_arguments(interp.argument_text);
            if (Handler h = interp.handlers[interp.current_token]) {
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
}

void run_program() {
    run_loop();
    shutdown_and_exit(0);
}

}  // namespace tolven
