// Test automation hooks, driven by environment variables. They change
// nothing while their variables are unset.
//   TOLVEN_TRANSCRIPT  JSON Lines of every box, dialog and the exit code;
//                      boxes and dialogs are then answered, not shown.
//   TOLVEN_ANSWERS     one answer per line for those boxes and dialogs.
//   TOLVEN_KEYS        keys typed into the focused window while the program
//                      waits for keys or a box or dialog shown for real
//                      waits for input; clicks, pauses, snapshots (syntax
//                      in docs/automation.md).
//   TOLVEN_SCREEN      the text screen as text when the main window closes.
//   TOLVEN_SCREENSHOT  the off-screen image as a 24-bit BMP at that time.
//   TOLVEN_WINDOWSHOT  what the window itself shows at that time (client
//                      area, 24-bit BMP).
//   TOLVEN_REAL_DIALOGS=1  boxes and dialogs are shown (and recorded) even
//                      while a transcript is written.
//   TOLVEN_WINDOWS     JSON Lines snapshots of every window of the process
//                      at the end and at each {Dump} of TOLVEN_KEYS.
//   TOLVEN_ACTIVESHOT  what the screen shows of the active window at each
//                      {Shot} of TOLVEN_KEYS (24-bit BMP).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolven::automation {

// Reads the variables (values as given by the environment).
void configure(const char* transcript_path, const char* answers_path);

bool active();  // a transcript is being written

// Reads TOLVEN_REAL_DIALOGS, TOLVEN_WINDOWS and TOLVEN_ACTIVESHOT (values as
// given by the environment; relative paths are taken from the current
// directory now).
void configure_windows(const char* real_dialogs, const char* windows_path,
                       const char* activeshot_path);

// Boxes and dialogs are answered from TOLVEN_ANSWERS instead of being shown:
// a transcript is written and real dialogs were not asked for.
bool answering();

void record_box(std::string_view caption, std::string_view text, unsigned type, int answer);
void record_dialog(std::string_view kind, std::string_view title,
                   const std::optional<std::string>& answer);
void record_exit(int code);
// A request to end Windows, which is recorded instead of carried out while
// a transcript is written: the ExitWindowsEx flags and whether the shutdown
// privilege could be enabled.
void record_exit_windows(unsigned flags, bool privilege);

// The next answer line, or nullopt when the file is exhausted or absent.
std::optional<std::string> next_answer();

// Answer for a box of `type` when the answers give none: its default button.
int default_box_answer(unsigned type);

// JSON string literal for Latin-1 bytes (converted to UTF-8).
std::string json_string(std::string_view latin1);

// ---- the screen hooks ----

// One step of TOLVEN_KEYS.
struct KeyAction {
    enum Kind { Char, Key, Close, Cover, Click, Wait, Dump, Shot, Menu };
    Kind kind = Char;
    uint8_t code = 0;      // Char: the byte typed; Key: the virtual-key code
    bool shift = false, ctrl = false, alt = false;
    int32_t number = 0;    // Click: the control id; Wait: milliseconds; Menu: the item id
    bool operator==(const KeyAction&) const = default;
};

// TOLVEN_KEYS text: characters are typed as they are; "{{" is a "{";
// "{Name}" is a key or an action (see docs/automation.md). A name that is
// not known is typed literally.
std::vector<KeyAction> parse_keys(std::string_view text);

// Reads the screen variables (values as given by the environment; relative
// paths are taken from the current directory now).
void configure_screen(const char* keys, const char* screen_path, const char* screenshot_path,
                      const char* windowshot_path);

bool keys_pending();
std::optional<KeyAction> next_key();
// The next step without taking it (null when none).
const KeyAction* peek_key();

bool wants_screen_dump();
void write_screen_dump(std::string_view text);

enum class Shot { OffScreen, Window };
bool wants_shot(Shot which);
// Pixel rows as the platform gives them for 24-bit images: bottom row
// first, blue-green-red, each row padded to a multiple of 4 bytes.
void write_shot(Shot which, int32_t width, int32_t height, const uint8_t* rows);

// A 24-bit BMP file of such rows.
std::vector<uint8_t> bmp24(int32_t width, int32_t height, const uint8_t* rows);

bool wants_active_shot();
void write_active_shot(int32_t width, int32_t height, const uint8_t* rows);

// ---- window snapshots (TOLVEN_WINDOWS) ----

struct MenuEntry {
    enum Kind { Item, Popup, Separator };
    Kind kind = Item;
    int32_t id = 0;
    std::string text;
    bool checked = false, grayed = false;
    std::vector<MenuEntry> popup;
};

// One window as the snapshot shows it; texts are Latin-1.
struct WindowRecord {
    uint32_t hwnd = 0, parent = 0, owner = 0;
    std::string class_name;
    int32_t id = 0;
    std::string text;
    uint32_t style = 0, exstyle = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;  // parent's client (screen for top-level)
    bool visible = false, enabled = false, focus = false;

    enum Extra { None, Button, List, ScrollBar, Tabs };
    Extra extra = None;
    int32_t check = 0;                // Button
    std::vector<std::string> items;   // List: the lines; Tabs: the tabs
    int32_t selected = -1;            // List, Tabs
    int32_t pos = 0, range_min = 0, range_max = 0;  // ScrollBar
    bool has_menu = false;
    std::vector<MenuEntry> menu;
};

// One line of the snapshot.
std::string window_json(const WindowRecord& w);

bool wants_window_snapshots();
// Where the windows come from: the platform installs it.
void set_window_source(std::vector<WindowRecord> (*collect)());
// Appends {"event":"snapshot"} and a line per window.
void write_window_snapshot();
// The snapshot of the end of the process, once, whichever way it ends,
// before any window is destroyed.
void write_exit_snapshot();

}  // namespace tolven::automation
