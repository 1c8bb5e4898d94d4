#include "core/automation.h"

#include <cctype>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/host.h"

namespace tolven::automation {

namespace {
std::string transcript_file;
std::deque<KeyAction> keys;
std::string screen_file, offscreen_file, window_file;
std::string windows_file, activeshot_file;
bool real_dialogs = false;
bool exit_snapshot_written = false;
std::vector<WindowRecord> (*window_source)() = nullptr;

// Absolute now, so that a program changing its directory does not move
// where the results land.
std::string absolute_path(const char* path) {
    if (!path || !*path) return {};
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? std::string(path) : p.string();
}

void write_file(const std::string& path, const void* data, size_t size) {
    if (path.empty()) return;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(a[k])) !=
            std::tolower(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

// Virtual-key codes of the named keys.
struct NamedKey {
    const char* name;
    uint8_t vk;
};
constexpr NamedKey kNamedKeys[] = {
    {"Enter", 0x0D}, {"Esc", 0x1B},   {"BS", 0x08},    {"Backspace", 0x08}, {"Tab", 0x09},
    {"Space", 0x20}, {"Del", 0x2E},   {"Ins", 0x2D},   {"Home", 0x24},      {"End", 0x23},
    {"PgUp", 0x21},  {"PgDn", 0x22},  {"Left", 0x25},  {"Up", 0x26},        {"Right", 0x27},
    {"Down", 0x28},  {"Break", 0x03}, {"F1", 0x70},    {"F2", 0x71},        {"F3", 0x72},
    {"F4", 0x73},    {"F5", 0x74},    {"F6", 0x75},    {"F7", 0x76},        {"F8", 0x77},
    {"F9", 0x78},    {"F10", 0x79},   {"F11", 0x7A},   {"F12", 0x7B},
};

// "Click 101": the number after the word and one blank.
bool parse_numbered(std::string_view name, std::string_view word, int32_t& number) {
    if (name.size() <= word.size() + 1 || !same_name(name.substr(0, word.size()), word) ||
        name[word.size()] != ' ')
        return false;
    std::string_view digits = name.substr(word.size() + 1);
    if (digits.size() > 9) return false;
    int32_t v = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        v = v * 10 + (c - '0');
    }
    number = v;
    return true;
}

// "{...}" contents as one action; false when the name is not known.
bool parse_name(std::string_view name, KeyAction& out) {
    out = KeyAction{};
    struct Action {
        const char* name;
        KeyAction::Kind kind;
    };
    static constexpr Action kActions[] = {{"Close", KeyAction::Close},
                                          {"Cover", KeyAction::Cover},
                                          {"Dump", KeyAction::Dump},
                                          {"Shot", KeyAction::Shot}};
    for (const Action& a : kActions) {
        if (same_name(name, a.name)) {
            out.kind = a.kind;
            return true;
        }
    }
    if (parse_numbered(name, "Click", out.number)) {
        out.kind = KeyAction::Click;
        return true;
    }
    if (parse_numbered(name, "Wait", out.number)) {
        out.kind = KeyAction::Wait;
        return true;
    }
    if (parse_numbered(name, "Menu", out.number)) {
        out.kind = KeyAction::Menu;
        return true;
    }
    if (name.size() == 3 && (name[0] == 'x' || name[0] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(name[1])) &&
        std::isxdigit(static_cast<unsigned char>(name[2]))) {
        out.code = static_cast<uint8_t>(std::stoi(std::string(name.substr(1)), nullptr, 16));
        return true;
    }
    out.kind = KeyAction::Key;
    for (;;) {
        const size_t dash = name.find_first_of("-+", 1);
        if (dash == std::string_view::npos) break;
        std::string_view mod = name.substr(0, dash);
        if (same_name(mod, "Ctrl")) out.ctrl = true;
        else if (same_name(mod, "Shift")) out.shift = true;
        else if (same_name(mod, "Alt")) out.alt = true;
        else return false;
        name.remove_prefix(dash + 1);
    }
    for (const NamedKey& k : kNamedKeys) {
        if (same_name(name, k.name)) {
            out.code = k.vk;
            return true;
        }
    }
    // A letter or digit with modifiers: its virtual key is its upper case.
    if (name.size() == 1 && (out.ctrl || out.shift || out.alt) &&
        std::isalnum(static_cast<unsigned char>(name[0]))) {
        out.code = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(name[0])));
        return true;
    }
    return false;
}
std::ifstream answers;
bool exit_recorded = false;

void append_line(const std::string& line) {
    if (transcript_file.empty()) return;
    // Opened per event and closed at once, so every line is on disk even
    // when the process is ended abruptly.
    if (std::FILE* f = std::fopen(transcript_file.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fputc('\n', f);
        std::fclose(f);
    }
}
}  // namespace

