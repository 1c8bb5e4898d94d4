// Fuzzes the index engine with damaged .NDX files over a fixed valid table:
// the input is the index file; it is opened, walked in both directions,
// searched, changed through record writes and checked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/host.h"
#include "data/dbf.h"
#include "data/memory_files.h"
#include "data/ndx_check.h"
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
std::vector<uint8_t> table_file;

// A table of 40 records with a text, a number and a date field.
void make_table() {
    memory.put("S.TXT", "NAME;C;10\nNUM;N;8;2\nDAY;D\n");
    dbase::create_table("S.TXT", "T");
    dbase::open_table(1, "T");
    for (int i = 0; i < 40; ++i) {
        dbase::write_field("NAME", std::string(1, char('A' + i % 7)) + std::to_string(i));
        dbase::write_field("NUM", std::to_string(i * 37 % 101 - 50));
        dbase::write_field("DAY", std::to_string(20200101 + i % 12 * 100));
        dbase::append_record();
    }
    dbase::close_table(1);
    table_file = memory.get("T.DBF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    set_host(&fuzz_host);
    set_file_system(&memory);
    errors = ErrorState{};
    errors.error_mode = -1;
    dbase::today = [] { return dbase::Date{2026, 12, 7}; };
    memory.max_file_size = 1 << 22;
    clear_db_error();
    if (table_file.empty()) make_table();
    memory.files.clear();
    memory.put("T.DBF", table_file);
    memory.put("F.NDX", std::vector<uint8_t>(data, data + size));

    dbase::open_table(1, "T");
    dbase::Table* t = dbase::current();
    if (t && dbase::open_indexes("F") == 1 && t->master()) {
        int steps = 0;
        for (dbase::go_to("TOP", 0, std::nullopt); !t->end && steps < 200; ++steps)
            dbase::go_to("NEXT", 0, std::nullopt);
        steps = 0;
        for (dbase::go_to("BOTTOM", 0, std::nullopt); steps < 200; ++steps) {
            if (t->master()->at_begin()) break;
            dbase::go_to("PREV", 0, std::nullopt);
        }
        dbase::go_to("INDEX", 0, 5);
        dbase::seek("B", false);
        dbase::seek("-13", true);
        dbase::seek("20200301", true);
        dbase::go_to("", 7, std::nullopt);
        clear_db_error();
        for (int i = 0; i < 12; ++i) {
            dbase::go_to("", 1 + i * 3, std::nullopt);
            dbase::write_field("NAME", std::string(1, char('A' + i % 5)));
            dbase::write_field("NUM", std::to_string(i % 4));
            dbase::write_field("DAY", "20251231");
            dbase::write_record(i % 3 ? 0 : -1);
        }
        dbase::search("NAME", "C", 1);
        dbase::check_index(*t, *t->master(), true);
    }
    dbase::close_all_tables();
    clear_db_error();
    set_file_system(nullptr);
    return 0;
}
