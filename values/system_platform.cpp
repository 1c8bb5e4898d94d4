#include "values/system_platform.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/host.h"
#include "values/charcase.h"

namespace tolven {

namespace {

SystemPlatform default_platform;
SystemPlatform* current = nullptr;
std::optional<RegionalSettings> cached;

DateTime from_clock(bool utc) {
    using namespace std::chrono;
    const int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return date_time_from_epoch_ms(ms, utc).value_or(DateTime{});
}

}  // namespace

std::optional<DateTime> date_time_from_epoch_ms(int64_t ms, bool utc) {
    // Floor division, so a moment before 1970 keeps a millisecond of 0..999.
    const int64_t millisecond = ((ms % 1000) + 1000) % 1000;
    const std::time_t secs = static_cast<std::time_t>((ms - millisecond) / 1000);
    std::tm tm{};
#if defined(_WIN32)
    const bool ok = (utc ? gmtime_s(&tm, &secs) : localtime_s(&tm, &secs)) == 0;
#else
    const bool ok = (utc ? gmtime_r(&secs, &tm) : localtime_r(&secs, &tm)) != nullptr;
#endif
    if (!ok) return std::nullopt;
    DateTime d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    d.millisecond = static_cast<int32_t>(millisecond);
    return d;
}

DateTime SystemPlatform::local_time() { return from_clock(false); }
DateTime SystemPlatform::utc_time() { return from_clock(true); }

// Natively there are no drive letters: the current drive and C: stand for
// the file system of the working directory.
std::optional<int64_t> SystemPlatform::disk_free(int drive) {
    if (drive != 0 && drive != 3) return std::nullopt;
    std::error_code ec;
    auto info = std::filesystem::space(std::filesystem::current_path(ec), ec);
    if (ec) return std::nullopt;
    return static_cast<int64_t>(info.available);
}

std::optional<int64_t> SystemPlatform::disk_size(int drive) {
    if (drive != 0 && drive != 3) return std::nullopt;
    std::error_code ec;
    auto info = std::filesystem::space(std::filesystem::current_path(ec), ec);
    if (ec) return std::nullopt;
    return static_cast<int64_t>(info.capacity);
}

std::optional<std::string> SystemPlatform::drive_directory(int drive) {
    if (drive != 0 && drive != 3) return std::nullopt;
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    if (ec) return std::nullopt;
    return p.string();
}

std::optional<int64_t> SystemPlatform::file_size(const std::string& name) {
    std::error_code ec;
    if (name.empty() || !std::filesystem::is_regular_file(name, ec)) return std::nullopt;
    const auto size = std::filesystem::file_size(name, ec);
    if (ec) return std::nullopt;
    return static_cast<int64_t>(size);
}

std::string SystemPlatform::ansi_to_oem(std::string_view text) { return tolven::ansi_to_oem(text); }
std::string SystemPlatform::oem_to_ansi(std::string_view text) { return tolven::oem_to_ansi(text); }

std::vector<std::string> SystemPlatform::command_line() { return {host().own_executable_path()}; }

SystemPlatform& system_platform() { return current ? *current : default_platform; }

void set_system_platform(SystemPlatform* p) {
    current = p;
    cached.reset();
}

const RegionalSettings& regional() {
    if (!cached) cached = system_platform().regional_settings();
    return *cached;
}

void reset_regional_cache() { cached.reset(); }

std::string regional_date_order() {
    const RegionalSettings& r = regional();
    return date_order(r.date_separator, r.short_date);
}

}  // namespace tolven
