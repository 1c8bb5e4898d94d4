// Key texts of the key sender, read against a small German-like layout, and
// the key events each stroke becomes.
#include "system/key_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolven::testing {
namespace {

// What VkKeyScanA would answer on a German layout for the characters the
// tests use: letters, "+" on its own key, "}" and "@" with AltGr (Ctrl and
// Alt), "(" with Shift; no key for the pound sign.
int16_t german_layout(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<int16_t>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return static_cast<int16_t>(0x100 | c);
    switch (c) {
        case '+': return 0xBB;
        case '}': return 0x600 | '0';
        case '@': return 0x600 | 'Q';
        case '(': return 0x100 | '8';
        case ')': return 0x100 | '9';
        case ' ': return 0x20;
        case '1': return '1';
    }
    return -1;
}

KeyStroke key(uint8_t vk, const char* mods = "", int32_t repeat = 1) {
    KeyStroke s;
    s.vk = vk;
    s.repeat = repeat;
    for (const char* m = mods; *m; ++m) {
        if (*m == 'a') s.alt = true;
        if (*m == 's') s.shift = true;
        if (*m == 'c') s.ctrl = true;
    }
    return s;
}

std::vector<KeyStroke> parse(const char* text) { return parse_key_text(text, german_layout); }

TEST(KeyText, ModifiersApplyToOneKeyOrToAGroup) {
    EXPECT_EQ(parse("+ab"), (std::vector{key('A', "s"), key('B')}));
    EXPECT_EQ(parse("+(ab)c"), (std::vector{key('A', "s"), key('B', "s"), key('C')}));
    EXPECT_EQ(parse("^%x"), (std::vector{key('X', "ac")}));
    // Inside a group a key may take more modifiers of its own; groups nest.
    EXPECT_EQ(parse("^(a%b+(cd)e)f"),
              (std::vector{key('A', "c"), key('B', "ac"), key('C', "sc"), key('D', "sc"),
                           key('E', "c"), key('F')}));
    // Without a pending modifier "(" and ")" are characters.
    EXPECT_EQ(parse("(1)"), (std::vector{key('8', "s"), key('1'), key('9', "s")}));
}

TEST(KeyText, CharactersBringTheShiftStateOfTheirKey) {
    EXPECT_EQ(parse("A@"), (std::vector{key('A', "s"), key('Q', "ac")}));
    EXPECT_EQ(parse("^A"), (std::vector{key('A', "sc")}));
    // A character no key types is left out, and so are its modifiers.
    EXPECT_EQ(parse("a+\xA3" "b"), (std::vector{key('A'), key('B')}));
}

TEST(KeyText, NamesInBracesWithRepeats) {
    EXPECT_EQ(parse("{ENTER 3}{enter}{Tab}"), (std::vector{key(13, "", 3), key(13), key(9)}));
    EXPECT_EQ(parse("{F1}{f12}{F24}{BKSP}{ScrollLock}"),
              (std::vector{key(112), key(123), key(135), key(8), key(145)}));
    EXPECT_EQ(parse("%{F4}+{DEL 2}"), (std::vector{key(115, "a"), key(46, "s", 2)}));
    // Unknown names send their first character; so do the special ones.
    EXPECT_EQ(parse("{+}{}}{(}{abc 2}"),
              (std::vector{key(0xBB), key('0', "ac"), key('8', "s"), key('A', "", 2)}));
    EXPECT_EQ(parse("{F25}{F0}"), (std::vector{key('F', "s"), key('F', "s")}));
    EXPECT_EQ(parse("~"), (std::vector{key(19)}));
}

TEST(KeyText, OddRepeatsAndUnterminatedBraces) {
    EXPECT_EQ(parse("{TAB 0}"), (std::vector<KeyStroke>{key(9, "", 0)}));
    EXPECT_EQ(parse("{TAB x}"), (std::vector{key(9)}));
    EXPECT_EQ(parse("{TAB 99999999999}"), (std::vector{key(9, "", kMaxKeyRepeat)}));
    EXPECT_EQ(parse("a{ENTER"), (std::vector{key('A')}));
    EXPECT_EQ(parse("a{}"), (std::vector{key('A')}));
    EXPECT_TRUE(parse("").empty());
}

TEST(KeyText, KeyNames) {
    EXPECT_EQ(key_name_code("pgdn"), 34);
    EXPECT_EQ(key_name_code("Escape"), 27);
    EXPECT_EQ(key_name_code("F9"), 120);
    EXPECT_EQ(key_name_code("F1x"), 0);
    EXPECT_EQ(key_name_code(""), 0);
    EXPECT_EQ(key_name_code("ENTE"), 0);
}

KeyEvent ev(uint8_t vk, bool up, bool odd = false) { return {vk, up, odd}; }

TEST(KeyText, StrokeEventsMarkTheScanCodesWhileAltIsDown) {
    bool alt = false;
    std::vector<KeyEvent> out;
    stroke_events(key('A', "asc"), alt, out);
    EXPECT_EQ(out, (std::vector{ev(18, false, true), ev(16, false, true), ev(17, false, true),
                                ev('A', false, true), ev('A', true, true), ev(18, true, true),
                                ev(16, true), ev(17, true)}));
    EXPECT_FALSE(alt);
    out.clear();
    stroke_events(key('B'), alt, out);
    EXPECT_EQ(out, (std::vector{ev('B', false), ev('B', true)}));
}

TEST(KeyText, SingleAltKeyLeavesTheFlagForTheNextKey) {
    bool alt = false;
    std::vector<KeyEvent> out;
    single_key_events(18, alt, out);
    EXPECT_TRUE(alt);
    single_key_events('X', alt, out);
    EXPECT_FALSE(alt);
    single_key_events('Y', alt, out);
    EXPECT_EQ(out, (std::vector{ev(18, false, true), ev(18, true, true), ev('X', false, true),
                                ev('X', true, true), ev('Y', false), ev('Y', true)}));
}

}  // namespace
}  // namespace tolven::testing
