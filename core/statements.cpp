// The statements the loop owns: END, the evaluate-only lines and the pump
// switch, and the inline dispatch.
#include <string>

#include "core/control_flow.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "core/registry.h"
#include "values/reader.h"

namespace tolven {

namespace {

void evaluate_and_discard() { read_arg(',', kAny); }

void end_program() { interp.end_flag = true; }

// -2 switches periodic pumping off; any other value switches it back on and
// becomes the error mode.
void pump_switch_and_error_mode() {
    int32_t value = read_int(' ');
    if (value == -2) {
        interp.pump_switch = true;
    } else {
        interp.pump_switch = false;
        errors.error_mode = value;
    }
}

constexpr StatementEntry kStatements[] = {
    {Cmd::DISCARD, evaluate_and_discard},
    {Cmd::STOP, end_program},
    {Cmd::ERRORMODE, pump_switch_and_error_mode},
};

}  // namespace

const Module kCoreModule{"core", kStatements, {}, reset_interpreter};

bool run_inline(uint8_t token) {
    switch (static_cast<Cmd>(token)) {
        case Cmd::END:
            interp.end_flag = true;
            return true;
        case Cmd::REM:   // comment or empty line
        case Cmd::DEF:   // the body runs only when called
        case Cmd::ENDIF:
        case Cmd::NOP:
            return true;
        case Cmd::EVAL:
            read_arg(' ', kAny);
            return true;
        default:
            return run_control_flow(token);
    }
}

}  // namespace tolven
