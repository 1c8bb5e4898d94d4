// Fuzzes the table engine with damaged .DBF and .DBT files: the input is
// split into a table file and a memo file (the first two bytes give the
// table file's length), put into an in-memory file system, opened and walked
// with every kind of read, write, memo and pack operation.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/host.h"
#include "data/dbf.h"
#include "data/memory_files.h"
#include "gui/item_list.h"

namespace {

using namespace tolven;

class FuzzHost : public Host {
public:
    int message_box(std::string_view, std::string_view, unsigned, bool) override { return mb::kIdOk; }
    std::optional<std::string> open_file_dialog(std::string_view, std::string_view) override { return {}; }
    void debug_output(std::string_view) override {}
    void pump_messages() override {}
    uint32_t tick_count() override { return 0; }
    std::string own_executable_path() override { return "fuzz"; }
    [[noreturn]] void end_process(int) override { __builtin_trap(); }
};

FuzzHost fuzz_host;
MemoryFileSystem memory;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    set_host(&fuzz_host);
    set_file_system(&memory);
    errors = ErrorState{};
    errors.error_mode = -1;
    dbase::today = [] { return dbase::Date{2026, 12, 7}; };
    memory.files.clear();
    memory.max_file_size = 1 << 20;
    clear_db_error();
    item_list.clear();

    size_t split = std::min<size_t>(size - 2, size_t(data[0]) | (size_t(data[1]) << 8));
    memory.put("F.DBF", std::vector<uint8_t>(data + 2, data + 2 + split));
    memory.put("F.DBT", std::vector<uint8_t>(data + 2 + split, data + size));

    dbase::open_table(1, "F");
    dbase::Table* t = dbase::current();
    if (t) {
        clear_db_error();
        int steps = 0;
        for (dbase::go_to("TOP", 0, std::nullopt); !t->end && steps < 64; ++steps) {
            for (int32_t f = 1; f <= t->file->field_count + 1; ++f) dbase::read_field(f);
            for (const auto& f : t->file->fields) {
                if (f.type == 'M') dbase::memo_to_items(f.name);
            }
            dbase::go_to("NEXT", 0, std::nullopt);
        }
        dbase::go_to("BOTTOM", 0, std::nullopt);
        dbase::go_to("PREV", 0, 3);
        dbase::go_to("", 2, std::nullopt);
        for (const auto& f : t->file->fields) {
            dbase::write_field(f.name, "1");
            dbase::write_field(f.name, "20261207");
            dbase::write_field(f.name, "ja");
            if (f.type == 'M') {
                item_list.clear();
                item_list.add(std::string(600, 'm'));
                item_list.add("x");
                dbase::items_to_memo(f.name);
                dbase::memo_to_items(f.name);
            }
        }
        dbase::write_record(0);
        dbase::append_record();
        dbase::go_to("TOP", 0, std::nullopt);
        dbase::delete_record();
        const auto& fields = t->file->fields;
        if (!fields.empty()) dbase::search(fields[0].name, "1", 0);
        if (!fields.empty() && fields[0].type != 'M') dbase::create_index(fields[0].name, "F");
        dbase::go_to("BOTTOM", 0, std::nullopt);
        dbase::pack_table();
        dbase::go_to("TOP", 0, std::nullopt);
        dbase::close_table(1);
        // The table as written must open again.
        clear_db_error();
        dbase::open_table(1, "F");
    }
    dbase::close_all_tables();
    clear_db_error();
    set_file_system(nullptr);
    return 0;
}
