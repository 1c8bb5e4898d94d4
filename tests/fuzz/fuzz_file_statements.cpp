// Hostile programs for the file statements: any sequence of file-number,
// whole-file, directory, listing and item-list statements and the functions
// on file numbers, with any argument texts, never crashes or touches memory
// outside the area variable's block. Everything runs on an in-memory file
// system and a sandbox platform, so no real file is touched.
//
// Input: byte 0 chooses the error mode and the area size; then lines split
// at LF, each one selector byte (statement or function) and the argument text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "app/modules.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "core/shutdown.h"
#include "data/file_numbers.h"
#include "data/file_platform.h"
#include "data/item_list_statements.h"
#include "data/memory_files.h"
#include "gui/item_list.h"
#include "tests/unit/support/recording_host.h"
#include "values/low_memory.h"
#include "values/reader.h"
#include "values/statements.h"
#include "values/store.h"


using namespace tolven;

namespace {

// Answers from the memory file system; directories do not exist.
class SandboxPlatform : public FilePlatform {
public:
    explicit SandboxPlatform(MemoryFileSystem& fs) : fs_(fs) {}
    std::vector<DirEntry> find(const std::string& pattern) override {
        std::vector<DirEntry> out;
        for (const auto& [name, data] : fs_.files)
            if (wildcard_match(pattern, name)) out.push_back({name, attr::kArchive});
        return out;
    }
    std::optional<uint32_t> attributes(const std::string& name) override {
        if (!fs_.has(name)) return std::nullopt;
        return attr::kArchive;
    }
    int set_attributes(const std::string& name, uint32_t) override { return fs_.has(name) ? 0 : 2; }
    std::optional<DateTime> last_write(const std::string& name) override {
        if (!fs_.has(name)) return std::nullopt;
        return DateTime{2026, 12, 7, 1, 2, 3, 4};
    }
    int change_dir(const std::string&) override { return 3; }
    int make_dir(const std::string&) override { return 5; }
    int remove_dir(const std::string&) override { return 2; }
    std::string current_dir() override { return "C:\\"; }
    int rename(const std::string& a, const std::string& b) override { return fs_.rename(a, b) ? 0 : 183; }
    int erase(const std::string& n) override { return fs_.remove(n) ? 0 : 2; }
    bool same_file(const std::string& a, const std::string& b) override { return a == b && fs_.has(a); }
    std::string join(const std::string& d, const std::string& n) override { return d + n; }

private:
    MemoryFileSystem& fs_;
};

struct World {
    testing::RecordingHost host;
    MemoryFileSystem fs;
    SandboxPlatform platform{fs};
    uint32_t address = 0;      // the area variable's memory
    uint8_t* block = nullptr;
    World() {
        set_host(&host);
        set_file_system(&fs);
        set_file_platform(&platform);
        install_portable_modules();
        reset_runtime();
        address = low_alloc(4096);
        if (address) block = address_pointer(address);
    }
};

World& world() {
    static World* w = new World();
    return *w;
}

constexpr Cmd kStatements[] = {Cmd::BLOCKWRITE, Cmd::SETFILEATTR, Cmd::LOADTEXT, Cmd::BOPEN, Cmd::BCLOSE,
                               Cmd::BWRITE, Cmd::BSEEK, Cmd::FILEMODE, Cmd::FILECOPY, Cmd::CLEARITEMS,
                               Cmd::ADDITEM, Cmd::DIR, Cmd::CHDIR, Cmd::MKDIR, Cmd::RMDIR, Cmd::ASSIGN,
                               Cmd::RENAME, Cmd::APPEND, Cmd::CLOSE, Cmd::ERASE, Cmd::RESET, Cmd::REWRITE,
                               Cmd::SETITEM};
using Function = void (*)();
constexpr Function kFunctions[] = {file_time_function,   file_attribute_function, file_date_function,
                                   byte_get_function,    byte_position_function,  byte_size_function,
                                   text_eof_function,    block_read_function,     item_function,
                                   items_to_area_function, join_items_function};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = world();
    if (size < 1) return 0;
    const uint8_t control = data[0];
    w.host.boxes.clear();
    reset_shutdown_steps();
    reset_interpreter();
    errors = ErrorState{};
    errors.error_mode = (control & 1) ? -1 : 1;
    reset_values();
    reset_file_numbers();
    item_list.clear();
    w.fs.files.clear();
    w.fs.put("A.TXT", "line 1\r\nline 2\nlast");
    w.fs.put("B.BIN", std::string("\x00\x01\xFF", 3));

    // Guard bytes around the block show a write outside it.
    const int32_t area_size = 1 + ((control >> 1) & 63);
    if (w.block) {
        std::memset(w.block, 0xA5, 4096);
        VarName n;
        make_name("p#", n);
        AreaVar* a = declare_area(n);
        a->data = w.address + 64;
        a->size = area_size;
        VarName e;
        make_name("e#", e);
        declare_area(e);  // never dimensioned
    }

    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            start = end + 1;
            if (line.empty()) continue;
            const uint8_t sel = static_cast<uint8_t>(line[0]);
            const std::string_view args = std::string_view(line).substr(1);
            if (sel & 0x80) {
                begin_arguments(args);
                kFunctions[(sel & 0x7F) % std::size(kFunctions)]();
            } else {
                interp.current_token = code_of(kStatements[sel % std::size(kStatements)]);
                interp.argument_text = args;
                begin_arguments(args);
                statement_handler(interp.current_token)();
            }
        }
    } catch (const ProcessExit&) {
        // A runtime error ended the program the way the host allows.
    }
    if (w.block) {
        for (int k = 0; k < 64; ++k)
            if (w.block[k] != 0xA5) __builtin_trap();
        for (int k = 64 + area_size; k < 4096; ++k)
            if (w.block[k] != 0xA5) __builtin_trap();
    }
    close_all_files();
    return 0;
}
