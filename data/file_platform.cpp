// Windows wildcard matching and the std::filesystem stand-in for the Win32
// platform part (used by the native tests, and in Windows builds only until
// the real part is installed).
#include "data/file_platform.h"

#include "data/file_faults.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "values/system_platform.h"
#include "values/textops.h"

namespace tolven {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Wildcards

namespace {

// The pattern as the platform's matcher sees it: "*" before "." stops at the
// name's last dot, "?" may match nothing at a dot or the end, and "." before
// "*", "?" or the end may match the end of the name.
enum : char { kStar = 1, kDosStar = 2, kDosQm = 3, kDosDot = 4 };

std::string translate(std::string_view p) {
    std::string out;
    out.reserve(p.size());
    for (size_t k = 0; k < p.size(); ++k) {
        const char c = p[k];
        const char next = k + 1 < p.size() ? p[k + 1] : '\0';
        if (c == '*') out.push_back(next == '.' ? kDosStar : kStar);
        else if (c == '?') out.push_back(kDosQm);
        else if (c == '.' && (next == '*' || next == '?' || k + 1 == p.size())) out.push_back(kDosDot);
        else out.push_back(c);
    }
    return out;
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
    const std::string p = translate(pattern);
    const size_t m = p.size(), n = name.size();
    const size_t last_dot = name.rfind('.');
    // next[j]: the pattern from position i+1 matches name[j..]; one row at a
    // time, from the end of the pattern, so time is m*n and memory n.
    std::vector<char> next(n + 1, 0), cur(n + 1, 0);
    next[n] = 1;
    for (size_t i = m; i-- > 0;) {
        const char t = p[i];
        for (size_t j = n + 1; j-- > 0;) {
            bool ok = false;
            switch (t) {
                case kStar: ok = next[j] || (j < n && cur[j + 1]); break;
                case kDosStar: ok = next[j] || (j < n && j != last_dot && cur[j + 1]); break;
                case kDosQm: ok = (j < n && next[j + 1]) || ((j == n || name[j] == '.') && next[j]); break;
                case kDosDot: ok = (j < n && name[j] == '.' && next[j + 1]) || (j == n && next[j]); break;
                default:
                    ok = j < n &&
                         fold_upper(static_cast<unsigned char>(name[j])) ==
                             fold_upper(static_cast<unsigned char>(t)) &&
                         next[j + 1];
                    break;
            }
            cur[j] = ok ? 1 : 0;
        }
        std::swap(cur, next);
    }
    return next[0] != 0;
}

// ---------------------------------------------------------------------------
// The std::filesystem platform

namespace {

int code_of(const std::error_code& ec, int missing) {
    if (!ec) return 0;
    if (ec == std::errc::no_such_file_or_directory) return missing;
    if (ec == std::errc::not_a_directory) return winerr::kPathNotFound;
    if (ec == std::errc::file_exists) return winerr::kAlreadyExists;
    if (ec == std::errc::directory_not_empty) return winerr::kDirNotEmpty;
    if (ec == std::errc::filename_too_long) return 206;
    if (ec == std::errc::invalid_argument) return winerr::kInvalidName;
    return winerr::kAccessDenied;
}

uint32_t attributes_of(const fs::path& p, std::error_code& ec) {
    const fs::file_status link = fs::symlink_status(p, ec);
    if (ec || !fs::exists(link)) {
        if (!ec) ec = std::make_error_code(std::errc::no_such_file_or_directory);
        return 0;
    }
    uint32_t a = 0;
    fs::file_status st = link;
    if (fs::is_symlink(link)) {
        a |= attr::kReparsePoint;
        std::error_code ignored;
        st = fs::status(p, ignored);
    }
    if (fs::is_directory(st)) a |= attr::kDirectory;
    else a |= attr::kArchive;
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) a |= attr::kReadOnly;
    return a;
}

class StdFilePlatform : public FilePlatform {
public:
    std::vector<DirEntry> find(const std::string& pattern) override {
        std::vector<DirEntry> out;
        const size_t slash = pattern.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
        const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
        if (mask.empty()) return out;
        std::error_code ec;
        if (!fs::is_directory(dir, ec)) return out;
        // Windows lists "." and ".." in every directory but a root.
        if (fs::path(dir).lexically_normal() != fs::path(dir).root_path()) {
            for (const char* special : {".", ".."})
                if (wildcard_match(mask, special)) out.push_back({special, attr::kDirectory});
        }
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (!wildcard_match(mask, name)) continue;
            std::error_code aec;
            const uint32_t a = attributes_of(it->path(), aec);
            if (!aec) out.push_back({name, a});
        }
        return out;
    }

