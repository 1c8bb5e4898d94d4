// Minimal reader: decimal numbers only. Replaced by the full reader.
#include "values/reader.h"

#include <cstdlib>

#include "core/errors.h"

namespace tolven {

ResultSlots slots;
ReaderState reader;

void read_arg(char separator, int mode) {
    if (reader.rest.empty() && separator != 'p') {
        raise_error(212);
        return;
    }
    std::string_view arg = reader.rest;
    size_t cut = separator == ' ' ? std::string_view::npos : reader.rest.find(separator);
    if (cut != std::string_view::npos) {
        arg = reader.rest.substr(0, cut);
        reader.rest.remove_prefix(cut + 1);
        reader.separator_found = separator;
    } else {
        reader.rest = {};
        reader.separator_found = ' ';
    }
    std::string text(arg);
    slots.f = std::strtod(text.c_str(), nullptr);
    slots.l = slots.i = static_cast<int32_t>(slots.f);
    slots.s = text;
    slots.type = kLong;
}

int32_t read_int(char separator) { read_arg(separator, kNumberArg); return slots.i; }
int32_t read_long(char separator) { read_arg(separator, kNumberArg); return slots.l; }
double read_float(char separator) { read_arg(separator, kNumberArg); return slots.f; }
const std::string& read_string(char separator, int mode) { read_arg(separator, mode); return slots.s; }

}  // namespace tolven
