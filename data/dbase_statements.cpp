#include "data/dbase_statements.h"

#include <optional>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/loop.h"
#include "data/dbf.h"
#include "values/charcase.h"
#include "values/functions.h"
#include "values/reader.h"
#include "values/system_platform.h"
#include "values/textops.h"

namespace tolven {

namespace {

// After a failure that stops a function before all its arguments were read
// (possible only under error mode -1), the rest of its arguments is dropped
// with its ")", so the line around the call reads on after it.
void drop_arguments() {
    if (!reader.rest.empty()) skip_argument(')');
}

// "#" n: the table number of open, select and close. Blanks before the "#"
// are allowed. Runtime error 105 without "#"; the range is the engine's.
bool read_table_number(char separator, int32_t& n) {
    std::string_view& r = reader.rest;
    size_t k = 0;
    while (k < r.size() && r[k] == ' ') ++k;
    if (k >= r.size() || r[k] != '#') {
        raise_error(105);
        drop_arguments();
        return false;
    }
    r.remove_prefix(k + 1);
    n = read_int(separator);
    return true;
}

// Field texts, seek keys and search texts are converted to and from the OEM
// set while the text screen shows the OEM font; the engine is told the font
// in use before each of them.
int32_t (*font_index_source)() = nullptr;

void follow_font() {
    if (font_index_source) dbase::text_font_index = font_index_source();
}

// The display date follows the regional settings.
void follow_date_order() { dbase::display_date_order = regional_date_order(); }

// ---- functions ----

void fn_open() {
    int32_t n = 0;
    if (!read_table_number(',', n)) return set_result_long(0);
    const std::string name = read_string(')', kRawString);
    set_result_long(dbase::open_table(n, name));
}

void fn_select() {
    int32_t n = 0;
    if (!read_table_number(')', n)) return set_result_long(0);
    set_result_long(dbase::select_table(n));
}

void fn_close() {
    int32_t n = 0;
    if (!read_table_number(')', n)) return set_result_long(0);
    set_result_long(dbase::close_table(n));
}

// A go-to keyword written without quotes (TOP, >, |< ...) is taken as it
// stands: read as a value it would be "not a number", and ">" or "<" would
// be operators in an expression line.
bool take_bare_keyword(char separator, std::string& keyword) {
    std::string_view& r = reader.rest;
    const size_t cut = find_separator(r, separator);
    const std::string_view raw = cut == std::string_view::npos ? r : r.substr(0, cut);
    const std::string word = ansi_upper(trim(raw));
    static constexpr std::string_view kKeywords[] = {"|<", "TOP",  ">|", "BOTTOM", ">",
                                                     "NEXT", "<", "PREV", "*",      "INDEX"};
    for (std::string_view k : kKeywords) {
        if (word != k) continue;
        keyword = word;
        r = cut == std::string_view::npos ? std::string_view{} : r.substr(cut + 1);
        return true;
    }
    return false;
}

void fn_goto() {
    const bool with_count = which_comes_first() == ',';
    const char separator = with_count ? ',' : ')';
    std::string first_text;
    int32_t first_value = 0;
    if (!take_bare_keyword(separator, first_text)) {
        read_arg(separator, kAny);
        first_text = slots.s;
        first_value = slots.l;
    }
    std::optional<int32_t> second;
    if (with_count) second = read_long(')');
    set_result_long(dbase::go_to(first_text, first_value, second));
}

void fn_field_by_name() {
    follow_font();
    const std::string name = read_string(')', kStringArg);
    set_result_string(dbase::read_field(name));
}

void fn_field_by_number() {
    follow_font();
    const int32_t n = read_int(')');
    set_result_string(dbase::read_field(n));
}

void fn_open_indexes() {
    const std::string names = read_string(')', kRawString);
    set_result_int(dbase::open_indexes(names));
}

// Values, keys and search texts are read as any type: a number given for a
// numeric field or key stands for its text.
void fn_seek() {
    follow_font();
    const bool with_exact = which_comes_first() == ',';
    const std::string key = read_string(with_exact ? ',' : ')', kAny);
    const int32_t exact = with_exact ? read_int(')') : 0;
    set_result_long(dbase::seek(key, exact != 0));
}

void fn_find() {
    follow_font();
    const std::string field = read_string(',', kStringArg);
    const bool with_mode = which_comes_first() == ',';
    const std::string text = read_string(with_mode ? ',' : ')', kAny);
    const int32_t mode = with_mode ? read_int(')') : 0;
    set_result_long(dbase::search(field, text, mode));
}

void fn_set_field_by_name() {
    follow_font();
    const std::string name = read_string(',', kStringArg);
    const std::string value = read_string(')', kAny);
    set_result_int(dbase::write_field(name, value));
}

void fn_set_field_by_number() {
    follow_font();
    const int32_t n = read_int(',');
    const std::string value = read_string(')', kAny);
    set_result_int(dbase::write_field(n, value));
}

void fn_write() {
    const int32_t n = read_long(')');
    set_result_long(dbase::write_record(n));
}

void fn_delete() { set_result_long(dbase::delete_record()); }
void fn_recall() { set_result_long(dbase::recall_record()); }
void fn_pack() { set_result_long(dbase::pack_table()); }
void fn_append() { set_result_long(dbase::append_record()); }

void fn_dtoc() {
    follow_date_order();
    const std::string date = read_string(')', kAny);
    set_result_string(dbase::dtoc(date));
}

// The text YYYYMMDD, and its number in the numeric slots.
void fn_ctod() {
    follow_date_order();
    const std::string display = read_string(')', kAny);
    set_result_string(dbase::ctod(display));
}

void fn_memo_to_items() {
    const std::string field = read_string(')', kStringArg);
    set_result_int(dbase::memo_to_items(field));
}

void fn_items_to_memo() {
    const std::string field = read_string(')', kStringArg);
    set_result_int(dbase::items_to_memo(field));
}

// ---- statements ----

void memo_width_statement() { dbase::set_memo_width(read_int(' ')); }

void create_index_statement() {
    const std::string expression = read_string('>', kStringArg);
    const std::string name = read_string(' ', kRawString);
    dbase::create_index(expression, name);
}

void create_table_statement() {
    const std::string structure = read_string('>', kRawString);
    const std::string table = read_string(' ', kRawString);
    dbase::create_table(structure, table);
}

}  // namespace

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::MEMOWIDTH, memo_width_statement},
    {Cmd::CREATEINDEX, create_index_statement},
    {Cmd::CREATETABLE, create_table_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::MEMOTOITEMS, fn_memo_to_items},
    {Fn::ITEMSTOMEMO, fn_items_to_memo},
    {Fn::DBOPEN, fn_open},
    {Fn::DBSELECT, fn_select},
    {Fn::DBGOTO, fn_goto},
    {Fn::DBCLOSE, fn_close},
    {Fn::DBFIELD_S, fn_field_by_name},
    {Fn::DBFIELDN_S, fn_field_by_number},
    {Fn::DBINDEX, fn_open_indexes},
    {Fn::DBSEEK, fn_seek},
    {Fn::DBFIND, fn_find},
    {Fn::DBSETFIELD, fn_set_field_by_name},
    {Fn::DBSETFIELDN, fn_set_field_by_number},
    {Fn::DBWRITE, fn_write},
    {Fn::DBDELETE, fn_delete},
    {Fn::DBRECALL, fn_recall},
    {Fn::DBPACK, fn_pack},
    {Fn::DBAPPEND, fn_append},
    {Fn::DTOC_S, fn_dtoc},
    {Fn::CTOD_S, fn_ctod},
};

}  // namespace

void set_text_font_source(int32_t (*source)()) { font_index_source = source; }

const Module kDbaseModule{"dbase", kStatements, kFunctions};

}  // namespace tolven
