// ndxcheck: verifies NDX index files against their dBase III table.
//
//   ndxcheck [-g] TABLE INDEX...
//
// Opens the table and each index read-only and checks that the tree is well
// formed, its keys are in order and it holds every record exactly once under
// the record's key. -g prints the findings in German. Exit code 0 when every
// index is in order, 1 otherwise (also for files that cannot be read or bad
// arguments).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/host.h"
#include "data/dbf.h"
#include "data/ndx.h"
#include "data/ndx_check.h"

namespace {

using namespace tolven;

// Reports go to the findings, never to boxes.
class ConsoleHost : public Host {
public:
    int message_box(std::string_view, std::string_view, unsigned, bool) override { return mb::kIdOk; }
    std::optional<std::string> open_file_dialog(std::string_view, std::string_view) override {
        return std::nullopt;
    }
    void debug_output(std::string_view) override {}
    void pump_messages() override {}
    uint32_t tick_count() override { return 0; }
    std::string own_executable_path() override { return "ndxcheck"; }
    [[noreturn]] void end_process(int code) override { std::exit(code == 0 ? 0 : 1); }
};

void line(const std::string& s) { std::printf("%s\n", s.c_str()); }

std::string db_message() {
    return std::string(message_text(db_error.number)) + db_error.text;
}

}  // namespace

int main(int argc, char** argv) {
    bool german = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-g") == 0) german = true;
        else args.emplace_back(argv[i]);
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ndxcheck [-g] TABLE INDEX...\n");
        return 1;
    }
    ConsoleHost host;
    set_host(&host);
    errors.error_mode = -1;  // failures are read from the database error
    file_mode = 0;           // never change what is checked

    dbase::open_table(1, args[0]);
    dbase::Table* t = dbase::current();
    if (!t) {
        line((german ? "Tabelle nicht lesbar: " : "cannot read table: ") + db_message());
        return 1;
    }
    clear_db_error();
    bool all_ok = true;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string name = dbase::index_file_name(args[i]);
        clear_db_error();
        auto ix = NdxIndex::open(name, t->lookup());
        if (!ix) {
            line(name + (german ? ": nicht lesbar: " : ": cannot read: ") + db_message());
            all_ok = false;
            continue;
        }
        dbase::IndexCheck c = dbase::check_index(*t, *ix, german);
        const size_t shown = std::min<size_t>(c.findings.size(), 20);
        for (size_t k = 0; k < shown; ++k) line(name + ": " + c.findings[k]);
        if (c.problems > shown)
            line(name + ": ... " + std::to_string(c.problems - shown) +
                 (german ? " weitere Befunde" : " more findings"));
        if (c.ok) {
            line(name + (german ? ": in Ordnung, " : ": OK, ") + std::to_string(c.entries) +
                 (german ? " Eintr\xE4ge, Tiefe " : " entries, depth ") + std::to_string(c.depth));
        } else {
            all_ok = false;
        }
        ix->close();
    }
    dbase::close_all_tables();
    return all_ok ? 0 : 1;
}
