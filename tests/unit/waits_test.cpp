#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "gui/gui_state.h"
#include "gui/waits.h"
#include "screen/events.h"
#include "screen/keys.h"
#include "tests/unit/support/runtime_fixture.h"

namespace tolven::testing {
namespace {

// Each moment a wait lets pass plays the next scripted event, as the window
// procedures would record it; with none left nothing can arrive any more.
class ScriptedWaits : public WaitPlatform {
public:
    std::deque<std::function<void()>> script;
    int moments = 0;
    void wait_a_moment() override {
        ++moments;
        if (script.empty()) return;
        auto next = std::move(script.front());
        script.pop_front();
        next();
    }
    bool input_possible() override { return !script.empty(); }
};

class WaitsTest : public RuntimeTest {
protected:
    ScriptedWaits platform;
    void SetUp() override {
        RuntimeTest::SetUp();
        set_wait_platform(&platform);
    }
    void TearDown() override {
        set_wait_platform(nullptr);
        RuntimeTest::TearDown();
    }
};

// The key wait looks only at keys: a menu choice meanwhile stays recorded
// and does not end it.
TEST_F(WaitsTest, KeyWaitIgnoresCommandsAndKeepsTheKeyAsLastEvent) {
    events.last_command = 5;
    platform.script = {[] { record_menu_command(9); },
                       [] {
                           events.last_virtual_key = 'A';
                           put_key('a');
                       }};
    wait_for(WaitKind::Key);
    EXPECT_EQ(platform.moments, 2);
    EXPECT_EQ(events.last_command, 9);
    EXPECT_EQ(events.last_event, 'a');
    EXPECT_TRUE(key_fifo.empty());
}

// The general wait does not clear the paint request, so one left from
// before ends it at once; the mouse-or-command wait does clear the command.
TEST_F(WaitsTest, WhatEachWaitClearsDecidesWhetherOldStateEndsIt) {
    events.paint_request = true;
    platform.script = {[] {}};
    wait_for(WaitKind::Any);
    EXPECT_EQ(platform.moments, 0);

    events.last_command = 3;
    events.current_message = {1, 0x111, 4, 0};
    platform.script = {[] {}, [] { record_menu_command(0x7FFF); }};
    wait_for(WaitKind::MouseOrCommand);
    EXPECT_EQ(platform.moments, 2);
    EXPECT_EQ(events.last_command, 255);
    EXPECT_EQ(gui_state.last_message, 0x111);
}

// The general wait clears all it tests, watches F1 only while it runs, and
// a wait that nothing can end any more returns instead of hanging.
TEST_F(WaitsTest, GeneralWaitClearsItsStateAndWatchesF1OnlyMeanwhile) {
    events.last_control = 7;
    events.timer_flag = events.notify_flag = events.child_left_click = true;
    events.last_user_message = {1, 1500, 2, 3};
    bool watched = false;
    platform.script = {[&] {
        watched = events.help_watching;
        put_key(5);
    }};
    wait_for(WaitKind::Any);
    EXPECT_TRUE(watched);
    EXPECT_FALSE(events.help_watching);
    EXPECT_TRUE(events.help_request);
    EXPECT_EQ(events.last_event, 5);
    EXPECT_EQ(events.last_control, 0);
    EXPECT_FALSE(events.timer_flag || events.notify_flag || events.child_left_click);
    EXPECT_EQ(events.last_user_message.message, 0u);

    platform.script.clear();
    events.last_key = 9;
    wait_for(WaitKind::KeyOrEvent);
    EXPECT_EQ(events.last_event, 0);
}

}  // namespace
}  // namespace tolven::testing
