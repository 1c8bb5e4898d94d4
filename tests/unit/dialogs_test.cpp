#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/automation.h"
#include "core/errors.h"
#include "core/file_dialog.h"
#include "gui/dialog_logic.h"
#include "gui/dialogs.h"
#include "gui/gui_state.h"
#include "gui/item_list.h"
#include "screen/display.h"
#include "screen/screen_state.h"
#include "screen/text_screen.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"

namespace tolven::testing {
namespace {

using namespace std::string_literals;

ItemList list_of(std::initializer_list<const char*> entries) {
    ItemList items;
    for (const char* e : entries) items.add(e);
    return items;
}

// ---- what the dialogs work out ----

TEST(DialogLogic, VariantsChooseTheirTemplates) {
    EXPECT_STREQ(dialogs::edit_box_template(2), "EDITBOX2");
    for (int v : {0, 1, 3, 7, -2}) EXPECT_STREQ(dialogs::edit_box_template(v), "EDITBOX1") << v;
    EXPECT_STREQ(dialogs::list_box_template(1), "LISTBOX1");
    EXPECT_STREQ(dialogs::list_box_template(6), "LISTBOX6");
    EXPECT_STREQ(dialogs::list_box_template(8), "LISTBOX8");
    for (int v : {0, 7, 9, -1, 1000}) EXPECT_STREQ(dialogs::list_box_template(v), "LISTBOX7") << v;
    EXPECT_FALSE(dialogs::list_box_sorts("LISTBOX2"));
    EXPECT_TRUE(dialogs::list_box_sorts("LISTBOX4"));
    EXPECT_TRUE(dialogs::list_box_sorts(dialogs::list_box_template(0)));
}

TEST(DialogLogic, TrimmingTakesEveryControlCharacterAndBlank) {
    EXPECT_EQ(dialogs::trimmed(" \t\r\n ab c \x01\x20"), "ab c");
    EXPECT_EQ(dialogs::trimmed("\xA0x\xA0"), "\xA0x\xA0");  // no-break space stays
    EXPECT_EQ(dialogs::trimmed("   "), "");
}

TEST(DialogLogic, EditTextJoinsTheEntriesBelowTheLimit) {
    EXPECT_EQ(dialogs::edit_text(ItemList{}), "");
    EXPECT_EQ(dialogs::edit_text(list_of({"a", "", "b"})), "a\r\n\r\nb");
    // An entry that would reach the limit is left out; later, shorter ones
    // still come.
    ItemList items;
    items.add(std::string(63000, 'x'));
    items.add(std::string(998, 'y'));   // 63000 + 998 = 63998: taken
    items.add(std::string(10, 'z'));    // 64000 + 10: left out
    items.add("");                      // 64000: left out, it reaches the limit
    const std::string text = dialogs::edit_text(items);
    EXPECT_EQ(text.size(), 63000u + 2 + 998);
    EXPECT_EQ(text.find('z'), std::string::npos);
    // A first entry that is too long is left out without a line break
    // before the next.
    ItemList big;
    big.add(std::string(70000, 'x'));
    big.add("klein");
    EXPECT_EQ(dialogs::edit_text(big), "klein");
}

TEST(DialogLogic, EditLinesAreCutAndCounted) {
    EXPECT_EQ(dialogs::edit_lines(""), std::vector<std::string>{""});
    EXPECT_EQ(dialogs::edit_lines("a\r\nb\nc\rd\r\n"),
              (std::vector<std::string>{"a", "b", "c", "d", ""}));
    const auto cut = dialogs::edit_lines(std::string(300, 'q') + "\r\nx");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0], std::string(255, 'q'));
    std::string many;
    for (int k = 0; k < 40000; ++k) many += "l\n";
    EXPECT_EQ(dialogs::edit_lines(many).size(), static_cast<size_t>(dialogs::kMaxEditLines));
}

TEST(DialogLogic, EditAnswersWriteLineBreaksAsBackslashN) {
    const auto lines = dialogs::edit_lines_from_answer("eins\\nzwei\\n\\nC:\\temp\\x");
    EXPECT_EQ(lines, (std::vector<std::string>{"eins", "zwei", "", "C:\\temp\\x"}));
    EXPECT_EQ(dialogs::edit_answer(lines), "eins\\nzwei\\n\\nC:\\temp\\x");
    EXPECT_EQ(dialogs::edit_answer({""}), "");
}

