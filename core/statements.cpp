// The statements the loop owns: END, the evaluate-only lines and the pump
// switch, and the inline dispatch.
#include <string>

#include "core/control_flow.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
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

}  // namespace

void register_core_statements() {
    set_handler(90, evaluate_and_discard);
    set_handler(191, end_program);
    set_handler(239, pump_switch_and_error_mode);
}

bool run_inline(uint8_t token) {
    switch (token) {
        case 2:
            interp.end_flag = true;
            return true;
        case 39:   // comment or empty line
        case 131:  // DEF line: the body runs only when called
        case 132:  // ENDIF
        case 254:
            return true;
        case 64:
            read_arg(' ', kAny);
            return true;
        default:
            return run_control_flow(token);
    }
}

}  // namespace tolven
