// Process entry of tolvrun.exe.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/automation.h"
#include "core/interp.h"
#include "core/loader.h"
#include "core/loop.h"
#include "core/pump.h"
#include "core/win32/modules_win32.h"
#include "core/win32/win32_host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace tolven;
    static Win32Host win32_host;
    set_host(&win32_host);
    automation::configure(std::getenv("TOLVEN_TRANSCRIPT"), std::getenv("TOLVEN_ANSWERS"));
    if (const char* always = std::getenv("TOLVEN_BENCH_PUMP_ALWAYS"); always && *always == '1')
        set_pump_always(true);

    std::vector<std::string> args;
    for (int k = 1; k < __argc; ++k) args.emplace_back(__argv[k]);

    install_portable_handlers();
    register_win32_modules();
    find_and_load_program(args);
    interp.runtime_mode = true;
    run_program();
}
