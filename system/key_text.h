// Key texts of the key sender: "%" Alt, "+" Shift, "^" Ctrl for the next
// key or, before "(", for a group up to its ")"; "{NAME}" and "{NAME n}"
// for named keys and repeats; "~" for the Pause key; every other character
// as the key that types it. Parsing and the order of the key events are
// kept apart from the platform, which only presses and releases.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace tolven {

// Virtual-key code of a key name ("ENTER", "pgdn", "F13"), 0 when the name
// is not known. Case does not matter.
uint8_t key_name_code(std::string_view name);

struct KeyStroke {
    uint8_t vk = 0;
    bool alt = false, shift = false, ctrl = false;
    int32_t repeat = 1;
    bool operator==(const KeyStroke&) const = default;
};

// What VkKeyScanA answers for a character: the virtual key in the low byte,
// the shift state in the high byte (1 Shift, 2 Ctrl, 4 Alt); -1 when no key
// of the layout types it.
using CharKeyLookup = int16_t (*)(char c);

// Repeats beyond this are cut: a count typed by mistake must not keep the
// program sending for hours.
constexpr int32_t kMaxKeyRepeat = 1000;

// The strokes of a key text. Characters no key types are left out; an
// unterminated "{" ends the text.
std::vector<KeyStroke> parse_key_text(std::string_view text, CharKeyLookup lookup);

// One key event as the platform sends it: the scan code is made odd while
// the Alt flag is set.
struct KeyEvent {
    uint8_t vk = 0;
    bool up = false;
    bool odd_scan = false;
    bool operator==(const KeyEvent&) const = default;
};

constexpr uint8_t kVkShift = 16, kVkCtrl = 17, kVkAlt = 18;

// The events of one repetition of a stroke: the modifiers pressed (Alt,
// Shift, Ctrl), the key pressed and released, the modifiers released. The
// Alt flag is set from the press of Alt until its release.
void stroke_events(const KeyStroke& stroke, bool& alt_flag, std::vector<KeyEvent>& out);

// The events of sending one virtual key on its own: Alt sets the flag
// before it is sent (and leaves it set); any other key clears a set flag
// after it.
void single_key_events(uint8_t vk, bool& alt_flag, std::vector<KeyEvent>& out);

}  // namespace tolven
