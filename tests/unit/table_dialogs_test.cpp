// The record and browse dialogs where the end-to-end programs cannot reach
// cheaply: odd field lists, modes and row counts, and what typing into an
// unknown or a date field does to the record buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/table_dialogs.h"
#include "gui/gui_state.h"
#include "tests/unit/support/dbase_fixture.h"

namespace tolven::testing {
namespace {

using table_dialogs::BrowseDialog;
using table_dialogs::Control;
using table_dialogs::Event;
using table_dialogs::RecordDialog;

TEST(TableDialogFields, TriplesAreCutAtTwentyAndFilledUp) {
    std::string list;
    for (int k = 1; k <= 25; ++k) list += "F" + std::to_string(k) + ";L" + std::to_string(k) + ";" + std::to_string(k) + ";";
    const auto fields = table_dialogs::parse_field_list(list);
    ASSERT_EQ(fields.size(), 20u);
    EXPECT_EQ(fields[19].name, "F20");
    EXPECT_EQ(fields[19].width, 20);
    const auto partial = table_dialogs::parse_field_list(" NAME ;Name;x;ORT");
    ASSERT_EQ(partial.size(), 2u);
    EXPECT_EQ(partial[0].name, "NAME");
    EXPECT_EQ(partial[0].width, 0);
    EXPECT_EQ(partial[1].label, "");
    EXPECT_EQ(table_dialogs::parse_field_list("A;B;-40")[0].width, 0);
    EXPECT_TRUE(table_dialogs::parse_field_list("").empty());
}

class TableDialogTest : public DbaseTest {
protected:
    void SetUp() override {
        DbaseTest::SetUp();
        gui_state = GuiState{};
        make_table("T", "NAME;C;10\r\nTAG;D\r\nZAHL;N;5;1\r\n");
        for (const char* n : {"a", "b", "c", "d", "e", "f", "g"}) add({{"NAME", n}});
        dbase::go_to("1", 1, std::nullopt);
    }
    dbase::Table& table() { return *dbase::current(); }

    static int32_t id_of(const table_dialogs::TableDialog& d, Control::Role role) {
        for (const Control& c : d.controls())
            if (c.role == role) return c.id;
        return 0;
    }
};

TEST_F(TableDialogTest, ModesOutsideTheRangeCountAsZeroAndRowsStayOnScreen) {
    for (int mode : {-1, 3, 19, 35}) {
        BrowseDialog d(table(), 0, 0, "", 2, "NAME;N;50", mode);
        EXPECT_EQ(d.mode(), 0) << mode;
        EXPECT_EQ(id_of(d, Control::OkButton), 1000) << mode;
        EXPECT_EQ(id_of(d, Control::RowButton), 0) << mode;
    }
    EXPECT_EQ(BrowseDialog(table(), 0, 0, "", 2, "NAME;N;50", 18).mode(), 2);
    BrowseDialog none(table(), 0, 0, "", 0, "NAME;N;50", 2);
    EXPECT_EQ(none.height(), 21 + 78);
    BrowseDialog many(table(), 0, 0, "", 100000, "NAME;N;50", 0);
    EXPECT_EQ(many.height(), 100 * 21 + 78);
    EXPECT_EQ(gui_state.next_control_id, 1000 + 2 + 100);  // Ok, scroll bar, a frame per row
}

TEST_F(TableDialogTest, ScrollLimitOfOneRowStillMoves) {
    BrowseDialog d(table(), 0, 0, "", 1, "NAME;N;50", 18);
    ASSERT_EQ(d.first_position(), 1);
    d.handle({Event::Scroll, 0, 7}, {});
    EXPECT_EQ(d.first_position(), 2);
    d.handle({Event::Scroll, 0, 1}, {});
    EXPECT_EQ(d.first_position(), 1);
}

TEST_F(TableDialogTest, AnIndexedGridFillsWhileAnEarlierErrorIsPending) {
    ASSERT_TRUE(dbase::create_index("NAME", "T"));
    dbase::go_to("7", 7, std::nullopt);
    errors.error_mode = -1;
    dbase::read_field("NIX");  // 602, pending until an index function clears it
    ASSERT_TRUE(db_error_pending());
    BrowseDialog d(table(), 0, 0, "", 3, "NAME;N;50", 2);
    EXPECT_EQ(d.first_position(), 5);
    EXPECT_EQ(d.row_record(0), 5);
    EXPECT_EQ(d.row_record(2), 7);
}

TEST_F(TableDialogTest, TypedValuesReachTheBufferOnlyWhenAllAreTaken) {
    dbase::write_field("TAG", "20240229");
    dbase::write_field("ZAHL", "2.5");
    dbase::write_record(0);
    RecordDialog d(table(), 0, 0, "", "NAME;Name;80;TAG;Tag;80;ZAHL;Zahl;40;NIX;Nix;40", 1);
    EXPECT_EQ(d.values(), (std::vector<std::string>{"a", "29.02.2024", "2.5", ""}));
    ASSERT_EQ(rec.boxes.size(), 1u);  // the unknown field, reported once
    const int32_t ok = id_of(d, Control::OkButton);
    // A date that is not ten characters, text typed for a field that is
    // none: refused with the label, the buffer as it was.
    const std::vector<uint8_t> before = table().buffer;
    d.handle({Event::Click, ok}, {"neu", "1.2.2024", "2.5", ""});
    EXPECT_FALSE(d.finished());
    EXPECT_EQ(rec.boxes.back().text, "Ung\xFCltige Eingabe: Tag");
    EXPECT_EQ(table().buffer, before);
    d.handle({Event::Click, ok}, {"neu", "29.02.2024", "2.5", "x"});
    EXPECT_EQ(rec.boxes.back().text, "Ung\xFCltige Eingabe: Nix");
    EXPECT_FALSE(d.finished());
    // An emptied date is a blank field.
    d.handle({Event::Click, ok}, {"neu", "", "2.5", ""});
    ASSERT_TRUE(d.finished());
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(dbase::read_field("NAME"), "neu       ");
    EXPECT_EQ(dbase::read_field("TAG"), "        ");
    EXPECT_EQ(dbase::read_field("ZAHL"), "  2.5");
}

}  // namespace
}  // namespace tolven::testing
