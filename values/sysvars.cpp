#include "values/sysvars.h"

#include <optional>
#include <string>

#include "core/bytes.h"
#include "core/control_flow.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/interp.h"
#include "core/tokens.h"
#include "data/dbf.h"
#include "data/file_numbers.h"
#include "data/odbc_state.h"
#include "gui/gui_state.h"
#include "gui/item_list.h"
#include "screen/bitmap_state.h"
#include "screen/display.h"
#include "screen/events.h"
#include "screen/screen_state.h"
#include "screen/text_screen.h"
#include "system/sound_state.h"
#include "values/numtext.h"
#include "values/radix.h"
#include "values/reader.h"
#include "values/system_platform.h"

namespace tolven {

int32_t call_argument_count = 0;
MessageRecord kept_message;

namespace {

bool is_token(unsigned char c) { return sysvar_info(c) != nullptr; }

int type_of(char type_char) {
    switch (type_char) {
        case '$': return kString;
        case '%': return kInteger;
        case '&': return kLong;
        default: return kFloat;
    }
}

void put_int(int32_t v) { slots.i = v; }
void put_long(int32_t v) { slots.l = v; }
void put_float(double v) { slots.f = v; }
void put_text(std::string_view v) { slots.s.assign(v.data(), v.size()); }

// Rows whose value is a text; a named constant always keeps its text.
bool is_text_row(uint8_t t) {
    const TokenInfo* info = sysvar_info(t);
    return t == code_of(Sys::CONSTANT) || (info && info->result == TokenResult::Str);
}

int32_t as_value(uint32_t v) { return static_cast<int32_t>(v); }

// Takes a flag and clears it: the "then cleared" rows.
int32_t take(bool& flag) {
    const int32_t v = flag ? 1 : 0;
    flag = false;
    return v;
}

std::string dotted(uint32_t high, uint32_t low) {
    return std::to_string(high) + "." + std::to_string(low);
}

// The rows of the current dBase table come from the table engine, which
// knows its fields; a missing table reads as 0 / "".
void read_table_row(Sys token) {
    const std::optional<dbase::TableValue> v = dbase::system_value(token);
    const TokenInfo* info = sysvar_info(code_of(token));
    if (!v || !info) return;
    switch (info->result) {
        case TokenResult::Str: put_text(v->text); break;
        case TokenResult::Int: put_int(v->number); break;
        default: put_long(v->number); break;
    }
}

// Token 254: the line that follows holds the value from its sixth byte on.
void read_constant(std::string_view text, int type) {
    if (text.size() < 4) {
        slots.type = kLong;
        raise_error(100);
        return;
    }
    const int32_t line = le16(text.data() + 2);
    std::string_view value = line_text(line);
    value = value.size() > 5 ? value.substr(5) : std::string_view{};
    if (type == kString && value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    put_text(value);
    const NumberScan scan = scan_number(value);
    slots.f = scan.value;
    slots.i = slots.l = float_to_long(scan.value);
}

// Fills the slot of one token.
void read_token(uint8_t code, std::string_view text) {
    SystemPlatform& sys = system_platform();
    const Sys token = static_cast<Sys>(code);
    switch (token) {
        case Sys::DIALOGRESULT: put_int(gui_state.dialog_result); break;
        case Sys::INPUTINT: put_int(last_input.integer); break;
        case Sys::INPUTLONG: put_long(last_input.long_integer); break;
        case Sys::INPUTFLOAT: put_float(last_input.floating); break;
        case Sys::INPUTSTR: put_text(last_input.text); break;
        case Sys::LASTITEM: put_int(item_list.last_index()); break;
        case Sys::LASTINPUT: put_text(gui_state.last_input_text); break;
        case Sys::LASTFILE: put_text(gui_state.last_chosen_text); break;
        case Sys::MOUSEX: put_int(events.mouse_x); break;
        case Sys::MOUSEY: put_int(events.mouse_y); break;
        case Sys::MOUSEBUTTON:
            put_int(events.mouse_button_state());
            events.left_button = events.right_button = false;
            break;
        case Sys::LASTKEY: put_int(events.last_key); break;
        case Sys::MCIERROR: put_long(sound_state.mci_error); put_int(sound_state.mci_error); break;
        case Sys::CHARCODE: put_int(events.last_event); break;
        case Sys::KEYSTATE: put_int(events.key_state); break;
        case Sys::DRAWDC: put_int(as_value(sys.device_context(0))); break;
        case Sys::DRAWDC2: put_int(as_value(sys.device_context(1))); break;
        case Sys::MAINWINDOW: put_int(as_value(display().window_value())); break;
        case Sys::IOERROR:
            put_int(take_io_error());
            slots.type = kString;
            break;
        case Sys::ERRORKIND:
            put_int(errors.last_report_kind);
            errors.last_report_kind = 0;
            slots.type = kString;
            break;
        case Sys::DRIVE: put_text(sys.current_drive()); break;
        case Sys::LISTINDEX: put_int(gui_state.list_index); break;
        case Sys::WINDIR: put_text(sys.windows_directory().substr(0, 150)); break;
        case Sys::SYSDIR: put_text(sys.system_directory().substr(0, 150)); break;
        case Sys::DOSVERSION: {
            const uint32_t v = sys.version() >> 16;
            put_text(dotted((v >> 8) & 0xFF, v & 0xFF));
            break;
        }
        case Sys::WINVERSION: {
            const uint32_t v = sys.version();
            put_text(dotted(v & 0xFF, (v >> 8) & 0xFF));
            break;
        }
        case Sys::WINDOWTOP: put_int(display().window_edges().top); break;
        case Sys::WINDOWBOTTOM: put_int(display().window_edges().bottom); break;
        case Sys::WINDOWLEFT: put_int(display().window_edges().left); break;
        case Sys::WINDOWRIGHT: put_int(display().window_edges().right); break;
        case Sys::FOCUS: put_int(focus_as_seen(sys.focus_window())); break;
        case Sys::DBINFO160: case Sys::DBINFO161: case Sys::DBINFO162: case Sys::DBINFO163: case Sys::DBINFO164: case Sys::DBINFO165: case Sys::DBINFO166: case Sys::DBINFO167:
        case Sys::DBINFO168: case Sys::DBINFO169: case Sys::DBINFO170: case Sys::DBINFO171: case Sys::DBINFO172: case Sys::DBISOPEN: case Sys::DBMODE: case Sys::DBFIELDNAME:
            read_table_row(token);
            break;
        case Sys::SCREENWIDTH: put_int(sys.screen_width()); break;
        case Sys::SCREENHEIGHT: put_int(sys.screen_height()); break;
        case Sys::DESKTOP: put_int(as_value(sys.desktop_window())); break;
        case Sys::PARAMCOUNT: {
            const size_t n = sys.command_line().size();
            put_int(n > 0 ? static_cast<int32_t>(n - 1) : 0);
            break;
        }
        case Sys::EVENTFLAG3: put_int(take(events.timer_flag)); break;
        case Sys::MOUSEBUTTONS: put_int(events.mouse_button_state()); break;
        case Sys::MSGWAITING: {
            MessageRecord m;
            if (sys.peek_message(m)) {
                kept_message = m;
                gui_state.last_message = as_value(m.message);
                put_int(1);
            } else {
                put_int(0);
            }
            break;
        }
        case Sys::MSGWINDOW: put_int(as_value(kept_message.window)); break;
        case Sys::MSGNUMBER: put_int(as_value(kept_message.message)); break;
        case Sys::MSGWPARAM: put_long(kept_message.wparam); break;
        case Sys::MSGLPARAM: put_long(kept_message.lparam); break;
        case Sys::SQLROWS: put_long(odbc_state.row_count); break;
        case Sys::BMPWIDTH: put_int(bitmap_state.width); break;
        case Sys::BMPHEIGHT: put_int(bitmap_state.height); break;
        case Sys::ERRORNUMBER:
            put_long(errors.last_error_number);
            errors.last_error_number = 0;
            break;
        case Sys::COLORDEPTH: put_int(sys.colour_depth()); break;
        case Sys::PALETTESIZE: put_long(bitmap_state.palette_entries); break;
        case Sys::LASTFONT: put_int(as_value(text_output.last_font)); break;
        case Sys::ONE191: put_int(1); break;
        case Sys::TICKS: put_long(as_value(host().tick_count())); break;
        case Sys::MSG996: put_long(events.message_996); break;
        case Sys::VERSION: put_text(kVersionText); break;
        case Sys::ARGCOUNT: put_int(call_argument_count); break;
        case Sys::INSTANCE: put_int(as_value(sys.instance_handle())); break;
        case Sys::EVENTFLAG1: put_int(take(events.child_left_click)); break;
        case Sys::PAINTED: put_int(take(events.paint_request)); break;
        case Sys::ONE201: put_int(1); break;
        case Sys::ZERO202: case Sys::ZERO203: case Sys::ZERO204: case Sys::ZERO205: case Sys::ZERO206: put_int(0); break;
        case Sys::LASTMESSAGE: put_int(gui_state.last_message); break;
        case Sys::CURSORROW: put_int(cursor_row()); break;
        case Sys::CURSORCOLUMN: put_int(cursor_column()); break;
        case Sys::ERRORMODE: put_int(errors.error_mode); break;
        case Sys::PROGRAMEND: put_int(program.end_position); break;
        case Sys::LOOPVALUE: put_int(current_loop_value()); break;
        case Sys::EVENTFLAG2: put_int(take(events.child_right_click)); break;
        case Sys::EVENTCODE: put_int(events.last_command); break;
        case Sys::EVENTSOURCE: put_int(events.last_control); break;
        case Sys::USERMESSAGE: put_int(as_value(events.last_user_message.message)); break;
        case Sys::USERLPARAM: put_long(events.last_user_message.lparam); break;
        case Sys::USERWPARAM: put_long(events.last_user_message.wparam); break;
        case Sys::VALUE73: put_long(gui_state.menu_value); break;
        case Sys::WNDPROC1: case Sys::WNDPROC2: case Sys::WNDPROC3: case Sys::WNDPROC4:
            put_long(as_value(sys.window_procedure(code - code_of(Sys::WNDPROC1))));
            break;
        case Sys::RTFLOADPROC: case Sys::RTFSAVEPROC: case Sys::TXTLOADPROC: case Sys::TXTSAVEPROC:
            put_long(as_value(gui_state.rich_edit_procedures[code - code_of(Sys::RTFLOADPROC)]));
            break;
        case Sys::SPECIALKEY: put_int(events.last_virtual_key); break;
        case Sys::NONE230: break;
        case Sys::CURRENTDC: put_int(as_value(sys.device_context(2))); break;
        case Sys::CONSTANT: read_constant(text, slots.type); break;
        default: break;
    }
}

}  // namespace

void read_system_variable(std::string_view text) {
    slots.i = slots.l = 0;
    slots.f = 0.0;
    if (text.empty()) {
        slots.type = kLong;
        raise_error(100);
        return;
    }
    slots.type = type_of(text[0]);
    if (text.size() >= 2 && is_token(static_cast<unsigned char>(text[1]))) {
        slots.s.clear();
        read_token(static_cast<uint8_t>(text[1]), text);
        if (slots.l == 0) slots.l = slots.i;
        if (slots.i == 0) slots.i = slots.l;
        if (slots.f == 0.0) slots.f = slots.l;
        // A number read as text, or a row that gives its number as text
        // (147, 148): the text is the number's decimal form.
        if (slots.type == kString && !is_text_row(static_cast<uint8_t>(text[1])))
            slots.s = std::to_string(slots.l);
        return;
    }
    std::optional<int32_t> v;
    if (text[0] != '!') v = parse_typed_number(text);
    slots.type = kLong;
    if (!v) {
        raise_error(100);
        return;
    }
    slots.i = slots.l = *v;
    slots.f = *v;
}

void reset_system_variables() {
    call_argument_count = 0;
    kept_message = {};
}

}  // namespace tolven
