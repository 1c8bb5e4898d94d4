// Native side of the interoperability checks: makes tables, memos and
// indexes with the engine, and prints what the engine reads from tables and
// indexes written by other programs.
//
//   dbase_driver create DIR            sample tables and indexes in DIR
//   dbase_driver dump TABLE            records, one per line (see below)
//   dbase_driver index TABLE EXPR NAME creates an index over the table
//   dbase_driver order TABLE INDEX     record numbers in index order
//
// dump prints "COUNT n", then per record the record number, "*" or " " and
// the field values (trailing blanks removed; memo fields as their text with
// the lines joined by CR LF), separated by the byte 0x1F. Texts are Latin-1.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/errors.h"
#include "core/host.h"
#include "data/dbf.h"
#include "gui/item_list.h"

using namespace tolven;

namespace {

class QuietHost : public Host {
public:
    int message_box(std::string_view text, std::string_view caption, unsigned, bool) override {
        std::fprintf(stderr, "box: %.*s\n", int(caption.size()), caption.data());
        return mb::kIdOk;
    }
    std::optional<std::string> open_file_dialog(std::string_view, std::string_view) override { return {}; }
    void debug_output(std::string_view) override {}
    void pump_messages() override {}
    uint32_t tick_count() override { return 0; }
    std::string own_executable_path() override { return "dbase_driver"; }
    [[noreturn]] void end_process(int code) override { std::exit(code); }
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "dbase_driver: %s: %s%s\n", what.c_str(), std::string(message_text(db_error.number)).c_str(),
                 db_error.text.c_str());
    std::exit(1);
}

void check(const std::string& what) {
    if (db_error.number != 0) fail(what);
}

void put(const char* field, const std::string& value) {
    if (dbase::write_field(field, value) != 1) fail(std::string("write ") + field + "=" + value);
}

void memo(const char* field, std::initializer_list<std::string> lines) {
    item_list.clear();
    for (const auto& l : lines) item_list.add(l);
    if (dbase::items_to_memo(field) != 1) fail("memo");
}

void structure(const std::string& dir, const char* text) {
    std::FILE* f = std::fopen((dir + "/S.TXT").c_str(), "wb");
    if (!f) fail("structure file");
    std::fputs(text, f);
    std::fclose(f);
}

