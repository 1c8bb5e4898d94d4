// Settings of the main window and of text output that statements set and
// the window reads when it is (next) created, plus the flags other modules
// set (printing, paint targets).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven {

// Window style bits with the platform's values.
namespace window_style {
constexpr uint32_t kMaximizeBox = 0x00010000, kMinimizeBox = 0x00020000,
                   kSizingBorder = 0x00040000, kSystemMenu = 0x00080000,
                   kCaption = 0x00C00000, kPopup = 0x80000000;
constexpr uint32_t kOverlappedWindow =
    kCaption | kSystemMenu | kSizingBorder | kMinimizeBox | kMaximizeBox;
}  // namespace window_style

struct WindowSettings {
    int32_t x = 0, y = 0, width = 640, height = 480;
    uint32_t style = window_style::kSystemMenu | window_style::kSizingBorder |
                     window_style::kMinimizeBox | window_style::kMaximizeBox;
    bool no_menu = false;
    bool hollow_background = false;
    bool popup = false;
    bool system_keys_as_commands = false;
    bool system_commands_as_commands = false;
    bool dialog_style = false;

    std::string title = "ZWM-TOLVEN\xB2 RUNTIME 7.5-NT";  // at most kMaxTitle bytes
    std::string inactive_format = "%s";   // title shown once the program has ended
    std::string close_caption, close_text;  // close query; empty text asks nothing

    static constexpr size_t kMaxTitle = 255;
};
extern WindowSettings window_settings;

// The start-up title: "ZWM-TOLVEN² RUNTIME 7.5-NT".
extern const std::string_view kDefaultTitle;

// Sets the title buffer (longer titles are cut to 255 bytes).
void set_window_title(std::string_view title);

// The window title once the program has ended: the inactive-title format
// with its "%s" replaced by the title.
std::string inactive_title();

// Set by STARTPRINT .. ENDPRINT: the text-screen statements refuse to run.
extern bool printing_active;
// Set by STARTPAINT .. ENDPAINT: drawing has a target even without window.
extern bool paint_target_active;

// Text output settings of PRINT (number width and decimals are the argument
// reader's) and of fonts made for pixel text.
struct TextOutputSettings {
    int32_t string_width = 0;
    int32_t charset = 0;      // 0 ANSI, 255 OEM, 2 symbol
    int32_t font_angle = 0;   // tenths of a degree
    uint32_t last_font = 0;   // handle of the font made last
};
extern TextOutputSettings text_output;

// What INPUT read last, by kind.
struct InputRecord {
    int32_t integer = 0, long_integer = 0;
    double floating = 0.0;
    std::string text;
};
extern InputRecord last_input;

// Raises runtime error 237 and returns false when there is neither a main
// window nor a paint target.
bool window_required();

// Raises runtime error 221 with the statement name and returns false while
// printing is active.
bool not_while_printing(std::string_view statement);

// Program start: every setting back to its start value.
void reset_screen_state();

}  // namespace tolven
