// The waits on the platform: the message pump of the main window, the
// blocking wait for one message, Sleep.
#include <windows.h>

#include "gui/menus.h"
#include "gui/waits.h"
#include "gui/win32/waits_win32.h"
#include "screen/win32/main_window.h"

namespace tolven {

namespace {

BOOL CALLBACK found_one(HWND, LPARAM lp) {
    *reinterpret_cast<bool*>(lp) = true;
    return FALSE;
}

constexpr DWORD kLongestSleepMs = 100;

class Win32WaitPlatform final : public WaitPlatform {
public:
    // Every input wakes the wait at once; the timeout only bounds how long
    // F1 held down goes unnoticed (the pump reads it from the keyboard's
    // state), so it can be long enough for an idle program to cost next to
    // nothing.
    void wait_a_moment() override { wait_and_pump(kLongestSleepMs); }
    uint32_t wait_for_message() override {
        if (!input_possible()) return 0;
        return wait_for_next_message();
    }
    void sleep(uint32_t milliseconds) override { Sleep(milliseconds); }
    bool input_possible() override {
        if (timer_running()) return true;
        bool any = false;
        EnumThreadWindows(GetCurrentThreadId(), found_one, reinterpret_cast<LPARAM>(&any));
        return any;
    }
};

}  // namespace

WaitPlatform& win32_wait_platform() {
    static Win32WaitPlatform platform;
    return platform;
}

}  // namespace tolven
