// What the window objects and the event state work out without the
// platform: keywords, the id counter, the joined window text, the caption
// comparison, tab changes and the focus as programs see it.
#include <gtest/gtest.h>

#include <string>

#include "gui/gui_state.h"
#include "gui/item_list.h"
#include "gui/window_logic.h"
#include "screen/events.h"

namespace tolven {
namespace {

using windows::ObjectKind;

TEST(WindowKeywords, AnyCaseAndUnknown) {
    EXPECT_EQ(windows::object_kind("checkbox"), ObjectKind::CheckBox);
    EXPECT_EQ(windows::object_kind("SortedListBox"), ObjectKind::SortedListBox);
    EXPECT_EQ(windows::object_kind("LISTBOX"), ObjectKind::ListBox);
    EXPECT_EQ(windows::object_kind("font"), ObjectKind::Font);
    EXPECT_FALSE(windows::object_kind("FOO").has_value());
    EXPECT_FALSE(windows::object_kind("LIST").has_value());
    EXPECT_FALSE(windows::object_kind(" EDIT").has_value());
    EXPECT_FALSE(windows::object_kind("").has_value());
}

TEST(WindowKeywords, OnlyControlsHaveTraits) {
    EXPECT_EQ(windows::control_traits(ObjectKind::Window), nullptr);
    EXPECT_EQ(windows::control_traits(ObjectKind::Dialog), nullptr);
    EXPECT_EQ(windows::control_traits(ObjectKind::Icon), nullptr);
    EXPECT_EQ(windows::control_traits(ObjectKind::Font), nullptr);
    // A static text takes no id and so leaves the counter alone.
    EXPECT_FALSE(windows::control_traits(ObjectKind::Text)->takes_id);
    EXPECT_TRUE(windows::control_traits(ObjectKind::GroupBox)->takes_id);
}

TEST(WindowIds, CountFromThousandAfterReset) {
    gui_state.next_control_id = 1234;
    reset_gui_state();
    EXPECT_EQ(take_control_id(), 1000);
    EXPECT_EQ(take_control_id(), 1001);
    restart_control_ids();
    EXPECT_EQ(take_control_id(), 1000);
}

TEST(JoinedText, EmptyListGivesEmptyTextAndSuccess) {
    ItemList items;
    std::string text = "old";
    EXPECT_TRUE(windows::join_items(items, text));
    EXPECT_EQ(text, "");
}

TEST(JoinedText, EntriesThatDoNotFitAreLeftOutShorterOnesStillTaken) {
    ItemList items;
    items.add(std::string(639990, 'a'));        // 639,992 with its line break
    items.add("123456789");                     // would pass 639,998: left out
    items.add("ab");                            // still fits
    items.add("c");                             // 639,996 + 1: fits exactly
    std::string text;
    EXPECT_FALSE(windows::join_items(items, text));
    EXPECT_EQ(text.size(), 639999u);
    EXPECT_EQ(text.substr(639990), "\r\nab\r\nc\r\n");
}

TEST(CaptionSearch, PrefixIgnoresCase) {
    EXPECT_TRUE(windows::caption_starts_with("Kundendaten", "kundenD"));
    // Latin-1 letters fold by the ANSI rules; sharp s has no upper case.
    EXPECT_TRUE(windows::caption_starts_with("Gr\xFC\xDF" "e aus K\xF6" "ln", "GR\xDC\xDF"));
    EXPECT_FALSE(windows::caption_starts_with("Gr\xFC\xDF" "e", "GR\xDC" "SS"));
    EXPECT_TRUE(windows::caption_starts_with("anything", ""));
    EXPECT_FALSE(windows::caption_starts_with("Kurz", "Kurzer Titel"));
    EXPECT_FALSE(windows::caption_starts_with("Notepad", "Note pad"));
}

TEST(ShowModes, OutsideZeroToNineHides) {
    EXPECT_EQ(windows::show_mode(12), 0);
    EXPECT_EQ(windows::show_mode(-1), 0);
    EXPECT_EQ(windows::show_mode(9), 9);
    EXPECT_EQ(windows::show_mode(5), 5);
}

TEST(TabChanges, ReportedOnceAndNotHiddenByTheClickAfterThem) {
    events = EventState{};
    record_notification(0x1234, -551);  // the tab changed
    record_notification(0x1234, -2);    // the click that made it
    EXPECT_EQ(events.notify_code, -2);
    EXPECT_FALSE(take_tab_change(0x9999));
    EXPECT_TRUE(take_tab_change(0x1234));
    EXPECT_FALSE(take_tab_change(0x1234));
    EXPECT_FALSE(take_tab_change(0));
    events = EventState{};
}

TEST(FocusSeen, NegatedWhileAHelpRequestIsPending) {
    events = EventState{};
    EXPECT_EQ(focus_as_seen(0x10020), 0x10020);
    events.help_request = true;
    EXPECT_EQ(focus_as_seen(0x10020), -0x10020);
    events = EventState{};
}

}  // namespace
}  // namespace tolven
