// The bridges to the rest of the system: starting programs, the shell,
// ending Windows, help files, clipboard text, environment variables, short
// paths, icon counts, string resources, key sending and I/O ports. Each is
// one request to the platform; the rules around it live here.
#include <algorithm>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/interp.h"
#include "screen/events.h"
#include "system/key_text.h"
#include "system/services_platform.h"
#include "system/system_module.h"
#include "values/reader.h"
#include "values/system_platform.h"

namespace tolven {

namespace {

constexpr int kShowNormal = 1;
constexpr uint32_t kHelpContents = 0x0003, kHelpPartialKey = 0x0105, kHelpOnHelp = 0x0004;
// Text a program puts on the clipboard: one block of 32,767 bytes with its
// terminating zero.
constexpr size_t kClipboardLimit = 32766;

// Show commands outside SW_HIDE..SW_RESTORE (0..9) become SW_HIDE.
int show_command(int32_t v) { return v >= 0 && v <= 9 ? v : 0; }

// The Alt flag of the key sender is the key-state byte programs read.
bool alt_flag() { return events.key_state != 0; }
void set_alt_flag(bool on) { events.key_state = on ? 1 : 0; }

void send_events(const std::vector<KeyEvent>& list) {
    for (const KeyEvent& e : list) services_platform().key_event(e);
}

// The window the keys are meant for: the focus window stands for "whatever
// is in front"; any other is brought there first.
void target_window(uint32_t window) {
    if (window == system_platform().focus_window()) window = 0;
    if (window != 0) services_platform().bring_to_foreground(window);
}

}  // namespace

void run_statement() { services_platform().win_exec(read_string(' ', kRawString), kShowNormal); }

void chain_statement() {
    services_platform().win_exec(read_string(' ', kRawString), kShowNormal);
    interp.end_flag = true;
}

void win_exec_function() {
    const std::string command = read_string(',', kRawString);
    const int show = show_command(read_int(')'));
    set_result_long(static_cast<int32_t>(services_platform().win_exec(command, show)));
}

void run_wait_function() {
    const std::string command = read_string(',', kRawString);
    const int show = show_command(read_int(')'));
    set_result_int(services_platform().run_and_wait(command, show) ? 1 : 0);
}

void shell_execute_function() {
    const std::string file = read_string(',', kRawString);
    const std::string operation = read_string(',', kStringArg);
    const int show = show_command(read_int(')'));
    set_result_long(static_cast<int32_t>(services_platform().shell_execute(file, operation, show)));
}

void exit_windows_statement() { services_platform().exit_windows(read_int(' ') == 1); }

void help_statement() {
    const std::string file = read_string(',', kRawString);
    const std::string topic = read_string(' ', kStringArg);
    if (topic == "?") services_platform().help(file, kHelpOnHelp, {});
    else if (topic == "*") services_platform().help(file, kHelpContents, {});
    else services_platform().help(file, kHelpPartialKey, topic);
}

void clear_clipboard_statement() { services_platform().clipboard_clear(); }

void set_clipboard_statement() {
    read_arg(' ', kAny);
    const std::string& text = slots.s;
    const size_t zero = text.find('\0');
    const size_t n = std::min(zero == std::string::npos ? text.size() : zero, kClipboardLimit);
    services_platform().clipboard_set(text.substr(0, n));
}

void clipboard_function() { set_result_string(services_platform().clipboard_get()); }

void environment_function() {
    set_result_string(services_platform().environment(read_string(')', kStringArg)));
}

void short_path_function() {
    set_result_string(services_platform().short_path(read_string(')', kRawString)));
}

void icon_count_function() {
    set_result_int(services_platform().icon_count(read_string(')', kRawString)));
}

void load_string_function() {
    const uint32_t module = static_cast<uint32_t>(read_long(','));
    const uint32_t number = static_cast<uint32_t>(read_long(')'));
    set_result_string(services_platform().load_string(module, number));
}

void send_keys_function() {
    const uint32_t window = static_cast<uint32_t>(read_long(','));
    const std::string keys = read_string(')', kStringArg);
    target_window(window);
    const std::vector<KeyStroke> strokes =
        parse_key_text(keys, [](char c) { return services_platform().char_key(c); });
    std::vector<KeyEvent> list;
    for (const KeyStroke& s : strokes) {
        for (int32_t n = 0; n < s.repeat; ++n) {
            services_platform().activate_key_target();
            list.clear();
            bool flag = alt_flag();
            stroke_events(s, flag, list);
            send_events(list);
            set_alt_flag(flag);
            host().pump_messages();
        }
    }
    set_result_int(1);
}

void send_virtual_key_function() {
    const uint32_t window = static_cast<uint32_t>(read_long(','));
    const int32_t vk = read_int(')');
    target_window(window);
    std::vector<KeyEvent> list;
    bool flag = alt_flag();
    single_key_events(static_cast<uint8_t>(vk), flag, list);
    send_events(list);
    set_alt_flag(flag);
    set_result_int(1);
}

void port_in_function() {
    set_result_int(services_platform().port_in_byte(static_cast<uint16_t>(read_long(')'))));
}

void port_in_word_function() {
    set_result_int(services_platform().port_in_word(static_cast<uint16_t>(read_long(')'))));
}

void port_out_statement() {
    const auto port = static_cast<uint16_t>(read_long(','));
    services_platform().port_out_byte(port, static_cast<uint8_t>(read_long(' ')));
}

void port_out_word_statement() {
    const auto port = static_cast<uint16_t>(read_long(','));
    services_platform().port_out_word(port, static_cast<uint16_t>(read_long(' ')));
}

}  // namespace tolven
