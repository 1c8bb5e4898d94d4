// The whole-file statements: copy, text file into an area variable,
// directories and file listings.
#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "core/loop.h"
#include "data/file_internal.h"
#include "data/file_numbers.h"
#include "data/file_platform.h"
#include "gui/item_list.h"
#include "values/area.h"
#include "values/reader.h"
#include "values/store.h"

namespace tolven {

namespace {

constexpr size_t kCopyBlock = 32768;
constexpr size_t kMaxSubdirectories = 1024;
// Deeper than any path the platform accepts; stops a directory loop the
// reparse-point check did not catch.
constexpr int kMaxDepth = 128;

void file_copy_statement() {
    files::clear_io_error();
    const std::string source = read_string('>', kRawString);
    const std::string dest = read_string(' ', kRawString);

    int error = files::name_problem(source);
    std::unique_ptr<File> in;
    if (!error) in = file_system().open(source, OpenMode::Read, error);
    if (!in) {
        raise_error(300, source);
        return;
    }
    // Creating the destination would empty the source when both name the
    // same file; it already holds the source's bytes, so there is nothing
    // to do.
    if (file_platform().same_file(source, dest)) return;
    error = files::name_problem(dest);
    std::unique_ptr<File> out;
    if (!error) out = file_system().open(dest, OpenMode::Create, error);
    if (!out) {
        raise_error(301, dest);
        return;
    }
    std::vector<uint8_t> block(kCopyBlock);
    for (;;) {
        const size_t got = in->read(block.data(), block.size());
        if (got < block.size() && files::short_read_failed(*in)) {
            raise_error(302, source);
            break;
        }
        if (got == 0) break;
        const size_t put = out->write(block.data(), got);
        if (put < got) {
            raise_error(303, dest);
            break;
        }
    }
    if (!out->flush()) raise_error(303, dest);
}

void text_file_read_statement() {
    AreaVar* a = files::read_area_name(',', true);
    if (!a) return;
    const std::string name = read_string(' ', kRawString);
    if (!files::area_bytes_usable(*a, 0, a->size, true)) {
        raise_error(207, a->name.view());
        return;
    }
    int error = files::name_problem(name);
    std::unique_ptr<File> f;
    if (!error) f = file_system().open(name, OpenMode::Read, error);
    if (!f) {
        raise_error(300, name);
        return;
    }
    uint8_t* dst = area_pointer(a->data);
    const int64_t size = a->size;
    int64_t length = 0;
    files::LineReader lines(f.get());
    std::string line;
    while (lines.read_line(line)) {
        if (length + static_cast<int64_t>(line.size()) >= size - 3) {
            dst[length] = 0;
            raise_warning(244);
            return;
        }
        std::memcpy(dst + length, line.data(), line.size());
        length += static_cast<int64_t>(line.size());
        dst[length++] = '\r';
        dst[length++] = '\n';
    }
    dst[length] = 0;
}

// The path of a directory statement: a final backslash goes unless the path
// is a drive root such as C:\ (three characters or fewer).
std::string directory_path() {
    std::string path = read_string(' ', kRawString);
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

template <class Op>
void directory_statement(Op op) {
    files::clear_io_error();
    const std::string path = directory_path();
    int code = path.empty() ? winerr::kPathNotFound : 0;
    for (unsigned char c : path)
        if (c < 32 || c == '*' || c == '?') code = winerr::kInvalidName;
    if (!code) code = (file_platform().*op)(path);
    files::set_io_error(code);
}

bool is_dot_entry(const std::string& name) { return name == "." || name == ".."; }

// One directory of the recursive listing, the current directory.
void list_recursive(const std::string& pattern, int depth) {
    FilePlatform& p = file_platform();
    const std::string here = p.current_dir();
    for (const DirEntry& e : p.find(pattern))
        if (!e.is_directory()) item_list.add(p.join(here, e.name));  // a full list drops names

    // Without a path to come back to, or with nothing more to add, the walk
    // goes no deeper.
    if (depth >= kMaxDepth || here.empty() || item_list.size() >= ItemList::kCapacity) return;
    std::vector<std::string> subdirectories;
    for (const DirEntry& e : p.find("*")) {
        if (!e.is_directory() || is_dot_entry(e.name)) continue;
        // A link or junction may lead back up the tree.
        if (e.attributes & attr::kReparsePoint) continue;
        if (subdirectories.size() >= kMaxSubdirectories) break;
        subdirectories.push_back(e.name);
    }
    for (const std::string& sub : subdirectories) {
        // A directory that cannot be entered is skipped; going back is done by
        // the path remembered, so a failed change never leaves the search one
        // level too high.
        if (p.change_dir(sub) != 0) continue;
        list_recursive(pattern, depth + 1);
        p.change_dir(here);
    }
}

void file_listing_statement() {
    if (!reader.rest.empty() && reader.rest[0] == '*') {
        reader.rest.remove_prefix(1);
        const std::string pattern = read_string(' ', kRawString);
        FilePlatform& p = file_platform();
        const std::string start = p.current_dir();
        list_recursive(pattern, 0);
        if (!start.empty()) p.change_dir(start);
        return;
    }
    const std::string pattern = read_string(' ', kRawString);
    for (const DirEntry& e : file_platform().find(pattern)) {
        const bool added = e.is_directory() ? item_list.add("[" + e.name + "]") : item_list.add(e.name);
        if (!added) {
            raise_error(232);
            return;
        }
    }
}

}  // namespace

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::FILECOPY, file_copy_statement},
    {Cmd::LOADTEXT, text_file_read_statement},
    {Cmd::CHDIR, [] { directory_statement(&FilePlatform::change_dir); }},
    {Cmd::MKDIR, [] { directory_statement(&FilePlatform::make_dir); }},
    {Cmd::RMDIR, [] { directory_statement(&FilePlatform::remove_dir); }},
    {Cmd::DIR, file_listing_statement},
};

}  // namespace

const Module kFileSystemModule{"file-system", kStatements, {}};

}  // namespace tolven