void configure(const char* transcript_path, const char* answers_path) {
    // Absolute, as the other results: a program may change its directory
    // (the folder dialog does).
    transcript_file = absolute_path(transcript_path);
    answers.close();
    if (answers_path && *answers_path) answers.open(answers_path, std::ios::binary);
    exit_recorded = false;
}

bool active() { return !transcript_file.empty(); }

void configure_windows(const char* real, const char* windows_path, const char* activeshot_path) {
    real_dialogs = real && std::string_view(real) == "1";
    windows_file = absolute_path(windows_path);
    activeshot_file = absolute_path(activeshot_path);
    exit_snapshot_written = false;
}

bool answering() { return active() && !real_dialogs; }

std::string json_string(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out + "\"";
}

void record_box(std::string_view caption, std::string_view text, unsigned type, int answer) {
    append_line("{\"event\":\"box\",\"caption\":" + json_string(caption) +
                ",\"text\":" + json_string(text) + ",\"type\":" + std::to_string(type) +
                ",\"answer\":" + std::to_string(answer) + "}");
}

void record_dialog(std::string_view kind, std::string_view title,
                   const std::optional<std::string>& answer) {
    append_line("{\"event\":\"dialog\",\"kind\":" + json_string(kind) +
                ",\"title\":" + json_string(title) +
                ",\"answer\":" + (answer ? json_string(*answer) : std::string("null")) + "}");
}

void record_exit(int code) {
    if (exit_recorded) return;
    exit_recorded = true;
    append_line("{\"event\":\"exit\",\"code\":" + std::to_string(code) + "}");
}

void record_exit_windows(unsigned flags, bool privilege) {
    append_line("{\"event\":\"exitwindows\",\"flags\":" + std::to_string(flags) +
                ",\"privilege\":" + (privilege ? "true" : "false") + "}");
}

std::optional<std::string> next_answer() {
    if (!answers.is_open()) return std::nullopt;
    std::string line;
    if (!std::getline(answers, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int default_box_answer(unsigned type) {
    const unsigned buttons = type & 0xF;
    const unsigned def = (type >> 8) & 0xF;  // MB_DEFBUTTON2 = 0x100, ...
    static const int kButtons[][3] = {
        {mb::kIdOk, 0, 0},                        // OK
        {mb::kIdOk, mb::kIdCancel, 0},             // OKCANCEL
        {mb::kIdAbort, mb::kIdRetry, mb::kIdIgnore},// ABORTRETRYIGNORE
        {mb::kIdYes, mb::kIdNo, mb::kIdCancel},     // YESNOCANCEL
        {mb::kIdYes, mb::kIdNo, 0},                // YESNO
        {mb::kIdRetry, mb::kIdCancel, 0},          // RETRYCANCEL
    };
    if (buttons > 5) return mb::kIdOk;
    int answer = def < 3 ? kButtons[buttons][def] : 0;
    return answer ? answer : kButtons[buttons][0];
}

std::vector<KeyAction> parse_keys(std::string_view text) {
    std::vector<KeyAction> out;
    auto literal = [&out](char c) {
        KeyAction a;
        a.code = static_cast<uint8_t>(c);
        out.push_back(a);
    };
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '{') {
            literal(text[k]);
            continue;
        }
        if (k + 1 < text.size() && text[k + 1] == '{') {
            literal('{');
            ++k;
            continue;
        }
        const size_t close = text.find('}', k + 1);
        KeyAction a;
        if (close != std::string_view::npos && parse_name(text.substr(k + 1, close - k - 1), a)) {
            out.push_back(a);
            k = close;
        } else {
            literal('{');
        }
    }
    return out;
}

void configure_screen(const char* keys_text, const char* screen_path,
                      const char* screenshot_path, const char* windowshot_path) {
    keys.clear();
    if (keys_text) {
        for (const KeyAction& a : parse_keys(keys_text)) keys.push_back(a);
    }
    screen_file = absolute_path(screen_path);
    offscreen_file = absolute_path(screenshot_path);
    window_file = absolute_path(windowshot_path);
}

bool keys_pending() { return !keys.empty(); }

const KeyAction* peek_key() { return keys.empty() ? nullptr : &keys.front(); }

std::optional<KeyAction> next_key() {
    if (keys.empty()) return std::nullopt;
    KeyAction a = keys.front();
    keys.pop_front();
    return a;
}

bool wants_screen_dump() { return !screen_file.empty(); }

void write_screen_dump(std::string_view text) { write_file(screen_file, text.data(), text.size()); }

bool wants_shot(Shot which) {
    return !(which == Shot::OffScreen ? offscreen_file : window_file).empty();
}

std::vector<uint8_t> bmp24(int32_t width, int32_t height, const uint8_t* rows) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    const uint32_t row_size = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t image = row_size * static_cast<uint32_t>(height);
    std::vector<uint8_t> out(54 + image, 0);
    auto put16 = [&out](size_t at, uint32_t v) {
        out[at] = static_cast<uint8_t>(v);
        out[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, 54 + image);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, image);
    if (rows && image) std::copy(rows, rows + image, out.begin() + 54);
    return out;
}

