#include "screen/text_output.h"

#include <cstdint>
#include <string>

#include "core/errors.h"
#include "core/host.h"
#include "core/interp.h"
#include "core/loop.h"
#include "core/pump.h"
#include "data/text_files.h"
#include "screen/colours.h"
#include "screen/display.h"
#include "screen/events.h"
#include "screen/keys.h"
#include "screen/screen_state.h"
#include "screen/text_screen.h"
#include "values/functions.h"
#include "values/numtext.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/textops.h"

namespace tolven {

namespace {

constexpr int kInputBuffer = 128;     // the line editor takes 126 bytes
constexpr int32_t kMaxDecimals = 35;
constexpr size_t kMaxBoxText = 32767;
constexpr std::string_view kLineEnd = "\r\n";

// A "#" file number in front of the items: reads it up to ",". Returns 0
// (after runtime error 210) when it lies outside 1..15.
int32_t read_file_number() {
    const int32_t n = read_int(',');
    if (n < 1 || n > 15) {
        raise_error(210);
        return 0;
    }
    return n;
}

// One PRINT item by the type the reader left: strings right-aligned in the
// string field width (never cut), numbers in the reader's number format.
void format_item(std::string& out) {
    switch (slots.type) {
        case kInteger: format_integer(slots.i, out); break;
        case kLong: format_integer(slots.l, out); break;
        case kFloat: format_float(slots.f, out); break;
        default: {
            const int32_t w = text_output.string_width;
            const size_t n = slots.s.size();
            out.clear();
            if (w > 0 && static_cast<size_t>(w) > n) out.assign(static_cast<size_t>(w) - n, ' ');
            out += slots.s;
            break;
        }
    }
}

// The line without its ending bytes (13 10, or 26 from the line editor).
std::string_view line_body(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == 26))
        line.remove_suffix(1);
    return line;
}

std::string_view skip_blanks(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    return t;
}

}  // namespace

void output_write(std::string_view text) {
    write_text(text);
    display().write_done();
    // The same cheap pump as the loop's: asking the platform again within
    // the same millisecond cannot find anything new to show or handle.
    periodic_pump();
}

void print_statement() {
    int32_t file = 0;
    if (!reader.rest.empty() && reader.rest.front() == '#') {
        reader.rest.remove_prefix(1);
        file = read_file_number();
        if (file == 0) return;
    } else {
        if (!not_while_printing("PRINT")) return;
        if (reader.rest.empty()) {
            output_write(kLineEnd);
            return;
        }
    }
    std::string text;
    reader.end_of_args = false;
    do {
        read_arg('p', kAny);
        format_item(text);
        // On the screen the item and what its separator asks for are two
        // writes: an item that fills the last row then leaves the cursor
        // there, and only the line end scrolls.
        std::string_view after;
        if (reader.separator_found == ',') after = " ";
        else if (reader.separator_found != ';') after = kLineEnd;
        if (file) {
            text += after;
            file_write_text(file, text);
        } else {
            output_write(text);
            if (!after.empty()) output_write(after);
        }
    } while (!reader.end_of_args);
}

void input_statement() {
    int32_t file = 0;
    std::string_view rest = reader.rest;
    if (!rest.empty() && rest.front() == '#') {
        begin_arguments(trim(rest.substr(1)));
        file = read_file_number();
        if (file == 0) return;
        rest = reader.rest;
    } else if (!not_while_printing("INPUT")) {
        return;
    }
    const std::string name = folded(trim(rest));
    const char kind = name.empty() ? 0 : name.back();
    void* target = nullptr;
    switch (kind) {
        case kStringKind: target = find_string(name); break;
        case kIntegerKind: target = find_integer(name); break;
        case kLongKind: target = find_long(name); break;
        case kFloatKind: target = find_float(name); break;
        default: break;
    }
    if (!target) {
        raise_error(215, name);
        return;
    }

    std::string line;
    if (file) {
        file_read_line(file, line);
    } else {
        display().ensure_window();  // somewhere to type into
        line = read_line(kInputBuffer);
    }
    const std::string_view body = file ? std::string_view(line) : line_body(line);
    if (file && kind != kStringKind) file_check_number(body, kind == kFloatKind);
    switch (kind) {
        case kStringKind:
            static_cast<VarString*>(target)->assign(body);
            last_input.text = std::string(body);
            break;
        case kIntegerKind:
            last_input.integer = decimal_int_prefix(skip_blanks(body));
            *static_cast<int32_t*>(target) = last_input.integer;
            break;
        case kLongKind:
            last_input.long_integer = decimal_int_prefix(skip_blanks(body));
            *static_cast<int32_t*>(target) = last_input.long_integer;
            break;
        default:
            // Floats take the number conversion's "$", "&" and "%" forms too.
            last_input.floating = value_of_text(body).f;
            *static_cast<double*>(target) = last_input.floating;
            break;
    }
    if (!file) output_write(kLineEnd);
}

void cls_statement() {
    if (!not_while_printing("CLS")) return;
    clear_text_screen();
    if (!trim(reader.rest).empty()) {
        const uint32_t colour = colour_value_rgb(read_long(' '));
        display().clear_window(true, colour);
    } else {
        display().clear_window(false, 0);
    }
}

