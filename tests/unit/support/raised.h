// Runs a call with runtime errors suppressed (error mode -1) and tells which
// number it raised, so a test sees a failure without the process ending.
#pragma once
#include "core/errors.h"

namespace tolven::testing {

// The number the call raised last (0: none); error mode 1 afterwards.
template <class F>
int raised(F f) {
    errors.error_mode = -1;
    errors.last_error_number = 0;
    f();
    errors.error_mode = 1;
    return errors.last_error_number;
}

}  // namespace tolven::testing