TEST(DialogLogic, StoringEditLinesReplacesTheListAndStopsWhenFull) {
    ItemList items = list_of({"alt"});
    dialogs::store_edit_lines(items, {"a", "b"});
    EXPECT_EQ(items.last_index(), 1);
    EXPECT_EQ(items[0], "a");
    std::vector<std::string> lines(ItemList::kCapacity + 5, "z");
    dialogs::store_edit_lines(items, lines);
    EXPECT_EQ(items.size(), ItemList::kCapacity);
}

TEST(DialogLogic, ListExtentOrderAndChoice) {
    const ItemList items = list_of({"Zebra", "  Birne ", "apfel", "\xC4pfel", "birne"});
    EXPECT_EQ(dialogs::list_extent(items), 9 * 8);
    EXPECT_EQ(dialogs::list_extent(ItemList{}), 0);
    EXPECT_EQ(dialogs::list_order(items, false), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    // Without regard to case; leading blanks sort first; A with diaeresis
    // after Z as in the character set's order.
    EXPECT_EQ(dialogs::list_order(items, true), (std::vector<int32_t>{1, 2, 4, 0, 3}));

    // The answer names the line exactly, blanks at the ends aside.
    auto c = dialogs::choose_line(items, true, " Birne");
    EXPECT_TRUE(c.found);
    EXPECT_EQ(c.row, 0);
    EXPECT_EQ(c.text, "  Birne ");  // the line as it is; the result is trimmed later
    c = dialogs::choose_line(items, true, "birne");
    EXPECT_EQ(c.row, 2);
    c = dialogs::choose_line(items, false, "birne");
    EXPECT_EQ(c.row, 4);
    c = dialogs::choose_line(items, false, "Kiwi");
    EXPECT_FALSE(c.found);
    EXPECT_EQ(c.row, -1);
}

TEST(DialogLogic, FolderEndsInOneBackslash) {
    EXPECT_EQ(dialogs::folder_with_backslash("C:\\"), "C:\\");
    EXPECT_EQ(dialogs::folder_with_backslash("C:\\Daten"), "C:\\Daten\\");
    EXPECT_EQ(dialogs::folder_with_backslash("\\\\server\\teil"), "\\\\server\\teil\\");
}

// ---- file dialog requests ----

TEST(FileDialogRequest, OpenWithAFilterList) {
    const FileDialogRequest r = open_file_request("Texte|*.txt|Alle|*.*");
    EXPECT_EQ(r.filters, "Texte\0*.txt\0Alle\0*.*\0\0"s);
    EXPECT_EQ(r.file, "");
    EXPECT_EQ(r.default_extension, "*.*");
    // A closing bar of its own ends the list as well.
    EXPECT_EQ(open_file_request("A|*.a|").filters, "A\0*.a\0\0\0"s);
}

TEST(FileDialogRequest, OpenWithANameShowsIt) {
    const FileDialogRequest r = open_file_request("brief.txt");
    EXPECT_EQ(r.filters, "brief.txt\0\0"s);
    EXPECT_EQ(r.file, "brief.txt");
    // The file name buffer holds 255 characters.
    EXPECT_EQ(open_file_request(std::string(400, 'n')).file.size(), 255u);
}

TEST(FileDialogRequest, SaveTakesThePatternOfTheExtension) {
    FileDialogRequest r = save_file_request("C:\\briefe\\neu.txt");
    EXPECT_EQ(r.filters, "*.txt\0*.txt\0\0"s);
    EXPECT_EQ(r.file, "C:\\briefe\\neu.txt");
    EXPECT_EQ(r.default_extension, "*.txt|");
    EXPECT_EQ(save_file_request("notiz").filters, "*.\0*.\0\0"s);
    EXPECT_EQ(save_file_request("notiz").default_extension, "*.|");
    // A dot in a folder name is no extension, nor one before a drive colon.
    EXPECT_EQ(save_file_request("C:\\v1.2\\notiz").default_extension, "*.|");
    EXPECT_EQ(save_file_request("a.b:x").default_extension, "*.|");
    EXPECT_EQ(save_file_request("archiv.tar.gz").default_extension, "*.gz|");
}

// ---- automation: the new key steps and the window snapshot lines ----

TEST(DialogAutomation, KeyStepsForDialogs) {
    using A = automation::KeyAction;
    const auto keys = automation::parse_keys("{Click 101}{wait 250}{Dump}{shot}{Click}{Click x}{Wait 1234567890}");
    ASSERT_GE(keys.size(), 4u);
    EXPECT_EQ(keys[0].kind, A::Click);
    EXPECT_EQ(keys[0].number, 101);
    EXPECT_EQ(keys[1].kind, A::Wait);
    EXPECT_EQ(keys[1].number, 250);
    EXPECT_EQ(keys[2].kind, A::Dump);
    EXPECT_EQ(keys[3].kind, A::Shot);
    // Without a number (or too long a one) the braces are typed.
    std::string typed;
    for (size_t k = 4; k < keys.size(); ++k) {
        EXPECT_EQ(keys[k].kind, A::Char);
        typed += static_cast<char>(keys[k].code);
    }
    EXPECT_EQ(typed, "{Click}{Click x}{Wait 1234567890}");
}

TEST(DialogAutomation, WindowLinesCarryTheirKindsFields) {
    automation::WindowRecord w;
    w.hwnd = 65620;
    w.parent = 0;
    w.owner = 131100;
    w.class_name = "#32770";
    w.text = "Gr\xF6\xDF" "e \"1\"";
    w.style = 0x94C800C4;
    w.exstyle = 0x10101;
    w.x = -4;
    w.y = 10;
    w.width = 321;
    w.height = 129;
    w.visible = true;
    w.has_menu = true;
    automation::MenuEntry file;
    file.kind = automation::MenuEntry::Popup;
    file.text = "&Datei";
    automation::MenuEntry open;
    open.id = 101;
    open.text = "\xD6" "ffnen";
    open.checked = true;
    automation::MenuEntry line;
    line.kind = automation::MenuEntry::Separator;
    file.popup = {open, line};
    w.menu = {file};
    EXPECT_EQ(automation::window_json(w),
              "{\"hwnd\":65620,\"parent\":0,\"owner\":131100,\"class\":\"#32770\",\"id\":0,"
              "\"text\":\"Gr\xC3\xB6\xC3\x9F" "e \\\"1\\\"\",\"style\":2496135364,\"exstyle\":65793,"
              "\"rect\":[-4,10,321,129],\"visible\":true,\"enabled\":false,\"focus\":false,"
              "\"menu\":[{\"text\":\"&Datei\",\"popup\":[{\"id\":101,\"text\":\"\xC3\x96" "ffnen\","
              "\"checked\":true,\"grayed\":false},{\"separator\":true}]}]}");

    automation::WindowRecord list;
    list.class_name = "ListBox";
    list.id = 101;
    list.extra = automation::WindowRecord::List;
    list.items = {"a", "b"};
    list.selected = 1;
    EXPECT_NE(automation::window_json(list).find(",\"items\":[\"a\",\"b\"],\"selected\":1}"),
              std::string::npos);
    automation::WindowRecord bar;
    bar.extra = automation::WindowRecord::ScrollBar;
    bar.pos = 5;
    bar.range_min = -2;
    bar.range_max = 40;
    EXPECT_NE(automation::window_json(bar).find(",\"pos\":5,\"range\":[-2,40]}"), std::string::npos);
    automation::WindowRecord button;
    button.extra = automation::WindowRecord::Button;
    button.check = 2;
    EXPECT_NE(automation::window_json(button).find(",\"check\":2}"), std::string::npos);
    automation::WindowRecord tabs;
    tabs.extra = automation::WindowRecord::Tabs;
    tabs.items = {"Eins"};
    tabs.selected = 0;
    EXPECT_NE(automation::window_json(tabs).find(",\"tabs\":[\"Eins\"],\"selected\":0}"),
              std::string::npos);
}

// ---- the dialog module: what the end-to-end programs cannot reach ----

// Counts the redraws of the main window.
class CountingDisplay : public Display {
public:
    bool exists = true;
    int refreshes = 0, creations = 0;
    std::vector<std::string> texts;
    void ensure_window() override {
        if (!text_screen.has_plane()) allocate_plane(80, 40);
        ++creations;
    }
    bool window_exists() const override { return exists; }
    void draw_run(int32_t, int32_t, int32_t) override {}
    void scroll_up() override {}
    void flush() override {}
    void beep() override {}
    void draw_text_at(int32_t column, int32_t row, std::string_view text, int32_t) override {
        texts.push_back(std::to_string(row) + "," + std::to_string(column) + ":" + std::string(text));
    }
    void apply_text_colours() override {}
    void begin_key_wait() override {}
    void wait_for_input() override {}
    void end_key_wait() override {}
    void clear_window(bool, uint32_t) override {}
    void invalidate() override {}
    void refresh() override { ++refreshes; }
    void place_window() override {}
    void title_changed() override {}
    uint32_t window_value() const override { return 0; }
    WindowEdges window_edges() const override { return {}; }
};

class DialogModuleTest : public RuntimeTest {
protected:
    CountingDisplay display_;

    void SetUp() override {
        RuntimeTest::SetUp();
        item_list.clear();
        set_display(&display_);
        errors.error_mode = -1;
    }
    void TearDown() override {
        set_display(nullptr);
        printing_active = false;
        paint_target_active = false;
        free_plane();
        item_list.clear();
        RuntimeTest::TearDown();
    }
    void call(void (*handler)(), std::string_view args) {
        begin_arguments(args);
        handler();
    }
};

TEST_F(DialogModuleTest, MessageBoxRedrawsExceptWhilePainting) {
    rec.box_answers = {7};
    call(message_box_statement, "\"Weiter?\",\"Frage\",36");
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "Weiter?");
    EXPECT_EQ(rec.boxes[0].caption, "Frage");
    EXPECT_EQ(rec.boxes[0].type, 36u);
    EXPECT_EQ(gui_state.dialog_result, 7);
    EXPECT_EQ(display_.refreshes, 1);
    paint_target_active = true;
    rec.box_answers = {1};
    call(message_box_statement, "\"x\",\"y\",0");
    EXPECT_EQ(gui_state.dialog_result, 1);
    EXPECT_EQ(display_.refreshes, 1);
}