void write_shot(Shot which, int32_t width, int32_t height, const uint8_t* rows) {
    std::vector<uint8_t> file = bmp24(width, height, rows);
    write_file(which == Shot::OffScreen ? offscreen_file : window_file, file.data(), file.size());
}

bool wants_active_shot() { return !activeshot_file.empty(); }

void write_active_shot(int32_t width, int32_t height, const uint8_t* rows) {
    std::vector<uint8_t> file = bmp24(width, height, rows);
    write_file(activeshot_file, file.data(), file.size());
}

// ---- window snapshots ----

namespace {

const char* boolean(bool b) { return b ? "true" : "false"; }

std::string json_strings(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (size_t k = 0; k < texts.size(); ++k) {
        if (k) out += ',';
        out += json_string(texts[k]);
    }
    return out + "]";
}

std::string menu_json(const std::vector<MenuEntry>& entries) {
    std::string out = "[";
    for (size_t k = 0; k < entries.size(); ++k) {
        const MenuEntry& e = entries[k];
        if (k) out += ',';
        switch (e.kind) {
            case MenuEntry::Separator: out += "{\"separator\":true}"; break;
            case MenuEntry::Popup:
                out += "{\"text\":" + json_string(e.text) + ",\"popup\":" + menu_json(e.popup) + "}";
                break;
            case MenuEntry::Item:
                out += "{\"id\":" + std::to_string(e.id) + ",\"text\":" + json_string(e.text) +
                       ",\"checked\":" + boolean(e.checked) + ",\"grayed\":" + boolean(e.grayed) +
                       "}";
                break;
        }
    }
    return out + "]";
}

}  // namespace

std::string window_json(const WindowRecord& w) {
    std::string out = "{\"hwnd\":" + std::to_string(w.hwnd) +
                      ",\"parent\":" + std::to_string(w.parent) +
                      ",\"owner\":" + std::to_string(w.owner) +
                      ",\"class\":" + json_string(w.class_name) +
                      ",\"id\":" + std::to_string(w.id) + ",\"text\":" + json_string(w.text) +
                      ",\"style\":" + std::to_string(w.style) +
                      ",\"exstyle\":" + std::to_string(w.exstyle) + ",\"rect\":[" +
                      std::to_string(w.x) + "," + std::to_string(w.y) + "," +
                      std::to_string(w.width) + "," + std::to_string(w.height) +
                      "],\"visible\":" + boolean(w.visible) + ",\"enabled\":" + boolean(w.enabled) +
                      ",\"focus\":" + boolean(w.focus);
    switch (w.extra) {
        case WindowRecord::Button: out += ",\"check\":" + std::to_string(w.check); break;
        case WindowRecord::List:
            out += ",\"items\":" + json_strings(w.items) + ",\"selected\":" + std::to_string(w.selected);
            break;
        case WindowRecord::ScrollBar:
            out += ",\"pos\":" + std::to_string(w.pos) + ",\"range\":[" +
                   std::to_string(w.range_min) + "," + std::to_string(w.range_max) + "]";
            break;
        case WindowRecord::Tabs:
            out += ",\"tabs\":" + json_strings(w.items) + ",\"selected\":" + std::to_string(w.selected);
            break;
        case WindowRecord::None: break;
    }
    if (w.has_menu) out += ",\"menu\":" + menu_json(w.menu);
    return out + "}";
}

bool wants_window_snapshots() { return !windows_file.empty() && window_source; }

void set_window_source(std::vector<WindowRecord> (*collect)()) { window_source = collect; }

void write_window_snapshot() {
    if (!wants_window_snapshots()) return;
    std::string text = "{\"event\":\"snapshot\"}\n";
    for (const WindowRecord& w : window_source()) text += window_json(w) + "\n";
    if (std::FILE* f = std::fopen(windows_file.c_str(), "ab")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

void write_exit_snapshot() {
    if (exit_snapshot_written) return;
    exit_snapshot_written = true;
    write_window_snapshot();
}

}  // namespace tolven::automation
