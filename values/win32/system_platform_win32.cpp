// The system queries on Win32. It names the main window's procedures and
// handle (screen/win32/main_window.h) because the system variables report
// them; that is the one arrow from values to the screen's Win32 code.
#include <windows.h>

#include <cstdlib>

#include "screen/win32/main_window.h"
#include "values/low_memory.h"
#include "values/system_platform.h"
#include "values/win32/system_platform_win32.h"
#include "values/win32/system_time.h"

namespace tolven {

namespace {

uint32_t handle_value(const void* h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }

std::string profile_intl(const char* key, LCTYPE fallback_type, const char* fallback) {
    char def[128];
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, fallback_type, def, sizeof def) <= 0) {
        lstrcpynA(def, fallback, sizeof def);
    }
    char buf[128];
    GetProfileStringA("intl", key, def, buf, sizeof buf);
    return buf;
}

// "X:\" for drive 1..26, null for the current drive.
bool drive_root(int drive, char root[4]) {
    if (drive < 0 || drive > 26) return false;
    if (drive == 0) return true;
    root[0] = static_cast<char>('A' + drive - 1);
    root[1] = ':';
    root[2] = '\\';
    root[3] = 0;
    return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
}

std::optional<ULARGE_INTEGER> space(int drive, bool free_part) {
    char root[4] = {};
    if (!drive_root(drive, root)) return std::nullopt;
    ULARGE_INTEGER avail, total, free_total;
    if (!GetDiskFreeSpaceExA(drive == 0 ? nullptr : root, &avail, &total, &free_total))
        return std::nullopt;
    return free_part ? avail : total;
}

class Win32SystemPlatform : public SystemPlatform {
public:
    std::string windows_directory() override {
        char buf[MAX_PATH + 1] = {};
        const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
        return n < sizeof buf ? std::string(buf, n) : std::string();
    }
    std::string system_directory() override {
        char buf[MAX_PATH + 1] = {};
        const UINT n = GetSystemDirectoryA(buf, sizeof buf);
        return n < sizeof buf ? std::string(buf, n) : std::string();
    }
    uint32_t version() override { return GetVersion(); }
    std::string current_drive() override {
        char buf[MAX_PATH + 1] = {};
        const DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
        return n >= 2 && n < sizeof buf ? std::string(buf, 2) : std::string();
    }
    uint32_t focus_window() override { return handle_value(GetFocus()); }
    uint32_t desktop_window() override { return handle_value(GetDesktopWindow()); }
    uint32_t instance_handle() override { return handle_value(GetModuleHandleA(nullptr)); }
    int32_t screen_width() override { return caps(HORZRES); }
    int32_t screen_height() override { return caps(VERTRES); }
    int32_t colour_depth() override { return caps(BITSPIXEL) * caps(PLANES); }

    uint32_t device_context(int which) override {
        const DrawingTargets& t = drawing_targets();
        return handle_value(which == 1 ? t.secondary : t.primary);
    }
    uint32_t window_procedure(int index) override {
        const void* p = nullptr;
        switch (index) {
            case 0: p = reinterpret_cast<const void*>(&main_window_proc); break;
            case 1: p = reinterpret_cast<const void*>(&dialog_main_window_proc); break;
            case 2: p = reinterpret_cast<const void*>(&dialog_class_proc); break;
            case 3: p = reinterpret_cast<const void*>(&dialog_box_proc); break;
            default: break;
        }
        return pointer_address(p);
    }

    bool peek_message(MessageRecord& out) override {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
        out.window = handle_value(msg.hwnd);
        out.message = msg.message;
        out.wparam = static_cast<int32_t>(msg.wParam);
        out.lparam = static_cast<int32_t>(msg.lParam);
        return true;
    }

    RegionalSettings regional_settings() override {
        RegionalSettings r;
        r.date_separator = profile_intl("sDate", LOCALE_SDATE, ".");
        r.short_date = profile_intl("sShortDate", LOCALE_SSHORTDATE, "dd.MM.yyyy");
        r.decimal = profile_intl("sDecimal", LOCALE_SDECIMAL, ",");
        r.thousands = profile_intl("sThousand", LOCALE_STHOUSAND, ".");
        return r;
    }
    DateTime local_time() override {
        SYSTEMTIME st;
        GetLocalTime(&st);
        return date_time_of(st);
    }
    DateTime utc_time() override {
        SYSTEMTIME st;
        GetSystemTime(&st);
        return date_time_of(st);
    }

    std::optional<int64_t> disk_free(int drive) override {
        const auto v = space(drive, true);
        if (!v) return std::nullopt;
        return static_cast<int64_t>(v->QuadPart);
    }
    std::optional<int64_t> disk_size(int drive) override {
        const auto v = space(drive, false);
        if (!v) return std::nullopt;
        return static_cast<int64_t>(v->QuadPart);
    }
    std::optional<std::string> drive_directory(int drive) override {
        char root[4] = {};
        if (!drive_root(drive, root)) return std::nullopt;
        char buf[MAX_PATH + 1] = {};
        DWORD n;
        if (drive == 0) {
            n = GetCurrentDirectoryA(sizeof buf, buf);
        } else {
            const char relative[3] = {root[0], ':', 0};
            n = GetFullPathNameA(relative, sizeof buf, buf, nullptr);
        }
        if (n == 0 || n >= sizeof buf) return std::nullopt;
        return std::string(buf, n);
    }

    std::optional<int64_t> file_size(const std::string& name) override {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        LARGE_INTEGER size;
        const BOOL ok = GetFileSizeEx(h, &size);
        CloseHandle(h);
        if (!ok) return std::nullopt;
        return static_cast<int64_t>(size.QuadPart);
    }

    std::string ansi_to_oem(std::string_view text) override {
        std::string out(text);
        if (!out.empty()) CharToOemBuffA(out.data(), out.data(), static_cast<DWORD>(out.size()));
        return out;
    }
    std::string oem_to_ansi(std::string_view text) override {
        std::string out(text);
        if (!out.empty()) OemToCharBuffA(out.data(), out.data(), static_cast<DWORD>(out.size()));
        return out;
    }

    std::vector<std::string> command_line() override {
        std::vector<std::string> out;
        for (int k = 0; k < __argc; ++k) out.emplace_back(__argv[k]);
        return out;
    }

private:
    static int32_t caps(int index) {
        HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
        if (!ic) return 0;
        const int v = GetDeviceCaps(ic, index);
        DeleteDC(ic);
        return v;
    }
};

}  // namespace

SystemPlatform& win32_system_platform() {
    static Win32SystemPlatform platform;
    return platform;
}

}  // namespace tolven
