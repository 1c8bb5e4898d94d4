#include "values/area.h"

#include <cstring>
#include <string>

#include "core/bytes.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/structures.h"
#include "values/textops.h"

namespace tolven {

namespace {

std::string with;  // the active WITH name, empty when none

bool is_area_name(std::string_view name) { return !name.empty() && name.back() == kAreaKind; }

// The address `offset` bytes into a block, 0 when it passes 4 GB.
uint32_t offset_address(uint32_t data, int64_t offset) {
    const int64_t at = static_cast<int64_t>(data) + offset;
    return at <= 0 || at > 0xFFFFFFFFll ? 0 : static_cast<uint32_t>(at);
}

// ---- DIM, DISPOSE ----

void dim_statement() {
    const std::string_view text = reader.rest;
    const size_t comma = find_separator(text, ',');
    if (comma == std::string_view::npos) {
        raise_error(215, folded(trim(text)));
        return;
    }
    const std::string name = folded(trim(text.substr(0, comma)));
    if (!is_area_name(name)) {
        raise_error(121);
        return;
    }
    const std::string_view size_text = trim(text.substr(comma + 1));
    int32_t size = slots.l;  // an empty size text takes what the long slot holds
    int32_t structure = -1;
    if (!size_text.empty()) {
        if (static_cast<uint8_t>(size_text[0]) > '@') structure = find_structure(folded(size_text));
        if (structure >= 0) {
            size = structure_at(structure)->size;
        } else {
            reader.rest = size_text;
            read_arg(' ', kNumberArg);
            size = slots.l;
        }
    }
    AreaVar* a = find_area(std::string_view(name));
    if (!a) {
        raise_error(215, name);
        return;
    }
    interp.found_flag = true;
    if (a->data != 0) {
        raise_error(241);
        return;
    }
    const uint32_t block = size >= 0 ? low_alloc(static_cast<uint32_t>(size) + 1) : 0;
    if (block == 0) {
        a->data = 0;
        a->allocation = nullptr;
        a->size = 0;
        raise_error(240);
        return;
    }
    a->data = block;
    a->allocation = address_pointer(block);
    a->size = size;
    a->structure = structure;
}

void dispose_statement() {
    const std::string name = folded(trim(reader.rest));
    if (!is_area_name(name)) {
        raise_error(121, name);
        return;
    }
    AreaVar* a = find_area(std::string_view(name));
    if (!a) {
        raise_error(215);
        return;
    }
    interp.found_flag = true;
    if (!a->allocation) return;
    low_free(pointer_address(a->allocation));
    a->data = 0;
    a->allocation = nullptr;
    a->size = 0;
}

// ---- STRUCT, WITH, ENDWITH ----

void struct_statement() {
    std::string text;
    if (const int err = define_structure(reader.rest, text)) raise_error(err, text);
}

void with_statement() {
    if (!with.empty()) {
        raise_error(132);
        return;
    }
    std::string name = folded(trim(reader.rest));
    if (!is_area_name(name)) {
        raise_error(129, name);
        return;
    }
    with = std::move(name);
}

void endwith_statement() {
    if (with.empty()) raise_error(133);
    else with.clear();
}

// ---- fields ----

struct FieldRef {
    AreaVar* area = nullptr;
    const StructField* field = nullptr;
    uint32_t address = 0;
};

// Finds the area variable and the field a name addresses; raises and gives
// false when either is missing or the block is not there.
bool locate_field(std::string_view raw, std::string& full, FieldRef& out) {
    full = folded(trim(raw));
    if (!full.empty() && full[0] == '.') full.insert(0, with);
    const size_t cut = full.find("#.");
    AreaVar* a = cut == std::string::npos ? nullptr : find_area(std::string_view(full).substr(0, cut + 1));
    if (!a) {
        raise_error(215, full);
        return false;
    }
    if (a->data == 0) {
        raise_error(243);
        return false;
    }
    const StructField* f = find_field(a->structure, std::string_view(full).substr(cut + 2));
    if (!f) {
        raise_error(215, full);
        return false;
    }
    interp.found_flag = true;
    out.area = a;
    out.field = f;
    out.address = offset_address(a->data, f->offset);
    return true;
}

// Integer fields and writes are 2 bytes, long ones 4.
uint32_t read_le(const uint8_t* p, int bytes) { return bytes == 2 ? le16(p) : le32(p); }

void write_le(uint8_t* p, uint32_t v, int bytes) {
    if (bytes == 2) put_le16(p, v);
    else put_le32(p, v);
}

bool is_text_field(char kind) { return kind == '$' || kind == '#'; }

}  // namespace

const std::string& with_name() { return with; }

void read_structure_field(std::string_view name) {
    std::string full;
    FieldRef ref;
    if (!locate_field(name, full, ref)) {
        set_result_long(0);
        return;
    }
    const StructField& f = *ref.field;
    if (!memory_readable(ref.address, static_cast<uint32_t>(f.size))) {
        raise_error(207, full);
        if (is_text_field(f.kind)) set_result_string({});
        else set_result_long(0);
        return;
    }
    const uint8_t* p = area_pointer(ref.address);
    if (is_text_field(f.kind)) {
        const void* zero = std::memchr(p, 0, static_cast<size_t>(f.size));
        const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p)
                              : static_cast<size_t>(f.size);
        set_result_string(std::string_view(reinterpret_cast<const char*>(p), n));
    } else if (f.kind == '%') {
        set_result_int(static_cast<int32_t>(read_le(p, 2)));
    } else {
        set_result_long(static_cast<int32_t>(read_le(p, 4)));
    }
}

