// Family 6: reading memory blocks of area variables, or memory at an
// address a long integer variable holds, and the address of a variable.
#include <cstring>
#include <string>

#include "core/bytes.h"
#include "core/errors.h"
#include "values/builtins.h"
#include "values/functions.h"
#include "values/low_memory.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/textops.h"

namespace tolven {

namespace {

constexpr uint32_t kPage = 4096;

// Where the bytes of a read come from: an area block (with its size) or a
// bare address (no size known).
struct Source {
    bool ok = false;
    bool area = false;
    uint32_t address = 0;  // data address + offset
    uint32_t available = 0;  // bytes to the end of the block (area only)
    std::string name;
};

// Reads the name up to `sep` and the offset after it, and finds the bytes
// they stand for; raises 121, 215, 243 or 207 and returns !ok otherwise.
Source locate(char name_sep, char offset_sep, bool area_only = false, bool need_dimension = false) {
    Source src;
    src.name = folded(take_raw_argument(name_sep));
    const int32_t offset = read_int(offset_sep);
    const char kind = src.name.empty() ? 0 : src.name.back();
    if (kind == kAreaKind) {
        const AreaVar* a = find_area(std::string_view(src.name));
        if (!a) {
            raise_error(215, src.name);
            return src;
        }
        if (need_dimension && a->data == 0) {
            raise_error(243);
            return src;
        }
        // A negative offset lies outside the block as much as one beyond it.
        if (offset < 0 || offset > a->size) {
            raise_error(207, src.name);
            return src;
        }
        src.area = true;
        src.address = a->data + static_cast<uint32_t>(offset);
        src.available = static_cast<uint32_t>(a->size - offset);
        if (a->data == 0) src.available = 0;
        src.ok = true;
        return src;
    }
    if (kind == kLongKind && !area_only) {
        const int32_t* p = find_long(std::string_view(src.name));
        if (!p) {
            raise_error(215, src.name);
            return src;
        }
        src.address = static_cast<uint32_t>(*p) + static_cast<uint32_t>(offset);
        src.ok = true;
        return src;
    }
    raise_error(121);
    return src;
}

// Copies `count` bytes from a source, limited to its block; an address that
// cannot be read raises 207 instead of faulting.
bool fetch(const Source& src, uint32_t count, std::string& out) {
    out.clear();
    if (src.area && count > src.available) count = src.available;
    if (count == 0) return true;
    if (!memory_readable(src.address, count)) {
        raise_error(207, src.name);
        return false;
    }
    out.assign(reinterpret_cast<const char*>(address_pointer(src.address)), count);
    return true;
}

// A fixed-size value: from an area only when the whole value lies in the
// block.
bool fetch_value(const Source& src, uint32_t width, uint8_t* into) {
    if (src.area && src.available < width) {
        raise_error(207, src.name);
        return false;
    }
    if (!memory_readable(src.address, width)) {
        raise_error(207, src.name);
        return false;
    }
    std::memcpy(into, address_pointer(src.address), width);
    return true;
}

void fn_bytes() {
    const Source src = locate(',', ',');
    const uint32_t count = static_cast<uint16_t>(read_int(')'));
    std::string out;
    if (src.ok) fetch(src, count, out);
    set_result_string(out);
}

// Up to the first zero byte. At a bare address the text is read a page at
// a time, each page checked before it is read.
void fn_zstring() {
    const Source src = locate(',', ')');
    std::string out;
    if (src.ok && src.area) {
        if (src.available > 0 && fetch(src, src.available, out)) {
            const size_t zero = out.find('\0');
            if (zero != std::string::npos) out.resize(zero);
        }
    } else if (src.ok) {
        uint32_t at = src.address;
        for (;;) {
            uint32_t chunk = kPage - at % kPage;
            if (!memory_readable(at, chunk)) {
                raise_error(207, src.name);
                out.clear();
                break;
            }
            const char* p = reinterpret_cast<const char*>(address_pointer(at));
            const void* zero = std::memchr(p, 0, chunk);
            if (zero) {
                out.append(p, static_cast<const char*>(zero) - p);
                break;
            }
            out.append(p, chunk);
            if (at + chunk < at) break;  // the end of the address space
            at += chunk;
        }
    }
    set_result_string(out);
}

template <int kWidth>
void fn_value() {
    const Source src = locate(',', ')');
    uint8_t b[4] = {};
    int32_t v = 0;
    if (src.ok && fetch_value(src, kWidth, b)) {
        if (kWidth == 4) v = static_cast<int32_t>(le32(b));
        else if (kWidth == 2) v = le16(b);
        else v = b[0];
    }
    set_result_long(v);
}

void fn_find_in_area() {
    const Source src = locate(',', ',', true, true);
    const std::string part = read_string(')', kAny);
    int32_t at = -1;
    std::string bytes;
    if (src.ok && fetch(src, src.available, bytes)) {
        const size_t k = part.empty() ? std::string::npos : bytes.find(part);
        if (k != std::string::npos) at = static_cast<int32_t>(k);
    }
    set_result_int(at);
}

// The address of a variable's value as a DLL needs it. Values that do not
// lie below 2 GB have no 32-bit address: they give 0.
void fn_address() {
    const std::string name_text = take_raw_argument(')');
    uint32_t address = 0;
    bool found = false;
    if (!name_text.empty() && name_text.back() == ']') {
        const size_t open = name_text.find('[');
        const std::string array_name =
            open == std::string::npos ? std::string() : std::string(trim(std::string_view(name_text).substr(0, open)));
        if (ArrayDesc* a = open == std::string::npos ? nullptr : find_array(std::string_view(array_name))) {
            found = true;
            int32_t idx[3];
            const std::string_view list = std::string_view(name_text).substr(open + 1, name_text.size() - open - 2);
            if (read_index_list(list, idx)) {
                const int32_t p = element_index(*a, idx[0], idx[1], idx[2]);
                if (p < 0) {
                    raise_error(233);
                } else {
                    switch (a->kind) {
                        case kIntegerKind: address = pointer_address(&integer_element(p)); break;
                        case kLongKind: address = pointer_address(&long_element(p)); break;
                        case kFloatKind: address = pointer_address(&float_element(p)); break;
                        default: {
                            const VarString& s = string_element(p);
                            address = s.empty() ? 0 : pointer_address(s.data());
                            break;
                        }
                    }
                }
            }
        }
    } else if (!name_text.empty()) {
        const std::string_view n = name_text;
        switch (name_text.back()) {
            case kIntegerKind:
                if (int32_t* p = find_integer(n)) found = true, address = pointer_address(p);
                break;
            case kLongKind:
                if (int32_t* p = find_long(n)) found = true, address = pointer_address(p);
                break;
            case kFloatKind:
                if (double* p = find_float(n)) found = true, address = pointer_address(p);
                break;
            case kStringKind:
                if (VarString* p = find_string(n)) {
                    found = true;
                    address = p->empty() ? 0 : pointer_address(p->data());
                }
                break;
            case kAreaKind:
                if (AreaVar* a = find_area(n)) found = true, address = a->data;
                break;
            default:
                break;
        }
    }
    if (!found) raise_error(215, folded(name_text));
    set_result_long(static_cast<int32_t>(address));
}

}  // namespace

namespace {

constexpr FunctionEntry kFunctions[] = {
    {Fn::PEEK_S, fn_bytes},
    {Fn::PEEKZ_S, fn_zstring},
    {Fn::PEEKL, fn_value<4>},
    {Fn::PEEKW, fn_value<2>},
    {Fn::PEEKB, fn_value<1>},
    {Fn::AREAPOS, fn_find_in_area},
    {Fn::ADDRESS, fn_address},
};

}  // namespace

const Module kMemoryModule{"memory", {}, kFunctions};

}  // namespace tolven