    std::optional<uint32_t> attributes(const std::string& name) override {
        if (name.empty()) return std::nullopt;
        std::error_code ec;
        const uint32_t a = attributes_of(name, ec);
        if (ec) return std::nullopt;
        return a;
    }

    int set_attributes(const std::string& name, uint32_t a) override {
        std::error_code ec;
        if (!attributes(name)) return winerr::kFileNotFound;
        // Only the read-only bit has a meaning here.
        const fs::perms w = fs::perms::owner_write;
        fs::permissions(name, w, (a & attr::kReadOnly) ? fs::perm_options::remove : fs::perm_options::add, ec);
        return code_of(ec, winerr::kFileNotFound);
    }

    std::optional<DateTime> last_write(const std::string& name) override {
        std::error_code ec;
        if (name.empty()) return std::nullopt;
        const auto t = fs::last_write_time(name, ec);
        if (ec) return std::nullopt;
        const auto sys = std::chrono::file_clock::to_sys(t);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sys.time_since_epoch());
        return date_time_from_epoch_ms(ms.count(), false);
    }

    int change_dir(const std::string& path) override {
        std::error_code ec;
        if (path.empty()) return winerr::kPathNotFound;
        fs::current_path(path, ec);
        return code_of(ec, winerr::kFileNotFound);
    }

    int make_dir(const std::string& path) override {
        std::error_code ec;
        if (path.empty()) return winerr::kPathNotFound;
        if (fs::exists(fs::symlink_status(path, ec))) return winerr::kAlreadyExists;
        ec.clear();
        fs::create_directory(path, ec);
        return code_of(ec, winerr::kPathNotFound);
    }

    int remove_dir(const std::string& path) override {
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(path, ec);
        if (path.empty() || !fs::exists(st)) return winerr::kFileNotFound;
        if (!fs::is_directory(st)) return 267;  // ERROR_DIRECTORY
        fs::remove(path, ec);
        return code_of(ec, winerr::kFileNotFound);
    }

    std::string current_dir() override {
        std::error_code ec;
        const fs::path p = fs::current_path(ec);
        return ec ? std::string() : p.string();
    }

    std::string full_path(const std::string& name) override {
        std::error_code ec;
        const fs::path p = name.empty() ? fs::path() : fs::absolute(name, ec);
        return ec || p.empty() ? name : p.lexically_normal().string();
    }

    int rename(const std::string& from, const std::string& to) override {
        std::error_code ec;
        if (!attributes(from)) return winerr::kFileNotFound;
        if (attributes(to) && !same_file(from, to)) return winerr::kAlreadyExists;
        fs::rename(from, to, ec);
        return code_of(ec, winerr::kPathNotFound);
    }

    int erase(const std::string& name) override {
        const std::optional<uint32_t> a = attributes(name);
        if (!a) return winerr::kFileNotFound;
        if (*a & attr::kDirectory) return winerr::kAccessDenied;
        std::error_code ec;
        fs::remove(name, ec);
        return code_of(ec, winerr::kFileNotFound);
    }

    bool same_file(const std::string& a, const std::string& b) override {
        std::error_code ec;
        if (a.empty() || b.empty()) return false;
        return fs::equivalent(a, b, ec) && !ec;
    }

    std::string join(const std::string& dir, const std::string& name) override {
        if (dir.empty() || dir.back() == '/') return dir + name;
        return dir + "/" + name;
    }
};

StdFilePlatform std_platform;
FilePlatform* current_platform = &std_platform;

}  // namespace

FilePlatform& file_platform() { return file_faults_active() ? faulty_platform(*current_platform) : *current_platform; }
void set_file_platform(FilePlatform* p) { current_platform = p ? p : &std_platform; }

}  // namespace tolven