void repaint_statement() {
    if (!not_while_printing("REPAINT")) return;
    if (events.paint_mode >= 1) display().invalidate();
}

void locate_statement() {
    const int32_t row = static_cast<int16_t>(read_int(','));
    const int32_t column = static_cast<int16_t>(read_int(' '));
    set_cursor(column, row);
}

void color_statement() {
    const int32_t foreground = read_int(',');
    if (!not_while_printing("COLOR")) return;
    set_foreground(foreground);
    set_background(read_int(' '));
}

void font_statement() {
    if (!not_while_printing("FONT")) return;
    const int32_t n = read_int(' ');
    if (n < 4) set_font_index(n);
}

void decimals_statement() {
    const int32_t n = read_int(' ');
    number_format.decimals = n > kMaxDecimals ? kMaxDecimals : n;
}

void string_width_statement() { text_output.string_width = read_int(' '); }

void number_width_statement() { number_format.width = read_int(' '); }

void charset_statement() {
    switch (read_int(' ')) {
        case 0: text_output.charset = 0; break;
        case 1: text_output.charset = 255; break;
        case 2: text_output.charset = 2; break;
        default: break;
    }
}

void font_angle_statement() { text_output.font_angle = read_int(' '); }

void close_query_statement() {
    std::string caption = read_string(',');
    window_settings.close_text = read_string(' ');
    window_settings.close_caption = std::move(caption);
}

void paint_mode_statement() {
    const int32_t mode = read_int(' ');
    if (mode < 0 || mode > 2) raise_warning(200);
    events.paint_mode = mode;
}

void title_statement() {
    read_arg(' ', kAny);
    if (slots.type == kString) set_window_title(slots.s);
    window_settings.inactive_format = "%s";
    if (display().window_exists()) display().title_changed();
}

void window_pos_statement() {
    const int32_t x = read_int(',');
    const int32_t y = read_int('-');
    const int32_t width = read_int(',');
    const int32_t height = read_int(' ');
    if (x < 0 || y < 0 || width < 0 || height < 0) raise_warning(223);
    set_grid(width / 8, height / 15 - 1);
    window_settings.x = x;
    window_settings.y = y;
    window_settings.width = width;
    window_settings.height = height;
    display().place_window();
}

void window_style_statement() {
    const int32_t n = read_int(' ');
    using namespace window_style;
    uint32_t style = 0;
    if (n & 1) style |= kMaximizeBox;
    if (n & 2) style |= kMinimizeBox;
    if (n & 4) style |= kSizingBorder;
    if (n & 8) style |= kSystemMenu;
    WindowSettings& w = window_settings;
    w.style = style;
    w.no_menu = n & 0x10;
    w.hollow_background = n & 0x20;
    w.popup = n & 0x40;
    w.system_keys_as_commands = n & 0x80;
    w.system_commands_as_commands = n & 0x100;
    w.dialog_style = n & 0x200;
}

void tab_function() {
    const int32_t n = read_int(')');
    if (n < cursor_column()) set_cursor(n, cursor_row() + 1);
    else set_cursor(n, cursor_row());
    set_result_string("");
}

void wait_key_function() {
    events.last_key = 0;
    events.last_virtual_key = 0;
    while (events.last_key == 0 && events.last_virtual_key == 0) display().wait_for_input();
    const char code = static_cast<char>(events.last_key);
    events.last_event = static_cast<uint8_t>(code);
    clear_key_state();
    set_result_string(std::string(1, code));
}

void message_box_function() {
    std::string text = read_string(',');
    std::string caption = read_string(',');
    const int32_t type = read_int(')');
    if (text.size() > kMaxBoxText) text.resize(kMaxBoxText);
    if (caption.size() > kMaxBoxText) caption.resize(kMaxBoxText);
    const int answer = host().message_box(text, caption, static_cast<unsigned>(type), true);
    set_result_int(answer);
    display().refresh();
}

void reset_text_output() {
    reset_text_screen();
    reset_keys();
    reset_screen_state();
    events = EventState{};
    true_colour_mode = false;
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::PRINT, print_statement},
    {Cmd::INPUT, input_statement},
    {Cmd::CLS, cls_statement},
    {Cmd::REPAINT, repaint_statement},
    {Cmd::LOCATE, locate_statement},
    {Cmd::COLOR, color_statement},
    {Cmd::FONT, font_statement},
    {Cmd::DECIMALS, decimals_statement},
    {Cmd::STRWIDTH, string_width_statement},
    {Cmd::NUMWIDTH, number_width_statement},
    {Cmd::CHARSET, charset_statement},
    {Cmd::FONTANGLE, font_angle_statement},
    {Cmd::CLOSEQUERY, close_query_statement},
    {Cmd::PAINTMODE, paint_mode_statement},
    {Cmd::TITLE, title_statement},
    {Cmd::WINDOWPOS, window_pos_statement},
    {Cmd::WINDOWSTYLE, window_style_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::TAB_S, tab_function},
    {Fn::WAITKEY_S, wait_key_function},
    {Fn::MESSAGEBOX, message_box_function},
};

}  // namespace

// The loop sees a last key of 255 as 254 on the next line; the key is ours.
void start_text_output() { watch_last_key(&events.last_key); }

const Module kTextModule{"text", kStatements, kFunctions, reset_text_output, start_text_output};


}  // namespace tolven
