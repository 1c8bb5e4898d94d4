#include <cstring>

#include "core/tokens.h"
#include "tests/unit/support/dbase_fixture.h"

namespace tolven::testing {
namespace {

using namespace tolven::dbase;

constexpr const char* kPeople = "NAME;C;10;0\nAGE;N;6;2\nBORN;D\nOK;L\n";
constexpr const char* kNotes = "NAME;C;10\nNOTE;M\n";

class DbfTest : public DbaseTest {};

TEST_F(DbfTest, CreatesTheFileLayout) {
    fs.put("S.TXT", "name ;c;10;0\nAGE;n;6;2\nBORN;D;99;5\nOK;L\nX;Q;4\n");
    create_table("S.TXT", "PEOPLE");
    ASSERT_EQ(db_error.number, 0);
    auto f = fs.get("PEOPLE.DBF");
    ASSERT_EQ(f.size(), 32u * 5 + 33 + 1);
    EXPECT_EQ(f[0], 0x03);
    EXPECT_EQ(f[1], 126);  // 2026 - 1900
    EXPECT_EQ(f[2], 12);
    EXPECT_EQ(f[3], 7);
    EXPECT_EQ(f[8] | (f[9] << 8), 32 * 5 + 33);
    EXPECT_EQ(f[10] | (f[11] << 8), 1 + 10 + 6 + 8 + 1 + 4);
    EXPECT_EQ(bytes(f, 32, 11), std::string("NAME\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(f[32 + 11], 'C');
    EXPECT_EQ(f[64 + 16], 6);
    EXPECT_EQ(f[64 + 17], 2);
    EXPECT_EQ(f[96 + 16], 8);  // date fields are 8 long whatever the file says
    EXPECT_EQ(f[96 + 17], 0);
    EXPECT_EQ(f[160 + 11], 'C');  // unknown types become C
    EXPECT_EQ(f[32 * 6], 0x0D);
    EXPECT_EQ(f[32 * 6 + 1], 0x1A);
    EXPECT_FALSE(fs.has("PEOPLE.DBT"));

    fs.put("S.TXT", kNotes);
    create_table("S.TXT", "NOTES.TAB");
    auto n = fs.get("NOTES.TAB");
    EXPECT_EQ(n[0], 0x83);
    auto m = fs.get("NOTES.DBT");
    ASSERT_EQ(m.size(), 512u);
    EXPECT_EQ(m[0], 1);
}

TEST_F(DbfTest, StructureFileErrors) {
    fs.put("S.TXT", "NAME;C;10\nname;C;5\n");
    create_table("S.TXT", "T");
    EXPECT_EQ(last_message(), "Doppelter Feldname: NAME");
    EXPECT_FALSE(fs.has("T.DBF"));

    clear_db_error();
    fs.put("S.TXT", "A;C;0\n");
    create_table("S.TXT", "T");
    EXPECT_EQ(db_error.number, 603);
    clear_db_error();
    fs.put("S.TXT", "A;C;300\n");  // does not fit the length byte
    create_table("S.TXT", "T");
    EXPECT_EQ(db_error.number, 603);
    clear_db_error();
    fs.put("S.TXT", "A;N;5;6\n");
    create_table("S.TXT", "T");
    EXPECT_EQ(db_error.number, 604);
    clear_db_error();
    create_table("NOPE.TXT", "T");
    EXPECT_EQ(db_error.number, 601);
    EXPECT_EQ(last_message(), "Datei nicht gefunden: : NOPE.TXT");
    EXPECT_FALSE(fs.has("T.DBF"));
}

TEST_F(DbfTest, VersionByte0x30IsRefusedAsRuntimeError) {
    make_table("P", kPeople);
    close_table(1);
    auto f = fs.get("P.DBF");
    f[0] = 0x30;
    fs.put("P.DBF", f);
    EXPECT_EQ(runtime_error_code([] { open_table(2, "P"); }), 2);
    EXPECT_EQ(last_message(), "dB-Fehler: 157 : Keine dBase III-Datei");
    EXPECT_EQ(current(), nullptr);
}

TEST_F(DbfTest, DamagedHeadersAreRefused) {
    make_table("P", kPeople);
    add({{"NAME", "A"}});
    close_table(1);
    const auto good = fs.get("P.DBF");
    auto refuse = [&](std::vector<uint8_t> f) {
        fs.put("P.DBF", f);
        clear_db_error();
        errors.error_mode = -1;
        open_table(1, "P");
        EXPECT_EQ(db_error.number, 600);
        EXPECT_EQ(current(), nullptr);
    };
    auto f = good;
    f[8] = 20, f[9] = 0;  // header shorter than the first field
    refuse(f);
    f = good;
    f[10] = 5, f[11] = 0;  // record shorter than its fields
    refuse(f);
    f = good;
    f.resize(40);  // descriptors cut off
    refuse(f);
    refuse({0x03});
}

TEST_F(DbfTest, CountBeyondTheFileIsCutWithAWarning) {
    make_table("P", kPeople);
    add({{"NAME", "A"}});
    add({{"NAME", "B"}});
    close_table(1);
    auto f = fs.get("P.DBF");
    f[4] = 50;  // claims 50 records
    fs.put("P.DBF", f);
    EXPECT_EQ(open_table(1, "P"), 2);
    EXPECT_EQ(db_error.number, 608);
    EXPECT_EQ(last_message(), "Schl\xFCsselfeld nicht in Ordnung: Datensatz 3 nicht in der Tabelle gefunden.");
    EXPECT_EQ(read_field("NAME"), "A         ");
}

TEST_F(DbfTest, HeaderDateYears) {
    make_table("P", kPeople);
    close_table(1);
    auto f = fs.get("P.DBF");
    f[1] = 5, f[2] = 3, f[3] = 9;
    fs.put("P.DBF", f);
    open_table(1, "P");
    EXPECT_EQ(system_value(Sys::DBINFO170)->text, "09.03.2005");
    EXPECT_EQ(system_value(Sys::DBINFO165)->text, "09.03.05");
    close_table(1);
    f[1] = 99;
    fs.put("P.DBF", f);
    open_table(1, "P");
    EXPECT_EQ(system_value(Sys::DBINFO170)->text, "09.03.1999");
}

TEST_F(DbfTest, FieldWritesAreCheckedAndNormalised) {
    make_table("P", kPeople);
    EXPECT_EQ(write_field("ok", "ja"), 1);
    EXPECT_EQ(read_field("OK"), "T");
    EXPECT_EQ(write_field("OK", "x"), 0);
    EXPECT_EQ(read_field("OK"), "T");
    EXPECT_EQ(write_field("OK", "nein"), 1);
    EXPECT_EQ(read_field("OK"), "F");
    EXPECT_EQ(write_field("OK", ""), 1);
    EXPECT_EQ(read_field(4), " ");

    EXPECT_EQ(write_field("AGE", "3.14159"), 1);
    EXPECT_EQ(read_field("AGE"), "  3.14");
    EXPECT_EQ(write_field("AGE", ""), 1);
    EXPECT_EQ(read_field("AGE"), "  0.00");
    EXPECT_EQ(write_field("AGE", "-2,5"), 1);
    EXPECT_EQ(read_field("AGE"), " -2.50");
    EXPECT_EQ(write_field("AGE", "abc"), 0);
    // Too wide for the field: cutting would store a different number.
    EXPECT_EQ(write_field("AGE", "12345.678"), 0);
    EXPECT_EQ(read_field("AGE"), " -2.50");

    EXPECT_EQ(write_field("BORN", "20240229"), 1);
    EXPECT_EQ(write_field("BORN", "20230229"), 0);
    EXPECT_EQ(write_field("BORN", "2024022"), 0);
    EXPECT_EQ(read_field("BORN"), "20240229");

    EXPECT_EQ(write_field("NAME", "A very long name"), 1);
    EXPECT_EQ(read_field("NAME"), "A very lon");
    EXPECT_EQ(write_field(1, "Bo"), 1);
    EXPECT_EQ(read_field(1), "Bo        ");
    EXPECT_EQ(system_value(Sys::DBINFO166)->text, "C");
    EXPECT_EQ(system_value(Sys::DBINFO169)->number, 1);
    EXPECT_EQ(system_value(Sys::DBFIELDNAME)->text, "NAME");
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(DbfTest, UnknownFieldsSetStickyErrors) {
    make_table("P", kPeople);
    EXPECT_EQ(read_field("NOPE"), "");
    EXPECT_EQ(last_message(), "Feld beim Lesen nicht gefunden: NOPE");
    EXPECT_EQ(read_field(9), "");
    EXPECT_EQ(last_message(), "Feld beim Lesen nicht gefunden: NOPE");  // the first error stays
    clear_db_error();
    EXPECT_EQ(write_field(9, "x"), 0);
    EXPECT_EQ(last_message(), "Feldnummer zum Schreiben nicht gefunden: 9");
    clear_db_error();
    EXPECT_EQ(write_field("NOPE", "x"), 0);
    EXPECT_EQ(db_error.number, 614);
}

TEST_F(DbfTest, OemConversionWhileTheOemFontIsSelected) {
    make_table("P", kPeople);
    text_font_index = 1;
    EXPECT_EQ(write_field("NAME", "\xC4rger"), 1);  // Ärger
    text_font_index = 2;
    EXPECT_EQ(read_field("NAME"), "\x8Erger     ");  // stored in OEM
    text_font_index = 1;
    EXPECT_EQ(read_field("NAME"), "\xC4rger     ");
}

TEST_F(DbfTest, RecordsAreWrittenAppendedAndRead) {
    make_table("P", kPeople);
    EXPECT_EQ(add({{"NAME", "A"}}), 1);
    EXPECT_EQ(add({{"NAME", "B"}}), 2);
    EXPECT_EQ(write_field("NAME", "C"), 1);
    EXPECT_EQ(append_record(), 3);
    EXPECT_EQ(read_field("NAME"), "          ");  // blanked after the append
    EXPECT_EQ(system_value(Sys::DBINFO160)->number, 3);
    EXPECT_EQ(go_to("", 2, std::nullopt), 2);
    EXPECT_EQ(read_field("NAME"), "B         ");
    EXPECT_EQ(write_field("NAME", "BB"), 1);
    EXPECT_EQ(write_record(0), 2);
    EXPECT_EQ(go_to("TOP", 0, std::nullopt), 1);
    EXPECT_EQ(go_to("", 0, 2), 2);  // the second argument names the record
    EXPECT_EQ(read_field("NAME"), "BB        ");
    EXPECT_EQ(write_record(99), 4);  // outside the table: appended
    EXPECT_EQ(system_value(Sys::DBMODE)->number, 2);
}

// A table opened read-only in one slot and then for writing in another is
// written through the one file both read: the second slot's file mode wins.
TEST_F(DbfTest, SecondSlotMayWriteWhatAReadOnlySlotOpened) {
    make_table("P", kPeople);
    add({{"NAME", "A"}});
    close_table(1);
    file_mode = 0;
    EXPECT_EQ(open_table(1, "P"), 1);
    file_mode = 2;
    EXPECT_EQ(open_table(2, "P"), 1);
    EXPECT_EQ(add({{"NAME", "B"}}), 2);
    EXPECT_EQ(db_error.number, 0);
    select_table(1);
    EXPECT_EQ(system_value(Sys::DBINFO160)->number, 2);
    EXPECT_EQ(go_to("BOTTOM", 0, std::nullopt), 2);
    EXPECT_EQ(read_field("NAME"), "B         ");
    EXPECT_EQ(system_value(Sys::DBINFO163)->number, 2);
    select_table(2);
    EXPECT_EQ(system_value(Sys::DBINFO163)->number, 2);
    close_table(2);
    close_table(1);
    EXPECT_EQ(fs.get("P.DBF")[4], 2);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(DbfTest, GoToKeywordsAndCounts) {
    make_table("P", kPeople);
    for (char c = 'A'; c <= 'F'; ++c) add({{"NAME", std::string(1, c)}});
    EXPECT_EQ(go_to("|<", 0, std::nullopt), 1);
    uint16_t reads = record_counters.read_requests;
    EXPECT_EQ(go_to("next", 0, 3), 4);
    EXPECT_EQ(record_counters.read_requests - reads, 1);  // only record 4 is read
    EXPECT_EQ(read_field("NAME"), "D         ");
    EXPECT_EQ(go_to("<", 0, 2), 2);
    EXPECT_EQ(go_to("BOTTOM", 0, std::nullopt), 6);
    EXPECT_EQ(go_to(">", 0, std::nullopt), 6);
    EXPECT_EQ(system_value(Sys::DBINFO172)->number, 1);  // end flag
    EXPECT_EQ(go_to("PREV", 0, 100), 1);
    EXPECT_EQ(go_to("INDEX", 0, 3), 3);
    EXPECT_EQ(go_to("*", 0, 1), 1);
    EXPECT_EQ(go_to("", 0, std::nullopt), 1);  // record 0 reads nothing
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(go_to("", 7, std::nullopt), 1);
    EXPECT_EQ(last_message(), "Schl\xFCsselfeld nicht in Ordnung: Datensatz 7 nicht in der Tabelle gefunden.");
}

TEST_F(DbfTest, DeleteRecallAndPack) {
    make_table("P", kNotes);
    for (int i = 1; i <= 5; ++i) {
        write_field("NAME", "R" + std::to_string(i));
        item_list.clear();
        item_list.add("memo of " + std::to_string(i));
        EXPECT_EQ(items_to_memo("NOTE"), 1);
        append_record();  // blanks the buffer, so each record gets its own memo
    }
    go_to("", 2, std::nullopt);
    EXPECT_EQ(delete_record(), 2);
    EXPECT_EQ(system_value(Sys::DBINFO171)->number, 1);
    go_to("", 4, std::nullopt);
    delete_record();
    go_to("", 3, std::nullopt);
    delete_record();
    recall_record();
    EXPECT_EQ(pack_table(), 3);
    std::vector<std::string> names;
    for (int r = 1; r <= 3; ++r) {
        go_to("", r, std::nullopt);
        names.push_back(read_field("NAME"));
        memo_to_items("NOTE");
        ASSERT_EQ(item_list.size(), 1);
        EXPECT_EQ(item_list[0], "memo of " + std::string(1, names.back()[1]));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"R1        ", "R3        ", "R5        "}));
    EXPECT_FALSE(fs.has("DB3$$$.D$$"));
    close_table(1);
    auto f = fs.get("P.DBF");
    const size_t rl = 21, hl = 32 * 2 + 33;
    ASSERT_EQ(f.size(), hl + 3 * rl + 1);
    EXPECT_EQ(f[4], 3);
    EXPECT_EQ(f.back(), 0x1A);
    auto m = fs.get("P.DBT");
    EXPECT_EQ(m.size(), 4u * 512);
    EXPECT_EQ(m[0], 4);
}

TEST_F(DbfTest, DeleteWithoutACurrentRecordAddsNothing) {
    make_table("P", kPeople);
    EXPECT_EQ(delete_record(), 0);
    EXPECT_EQ(system_value(Sys::DBINFO160)->number, 0);
}

TEST_F(DbfTest, MemoLinesAreBrokenAtTheWidth) {
    make_table("P", kNotes);
    std::string text = std::string(100, 'x') + "\r\n" + std::string(70, 'a') + " bbbbbbbbbbbbbbbbbbbb" + "\r\n" +
                       "soft\x8D\nbreak\x8D\n\x8D\nend";
    item_list.clear();
    item_list.add(text);  // one entry holding line breaks
    ASSERT_EQ(items_to_memo("NOTE"), 1);
    EXPECT_EQ(memo_to_items("NOTE"), 1 + int(text.size()) + 2);
    ASSERT_EQ(item_list.size(), 5);
    EXPECT_EQ(item_list[0], std::string(80, 'x'));
    EXPECT_EQ(item_list[1], std::string(20, 'x'));
    EXPECT_EQ(item_list[2], std::string(70, 'a') + " ");
    EXPECT_EQ(item_list[3], std::string(20, 'b'));
    EXPECT_EQ(item_list[4], "soft break end");

    set_memo_width(0);  // clamped to 1, so every line still makes progress
    memo_to_items("NOTE");
    EXPECT_EQ(item_list[0], "x");
    EXPECT_EQ(memo_to_items("NAME"), -1);
}

TEST_F(DbfTest, MemosAreRewrittenInPlaceOrAppended) {
    make_table("P", kNotes);
    item_list.clear();
    item_list.add("short");
    items_to_memo("NOTE");
    EXPECT_EQ(read_field("NOTE"), "         1");
    item_list.set(0, "other");
    items_to_memo("NOTE");
    EXPECT_EQ(read_field("NOTE"), "         1");  // fits the old block
    item_list.set(0, std::string(600, 'y'));
    items_to_memo("NOTE");
    EXPECT_EQ(read_field("NOTE"), "         2");  // needs two blocks: appended
    EXPECT_EQ(fs.get("P.DBT")[0], 4);
    // A damaged next-free number pointing into the file is not trusted.
    auto m = fs.get("P.DBT");
    write_field("NAME", "x");
    m[0] = 1;
    fs.files["P.DBT"]->assign(m.begin(), m.end());
    item_list.set(0, std::string(600, 'z'));
    put_record(*current(), 1);  // keep the record's memo number
    items_to_memo("NOTE");
    EXPECT_EQ(read_field("NOTE"), "         2");  // the old memo had room
    write_field(1, "y");
    std::memcpy(current()->buffer.data() + 11, "         0", 10);
    items_to_memo("NOTE");
    EXPECT_EQ(read_field("NOTE"), "         4");
}

TEST_F(DbfTest, MemosOfOtherProgramsWithoutPadding) {
    make_table("P", kNotes);
    std::string dbt(512, '\0');
    dbt[0] = 2;
    dbt += "hello\r\nworld\x1A\x1A";  // the last block is not padded
    fs.files["P.DBT"]->assign(dbt.begin(), dbt.end());
    std::memcpy(current()->buffer.data() + 11, "         1", 10);
    EXPECT_EQ(memo_to_items("NOTE"), 1 + 12);
    ASSERT_EQ(item_list.size(), 2);
    EXPECT_EQ(item_list[1], "world");
    item_list.set(1, "earth");
    EXPECT_EQ(items_to_memo("NOTE"), 1);
    EXPECT_EQ(read_field("NOTE"), "         1");  // rewritten in place
    auto m = fs.get("P.DBT");
    ASSERT_EQ(m.size(), 1024u);
    EXPECT_EQ(bytes(m, 512, 16), std::string("hello\r\nearth\r\n\x1A\x1A", 16));
    EXPECT_EQ(m[0], 2);
}

TEST_F(DbfTest, SearchModes) {
    make_table("P", kPeople);
    for (const char* n : {"Meier", "Maier", "Schulz", "Amaier"}) add({{"NAME", n}});
    go_to("TOP", 0, std::nullopt);
    EXPECT_EQ(search("NAME", "aie"), 2);
    EXPECT_EQ(search("NAME", "aie"), 2);  // starts with the current record
    go_to("", 3, std::nullopt);
    EXPECT_EQ(search("NAME", "aie"), 4);
    go_to("TOP", 0, std::nullopt);
    EXPECT_EQ(search("NAME", "ma", 1), 2);
    go_to("TOP", 0, std::nullopt);
    EXPECT_EQ(search("NAME", " schulz ", 2), 3);
    go_to("TOP", 0, std::nullopt);
    EXPECT_EQ(search("NAME", "nobody"), 0);
    EXPECT_EQ(search("NOPE", "x"), 0);
    EXPECT_EQ(db_error.number, 612);
    EXPECT_TRUE(rec.boxes.empty());  // the search reports nothing
}

TEST_F(DbfTest, TableNumbers) {
    EXPECT_EQ(runtime_error_code([] { go_to("TOP", 0, std::nullopt); }), 2);
    EXPECT_EQ(last_message(), "Tabellennummer noch nicht vergeben!");
    make_table("P", kPeople, 3);
    close_table(3);
    EXPECT_EQ(runtime_error_code([] { select_table(3); }), 2);
    EXPECT_EQ(last_message(), "Tabellennummer noch nicht vergeben!");
    EXPECT_EQ(runtime_error_code([] { select_table(16); }), 2);
    EXPECT_EQ(last_message(), "Tabellennummer nicht im erlaubten Bereich!");
    errors.error_mode = -1;
    EXPECT_EQ(read_field("NAME"), "");
    EXPECT_EQ(write_record(0), 0);
}

TEST_F(DbfTest, ReopeningANumberClosesTheEarlierTable) {
    make_table("P", kPeople);
    add({{"NAME", "A"}});
    EXPECT_EQ(fs.get("P.DBF")[4], 1);  // the count follows every append
    fs.put("S.TXT", kNotes);
    create_table("S.TXT", "Q");
    EXPECT_EQ(open_table(1, "Q"), 0);
    EXPECT_EQ(fs.get("P.DBF")[4], 1);
}

TEST_F(DbfTest, ShutdownStepWritesTheCount) {
    make_table("P", kPeople);
    add({{"NAME", "A"}});
    add({{"NAME", "B"}});
    run_shutdown_steps();
    auto f = fs.get("P.DBF");
    EXPECT_EQ(f[4], 2);
    EXPECT_EQ(f.back(), 0x1A);
    EXPECT_EQ(current(), nullptr);
}

TEST_F(DbfTest, CancelledWarningEndsTheRunWithTheCountWritten) {
    make_table("P", kPeople);
    add({{"NAME", "A"}});
    rec.box_answers.push_back(mb::kIdCancel);
    EXPECT_EQ(runtime_error_code([] { go_to("", 9, std::nullopt); }), 2);
    EXPECT_EQ(last_message(), "Programm abgebrochen!");
    EXPECT_EQ(fs.get("P.DBF")[4], 1);
    EXPECT_EQ(current(), nullptr);
}

TEST_F(DbfTest, DateConversions) {
    EXPECT_EQ(dtoc("20261207"), "07.12.2026");
    EXPECT_EQ(dtoc("20261307"), "");
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(dtoc("2026127"), "");
    EXPECT_EQ(last_message(), "Falscher Typ f\xFCr @DTOC$ !");
    EXPECT_EQ(ctod(" 07.12.2026 "), "20261207");
    EXPECT_EQ(ctod("7.12.2026"), "0262.7.");  // parts taken by position
    EXPECT_EQ(last_message(), "Falscher Typ f\xFCr @CTOD$ !");
    display_date_order = "/Mdy";
    EXPECT_EQ(dtoc("20261207"), "12/07/2026");
    EXPECT_EQ(ctod("12/07/2026"), "20261207");
    display_date_order = "-yMd";
    EXPECT_EQ(dtoc("20261207"), "2026-12-07");
    EXPECT_EQ(ctod("2026-12-07"), "20261207");
    EXPECT_EQ(dtoc("40000229"), "");
    EXPECT_EQ(dtoc("20000229"), "2000-02-29");
}

TEST_F(DbfTest, SystemValuesWithoutATable) {
    EXPECT_EQ(system_value(Sys::DBINFO160)->number, 0);
    EXPECT_EQ(system_value(Sys::DBFIELDNAME)->text, "");
    EXPECT_EQ(system_value(Sys::DBISOPEN)->number, 0);
    EXPECT_FALSE(system_value(Sys::SCREENWIDTH).has_value());
    make_table("P", kPeople);
    EXPECT_EQ(system_value(Sys::DBISOPEN)->number, 1);
    EXPECT_EQ(system_value(Sys::DBINFO161)->number, 32 * 4 + 33);
    EXPECT_EQ(system_value(Sys::DBINFO162)->number, 26);
    EXPECT_EQ(system_value(Sys::DBINFO164)->number, 4);
}

}  // namespace
}  // namespace tolven::testing
