// The platform side of the file statements: directory searches, attributes,
// time stamps, directories, renaming and erasing. Byte and text contents go
// through the file-access layer of data/record_file.h instead.
//
// Every failure is reported as a Windows error code (0 = success), because
// that is what a program reads back through the I/O error system variable.
// The Win32 build installs the real implementation at start; the default one
// uses std::filesystem and imitates the Windows rules (case-insensitive
// wildcards, "." and ".." in searches) so the statements can be tested
// natively.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "values/dates.h"

namespace tolven {

// File attributes with the platform's values.
namespace attr {
constexpr uint32_t kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04, kVolume = 0x08,
                   kDirectory = 0x10, kArchive = 0x20, kNormal = 0x80, kReparsePoint = 0x400;
}

// Windows error codes the statements leave pending themselves.
namespace winerr {
constexpr int kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5, kNegativeSeek = 131,
              kInvalidName = 123, kAlreadyExists = 183, kDirNotEmpty = 145;
}

struct DirEntry {
    std::string name;      // the long name, as the directory holds it
    uint32_t attributes = 0;
    bool is_directory() const { return (attributes & attr::kDirectory) != 0; }
};

class FilePlatform {
public:
    virtual ~FilePlatform() = default;

    // Every entry matching the pattern (a path whose last part may hold * and
    // ?), in the order the system returns them; "." and ".." included where
    // the system reports them, volume labels never. Empty when nothing
    // matches or the directory does not exist.
    virtual std::vector<DirEntry> find(const std::string& pattern) = 0;

    // Attributes of a file or directory; nullopt when it does not exist.
    virtual std::optional<uint32_t> attributes(const std::string& name) = 0;
    virtual int set_attributes(const std::string& name, uint32_t attributes) = 0;
    // Last-write time, local time.
    virtual std::optional<DateTime> last_write(const std::string& name) = 0;

    virtual int change_dir(const std::string& path) = 0;
    virtual int make_dir(const std::string& path) = 0;
    virtual int remove_dir(const std::string& path) = 0;
    virtual std::string current_dir() = 0;

    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int erase(const std::string& name) = 0;

    // True when both names lead to one existing file.
    virtual bool same_file(const std::string& a, const std::string& b) = 0;
    // The name with the current directory (and drive) it is relative to, so
    // it names the same file after the current directory changed.
    virtual std::string full_path(const std::string& name) { return name; }

    // Joins a directory and a name the way the system writes paths.
    virtual std::string join(const std::string& dir, const std::string& name) = 0;
};

// The platform in use; set_file_platform(nullptr) restores the default.
FilePlatform& file_platform();
void set_file_platform(FilePlatform* p);

// ---------------------------------------------------------------------------
// Chosen failures
//
// So that the paths handling a failed file access can be tried on the real
// program, any operation on a named file can be made to fail. The fault list is a
// list separated by ";" of OP:NAME[:N[:CODE]]: OP is open, read, write,
// flush, truncate, rename or erase; NAME is compared case-insensitively
// with the last part of the file's path; the Nth such operation (default 1)
// and every later one fail, with the Windows error code CODE (default 5
// for open, rename and erase, 112 (disk full) for write, flush and
// truncate, 30 for read).
// While a fault list is set, file_platform() and file_system() (data/record_file.h)
// hand out wrappers that apply it. False (and nothing set) for a list that
// cannot be read. The runtime takes it from TOLVEN_FILE_FAULTS.
enum class FileOp { Open, Read, Write, Flush, Truncate, Rename, Erase };
bool set_file_faults(std::string_view list);
// Counts one operation on a file: the error code it is to fail with, or 0.
int file_fault(FileOp op, std::string_view name);
bool file_faults_active();

// The Windows matching rules for directory searches, case-insensitive:
// "*" any run, "?" one character (or none at a "." or the end of the name),
// "*.*" everything, a final "." names without extension, "*" before a "."
// stops at the name's last ".".
bool wildcard_match(std::string_view pattern, std::string_view name);

}  // namespace tolven
