// The table functions and statements as a program reaches them: arguments
// read by the argument reader, results in the slots, failures skipped.
#include "data/dbase_statements.h"

#include <string>

#include "app/modules.h"
#include "core/interp.h"
#include "core/loop.h"
#include "screen/text_screen.h"
#include "tests/unit/support/dbase_fixture.h"
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
    // Evaluates one argument text (a function call) and leaves the reader.
    void eval(std::string text, char separator = ' ', bool expression = false) {
        text_ = std::move(text);
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
    void statement(uint8_t token, std::string text) {
        text_ = std::move(text);
        begin_arguments(text_);
        statement_handler(token)();
    }
    // Runs a call under error mode -1; the number it raised (0: none).
    template <class F>
    int raised(F f) {
        errors.error_mode = -1;
        errors.last_error_number = 0;
        f();
        errors.error_mode = 1;
        return errors.last_error_number;
    }
    void open_people() {
        statement(0xF9, "\"S.TXT\">\"PEOPLE\"");
        ASSERT_EQ(number("@\xD2#1,\"PEOPLE\")"), 0);
        for (const char* name : {"MAIER", "MARTIN", "ABEL", "ZORN", "MANN"}) {
            ASSERT_EQ(number(std::string("@\xDD\"NAME\",\"") + name + "\")"), 1);
            number("@\xDF-1)");
        }
    }
};

TEST_F(DbaseStatements, TableNumbersNeedTheHashAndARange) {
    open_people();
    // Under error mode -1 the call's arguments are skipped with its ")".
    EXPECT_EQ(raised([&] { eval("@\xD2" "1,\"PEOPLE\"),7", ','); }), 105);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(reader.rest, "7");
    EXPECT_EQ(raised([&] { number("@\xD3#16)"); }), 609);
    EXPECT_EQ(raised([&] { number("@\xD3#3)"); }), 610);
    EXPECT_EQ(number("@\xD3 #1)"), 5);
    EXPECT_EQ(number("@\xD5#1)"), 5);
    // Record and field functions without a current table.
    EXPECT_EQ(raised([&] { string("@\xD6\"NAME\")"); }), 610);
    EXPECT_EQ(raised([&] { number("@\xE3)"); }), 610);
    EXPECT_EQ(slots.l, 0);
    EXPECT_EQ(runtime_error_code([&] { number("@\xD3" "1)"); }), 2);
    EXPECT_EQ(last_message(), "Tabellenkennung erwartet!");
}

TEST_F(DbaseStatements, GoToTakesKeywordsQuotedOrBare) {
    open_people();
    EXPECT_EQ(number("@\xD4\"TOP\")"), 1);
    EXPECT_EQ(number("@\xD4NEXT,3)"), 4);
    EXPECT_EQ(string("@\xD6\"NAME\")"), "ZORN      ");
    EXPECT_EQ(number("@\xD4 bottom )"), 5);
    EXPECT_EQ(number("@\xD4<,2)"), 3);
    EXPECT_EQ(number("@\xD4|<)"), 1);
    EXPECT_EQ(number("@\xD4" "0)"), 1);  // go to 0 reads nothing
    EXPECT_EQ(number("@\xD4" "2)"), 2);
    EXPECT_EQ(number("@\xD4\"#\",4)"), 4);  // not a keyword: the second value is the record
    // In an expression line a bare ">" is the keyword, not an operator.
    eval("@\xD4>)+10", ' ', true);
    EXPECT_EQ(slots.l, 15);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(number("@\xD4" "9)"), 5);
    EXPECT_EQ(last_message(), "Schl\xFCsselfeld nicht in Ordnung: Datensatz 9 nicht in der Tabelle gefunden.");
}

