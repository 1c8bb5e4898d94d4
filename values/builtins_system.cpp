// Family 7: paths, file sizes, drives, directory searches, the command line
// and the text screen.
#include <string>
#include <vector>

#include "core/errors.h"
#include "data/file_numbers.h"
#include "data/file_platform.h"
#include "screen/text_screen.h"
#include "values/builtins.h"
#include "values/functions.h"
#include "values/reader.h"
#include "values/system_platform.h"
#include "values/textops.h"

namespace tolven {

namespace {

constexpr int32_t kNoMoreFiles = 18;
constexpr int32_t kFileNotFound = 2;

struct DirectorySearch {
    std::vector<DirEntry> entries;
    size_t next = 0;
    bool open = false;
};
DirectorySearch search;

// Volume labels are never found; a directory comes in square brackets.
std::string next_entry() {
    while (search.open && search.next < search.entries.size()) {
        const DirEntry& e = search.entries[search.next++];
        if (e.attributes & attr::kVolume) continue;
        return e.is_directory() ? "[" + e.name + "]" : e.name;
    }
    search = DirectorySearch{};
    set_file_error_flag(kNoMoreFiles);
    return {};
}

void fn_find_first() {
    const std::string pattern = read_string(')', kRawString);
    search = DirectorySearch{};
    search.entries = file_platform().find(pattern);
    search.open = true;
    set_result_string(next_entry());
}

void fn_find_next() { set_result_string(next_entry()); }

// The long form of a path, part by part, each looked up in its directory.
void fn_long_path() {
    const std::string path = read_string(')', kRawString);
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t cut = path.find('\\', from);
        parts.push_back(path.substr(from, cut == std::string::npos ? std::string::npos : cut - from));
        if (cut == std::string::npos) break;
        from = cut + 1;
    }
    std::string out;
    for (size_t k = 0; k < parts.size(); ++k) {
        const std::string& part = parts[k];
        if (part.empty()) {
            // The root ("\dir") keeps its backslash; doubled and trailing
            // ones are passed over.
            if (k == 0) out = "\\";
            continue;
        }
        if (k == 0 && part.size() == 2 && part[1] == ':') {
            out = part;
            continue;
        }
        std::string prefix = out;
        if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
        std::vector<DirEntry> found;
        if (part.find_first_of("*?") == std::string::npos) found = file_platform().find(prefix + part);
        if (found.empty()) {
            set_file_error_flag(kFileNotFound);
            break;
        }
        out = prefix + found.front().name;
    }
    if (!path.empty() && path.back() == '\\' && (out.empty() || out.back() != '\\')) out += '\\';
    set_result_string(out);
}

void fn_file_size() {
    const std::string file = read_string(')', kRawString);
    const auto size = system_platform().file_size(file);
    if (!size) {
        raise_warning(209, file);
        set_result_long(-1);
        return;
    }
    set_result_long(*size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(*size));
}

void fn_parameter() {
    const int32_t n = read_int(')');
    const std::vector<std::string> line = system_platform().command_line();
    if (n < 0 || static_cast<size_t>(n) >= line.size()) {
        raise_error(208);
        set_result_string({});
        return;
    }
    set_result_string(line[static_cast<size_t>(n)]);
}

// "@" (64) is the current drive, "A" drive 1; anything else is invalid.
int drive_of(const std::string& t) {
    if (t.empty()) return -1;
    unsigned char c = static_cast<unsigned char>(t[0]);
    c = fold_upper(c);
    const int d = static_cast<int>(c) - 64;
    return d >= 0 && d <= 26 ? d : -1;
}

// Drives beyond 2 GB report 2 GB less one byte rather than a wrapped value.
int32_t clamp_bytes(int64_t v) { return v > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(v); }

void fn_disk_free() {
    const int d = drive_of(read_string(')', kAny));
    const auto v = d < 0 ? std::nullopt : system_platform().disk_free(d);
    set_result_long(v ? clamp_bytes(*v) : -1);
}
void fn_disk_size() {
    const int d = drive_of(read_string(')', kAny));
    const auto v = d < 0 ? std::nullopt : system_platform().disk_size(d);
    set_result_long(v ? clamp_bytes(*v) : -1);
}
void fn_drive_directory() {
    const int d = drive_of(read_string(')', kAny));
    const auto v = d < 0 ? std::nullopt : system_platform().drive_directory(d);
    set_result_string(v.value_or(std::string()));
}

// A cell outside the grid, or no screen yet, reads as 0.
void fn_screen_char() {
    const int32_t row = read_int(',');
    const int32_t column = read_int(')');
    int32_t code = 0;
    if (text_screen.has_plane() && row >= 1 && row <= text_screen.rows && column >= 1 &&
        column <= text_screen.columns)
        code = text_screen.cell(row - 1, column - 1);
    set_result_int(code);
}

}  // namespace

void reset_directory_search() { search = DirectorySearch{}; }

namespace {

constexpr FunctionEntry kFunctions[] = {
    {Fn::LONGPATH_S, fn_long_path},
    {Fn::FILESIZE, fn_file_size},
    {Fn::PARAM_S, fn_parameter},
    {Fn::DISKFREE, fn_disk_free},
    {Fn::DISKSIZE, fn_disk_size},
    {Fn::CURDIR_S, fn_drive_directory},
    {Fn::FINDFIRST_S, fn_find_first},
    {Fn::FINDNEXT_S, fn_find_next},
    {Fn::SCREENCHAR, fn_screen_char},
};

}  // namespace

const Module kSystemInfoModule{"system-info", {}, kFunctions, reset_directory_search};

}  // namespace tolven
