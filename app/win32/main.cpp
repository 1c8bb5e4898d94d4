// Process entry of tolvrun.exe: the composition root of the Windows build.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/modules.h"
#include "app/win32_modules.h"
#include "core/automation.h"
#include "core/debug.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/interp.h"
#include "core/line_trace.h"
#include "core/loader.h"
#include "core/loop.h"
#include "core/pump.h"
#include "core/win32/win32_host.h"
#include "data/file_platform.h"
#include "data/odbc_platform.h"
#include "data/win32/file_platform_win32.h"
#include "data/win32/odbc_win32.h"
#include "data/win32/table_dialogs_win32.h"
#include "gui/dialog_platform.h"
#include "gui/waits.h"
#include "gui/win32/dialogs_win32.h"
#include "gui/win32/waits_win32.h"
#include "gui/win32/window_snapshot_win32.h"
#include "screen/display.h"
#include "screen/graphics.h"
#include "screen/printing.h"
#include "screen/win32/graphics_win32.h"
#include "screen/win32/main_window.h"
#include "screen/win32/printing_win32.h"
#include "system/services_platform.h"
#include "system/win32/serial_win32.h"
#include "system/win32/services_win32.h"
#include "system/win32/sound_win32.h"
#include "values/system_platform.h"
#include "values/win32/system_platform_win32.h"

namespace {

// Every platform object the portable code reaches, installed in one place
// before anything runs. The file system of the record-file layer stays C
// stdio, which the Windows C library already maps onto the platform.
void install_platform() {
    using namespace tolven;
    static Win32Host win32_host;
    set_host(&win32_host);
    set_system_platform(&win32_system_platform());
    set_file_platform(&win32_file_platform());
    set_odbc_platform(&win32_odbc_platform());
    set_display(&main_window_display());
    set_services_platform(&win32_services_platform());
    set_sound_platform(&win32_sound_platform());
    set_serial_platform(&win32_serial_platform());
    set_graphics(&win32_graphics());
    set_print_platform(&win32_print_platform());
    set_dialog_platform(&win32_dialog_platform());
    set_wait_platform(&win32_wait_platform());
    table_dialogs::set_table_dialog_platform(&win32_table_dialog_platform());
    automation::set_window_source(collect_windows);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace tolven;
    install_platform();
    automation::configure(std::getenv("TOLVEN_TRANSCRIPT"), std::getenv("TOLVEN_ANSWERS"));
    automation::configure_windows(std::getenv("TOLVEN_REAL_DIALOGS"), std::getenv("TOLVEN_WINDOWS"),
                                  std::getenv("TOLVEN_ACTIVESHOT"));
    if (const char* always = std::getenv("TOLVEN_BENCH_PUMP_ALWAYS"); always && *always == '1')
        set_pump_always(true);
    if (const char* faults = std::getenv("TOLVEN_FILE_FAULTS")) set_file_faults(faults);

    std::vector<std::string> args;
    for (int k = 1; k < __argc; ++k) args.emplace_back(__argv[k]);

    install_portable_modules();
    install_modules(kWin32Modules);
    reset_runtime();
    if (const char* mode = std::getenv("TOLVEN_DEBUG")) {
        char* end = nullptr;
        const long n = std::strtol(mode, &end, 10);
        if (end != mode && *end == '\0' && n >= INT32_MIN && n <= INT32_MAX)
            start_debug_mode(static_cast<int32_t>(n));
    }
    init_main_window_module();

    find_and_load_program(args);
    if (const char* path = std::getenv("TOLVEN_TRACE"); path && *path) {
        if (!start_line_trace(path)) raise_warning(301, path);
    }
    interp.runtime_mode = true;
    run_program();
}
