#include "values/sysvars.h"

#include <optional>

#include "core/errors.h"
#include "values/radix.h"
#include "values/reader.h"

namespace tolven {

namespace {

bool is_token(unsigned char c) { return (c >= 129 && c <= 231) || c == 254; }

int type_of(char type_char) {
    switch (type_char) {
        case '$': return kString;
        case '%': return kInteger;
        case '&': return kLong;
        default: return kFloat;
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
        // The table of system variables is not built yet.
        raise_error(100, text);
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

}  // namespace tolven
