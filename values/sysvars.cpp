#include "values/sysvars.h"

#include <optional>
#include <string>

#include "core/control_flow.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/interp.h"
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
#include "values/radix.h"
#include "values/reader.h"
#include "values/system_platform.h"

namespace tolven {

int32_t call_argument_count = 0;
KeptMessage kept_message;

namespace {

constexpr uint8_t kConstantToken = 254;

bool is_token(unsigned char c) { return (c >= 129 && c <= 231) || c == kConstantToken; }

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

// Rows whose value is a text.
bool is_text_row(uint8_t t) {
    switch (t) {
        case 133: case 135: case 136: case 149: case 151: case 152: case 153: case 154:
        case 165: case 166: case 170: case 196: case 224: case kConstantToken:
            return true;
        default:
            return false;
    }
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

// The rows of the current dBase table; a missing table reads as 0 / "".
void read_table_row(uint8_t token) {
    const dbase::Table* t = dbase::current();
    if (!t) {
        if (token == 165 || token == 166 || token == 170 || token == 224) put_text({});
        return;
    }
    switch (token) {
        case 160: put_long(t->count); break;
        case 161: put_int(t->header_length); break;
        case 162: put_int(t->record_length); break;
        case 163: put_long(t->current); break;
        case 164: put_int(t->field_count); break;
        case 165: put_text(t->file_name); break;
        case 166: put_text(t->last_type == ' ' ? std::string_view{} : std::string_view(&t->last_type, 1)); break;
        case 167: put_int(t->last_length); break;
        case 168: put_int(t->last_decimals); break;
        case 169: put_int(t->last_number); break;
        case 170: put_text(t->date_long); break;
        case 171: put_int(t->deleted ? 1 : 0); break;
        case 172: put_int(t->end ? 1 : 0); break;
        case 194: put_long(t->state != dbase::TableState::Closed ? 1 : 0); break;
        case 195: put_long(static_cast<int32_t>(t->state) & 3); break;
        case 224: put_text(t->last_name); break;
        default: break;
    }
}

// Token 254: the line that follows holds the value from its sixth byte on.
void read_constant(std::string_view text, int type) {
    if (text.size() < 4) {
        slots.type = kLong;
        raise_error(100);
        return;
    }
    const int32_t line = static_cast<uint8_t>(text[2]) | (static_cast<uint8_t>(text[3]) << 8);
    std::string_view value = line_text(line);
    value = value.size() > 5 ? value.substr(5) : std::string_view{};
    if (type == kString && value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    put_text(value);
    const NumberScan scan = scan_number(value);
    slots.f = scan.value;
    slots.i = slots.l = float_to_slot(scan.value);
}

// Fills the slot of one token.
void read_token(uint8_t token, std::string_view text) {
    SystemPlatform& sys = system_platform();
    switch (token) {
        case 129: put_int(gui_state.dialog_result); break;
        case 130: put_int(last_input.integer); break;
        case 131: put_long(last_input.long_integer); break;
        case 132: put_float(last_input.floating); break;
        case 133: put_text(last_input.text); break;
        case 134: put_int(item_list.last_index()); break;
        case 135: put_text(gui_state.last_input_text); break;
        case 136: put_text(gui_state.last_chosen_text); break;
        case 137: put_int(events.mouse_x); break;
        case 138: put_int(events.mouse_y); break;
        case 139:
            put_int(events.mouse_button_state());
            events.left_button = events.right_button = false;
            break;
        case 140: put_int(events.last_key); break;
        case 141: put_long(sound_state.mci_error); put_int(sound_state.mci_error); break;
        case 142: put_int(events.last_waited_key); break;
        case 143: put_int(events.key_state); break;
        case 144: put_int(as_value(sys.device_context(0))); break;
        case 145: put_int(as_value(sys.device_context(1))); break;
        case 146: put_int(as_value(display().window_value())); break;
        case 147:
            put_int(take_io_error());
            slots.type = kString;
            break;
        case 148:
            put_int(errors.last_report_kind);
            errors.last_report_kind = 0;
            slots.type = kString;
            break;
        case 149: put_text(sys.current_drive()); break;
        case 150: put_int(gui_state.list_index); break;
        case 151: put_text(sys.windows_directory().substr(0, 150)); break;
        case 152: put_text(sys.system_directory().substr(0, 150)); break;
        case 153: {
            const uint32_t v = sys.version() >> 16;
            put_text(dotted((v >> 8) & 0xFF, v & 0xFF));
            break;
        }
        case 154: {
            const uint32_t v = sys.version();
            put_text(dotted(v & 0xFF, (v >> 8) & 0xFF));
            break;
        }
        case 155: put_int(display().window_edges().top); break;
        case 156: put_int(display().window_edges().bottom); break;
        case 157: put_int(display().window_edges().left); break;
        case 158: put_int(display().window_edges().right); break;
        case 159: {
            const int32_t focus = as_value(sys.focus_window());
            put_int(events.help_request ? static_cast<int32_t>(0u - static_cast<uint32_t>(focus)) : focus);
            break;
        }
        case 160: case 161: case 162: case 163: case 164: case 165: case 166: case 167:
        case 168: case 169: case 170: case 171: case 172: case 194: case 195: case 224:
            read_table_row(token);
            break;
        case 173: put_int(sys.screen_width()); break;
        case 174: put_int(sys.screen_height()); break;
        case 175: put_int(as_value(sys.desktop_window())); break;
        case 176: {
            const size_t n = sys.command_line().size();
            put_int(n > 0 ? static_cast<int32_t>(n - 1) : 0);
            break;
        }
        case 177: put_int(take(events.timer_flag)); break;
        case 178: put_int(events.mouse_button_state()); break;
        case 179: {
            PeekedMessage m;
            if (sys.peek_message(m)) {
                kept_message = {as_value(m.window), as_value(m.message), m.wparam, m.lparam};
                gui_state.last_message = kept_message.message;
                put_int(1);
            } else {
                put_int(0);
            }
            break;
        }
        case 180: put_int(kept_message.window); break;
        case 181: put_int(kept_message.message); break;
        case 182: put_long(kept_message.wparam); break;
        case 183: put_long(kept_message.lparam); break;
        case 184: put_long(odbc_state.row_count); break;
        case 185: put_int(bitmap_state.width); break;
        case 186: put_int(bitmap_state.height); break;
        case 187:
            put_long(errors.last_error_number);
            errors.last_error_number = 0;
            break;
        case 188: put_int(sys.colour_depth()); break;
        case 189: put_long(bitmap_state.palette_entries); break;
        case 190: put_int(as_value(text_output.last_font)); break;
        case 191: put_int(1); break;
        case 192: put_long(as_value(host().tick_count())); break;
        case 193: put_long(events.message_996); break;
        case 196: put_text(kVersionText); break;
        case 197: put_int(call_argument_count); break;
        case 198: put_int(as_value(sys.instance_handle())); break;
        case 199: put_int(take(events.child_left_click)); break;
        case 200: put_int(take(events.paint_request)); break;
        case 201: put_int(1); break;
        case 202: case 203: case 204: case 205: case 206: put_int(0); break;
        case 207: put_int(gui_state.last_message); break;
        case 208: put_int(cursor_row()); break;
        case 209: put_int(cursor_column()); break;
        case 210: put_int(errors.error_mode); break;
        case 211: put_int(program.end_position); break;
        case 212: put_int(current_loop_value()); break;
        case 213: put_int(take(events.child_right_click)); break;
        case 214: put_int(events.notify_code); break;
        case 215: put_int(as_value(events.notify_window)); break;
        case 216: put_int(as_value(events.last_user_message.message)); break;
        case 217: put_long(events.last_user_message.lparam); break;
        case 218: put_long(events.last_user_message.wparam); break;
        case 219: put_long(gui_state.menu_value); break;
        case 220: case 221: case 222: case 223:
            put_long(as_value(sys.window_procedure(token - 220)));
            break;
        case 225: case 226: case 227: case 228:
            put_long(as_value(gui_state.rich_edit_procedures[token - 225]));
            break;
        case 229: put_int(events.last_virtual_key); break;
        case 230: break;
        case 231: put_int(as_value(sys.device_context(2))); break;
        case kConstantToken: read_constant(text, slots.type); break;
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
