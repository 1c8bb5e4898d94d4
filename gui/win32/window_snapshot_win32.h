// The windows of the process as TOLVEN_WINDOWS records them.
#pragma once
#include <vector>

#include "core/automation.h"

namespace tolven {

// Every window of the process: each top-level window in z-order, followed
// by its descendants depth-first in child order.
std::vector<automation::WindowRecord> collect_windows();

}  // namespace tolven
