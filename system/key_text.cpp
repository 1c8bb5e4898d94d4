#include "system/key_text.h"

#include <string>

#include "values/textops.h"

namespace tolven {

namespace {

struct KeyName {
    const char* name;
    uint8_t vk;
};

constexpr KeyName kKeyNames[] = {
    {"BS", 8},         {"BACKSPACE", 8}, {"BKSP", 8},     {"BREAK", 19},     {"CAPSLOCK", 20},
    {"CLEAR", 12},     {"DEL", 46},      {"DELETE", 46},  {"DOWN", 40},      {"END", 35},
    {"ENTER", 13},     {"ESC", 27},      {"ESCAPE", 27},  {"HELP", 47},      {"HOME", 36},
    {"INSERT", 45},    {"LEFT", 37},     {"NUMLOCK", 144}, {"PGDN", 34},     {"PGUP", 33},
    {"PRTSC", 44},     {"RIGHT", 39},    {"SCROLLLOCK", 145}, {"TAB", 9},    {"UP", 38},
};

constexpr uint8_t kVkF1 = 112;
constexpr uint8_t kVkPause = 19;

struct Modifiers {
    bool alt = false, shift = false, ctrl = false;
    bool any() const { return alt || shift || ctrl; }
    Modifiers operator|(const Modifiers& o) const {
        return {alt || o.alt, shift || o.shift, ctrl || o.ctrl};
    }
};

// "12" as 12; nothing, or no digits at all, as the default of one key.
int32_t repeat_count(std::string_view text) {
    size_t k = 0;
    while (k < text.size() && text[k] == ' ') ++k;
    if (k == text.size() || text[k] < '0' || text[k] > '9') return 1;
    int32_t n = 0;
    for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k) {
        n = n * 10 + (text[k] - '0');
        if (n > kMaxKeyRepeat) return kMaxKeyRepeat;
    }
    return n;
}

}  // namespace

uint8_t key_name_code(std::string_view name) {
    std::string upper(name);
    fold_upper(upper);
    for (const KeyName& k : kKeyNames)
        if (upper == k.name) return k.vk;
    // F1 to F24.
    if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F' && upper[1] >= '1' && upper[1] <= '9') {
        int n = upper[1] - '0';
        if (upper.size() == 3) {
            if (upper[2] < '0' || upper[2] > '9') return 0;
            n = n * 10 + (upper[2] - '0');
        }
        if (n >= 1 && n <= 24) return static_cast<uint8_t>(kVkF1 + n - 1);
    }
    return 0;
}

std::vector<KeyStroke> parse_key_text(std::string_view text, CharKeyLookup lookup) {
    std::vector<KeyStroke> out;
    Modifiers pending;
    // Modifiers of the open groups, innermost last; each holds the union
    // of its own and the enclosing ones.
    std::vector<Modifiers> groups;
    auto group_modifiers = [&groups] { return groups.empty() ? Modifiers{} : groups.back(); };
    auto emit = [&](uint8_t vk, Modifiers own, int32_t repeat) {
        const Modifiers m = pending | group_modifiers() | own;
        out.push_back({vk, m.alt, m.shift, m.ctrl, repeat});
        pending = {};
    };
    auto emit_char = [&](char c, int32_t repeat) {
        const int16_t scan = lookup(c);
        if (scan == -1) {
            pending = {};
            return;
        }
        const unsigned state = (static_cast<uint16_t>(scan) >> 8) & 0xFF;
        emit(static_cast<uint8_t>(scan & 0xFF), {(state & 4) != 0, (state & 1) != 0, (state & 2) != 0},
             repeat);
    };

    for (size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        switch (c) {
            case '%': pending.alt = true; continue;
            case '+': pending.shift = true; continue;
            case '^': pending.ctrl = true; continue;
            case '~': emit(kVkPause, {}, 1); continue;
            default: break;
        }
        if (c == '(' && pending.any()) {
            groups.push_back(pending | group_modifiers());
            pending = {};
            continue;
        }
        if (c == ')' && !groups.empty()) {
            groups.pop_back();
            pending = {};
            continue;
        }
        if (c == '{') {
            // "{}}" names the closing brace itself.
            const size_t from = k + 1 < text.size() && text[k + 1] == '}' ? k + 2 : k + 1;
            const size_t close = text.find('}', from);
            if (close == std::string_view::npos) break;
            const std::string_view inside = text.substr(k + 1, close - k - 1);
            k = close;
            const size_t blank = inside.find(' ', 1);
            const std::string_view name = inside.substr(0, blank);
            const int32_t repeat =
                blank == std::string_view::npos ? 1 : repeat_count(inside.substr(blank + 1));
            if (const uint8_t vk = key_name_code(name)) emit(vk, {}, repeat);
            else emit_char(name[0], repeat);
            continue;
        }
        emit_char(c, 1);
    }
    return out;
}

void stroke_events(const KeyStroke& stroke, bool& alt_flag, std::vector<KeyEvent>& out) {
    auto send = [&](uint8_t vk, bool up) { out.push_back({vk, up, alt_flag}); };
    if (stroke.alt) {
        alt_flag = true;
        send(kVkAlt, false);
    }
    if (stroke.shift) send(kVkShift, false);
    if (stroke.ctrl) send(kVkCtrl, false);
    send(stroke.vk, false);
    send(stroke.vk, true);
    if (stroke.alt) {
        send(kVkAlt, true);
        alt_flag = false;
    }
    if (stroke.shift) send(kVkShift, true);
    if (stroke.ctrl) send(kVkCtrl, true);
}

void single_key_events(uint8_t vk, bool& alt_flag, std::vector<KeyEvent>& out) {
    if (vk == kVkAlt) alt_flag = true;
    out.push_back({vk, false, alt_flag});
    out.push_back({vk, true, alt_flag});
    if (vk != kVkAlt) alt_flag = false;
}

}  // namespace tolven
