// The file platform on Win32: the system's own directory search (its
// wildcard rules, 8.3 names included, and its order), attributes and
// directory calls, with GetLastError codes for failures.
#include "data/win32/file_platform_win32.h"

#include <windows.h>

#include "data/file_platform.h"
#include "values/win32/system_time.h"

namespace tolven {

namespace {

int last_error() {
    const DWORD e = GetLastError();
    return e ? static_cast<int>(e) : winerr::kAccessDenied;
}

class Win32FilePlatform : public FilePlatform {
public:
    std::vector<DirEntry> find(const std::string& pattern) override {
        std::vector<DirEntry> out;
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA(pattern.c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) return out;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) continue;
            out.push_back({data.cFileName, data.dwFileAttributes});
        } while (FindNextFileA(h, &data));
        FindClose(h);
        return out;
    }

    std::optional<uint32_t> attributes(const std::string& name) override {
        const DWORD a = GetFileAttributesA(name.c_str());
        if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
        return static_cast<uint32_t>(a);
    }

    int set_attributes(const std::string& name, uint32_t a) override {
        return SetFileAttributesA(name.c_str(), a) ? 0 : last_error();
    }

    std::optional<DateTime> last_write(const std::string& name) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
        FILETIME local;
        SYSTEMTIME st;
        if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st))
            return std::nullopt;
        return date_time_of(st);
    }

    int change_dir(const std::string& path) override {
        return SetCurrentDirectoryA(path.c_str()) ? 0 : last_error();
    }
    int make_dir(const std::string& path) override {
        return CreateDirectoryA(path.c_str(), nullptr) ? 0 : last_error();
    }
    int remove_dir(const std::string& path) override {
        return RemoveDirectoryA(path.c_str()) ? 0 : last_error();
    }
    std::string current_dir() override {
        char buf[MAX_PATH + 1];
        const DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
        if (n == 0 || n > MAX_PATH) return {};
        return std::string(buf, n);
    }

    int rename(const std::string& from, const std::string& to) override {
        return MoveFileA(from.c_str(), to.c_str()) ? 0 : last_error();
    }
    int erase(const std::string& name) override {
        return DeleteFileA(name.c_str()) ? 0 : last_error();
    }

    bool same_file(const std::string& a, const std::string& b) override {
        BY_HANDLE_FILE_INFORMATION ia, ib;
        return identity(a, ia) && identity(b, ib) &&
               ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
               ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
    }

    std::string full_path(const std::string& name) override {
        char buf[MAX_PATH + 1];
        const DWORD n = name.empty() ? 0 : GetFullPathNameA(name.c_str(), sizeof buf, buf, nullptr);
        if (n == 0 || n > MAX_PATH) return name;
        return std::string(buf, n);
    }

    std::string join(const std::string& dir, const std::string& name) override {
        if (dir.empty() || dir.back() == '\\' || dir.back() == '/') return dir + name;
        return dir + "\\" + name;
    }

private:
    static bool identity(const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const bool ok = GetFileInformationByHandle(h, &info) != 0;
        CloseHandle(h);
        return ok;
    }
};

Win32FilePlatform win32_platform;

}  // namespace

FilePlatform& win32_file_platform() { return win32_platform; }

}  // namespace tolven
