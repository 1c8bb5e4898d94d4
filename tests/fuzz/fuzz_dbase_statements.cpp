// Hostile argument texts for the table functions and statements: each runs
// on an open table with a memo field and an index, under error mode -1, in
// plain and expression lines, and must neither crash nor read outside its
// text nor leave the reader somewhere it cannot go on from.
//
// Input: byte 0 chooses the token (table functions, then the three
// statements) and bit 7 the expression line; the rest is the argument text
// after the token.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/modules.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "core/shutdown.h"
#include "data/dbase_statements.h"
#include "data/dbf.h"
#include "data/memory_files.h"
#include "data/record_file.h"
#include "gui/item_list.h"
#include "tests/unit/support/recording_host.h"
#include "values/functions.h"
#include "values/reader.h"

using namespace tolven;

namespace {

testing::RecordingHost* host_instance() {
    static testing::RecordingHost* h = [] {
        auto* r = new testing::RecordingHost();
        set_host(r);
        install_portable_modules();
        reset_runtime();
        return r;
    }();
    return h;
}

MemoryFileSystem memory;

void open_sample_table() {
    memory.files.clear();
    memory.max_file_size = 1 << 20;
    memory.put("S.TXT", "NAME;C;8\nN;N;6;2\nD;D\nL;L\nM;M\n");
    dbase::create_table("S.TXT", "T");
    dbase::open_table(1, "T");
    const char* names[] = {"MAIER", "ABEL", "MANN", "ZORN"};
    for (const char* n : names) {
        dbase::write_field("NAME", n);
        dbase::write_field("N", "1.5");
        dbase::write_field("D", "20261231");
        item_list.clear();
        item_list.add(std::string(90, 'x') + " y");
        dbase::items_to_memo("M");
        dbase::append_record();
    }
    dbase::create_index("NAME", "T");
    clear_db_error();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    testing::RecordingHost* rec = host_instance();
    if (size < 1) return 0;
    rec->boxes.clear();
    reset_shutdown_steps();
    errors = ErrorState{};
    errors.error_mode = -1;
    set_file_system(&memory);
    dbase::today = [] { return dbase::Date{2026, 12, 7}; };
    dbase::close_all_tables();
    clear_db_error();
    open_sample_table();

    const size_t kFunctions = kDbaseModule.functions.size();
    const size_t kStatements = kDbaseModule.statements.size();
    const size_t pick = (data[0] & 0x7F) % (kFunctions + kStatements);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    reader.force_expression = (data[0] & 0x80) ? 1 : 0;
    begin_arguments(text);
    if (pick < kFunctions) {
        dispatch_function(code_of(kDbaseModule.functions[pick].token));
    } else {
        kDbaseModule.statements[pick - kFunctions].handler();
    }
    reader.force_expression = 0;
    // Whatever state the call left, the table still works and closes.
    if (dbase::current()) {
        dbase::go_to("TOP", 0, std::nullopt);
        dbase::read_field(1);
    }
    dbase::close_all_tables();
    clear_db_error();
    item_list.clear();
    set_file_system(nullptr);
    return 0;
}
