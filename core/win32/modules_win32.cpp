#include "core/win32/modules_win32.h"

#include "data/win32/file_platform_win32.h"

namespace tolven {

void register_win32_modules() {
    // One line per Windows-only module.
    install_win32_file_platform();
}

}  // namespace tolven
