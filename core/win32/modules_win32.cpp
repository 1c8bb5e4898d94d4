#include "core/win32/modules_win32.h"

namespace tolven {

void register_win32_modules() {
    // One line per Windows-only module.
}

}  // namespace tolven
