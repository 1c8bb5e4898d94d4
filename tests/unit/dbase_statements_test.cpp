// The table functions and statements as a program reaches them: arguments
// read by the argument reader, results in the slots, failures skipped.
#include "data/dbase_statements.h"

#include <string>

#include "app/modules.h"
#include "core/interp.h"
#include "core/loop.h"
#include "screen/text_screen.h"
#include "tests/unit/support/dbase_fixture.h"
#include "tests/unit/support/listing.h"
#include "tests/unit/support/raised.h"
#include "values/reader.h"
#include "values/system_platform.h"

namespace tolven::testing {
namespace {

class DbaseStatements : public DbaseTest {
protected:
    std::string text_;  // the argument text must outlive the read

    void SetUp() override {
        DbaseTest::SetUp();
        install_portable_modules();
        reset_runtime();
        reader.force_expression = 0;
        text_screen.font_index = 2;
        fs.put("S.TXT", "NAME;C;10\nPRICE;N;6;2\nDAY;D\nNOTE;M\n");
    }
    // Evaluates one argument text (a function call, written as in a
    // listing) and leaves the reader.
    void eval(const std::string& text, char separator = ' ', bool expression = false) {
        text_ = listing_args(text);
        reader.force_expression = expression ? 1 : 0;
        begin_arguments(text_);
        read_arg(separator, kAny);
        reader.force_expression = 0;
    }
    int32_t number(std::string text) {
        eval(std::move(text));
        return slots.l;
    }
    std::string string(std::string text) {
        eval(std::move(text));
        return slots.s;
    }
    // Runs one statement written as a listing line.
    void statement(const std::string& line) {
        const std::string bytes = listing_line(line);
        if (bytes.empty()) return;
        text_ = bytes.substr(1);
        begin_arguments(text_);
        statement_handler(static_cast<uint8_t>(bytes[0]))();
    }
    void open_people() {
        statement("CREATETABLE \"S.TXT\">\"PEOPLE\"");
        ASSERT_EQ(number("@DBOPEN(#1,\"PEOPLE\")"), 0);
        for (const char* name : {"MAIER", "MARTIN", "ABEL", "ZORN", "MANN"}) {
            ASSERT_EQ(number(std::string("@DBSETFIELD(\"NAME\",\"") + name + "\")"), 1);
            number("@DBWRITE(-1)");
        }
    }
};

TEST_F(DbaseStatements, TableNumbersNeedTheHashAndARange) {
    open_people();
    // Under error mode -1 the call's arguments are skipped with its ")".
    EXPECT_EQ(raised([&] { eval("@DBOPEN(1,\"PEOPLE\"),7", ','); }), 105);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(reader.rest, "7");
    EXPECT_EQ(raised([&] { number("@DBSELECT(#16)"); }), 609);
    EXPECT_EQ(raised([&] { number("@DBSELECT(#3)"); }), 610);
    EXPECT_EQ(number("@DBSELECT( #1)"), 5);
    EXPECT_EQ(number("@DBCLOSE(#1)"), 5);
    // Record and field functions without a current table.
    EXPECT_EQ(raised([&] { string("@DBFIELD$(\"NAME\")"); }), 610);
    EXPECT_EQ(raised([&] { number("@DBAPPEND()"); }), 610);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(runtime_error_code([&] { number("@DBSELECT(1)"); }), 2);
    EXPECT_EQ(last_message(), "Tabellenkennung erwartet!");
}

TEST_F(DbaseStatements, GoToTakesKeywordsQuotedOrBare) {
    open_people();
    EXPECT_EQ(number("@DBGOTO(\"TOP\")"), 1);
    EXPECT_EQ(number("@DBGOTO(NEXT,3)"), 4);
    EXPECT_EQ(string("@DBFIELD$(\"NAME\")"), "ZORN      ");
    EXPECT_EQ(number("@DBGOTO( bottom )"), 5);
    EXPECT_EQ(number("@DBGOTO(<,2)"), 3);
    EXPECT_EQ(number("@DBGOTO(|<)"), 1);
    EXPECT_EQ(number("@DBGOTO(0)"), 1);  // go to 0 reads nothing
    EXPECT_EQ(number("@DBGOTO(2)"), 2);
    EXPECT_EQ(number("@DBGOTO(\"#\",4)"), 4);  // not a keyword: the second value is the record
    // In an expression line a bare ">" is the keyword, not an operator.
    eval("@DBGOTO(>)+10", ' ', true);
    EXPECT_EQ(slots.l, 15);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(number("@DBGOTO(9)"), 5);
    EXPECT_EQ(last_message(), "Schl\xFCsselfeld nicht in Ordnung: Datensatz 9 nicht in der Tabelle gefunden.");
}

TEST_F(DbaseStatements, FieldsByNameAndNumber) {
    open_people();
    number("@DBGOTO(2)");
    EXPECT_EQ(string("@DBFIELDN$(1)"), "MARTIN    ");
    // A number written to a numeric field stands for its text.
    EXPECT_EQ(number("@DBSETFIELD(\"price\",3.14159)"), 1);
    EXPECT_EQ(string("@DBFIELD$(\"PRICE\")"), "  3.14");
    EXPECT_EQ(number("@DBSETFIELDN(3,\"20261231\")"), 1);
    EXPECT_EQ(number("@DBSETFIELDN(3,\"20261332\")"), 0);
    EXPECT_EQ(number("@DBWRITE(0)"), 2);
    EXPECT_EQ(number("@DBGOTO(1)"), 1);
    EXPECT_EQ(number("@DBGOTO(2)"), 2);
    EXPECT_EQ(string("@DBFIELDN$(3)"), "20261231");
    EXPECT_EQ(messages().size(), 0u);
    EXPECT_EQ(string("@DBFIELDN$(9)"), "");
    EXPECT_EQ(last_message(), "Feldnummer beim Lesen nicht gefunden: 9");
}

TEST_F(DbaseStatements, DeleteRecallPackAndAppend) {
    open_people();
    number("@DBGOTO(2)");
    EXPECT_EQ(number("@DBDELETE()"), 2);
    number("@DBGOTO(4)");
    EXPECT_EQ(number("@DBDELETE()"), 4);
    number("@DBGOTO(4)");
    EXPECT_EQ(number("@DBRECALL()"), 4);
    EXPECT_EQ(number("@DBPACK()"), 4);
    EXPECT_EQ(number("@DBSETFIELD(\"NAME\",\"NEU\")"), 1);
    EXPECT_EQ(number("@DBAPPEND()"), 5);
    EXPECT_EQ(string("@DBFIELD$(\"NAME\")"), "          ");  // the buffer is blank again
    EXPECT_EQ(number("@DBGOTO( 5)"), 5);
    EXPECT_EQ(string("@DBFIELD$(\"NAME\")"), "NEU       ");
}

TEST_F(DbaseStatements, IndexSeekAndFind) {
    open_people();
    statement("CREATEINDEX \"NAME\">\"NAMES\"");
    EXPECT_TRUE(fs.has("NAMES.NDX"));
    EXPECT_EQ(number("@DBGOTO(TOP)"), 3);  // ABEL
    // Without the switch a seek finds the first name beginning with the text.
    EXPECT_EQ(number("@DBSEEK(\"MA\")"), 1);
    EXPECT_EQ(number("@DBSEEK(\"MA\",0)"), 1);
    EXPECT_EQ(number("@DBSEEK(\"MA\",1)"), 0);
    EXPECT_EQ(number("@DBSEEK(\"MANN\",1)"), 5);
    EXPECT_EQ(number("@DBGOTO(>)"), 2);  // MARTIN follows MANN in key order
    // Find from the current record on, in index order.
    EXPECT_EQ(number("@DBFIND(\"NAME\",\"OR\")"), 4);
    number("@DBGOTO(TOP)");
    EXPECT_EQ(number("@DBFIND(\"NAME\",\"ma\",1)"), 1);
    EXPECT_EQ(number("@DBFIND(\"NAME\",\"MA\",2)"), 0);
    EXPECT_EQ(number("@DBINDEX(\"NAMES\")"), 1);
    EXPECT_EQ(number("@DBINDEX(\"NONE\")"), 0);  // missing: no index, no warning
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(runtime_error_code([&] { statement("CREATEINDEX \"NAME\">\"A B\""); }), 2);
    EXPECT_EQ(last_message(), "Index-Dateiname fehlerhaft: A B");
}

TEST_F(DbaseStatements, MemosAndTheLineWidth) {
    open_people();
    number("@DBGOTO(1)");
    item_list.clear();
    item_list.add(std::string(30, 'x') + " " + std::string(30, 'y'));
    EXPECT_EQ(number("@ITEMSTOMEMO(\"NOTE\")"), 1);
    number("@DBWRITE(0)");
    statement("MEMOWIDTH 20");
    item_list.clear();
    EXPECT_GT(number("@MEMOTOITEMS(\"note\")"), 0);
    ASSERT_EQ(item_list.size(), 4);
    EXPECT_EQ(item_list[0], std::string(20, 'x'));
    EXPECT_EQ(item_list[1], std::string(10, 'x') + " ");
    EXPECT_EQ(number("@MEMOTOITEMS(\"NAME\")"), -1);
    EXPECT_EQ(number("@ITEMSTOMEMO(\"NAME\")"), 0);
    statement("MEMOWIDTH 300");
    EXPECT_EQ(dbase::current()->memo_width, 255);
}

TEST_F(DbaseStatements, DateConversions) {
    EXPECT_EQ(string("@DTOC$(\"20261231\")"), "31.12.2026");
    EXPECT_EQ(string("@DTOC$(20260102)"), "02.01.2026");  // a number stands for its digits
    eval("@CTOD$(\" 31.12.2026 \")");
    EXPECT_EQ(slots.s, "20261231");
    EXPECT_EQ(slots.i, 20261231);
    EXPECT_EQ(slots.l, 20261231);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(string("@DTOC$(\"2026123\")"), "");
    EXPECT_EQ(last_message(), "Falscher Typ f\xFCr @DTOC$ !");
}

// The conversions follow the font of the text screen and the regional
// date settings as they are when the function runs.
TEST_F(DbaseStatements, OemFontAndDateOrderAreFollowed) {
    open_people();
    number("@DBGOTO(1)");
    text_screen.font_index = 1;
    EXPECT_EQ(number("@DBSETFIELD(\"NAME\",\"Müller\")"), 1);
    EXPECT_EQ(dbase::current()->buffer[2], 0x81);  // stored as OEM
    EXPECT_EQ(string("@DBFIELD$(\"NAME\")"), "M\xFCller    ");
    // Finding ignores case also for umlauts stored as OEM text.
    EXPECT_EQ(number("@DBWRITE(0)"), 1);
    EXPECT_EQ(number("@DBFIND(\"NAME\",\"ÜL\")"), 1);
    EXPECT_EQ(number("@DBFIND(\"NAME\",\"müller\",2)"), 1);
    text_screen.font_index = 2;
    EXPECT_EQ(string("@DBFIELD$(\"NAME\")"), "M\x81ller    ");

    struct UsDates : SystemPlatform {
        RegionalSettings regional_settings() override { return {"/", "M/d/yyyy", ".", ","}; }
    } us;
    set_system_platform(&us);
    EXPECT_EQ(string("@DTOC$(\"20261231\")"), "12/31/2026");
    EXPECT_EQ(string("@CTOD$(\"12/31/2026\")"), "20261231");
    set_system_platform(nullptr);
    EXPECT_EQ(string("@DTOC$(\"20261231\")"), "31.12.2026");
}

// The database error stays pending and is reported again by every table
// function until an index open clears it; while it is pending, counted moves,
// searches and table creation still do their whole work.
TEST_F(DbaseStatements, APendingErrorDoesNotCutLaterWork) {
    open_people();
    EXPECT_EQ(number("@DBGOTO(9)"), 5);
    ASSERT_TRUE(db_error_pending());
    EXPECT_EQ(number("@DBGOTO(TOP)"), 1);
    EXPECT_EQ(number("@DBGOTO(NEXT,3)"), 4);
    EXPECT_EQ(number("@DBGOTO(INDEX,3)"), 3);
    number("@DBGOTO(TOP)");
    EXPECT_EQ(number("@DBFIND(\"NAME\",\"MANN\")"), 5);
    statement("CREATETABLE \"S.TXT\">\"MORE\"");
    EXPECT_TRUE(fs.has("MORE.DBF"));
    EXPECT_TRUE(fs.has("MORE.DBT"));  // a memo table is never left without its memo file
    EXPECT_EQ(rec.boxes.size(), 6u);
    EXPECT_EQ(number("@DBINDEX(\"\")"), 1);
    EXPECT_FALSE(db_error_pending());
}

TEST_F(DbaseStatements, CreateTableReportsStructureErrors) {
    fs.put("D.TXT", "NAME;C;10\nname;C;4\n");
    statement("CREATETABLE \"D.TXT\">\"DUP\"");
    EXPECT_EQ(last_message(), "Doppelter Feldname: NAME");
    EXPECT_FALSE(fs.has("DUP.DBF"));
    clear_db_error();
    statement("CREATETABLE \"NOPE.TXT\">\"X\"");
    EXPECT_EQ(last_message(), "Datei nicht gefunden: : NOPE.TXT");
}

}  // namespace
}  // namespace tolven::testing