TEST_F(DbaseStatements, FieldsByNameAndNumber) {
    open_people();
    number("@\xD4" "2)");
    EXPECT_EQ(string("@\xD7" "1)"), "MARTIN    ");
    // A number written to a numeric field stands for its text.
    EXPECT_EQ(number("@\xDD\"price\",3.14159)"), 1);
    EXPECT_EQ(string("@\xD6\"PRICE\")"), "  3.14");
    EXPECT_EQ(number("@\xDE" "3,\"20261231\")"), 1);
    EXPECT_EQ(number("@\xDE" "3,\"20261332\")"), 0);
    EXPECT_EQ(number("@\xDF" "0)"), 2);
    EXPECT_EQ(number("@\xD4" "1)"), 1);
    EXPECT_EQ(number("@\xD4" "2)"), 2);
    EXPECT_EQ(string("@\xD7" "3)"), "20261231");
    EXPECT_EQ(messages().size(), 0u);
    EXPECT_EQ(string("@\xD7" "9)"), "");
    EXPECT_EQ(last_message(), "Feldnummer beim Lesen nicht gefunden: 9");
}

TEST_F(DbaseStatements, DeleteRecallPackAndAppend) {
    open_people();
    number("@\xD4" "2)");
    EXPECT_EQ(number("@\xE0)"), 2);
    number("@\xD4" "4)");
    EXPECT_EQ(number("@\xE0)"), 4);
    number("@\xD4" "4)");
    EXPECT_EQ(number("@\xE1)"), 4);
    EXPECT_EQ(number("@\xE2)"), 4);
    EXPECT_EQ(number("@\xDD\"NAME\",\"NEU\")"), 1);
    EXPECT_EQ(number("@\xE3)"), 5);
    EXPECT_EQ(string("@\xD6\"NAME\")"), "          ");  // the buffer is blank again
    EXPECT_EQ(number("@\xD4 5)"), 5);
    EXPECT_EQ(string("@\xD6\"NAME\")"), "NEU       ");
}

TEST_F(DbaseStatements, IndexSeekAndFind) {
    open_people();
    statement(0xF8, "\"NAME\">\"NAMES\"");
    EXPECT_TRUE(fs.has("NAMES.NDX"));
    EXPECT_EQ(number("@\xD4TOP)"), 3);  // ABEL
    // Without the switch a seek finds the first name beginning with the text.
    EXPECT_EQ(number("@\xDB\"MA\")"), 1);
    EXPECT_EQ(number("@\xDB\"MA\",0)"), 1);
    EXPECT_EQ(number("@\xDB\"MA\",1)"), 0);
    EXPECT_EQ(number("@\xDB\"MANN\",1)"), 5);
    EXPECT_EQ(number("@\xD4>)"), 2);  // MARTIN follows MANN in key order
    // Find from the current record on, in index order.
    EXPECT_EQ(number("@\xDC\"NAME\",\"OR\")"), 4);
    number("@\xD4TOP)");
    EXPECT_EQ(number("@\xDC\"NAME\",\"ma\",1)"), 1);
    EXPECT_EQ(number("@\xDC\"NAME\",\"MA\",2)"), 0);
    EXPECT_EQ(number("@\xD8\"NAMES\")"), 1);
    EXPECT_EQ(number("@\xD8\"NONE\")"), 0);  // missing: no index, no warning
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(runtime_error_code([&] { statement(0xF8, "\"NAME\">\"A B\""); }), 2);
    EXPECT_EQ(last_message(), "Index-Dateiname fehlerhaft: A B");
}

TEST_F(DbaseStatements, MemosAndTheLineWidth) {
    open_people();
    number("@\xD4" "1)");
    item_list.clear();
    item_list.add(std::string(30, 'x') + " " + std::string(30, 'y'));
    EXPECT_EQ(number("@\x48\"NOTE\")"), 1);
    number("@\xDF" "0)");
    statement(0x39, "20");
    item_list.clear();
    EXPECT_GT(number("@\x47\"note\")"), 0);
    ASSERT_EQ(item_list.size(), 4);
    EXPECT_EQ(item_list[0], std::string(20, 'x'));
    EXPECT_EQ(item_list[1], std::string(10, 'x') + " ");
    EXPECT_EQ(number("@\x47\"NAME\")"), -1);
    EXPECT_EQ(number("@\x48\"NAME\")"), 0);
    statement(0x39, "300");
    EXPECT_EQ(dbase::current()->memo_width, 255);
}

