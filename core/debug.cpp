#include "core/debug.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "core/interp.h"

namespace tolven {

namespace {

VariableTextSource variable_text_source = nullptr;

// Static, so that in the 64-bit build the address a debugger or a DLL gets
// lies in the runtime's image and fits in 32 bits.
char variable_text_buffer[kMaxVariableText + 1];
constexpr char kFileName[] = "Runtime";

std::string variable_text(std::string_view names) {
    return variable_text_source ? variable_text_source(names) : std::string();
}

void store_counted(uint8_t* buffer, std::string_view text) {
    const size_t n = std::min<size_t>(text.size(), kCountedBuffer - 1);
    buffer[0] = static_cast<uint8_t>(n);
    std::memcpy(buffer + 1, text.data(), n);
}

void apply_trace_switch() { set_watch(watch::kTraceBox, errors.debug_mode == 2); }

}  // namespace

int32_t debug_mode() { return errors.debug_mode; }

void start_debug_mode(int32_t mode) {
    errors.debug_mode = mode;
    apply_trace_switch();
}

int32_t debug_set_mode(int32_t mode) {
    const int32_t before = errors.debug_mode;
    if (before > 0) errors.debug_mode = mode;
    apply_trace_switch();
    return before;
}

int32_t debug_line() { return errors.debug_mode > 0 ? interp.current_line : 0; }

void set_variable_text_source(VariableTextSource source) { variable_text_source = source; }

void debug_file_name_counted(uint8_t* buffer) {
    if (!buffer) return;
    store_counted(buffer, errors.debug_mode > 0 ? kFileName : "");
}

void debug_variable_text_counted(uint8_t* buffer, const uint8_t* counted_names) {
    if (!buffer) return;
    if (errors.debug_mode <= 0 || !counted_names) {
        store_counted(buffer, {});
        return;
    }
    const std::string names(reinterpret_cast<const char*>(counted_names + 1), counted_names[0]);
    store_counted(buffer, variable_text(names));
}

const char* debug_file_name() { return errors.debug_mode > 0 ? kFileName : ""; }

const char* debug_variable_text(const char* names) {
    if (errors.debug_mode <= 0) return nullptr;
    const std::string text = variable_text(names ? names : "");
    const size_t n = std::min(text.size(), kMaxVariableText);
    std::memcpy(variable_text_buffer, text.data(), n);
    variable_text_buffer[n] = '\0';
    return variable_text_buffer;
}

}  // namespace tolven
