// Settings in INI files and the registry: one function reads, one statement
// writes, and the first argument chooses the store.
#include <algorithm>
#include <string>

#include "core/errors.h"
#include "system/services_platform.h"
#include "system/system_module.h"
#include "values/reader.h"
#include "values/textops.h"

namespace tolven {

namespace {

constexpr size_t kRegistryTextLimit = 255;
// The registry buffer holds 255 bytes with the terminating zero, so a text
// needs fewer.
constexpr size_t kRegistryReadLimit = 255;

bool names_registry(std::string_view store) {
    static constexpr std::string_view kPrefix = "HKEY_";
    if (store.size() < kPrefix.size()) return false;
    for (size_t k = 0; k < kPrefix.size(); ++k)
        if (fold_upper(static_cast<unsigned char>(store[k])) != kPrefix[k]) return false;
    return true;
}

std::string cut(std::string_view text) { return std::string(text.substr(0, kRegistryTextLimit)); }

// "a" and "b" put into a text with two "%s", in that order.
std::string filled(std::string_view pattern, std::string_view a, std::string_view b = {}) {
    std::string out;
    int used = 0;
    for (size_t k = 0; k < pattern.size(); ++k) {
        if (pattern[k] == '%' && k + 1 < pattern.size() && pattern[k + 1] == 's') {
            out += used++ == 0 ? a : b;
            ++k;
        } else {
            out += pattern[k];
        }
    }
    return out;
}

std::string trimmed_blanks(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// The root of a store to read: everything after "HKEY_" must be one whole
// number from 0 to 6 ("HKEY_01" is root 1); -1 otherwise.
int read_root(std::string_view store) {
    const std::string_view rest = store.substr(5);
    if (rest.empty()) return -1;
    int root = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') return -1;
        root = root * 10 + (c - '0');
        if (root > 6) return -1;
    }
    return root;
}

void registry_warning(std::string_view text) { raise_warning(305, text); }

}  // namespace

void read_setting_function() {
    const std::string store = read_string(',', kRawString);
    read_arg(',', kAny);
    const std::string section = slots.s;
    read_arg(')', kAny);
    const std::string entry = slots.s;

    if (!names_registry(store)) {
        set_result_string(trimmed_blanks(services_platform().profile_read(store, section, entry)));
        return;
    }
    const int root = read_root(store);
    if (root < 0) {
        registry_warning("Ung\xFCltiger HKEY: " + store);
        set_result_string({});
        return;
    }
    const std::string key = cut(section), name = cut(entry);
    std::string data;
    switch (services_platform().registry_read(root, key, name, kRegistryReadLimit, data)) {
        case RegistryStatus::Ok:
            data.resize(std::min(data.size(), data.find('\0')));
            // A text of the buffer's full size leaves no room for its zero.
            if (data.size() < kRegistryReadLimit) {
                set_result_string(trimmed_blanks(data));
                return;
            }
            [[fallthrough]];
        case RegistryStatus::QueryFailed:
            registry_warning(filled("\"%s\" nicht in \"%s\" gefunden.", name, key));
            break;
        default:
            registry_warning(filled("RegOpenkeyEx scheiterte f\xFCr \"%s\".", key));
            break;
    }
    set_result_string({});
}

void write_setting_statement() {
    const std::string store = read_string(',', kRawString);
    read_arg(',', kAny);
    const std::string section = slots.s;
    read_arg('=', kAny);
    const std::string entry = slots.s;
    read_arg(' ', kAny);
    const std::string value = slots.s;

    if (store.size() <= 5) return;
    if (!names_registry(store)) {
        if (!services_platform().profile_write(store, section, entry, value)) raise_warning(303, store);
        return;
    }
    // Only the one character after "HKEY_" is the root digit here.
    const char digit = store[5];
    if (digit < '0' || digit > '6') {
        registry_warning("Ung\xFCltiger HKEY: " + store);
        return;
    }
    const std::string key = cut(section), name = cut(entry);
    switch (services_platform().registry_write(digit - '0', key, name, cut(value))) {
        case RegistryStatus::Ok: break;
        case RegistryStatus::SetFailed:
            registry_warning(filled("RegSetValueEX scheiterte f\xFCr \"%s\" : \"%s\".", key, name));
            break;
        default:
            registry_warning(filled("RegCreateKeyEx scheiterte f\xFCr \"%s\".", key));
            break;
    }
}

}  // namespace tolven