TEST_F(DialogModuleTest, TextBoxOutsideTheScreenOrWhilePrinting) {
    for (const char* args : {"-1,1-2,2;1", "1,-1-2,2;1", "1,1-33,2;1", "1,1-2,81;1"}) {
        errors.last_error_number = 0;
        call(text_box_statement, args);
        EXPECT_EQ(errors.last_error_number, 222) << args;
    }
    EXPECT_TRUE(display_.texts.empty());
    call(text_box_statement, "32,79-32,80;1");
    EXPECT_FALSE(display_.texts.empty());
    printing_active = true;
    rec.boxes.clear();
    errors.error_mode = 1;
    load_listing("TBOX 1,1-2,2;1");
    EXPECT_EQ(run(), 2);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "W\xE4hrend der Druckausgabe verboten: TBOX");
}

// Answers from a file in place of a user, with a transcript.
class AnsweredDialogTest : public DialogModuleTest {
protected:
    std::filesystem::path dir;
    void SetUp() override {
        DialogModuleTest::SetUp();
        dir = std::filesystem::temp_directory_path() /
              ("tolven_dialogs_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        automation::configure(nullptr, nullptr);
        std::filesystem::remove_all(dir);
        DialogModuleTest::TearDown();
    }
    void answers(const std::string& text) {
        std::ofstream((dir / "answers.txt").string(), std::ios::binary) << text;
        automation::configure((dir / "transcript.jsonl").string().c_str(),
                              (dir / "answers.txt").string().c_str());
    }
    std::string transcript() {
        std::ifstream f((dir / "transcript.jsonl").string(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
};

TEST_F(AnsweredDialogTest, AnswersAreTakenAndRecordedWithoutThePlatform) {
    answers(std::string(300, 'x') + "\r\n\r\nKiwi\r\n");
    call(input_box_function, "\"P\",\"T\",\"\")");
    EXPECT_EQ(slots.s.size(), dialogs::kMaxInput);
    item_list.add("Apfel");
    call(list_box_function, "\"L\",1)");
    EXPECT_EQ(gui_state.dialog_result, 2);  // the empty line cancels
    call(list_box_function, "\"L\",1)");    // no such line: confirmed, nothing chosen
    EXPECT_EQ(gui_state.dialog_result, 1);
    EXPECT_EQ(slots.s, "");
    call(edit_box_function, "\"E\",1)");    // answers used up: cancelled
    EXPECT_EQ(gui_state.dialog_result, 2);
    EXPECT_EQ(transcript(),
              "{\"event\":\"dialog\",\"kind\":\"input\",\"title\":\"T\",\"answer\":\"" +
                  std::string(254, 'x') +
                  "\"}\n{\"event\":\"dialog\",\"kind\":\"list\",\"title\":\"L\",\"answer\":null}\n"
                  "{\"event\":\"dialog\",\"kind\":\"list\",\"title\":\"L\",\"answer\":\"\"}\n"
                  "{\"event\":\"dialog\",\"kind\":\"edit\",\"title\":\"E\",\"answer\":null}\n");
}

}  // namespace
}  // namespace tolven::testing
