#include "core/control_flow.h"

#include <string>

#include "core/errors.h"
#include "core/interp.h"

namespace tolven {

namespace {
bool is_pending_inline(uint8_t token) {
    switch (token) {
        case 51: case 59: case 60:                      // loops
        case 85: case 86: case 107: case 108: case 109:  // area writes
        case 133: case 134: case 135: case 136: case 137: case 138:
        case 139: case 140: case 141: case 142: case 143: case 243:
            return true;
        default:
            return false;
    }
}
}  // namespace

bool run_control_flow(uint8_t token) {
    if (is_pending_inline(token)) {
        raise_error(102, std::to_string(token));
        return true;
    }
    return false;
}

void reset_control_flow() {}

}  // namespace tolven
