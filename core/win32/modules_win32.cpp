#include "core/win32/modules_win32.h"

#include "screen/win32/screen_statements.h"

#include "data/win32/file_platform_win32.h"

namespace tolven {

void register_win32_modules() {
    // One line per Windows-only module.
    register_screen_statements();
    install_win32_file_platform();
}

}  // namespace tolven
