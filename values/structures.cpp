#include "values/structures.h"

#include <vector>

#include "values/reader.h"
#include "values/textops.h"

namespace tolven {

namespace {

std::vector<Structure> structures;
std::vector<StructField> fields;

constexpr size_t kMaxName = 32;
// Blocks are DIMensioned with one byte more than the structure's size.
constexpr int64_t kMaxStructSize = 0x7FFFFFFE;

bool has_blank(std::string_view t) { return t.find(' ') != std::string_view::npos; }

// Parses one field ("NAME%", "NAME&", "NAME$(n)", "NAME#(n)"); 0 or an error.
int parse_field(std::string_view raw, StructField& out, std::string& error_text) {
    const std::string text = folded(trim(raw));
    std::string_view name = text;
    std::string_view size_text;
    bool sized = false;
    if (!name.empty() && name.back() == ')') {
        const size_t open = name.find('(');
        if (open == std::string_view::npos) {
            error_text = text;
            return 257;
        }
        size_text = trim(name.substr(open + 1, name.size() - open - 2));
        name = trim(name.substr(0, open));
        sized = true;
    }
    const char kind = name.empty() ? 0 : name.back();
    if ((kind != '#' && kind != '$' && kind != '%' && kind != '&') || has_blank(name)) {
        error_text = text;
        return 122;
    }
    if (name.size() > kMaxName) {
        error_text = text;
        return 123;
    }
    int32_t size = 0;
    if (kind == '%' || kind == '&') {
        if (sized) {
            error_text = text;
            return 257;
        }
        size = kind == '%' ? 2 : 4;
    } else {
        int32_t n[3] = {0, 0, 0};
        if (!sized || size_text.empty() || find_separator(size_text, ',') != std::string_view::npos ||
            !read_index_list(size_text, n) || n[0] <= 0) {
            error_text = text;
            return 257;
        }
        size = kind == '$' ? (n[0] == INT32_MAX ? INT32_MAX : n[0] + 1) : n[0];
    }
    out.name.assign(name);
    out.kind = kind;
    out.size = size;
    return 0;
}

}  // namespace

int define_structure(std::string_view text, std::string& error_text) {
    error_text.clear();
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) return 128;
    const std::string name = folded(trim(text.substr(0, eq)));
    const char last = name.empty() ? 0 : name.back();
    if (name.empty() || last == '!' || last == '#' || last == '$' || last == '%' || last == '&' ||
        has_blank(name)) {
        error_text = name;
        return 129;
    }
    if (name.size() > kMaxName) {
        error_text = name;
        return 130;
    }
    std::string_view list = trim(text.substr(eq + 1));
    if (list.empty()) return 131;
    if (structures.size() >= static_cast<size_t>(kMaxStructures)) {
        error_text = name;
        return 258;
    }

    std::vector<StructField> parsed;
    int64_t offset = 0;
    while (true) {
        const size_t comma = find_separator(list, ',');
        const std::string_view item = comma == std::string_view::npos ? list : list.substr(0, comma);
        StructField f;
        if (const int err = parse_field(item, f, error_text)) return err;
        if (fields.size() + parsed.size() >= static_cast<size_t>(kMaxStructFields)) {
            error_text = f.name;
            return 256;
        }
        if (offset + f.size > kMaxStructSize) {
            error_text = folded(trim(item));
            return 257;
        }
        f.offset = static_cast<int32_t>(offset);
        offset += f.size;
        parsed.push_back(std::move(f));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }

    Structure s;
    s.name = name;
    s.size = static_cast<int32_t>(offset);
    s.first = static_cast<int32_t>(fields.size());
    s.count = static_cast<int32_t>(parsed.size());
    for (StructField& f : parsed) fields.push_back(std::move(f));
    structures.push_back(std::move(s));
    return 0;
}

int32_t find_structure(std::string_view name) {
    for (size_t k = structures.size(); k-- > 0;)
        if (structures[k].name == name) return static_cast<int32_t>(k);
    return -1;
}

const Structure* structure_at(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= structures.size()) return nullptr;
    return &structures[static_cast<size_t>(index)];
}

const StructField* find_field(int32_t structure, std::string_view name) {
    const Structure* s = structure_at(structure);
    if (!s) return nullptr;
    for (int32_t k = s->first; k < s->first + s->count; ++k)
        if (fields[static_cast<size_t>(k)].name == name) return &fields[static_cast<size_t>(k)];
    return nullptr;
}

int32_t structure_count() { return static_cast<int32_t>(structures.size()); }
int32_t struct_field_count() { return static_cast<int32_t>(fields.size()); }

void reset_structures() {
    structures.clear();
    fields.clear();
}

}  // namespace tolven
