#include "data/item_list_statements.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "core/loop.h"
#include "data/file_internal.h"
#include "gui/item_list.h"
#include "values/area.h"
#include "values/reader.h"
#include "values/store.h"

namespace tolven {

namespace {

// A joined string stays below this length.
constexpr size_t kMaxJoined = 32767;

void add_item_statement() {
    const std::string& text = read_string(' ', kAny);
    if (!item_list.add(text)) raise_error(232);
}

void set_item_statement() {
    const int32_t index = read_int('=');
    const std::string& text = read_string(' ', kAny);
    if (!item_list.set(index, text)) raise_error(233);
}

}  // namespace


void item_function() {
    const int32_t index = read_int(')');
    std::string entry;
    if (index > item_list.last_index()) raise_error(206);
    else item_list.get(index, entry);  // a negative index gives the empty string
    set_result_string(entry);
}

void items_to_area_function() {
    AreaVar* a = files::read_area_name(',', true);
    const std::string separator = read_string(')', kStringArg);
    int32_t length = 0;
    if (a && !files::area_bytes_usable(*a, 0, a->size, true)) {
        raise_error(207, a->name.view());
        a = nullptr;
    }
    if (a) {
        // Room for the final zero byte is kept, so the text always ends inside
        // the block.
        uint8_t* dst = area_pointer(a->data);
        const size_t room = static_cast<size_t>(a->size) - 1;
        size_t at = 0;
        auto put = [&](const std::string& s) {
            const size_t n = std::min(s.size(), room - at);
            std::memcpy(dst + at, s.data(), n);
            at += n;
        };
        for (int32_t k = 0; k <= item_list.last_index() && at < room; ++k) {
            put(item_list[k]);
            put(separator);
        }
        dst[at] = 0;
        length = static_cast<int32_t>(at);
    }
    set_result_long(length);
}

void join_items_function() {
    const std::string separator = read_string(')', kStringArg);
    std::string out;
    for (int32_t k = 0; k <= item_list.last_index(); ++k) {
        const std::string& line = item_list[k];
        if (out.size() + line.size() + separator.size() >= kMaxJoined) continue;
        out += line;
        out += separator;
    }
    set_result_string(out);
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::CLEARITEMS, [] { item_list.clear(); }},
    {Cmd::ADDITEM, add_item_statement},
    {Cmd::SETITEM, set_item_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::ITEM_S, item_function},
    {Fn::ITEMSTOAREA, items_to_area_function},
    {Fn::JOINITEMS_S, join_items_function},
};

}  // namespace

const Module kItemListModule{"item-list", kStatements, kFunctions};

}  // namespace tolven
