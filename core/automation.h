// Test automation hooks, driven by environment variables. They change
// nothing while their variables are unset.
//   TOLVEN_TRANSCRIPT  JSON Lines of every box, dialog and the exit code;
//                      boxes and dialogs are then answered, not shown.
//   TOLVEN_ANSWERS     one answer per line for those boxes and dialogs.
//   TOLVEN_KEYS        keys typed into the main window while the program
//                      waits for keys (syntax in docs/automation.md).
//   TOLVEN_SCREEN      the text screen as text when the main window closes.
//   TOLVEN_SCREENSHOT  the off-screen image as a 24-bit BMP at that time.
//   TOLVEN_WINDOWSHOT  what the window itself shows at that time (client
//                      area, 24-bit BMP).
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
    enum Kind { Char, Key, Close, Cover };
    Kind kind = Char;
    uint8_t code = 0;      // Char: the byte typed; Key: the virtual-key code
    bool shift = false, ctrl = false, alt = false;
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

bool wants_screen_dump();
void write_screen_dump(std::string_view text);

enum class Shot { OffScreen, Window };
bool wants_shot(Shot which);
// Pixel rows as the platform gives them for 24-bit images: bottom row
// first, blue-green-red, each row padded to a multiple of 4 bytes.
void write_shot(Shot which, int32_t width, int32_t height, const uint8_t* rows);

// A 24-bit BMP file of such rows.
std::vector<uint8_t> bmp24(int32_t width, int32_t height, const uint8_t* rows);

}  // namespace tolven::automation
