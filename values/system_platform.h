// What the system variables and the system functions ask the platform:
// directories, versions, screen metrics, the clock, the regional settings,
// drives and the command line.
//
// The Win32 build installs the real implementation at start
// (values/win32/system_platform_win32.cpp). The default one answers as a
// German Windows without windows would, so the portable code can be tested
// natively; unit tests install their own.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "values/dates.h"
#include "values/message_record.h"

namespace tolven {

// The regional settings the number and date functions use. The defaults are
// the German ones.
struct RegionalSettings {
    std::string date_separator = ".";       // "sDate"
    std::string short_date = "dd.MM.yyyy";  // "sShortDate"
    std::string decimal = ",";              // "sDecimal"
    std::string thousands = ".";            // "sThousand"
};

class SystemPlatform {
public:
    virtual ~SystemPlatform() = default;

    virtual std::string windows_directory() { return "C:\\WINDOWS"; }
    virtual std::string system_directory() { return "C:\\WINDOWS\\system32"; }
    // GetVersion: low byte major, second byte minor, high word the build
    // or platform bits.
    virtual uint32_t version() { return 0x0A280105u; }  // 5.1
    // "C:"
    virtual std::string current_drive() { return "C:"; }

    virtual uint32_t focus_window() { return 0; }
    virtual uint32_t desktop_window() { return 0; }
    virtual uint32_t instance_handle() { return 0; }
    virtual int32_t screen_width() { return 1024; }
    virtual int32_t screen_height() { return 768; }
    // Bits per pixel times planes.
    virtual int32_t colour_depth() { return 32; }

    // Device contexts of drawing: 0 the primary target, 1 the secondary
    // target, 2 the one drawn on at the moment.
    virtual uint32_t device_context(int which) { return 0; }
    // Addresses of the four window procedures of the main window module.
    virtual uint32_t window_procedure(int index) { return 0; }

    // Whether a message waits for the thread (not removed).
    virtual bool peek_message(MessageRecord& out) { return false; }

    virtual RegionalSettings regional_settings() { return {}; }
    virtual DateTime local_time();
    virtual DateTime utc_time();

    // Drive 0 is the current drive, 1 is A:. nullopt for a drive that
    // does not exist or cannot be asked.
    virtual std::optional<int64_t> disk_free(int drive);
    virtual std::optional<int64_t> disk_size(int drive);
    virtual std::optional<std::string> drive_directory(int drive);

    // Size of a file; nullopt when it cannot be opened.
    virtual std::optional<int64_t> file_size(const std::string& name);

    // The conversions between the ANSI and the OEM character set.
    virtual std::string ansi_to_oem(std::string_view text);
    virtual std::string oem_to_ansi(std::string_view text);

    // The command line: entry 0 is the runtime itself, the rest are the
    // parameters.
    virtual std::vector<std::string> command_line();
};

// The platform in use; set_system_platform(nullptr) restores the default.
SystemPlatform& system_platform();
void set_system_platform(SystemPlatform* p);

// The regional settings as read at the first use (they do not change while
// a program runs); reset_regional_cache() makes the next use read again.
const RegionalSettings& regional();
void reset_regional_cache();
// The date order text (".dMy" with German settings).
std::string regional_date_order();

// A moment given in milliseconds since 1970 (UTC) as a date and time in the
// C library's local time or in UTC; nullopt when it cannot convert it. The
// portable platforms read the clock and file times through it.
std::optional<DateTime> date_time_from_epoch_ms(int64_t ms, bool utc);

}  // namespace tolven