void write_structure_field(std::string_view target) {
    // The value was read before the target is looked at; keep it.
    const std::string text = slots.s;
    const int32_t value = slots.l;
    std::string full;
    FieldRef ref;
    if (!locate_field(target, full, ref)) return;
    const StructField& f = *ref.field;
    size_t n = 0;
    switch (f.kind) {
        case '#': n = text.size() < static_cast<size_t>(f.size) ? text.size() : static_cast<size_t>(f.size); break;
        case '$': n = text.size() < static_cast<size_t>(f.size - 1) ? text.size() : static_cast<size_t>(f.size - 1); break;
        case '%': n = 2; break;
        default: n = 4; break;
    }
    const size_t span = f.kind == '$' ? n + 1 : n;
    if (!memory_writable(ref.address, static_cast<uint32_t>(span))) {
        raise_error(207, full);
        return;
    }
    uint8_t* p = area_pointer(ref.address);
    if (is_text_field(f.kind)) {
        if (n) std::memcpy(p, text.data(), n);
        if (f.kind == '$') p[n] = 0;
    } else {
        write_le(p, static_cast<uint32_t>(value), static_cast<int>(n));
    }
}

namespace {

void area_write(Cmd token) {
    const std::string_view text = reader.rest;
    const size_t comma = find_separator(text, ',');
    const std::string name = folded(trim(comma == std::string_view::npos ? text : text.substr(0, comma)));
    reader.rest = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    if (!is_area_name(name)) {
        raise_error(121);
        return;
    }
    AreaVar* a = find_area(std::string_view(name));
    if (!a) {
        raise_error(215, name);
        return;
    }
    interp.found_flag = true;
    read_arg('=', kNumberArg);
    const int64_t offset = slots.l;
    const bool text_value = token == Cmd::POKES || token == Cmd::POKEZ;
    read_arg(' ', text_value ? kAny : kNumberArg);
    if (a->data == 0) {
        raise_error(243);
        return;
    }
    size_t n = 0;
    switch (token) {
        case Cmd::POKEB: n = 1; break;
        case Cmd::POKEW: n = 2; break;
        case Cmd::POKEL: n = 4; break;
        case Cmd::POKEZ: n = slots.s.size() + 1; break;
        default: n = slots.s.size(); break;
    }
    const uint32_t at = offset_address(a->data, offset);
    if (offset < 0 || offset > a->size || offset + static_cast<int64_t>(n) > int64_t{a->size} + 1 ||
        at == 0 || !memory_writable(at, static_cast<uint32_t>(n))) {
        raise_error(207, name);
        return;
    }
    uint8_t* p = area_pointer(at);
    switch (token) {
        case Cmd::POKEB: p[0] = static_cast<uint8_t>(slots.i); break;
        case Cmd::POKEW: write_le(p, static_cast<uint32_t>(slots.l), 2); break;
        case Cmd::POKEL: write_le(p, static_cast<uint32_t>(slots.l), 4); break;
        default:
            if (!slots.s.empty()) std::memcpy(p, slots.s.data(), slots.s.size());
            if (token == Cmd::POKEZ) p[slots.s.size()] = 0;
            break;
    }
}

constexpr StatementEntry kStatements[] = {
    {Cmd::DIM, dim_statement},
    {Cmd::DISPOSE, dispose_statement},
    {Cmd::STRUCT, struct_statement},
    {Cmd::WITH, with_statement},
    {Cmd::ENDWITH, endwith_statement},
    {Cmd::POKEB, [] { area_write(Cmd::POKEB); }},
    {Cmd::POKEW, [] { area_write(Cmd::POKEW); }},
    {Cmd::POKEL, [] { area_write(Cmd::POKEL); }},
    {Cmd::POKES, [] { area_write(Cmd::POKES); }},
    {Cmd::POKEZ, [] { area_write(Cmd::POKEZ); }},
};

void reset_areas() {
    reset_structures();
    with.clear();
}

}  // namespace

const Module kAreaModule{"areas", kStatements, {}, reset_areas};

}  // namespace tolven