void create(const std::string& dir) {
    structure(dir, "NAME;C;12\nAGE;N;7;2\nBORN;D\nOK;L\n");
    dbase::create_table(dir + "/S.TXT", dir + "/PEOPLE");
    check("create PEOPLE");
    dbase::open_table(1, dir + "/PEOPLE");
    struct P {
        const char *name, *age, *born, *ok;
    } people[] = {
        {"M\xFCller", "42.5", "19700131", "ja"}, {"\xC4rger \xD6l", "-3", "20000229", "n"},
        {"Zo\xEB", "", "19991231", ""},          {"Adam", "1234.56", "20261207", "T"},
        {"Weg", "1", "20010101", "F"},           {"Adam", "-0.25", "20270101", "Y"},
    };
    for (const auto& p : people) {
        put("NAME", p.name);
        put("AGE", p.age);
        put("BORN", p.born);
        put("OK", p.ok);
        dbase::append_record();
    }
    dbase::go_to("", 5, std::nullopt);
    dbase::delete_record();
    check("people");
    if (!dbase::create_index("NAME", dir + "/P_NAME")) fail("index NAME");
    if (!dbase::create_index("AGE", dir + "/P_AGE")) fail("index AGE");
    if (!dbase::create_index("BORN", dir + "/P_BORN")) fail("index BORN");
    if (!dbase::create_index("\"X\"+NAME", dir + "/P_LIT")) fail("index literal");
    dbase::close_table(1);

    structure(dir, "NAME;C;10\nNOTE;M\n");
    dbase::create_table(dir + "/S.TXT", dir + "/NOTES");
    check("create NOTES");
    dbase::open_table(1, dir + "/NOTES");
    put("NAME", "two");
    memo("NOTE", {"Zeile 1", "Zeile 2"});
    dbase::append_record();
    put("NAME", "long");
    memo("NOTE", {std::string(700, 'a'), std::string(800, 'b')});
    dbase::append_record();
    put("NAME", "none");
    dbase::append_record();
    put("NAME", "umlaut");
    memo("NOTE", {"Gr\xFC\xDF""e aus K\xF6ln"});
    dbase::append_record();
    put("NAME", "gone");
    memo("NOTE", {"deleted before the pack"});
    dbase::append_record();
    put("NAME", "edge");
    memo("NOTE", {std::string(508, 'e')});  // 510 bytes: the end marks fill the block
    dbase::append_record();
    dbase::go_to("", 5, std::nullopt);
    dbase::delete_record();
    dbase::pack_table();
    check("notes");
    dbase::close_table(1);

    // A bigger table gives index trees of several levels.
    structure(dir, "KEY;C;30\nNUM;N;9;3\n");
    dbase::create_table(dir + "/S.TXT", dir + "/BIG");
    dbase::open_table(1, dir + "/BIG");
    std::mt19937 rng(7);
    for (int i = 0; i < 700; ++i) {
        std::string k;
        for (int j = 0; j < 4; ++j) k += char('A' + rng() % 6);
        put("KEY", k);
        put("NUM", std::to_string(int(rng() % 20000) - 10000) + ".125");
        dbase::append_record();
    }
    if (!dbase::create_index("KEY", dir + "/B_KEY")) fail("index KEY");
    if (!dbase::create_index("NUM", dir + "/B_NUM")) fail("index NUM");
    // Changes after the creation go through the insert and delete paths.
    dbase::open_indexes(dir + "/B_KEY " + dir + "/B_NUM");
    for (int r = 1; r <= 700; r += 3) {
        dbase::go_to("", r, std::nullopt);
        put("KEY", std::string(1, char('A' + rng() % 6)) + "Z");
        put("NUM", std::to_string(int(rng() % 100)));
        dbase::write_record(0);
    }
    check("big");
    dbase::close_table(1);
}

void dump(const std::string& table) {
    dbase::open_table(1, table);
    dbase::Table* t = dbase::current();
    if (!t) fail("open");
    std::printf("COUNT %d\n", t->file->count);
    for (int32_t r = 1; r <= t->file->count; ++r) {
        dbase::go_to("", r, std::nullopt);
        std::string line = std::to_string(r) + "\x1F" + (t->deleted ? "*" : " ");
        for (const auto& f : t->file->fields) {
            std::string v;
            if (f.type == 'M') {
                dbase::memo_to_items(f.name);
                for (int32_t i = 0; i < item_list.size(); ++i) {
                    if (i) v += "\r\n";
                    v += item_list[i];
                }
            } else {
                v = dbase::read_field(f.name);
                while (!v.empty() && v.back() == ' ') v.pop_back();
            }
            line += "\x1F" + v;
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    check("dump");
    dbase::close_table(1);
}

}  // namespace

int main(int argc, char** argv) {
    QuietHost host;
    set_host(&host);
    errors.error_mode = 0;  // warnings are read from the database error
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "create" && argc == 3) {
        create(argv[2]);
    } else if (cmd == "dump" && argc == 3) {
        dump(argv[2]);
    } else if (cmd == "index" && argc == 5) {
        dbase::open_table(1, argv[2]);
        if (!dbase::create_index(argv[3], argv[4])) fail("index");
        check("index");
        dbase::close_table(1);
    } else if (cmd == "order" && argc == 4) {
        dbase::open_table(1, argv[2]);
        if (dbase::open_indexes(argv[3]) != 1) fail("open index");
        int32_t r = dbase::go_to("TOP", 0, std::nullopt);
        while (!dbase::current()->end) {
            std::printf("%d\n", r);
            r = dbase::go_to("NEXT", 0, std::nullopt);
        }
        dbase::close_table(1);
    } else {
        std::fprintf(stderr, "usage: dbase_driver create DIR | dump TABLE | index TABLE EXPR NAME | order TABLE INDEX\n");
        return 2;
    }
    return 0;
}
