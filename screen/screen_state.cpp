#include "screen/screen_state.h"

#include "core/errors.h"
#include "screen/display.h"

namespace tolven {

WindowSettings window_settings;
bool printing_active = false;
bool paint_target_active = false;
TextOutputSettings text_output;
InputRecord last_input;

const std::string_view kDefaultTitle = "ZWM-TOLVEN\xB2 RUNTIME 7.5-NT";

void set_window_title(std::string_view title) {
    window_settings.title.assign(title.substr(0, WindowSettings::kMaxTitle));
}

std::string inactive_title() {
    const std::string& format = window_settings.inactive_format;
    std::string out;
    for (size_t k = 0; k < format.size(); ++k) {
        if (format[k] == '%' && k + 1 < format.size()) {
            if (format[k + 1] == 's') out += window_settings.title;
            else if (format[k + 1] == '%') out += '%';
            ++k;
        } else {
            out += format[k];
        }
    }
    return out.substr(0, WindowSettings::kMaxTitle);
}

bool window_required() {
    if (display().window_exists() || paint_target_active) return true;
    raise_error(237);
    return false;
}

bool not_while_printing(std::string_view statement) {
    if (!printing_active) return true;
    raise_error(221, statement);
    return false;
}

void reset_screen_state() {
    window_settings = WindowSettings{};
    set_window_title(kDefaultTitle);
    printing_active = false;
    paint_target_active = false;
    text_output = TextOutputSettings{};
    last_input = InputRecord{};
}

}  // namespace tolven