TEST_F(DbaseStatements, DateConversions) {
    EXPECT_EQ(string("@\xE4\"20261231\")"), "31.12.2026");
    EXPECT_EQ(string("@\xE4" "20260102)"), "02.01.2026");  // a number stands for its digits
    eval("@\xE5\" 31.12.2026 \")");
    EXPECT_EQ(slots.s, "20261231");
    EXPECT_EQ(slots.i, 20261231);
    EXPECT_EQ(slots.l, 20261231);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(string("@\xE4\"2026123\")"), "");
    EXPECT_EQ(last_message(), "Falscher Typ f\xFCr @DTOC$ !");
}

// The conversions follow the font of the text screen and the regional
// date settings as they are when the function runs.
TEST_F(DbaseStatements, OemFontAndDateOrderAreFollowed) {
    open_people();
    number("@\xD4" "1)");
    text_screen.font_index = 1;
    EXPECT_EQ(number("@\xDD\"NAME\",\"M\xFCller\")"), 1);
    EXPECT_EQ(dbase::current()->buffer[2], 0x81);  // stored as OEM
    EXPECT_EQ(string("@\xD6\"NAME\")"), "M\xFCller    ");
    // Finding ignores case also for umlauts stored as OEM text.
    EXPECT_EQ(number("@\xDF" "0)"), 1);
    EXPECT_EQ(number("@\xDC\"NAME\",\"\xDCL\")"), 1);
    EXPECT_EQ(number("@\xDC\"NAME\",\"m\xFCller\",2)"), 1);
    text_screen.font_index = 2;
    EXPECT_EQ(string("@\xD6\"NAME\")"), "M\x81ller    ");

    struct UsDates : SystemPlatform {
        RegionalSettings regional_settings() override { return {"/", "M/d/yyyy", ".", ","}; }
    } us;
    set_system_platform(&us);
    EXPECT_EQ(string("@\xE4\"20261231\")"), "12/31/2026");
    EXPECT_EQ(string("@\xE5\"12/31/2026\")"), "20261231");
    set_system_platform(nullptr);
    EXPECT_EQ(string("@\xE4\"20261231\")"), "31.12.2026");
}

// The database error stays pending and is reported again by every table
// function until an index open clears it; while it is pending, counted moves,
// searches and table creation still do their whole work.
TEST_F(DbaseStatements, APendingErrorDoesNotCutLaterWork) {
    open_people();
    EXPECT_EQ(number("@\xD4" "9)"), 5);
    ASSERT_TRUE(db_error_pending());
    EXPECT_EQ(number("@\xD4TOP)"), 1);
    EXPECT_EQ(number("@\xD4NEXT,3)"), 4);
    EXPECT_EQ(number("@\xD4INDEX,3)"), 3);
    number("@\xD4TOP)");
    EXPECT_EQ(number("@\xDC\"NAME\",\"MANN\")"), 5);
    statement(0xF9, "\"S.TXT\">\"MORE\"");
    EXPECT_TRUE(fs.has("MORE.DBF"));
    EXPECT_TRUE(fs.has("MORE.DBT"));  // a memo table is never left without its memo file
    EXPECT_EQ(rec.boxes.size(), 6u);
    EXPECT_EQ(number("@\xD8\"\")"), 1);
    EXPECT_FALSE(db_error_pending());
}

TEST_F(DbaseStatements, CreateTableReportsStructureErrors) {
    fs.put("D.TXT", "NAME;C;10\nname;C;4\n");
    statement(0xF9, "\"D.TXT\">\"DUP\"");
    EXPECT_EQ(last_message(), "Doppelter Feldname: NAME");
    EXPECT_FALSE(fs.has("DUP.DBF"));
    clear_db_error();
    statement(0xF9, "\"NOPE.TXT\">\"X\"");
    EXPECT_EQ(last_message(), "Datei nicht gefunden: : NOPE.TXT");
}

}  // namespace
}  // namespace tolven::testing
