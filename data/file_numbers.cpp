#include "data/file_numbers.h"

#include <array>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/loop.h"
#include "core/shutdown.h"
#include "data/file_internal.h"
#include "data/file_platform.h"
#include "data/item_list_statements.h"
#include "data/text_files.h"
#include "values/area.h"
#include "values/dates.h"
#include "values/reader.h"
#include "values/functions.h"
#include "values/low_memory.h"
#include "values/numtext.h"
#include "values/store.h"
#include "values/textops.h"

namespace tolven {

void register_item_list_statements();    // data/item_list_statements.cpp

namespace {

// Pascal run-time I/O codes (see the header).
constexpr int kReadError = 100, kWriteError = 101, kNotAssigned = 102, kNotOpen = 103,
              kNotForInput = 104, kNotForOutput = 105, kInvalidNumber = 106;

enum class TextMode { Closed, Input, Output };

struct Entry {
    bool assigned = false;
    std::string name;       // the stored name, also the text view's
    std::string byte_name;  // kept by rename until the next assign
    std::unique_ptr<File> text;
    TextMode text_mode = TextMode::Closed;
    files::LineReader lines;
    std::unique_ptr<File> bytes;
    OpenMode byte_access = OpenMode::ReadWrite;
};

std::array<Entry, kFileNumbers + 1> table;
int32_t io_error = 0;
int32_t error_flag = 0;

// Closing flushes first; a flush that fails is a write error.
int close_view(std::unique_ptr<File>& f) {
    int code = 0;
    if (f && !f->flush()) code = kWriteError;
    f.reset();
    return code;
}

int close_text(Entry& e) {
    e.lines.reset(nullptr);
    e.text_mode = TextMode::Closed;
    return close_view(e.text);
}

// What to leave pending when a failed operation gave no code of its own.
int or_default(int code, int fallback) { return code ? code : fallback; }

// Opens a view's file, refusing names the platform could misread.
std::unique_ptr<File> open_named(const std::string& name, OpenMode mode, int& error) {
    error = files::name_problem(name);
    if (error) return nullptr;
    std::unique_ptr<File> f = file_system().open(name, mode, error);
    if (!f) error = or_default(error, io::kFileNotFound);
    return f;
}

// ---- statements on file numbers ----

void assign_statement() {
    int n;
    if (!files::read_file_number(',', n)) return;
    std::string name = read_string(' ', kRawString);
    Entry& e = table[static_cast<size_t>(n)];
    // A view still open under the old name is closed rather than forgotten,
    // so its file is complete on disk and its handle is not leaked.
    close_text(e);
    close_view(e.bytes);
    e.assigned = true;
    e.name = name;
    e.byte_name = std::move(name);
}

// Reads "#n" for a statement and clears the pending error. Null after a
// runtime error.
Entry* statement_entry(char separator) {
    int n;
    if (!files::read_file_number(separator, n)) return nullptr;
    files::clear_io_error();
    return &table[static_cast<size_t>(n)];
}

void open_text(TextMode mode) {
    Entry* e = statement_entry(' ');
    if (!e) return;
    if (!e->assigned) return files::set_io_error(kNotAssigned);
    int code = close_text(*e);
    int error = 0;
    const OpenMode how = mode == TextMode::Input ? OpenMode::Read : OpenMode::Create;
    e->text = open_named(e->name, how, error);
    if (!e->text) return files::set_io_error(error);
    e->text_mode = mode;
    e->lines.reset(e->text.get());
    files::set_io_error(code);
}

void append_statement() {
    Entry* e = statement_entry(' ');
    if (!e) return;
    if (!e->assigned) return files::set_io_error(kNotAssigned);
    close_text(*e);
    int error = 0;
    e->text = open_named(e->name, OpenMode::Write, error);
    if (!e->text) return files::set_io_error(error);
    const int64_t end = e->text->size();
    if (end < 0 || !e->text->seek(end)) {
        e->text.reset();
        return files::set_io_error(kReadError);
    }
    e->text_mode = TextMode::Output;
}

void close_text_statement() {
    Entry* e = statement_entry(' ');
    if (!e) return;
    if (!e->text) {
        if (!e->assigned) files::set_io_error(kNotOpen);
        return;
    }
    files::set_io_error(close_text(*e));
}

void byte_open_statement() {
    Entry* e = statement_entry(' ');
    if (!e) return;
    if (!e->assigned) return files::set_io_error(kNotAssigned);
    close_view(e->bytes);
    const OpenMode how = (file_mode & 3) == 0   ? OpenMode::Read
                         : (file_mode & 3) == 1 ? OpenMode::Write
                                                : OpenMode::ReadWrite;
    int error = 0;
    e->bytes = open_named(e->byte_name, how, error);
    e->byte_access = how;
    // Only a file that is not there is created: an existing one that could
    // not be opened (locked, no rights) keeps its contents.
    if (!e->bytes && error == io::kFileNotFound &&
        !file_platform().attributes(e->byte_name)) {
        e->bytes = open_named(e->byte_name, OpenMode::Create, error);
        e->byte_access = OpenMode::ReadWrite;
    }
    if (!e->bytes) files::set_io_error(error);
}

void byte_close_statement() {
    Entry* e = statement_entry(' ');
    if (!e) return;
    if (!e->bytes) {
        if (!e->assigned) files::set_io_error(kNotOpen);
        return;
    }
    files::set_io_error(close_view(e->bytes));
}

// Writes to the byte view and hands the bytes to the system at once, so they
// survive however the process ends.
void write_bytes(Entry& e, const void* data, size_t count) {
    if (!e.bytes) return files::set_io_error(kNotOpen);
    if (e.byte_access == OpenMode::Read) return files::set_io_error(winerr::kAccessDenied);
    if (count == 0) return;
    const size_t put = e.bytes->write(data, count);
    const bool flushed = e.bytes->flush();
    if (put < count || !flushed) files::set_io_error(or_default(e.bytes->error(), kWriteError));
}

void byte_write_statement() {
    Entry* e = statement_entry(',');
    if (!e) return;
    const uint8_t value = static_cast<uint8_t>(read_long(' '));
    write_bytes(*e, &value, 1);
}

void byte_seek_statement() {
    Entry* e = statement_entry(',');
    if (!e) return;
    const int32_t position = read_long(' ');
    if (!e->bytes) return files::set_io_error(kNotOpen);
    if (position < 0) return files::set_io_error(winerr::kNegativeSeek);
    if (!e->bytes->seek(position)) files::set_io_error(or_default(e->bytes->error(), kReadError));
}

void block_write_statement() {
    Entry* e = statement_entry(',');
    if (!e) return;
    AreaVar* a = files::read_area_name(',', false, true);
    if (!a) return;
    const int32_t offset = read_int(',');
    const int32_t count = read_int(' ');
    if (!files::area_bytes_usable(*a, offset, count, false)) {
        raise_error(207, a->name.view());
        return;
    }
    if (count == 0) {
        if (!e->bytes) files::set_io_error(kNotOpen);
        return;
    }
    write_bytes(*e, area_pointer(a->data) + offset, static_cast<size_t>(count));
}

void rename_statement() {
    Entry* e = statement_entry(',');
    if (!e) return;
    std::string to = read_string(' ', kRawString);
    if (!e->assigned) return files::set_io_error(kNotAssigned);
    int code = files::name_problem(e->name);
    if (!code) code = files::name_problem(to);
    if (!code) code = file_platform().rename(e->name, to);
    if (code) return files::set_io_error(code);
    e->name = std::move(to);
}

void erase_statement() {
    Entry* e = statement_entry(' ');
    if (!e) return;
    if (!e->assigned) return files::set_io_error(kNotAssigned);
    int code = files::name_problem(e->name);
    if (!code) code = file_platform().erase(e->name);
    files::set_io_error(code);
}

void file_attribute_statement() {
    if (reader.rest.empty() || reader.rest[0] != '#') {
        raise_error(104);
        return;
    }
    reader.rest.remove_prefix(1);
    const std::string name = files::read_number_or_name(',');
    files::clear_io_error();
    if (files::name_problem(name) || !file_platform().attributes(name)) {
        raise_error(300, name);
        return;
    }
    const int32_t attributes = read_int(' ');
    files::set_io_error(file_platform().set_attributes(name, static_cast<uint32_t>(attributes)));
}

void file_mode_statement() { file_mode = static_cast<uint8_t>(read_int(' ')); }

// ---- function helpers ----

// A function's "#n" (the "#" may be left out) up to `separator`; runtime
// error 210 outside 1..15. Null after it.
Entry* function_entry(char separator) {
    if (!reader.rest.empty() && reader.rest[0] == '#') reader.rest.remove_prefix(1);
    const int32_t n = read_int(separator);
    if (n < 1 || n > kFileNumbers) {
        raise_error(210);
        return nullptr;
    }
    return &table[static_cast<size_t>(n)];
}

int32_t clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < 0) return 0;
    return static_cast<int32_t>(v);
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared helpers

namespace files {

void set_io_error(int code) {
    if (code) io_error = code;
}
void clear_io_error() { io_error = 0; }

int name_problem(std::string_view name) {
    if (name.empty()) return winerr::kFileNotFound;
    for (unsigned char c : name)
        if (c < 32 || c == '*' || c == '?') return winerr::kInvalidName;
    return 0;
}

bool area_bytes_usable(const AreaVar& a, int64_t offset, int64_t count, bool write) {
    if (offset < 0 || count < 0 || offset + count > a.size) return false;
    if (count == 0) return true;
    const int64_t start = int64_t{a.data} + offset;
    if (start + count > int64_t{0xFFFFFFFF}) return false;
    const auto address = static_cast<uint32_t>(start);
    const auto bytes = static_cast<uint32_t>(count);
    return write ? memory_writable(address, bytes) : memory_readable(address, bytes);
}

bool read_file_number(char separator, int& n) {
    if (reader.rest.empty() || reader.rest[0] != '#') {
        raise_error(104);
        return false;
    }
    reader.rest.remove_prefix(1);
    n = read_int(separator);
    if (n < 1 || n > kFileNumbers) {
        raise_error(210);
        return false;
    }
    return true;
}

std::string read_number_or_name(char separator) {
    read_arg(separator, kAny);
    if (slots.type != kString && slots.l >= 1 && slots.l <= kFileNumbers)
        return table[static_cast<size_t>(slots.l)].name;
    return slots.s;
}

namespace {
bool variable_exists(const std::string& name) {
    switch (name.empty() ? 0 : name.back()) {
        case kIntegerKind: return find_integer(std::string_view(name)) != nullptr;
        case kLongKind: return find_long(std::string_view(name)) != nullptr;
        case kStringKind: return find_string(std::string_view(name)) != nullptr;
        case kFloatKind: return find_float(std::string_view(name)) != nullptr;
        case kAreaKind: return find_area(std::string_view(name)) != nullptr;
        default: return false;
    }
}
}  // namespace

AreaVar* read_area_name(char separator, bool dimensioned, bool existence_first) {
    std::string_view& r = reader.rest;
    const size_t cut = find_separator(r, separator);
    const std::string name = folded(trim(r.substr(0, cut)));
    r.remove_prefix(cut == std::string_view::npos ? r.size() : cut + 1);
    if (existence_first && !variable_exists(name)) {
        raise_error(215, name);
        return nullptr;
    }
    if (name.empty() || name.back() != kAreaKind) {
        raise_error(121);
        return nullptr;
    }
    AreaVar* a = find_area(std::string_view(name));
    if (!a) {
        raise_error(215, name);
        return nullptr;
    }
    if (dimensioned && (a->size <= 0 || a->data == 0)) {
        raise_error(243);
        return nullptr;
    }
    return a;
}

bool short_read_failed(File& f) { return f.error() != 0; }

bool LineReader::fill() {
    if (!file_) return false;
    pos_ = 0;
    len_ = file_->read(buf_.data(), buf_.size());
    error_ = len_ < buf_.size() && short_read_failed(*file_) ? io::kReadError : 0;
    return len_ > 0;
}

bool LineReader::at_end() { return pos_ >= len_ && !fill(); }

bool LineReader::read_line(std::string& line) {
    line.clear();
    if (at_end()) return false;
    for (;;) {
        const char* begin = buf_.data() + pos_;
        const void* lf = std::memchr(begin, '\n', len_ - pos_);
        if (lf) {
            const size_t n = static_cast<size_t>(static_cast<const char*>(lf) - begin);
            line.append(begin, n);
            pos_ += n + 1;
            break;
        }
        line.append(begin, len_ - pos_);
        pos_ = len_;
        if (!fill()) break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace files

// ---------------------------------------------------------------------------
// The text seam of PRINT #n and INPUT #n

void file_write_text(int n, std::string_view text) {
    if (n < 1 || n > kFileNumbers) return;
    Entry& e = table[static_cast<size_t>(n)];
    if (e.text_mode == TextMode::Input) return files::set_io_error(kNotForOutput);
    if (e.text_mode != TextMode::Output) return files::set_io_error(kNotOpen);
    // Each item reaches the system at once: nothing waits in a buffer that a
    // crash or a killed process would lose.
    const size_t put = text.empty() ? 0 : e.text->write(text.data(), text.size());
    const bool flushed = e.text->flush();
    if (put < text.size() || !flushed) files::set_io_error(or_default(e.text->error(), kWriteError));
}

bool file_read_line(int n, std::string& line) {
    line.clear();
    if (n < 1 || n > kFileNumbers) return false;
    Entry& e = table[static_cast<size_t>(n)];
    if (e.text_mode == TextMode::Output) {
        files::set_io_error(kNotForInput);
        return false;
    }
    if (e.text_mode != TextMode::Input) {
        files::set_io_error(kNotOpen);
        return false;
    }
    const bool got = e.lines.read_line(line);
    if (e.lines.error()) files::set_io_error(kReadError);
    return got;
}

namespace {

// Reads the digits at `at`; their count.
size_t skip_digits(std::string_view t, size_t& at) {
    const size_t from = at;
    while (at < t.size() && t[at] >= '0' && t[at] <= '9') ++at;
    return at - from;
}

bool whole_number(std::string_view t, bool fraction) {
    size_t at = 0;
    if (at < t.size() && (t[at] == '+' || t[at] == '-')) ++at;
    size_t digits = skip_digits(t, at);
    if (!fraction) {
        if (digits == 0 || at != t.size()) return false;
        // One outside 32 bits is read as 0, so it is no number either.
        return decimal_int_prefix(t) != 0 || t.find_first_not_of("+-0") == std::string_view::npos;
    }
    if (at < t.size() && t[at] == '.') {
        ++at;
        digits += skip_digits(t, at);
    }
    if (digits == 0) return false;
    if (at < t.size() && (t[at] == 'e' || t[at] == 'E')) {
        ++at;
        if (at < t.size() && (t[at] == '+' || t[at] == '-')) ++at;
        if (skip_digits(t, at) == 0) return false;
    }
    return at == t.size();
}

}  // namespace

void file_check_number(std::string_view line, bool fraction) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (!line.empty() && !whole_number(line, fraction)) files::set_io_error(kInvalidNumber);
}

// ---------------------------------------------------------------------------

void close_all_files() {
    for (Entry& e : table) {
        close_text(e);
        close_view(e.bytes);
    }
}

void reset_file_numbers() {
    close_all_files();
    for (Entry& e : table) e = Entry{};
    io_error = 0;
    error_flag = 0;
    file_mode = 2;
}

int32_t take_io_error() {
    const int32_t v = io_error | error_flag;
    io_error = 0;
    error_flag = 0;
    return v;
}

int32_t pending_io_error() { return io_error | error_flag; }

void set_file_error_flag(int32_t code) { error_flag = code; }

std::string file_number_name(int n) {
    if (n < 1 || n > kFileNumbers) return {};
    return table[static_cast<size_t>(n)].name;
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::ASSIGN, assign_statement},
    {Cmd::RESET, [] { open_text(TextMode::Input); }},
    {Cmd::REWRITE, [] { open_text(TextMode::Output); }},
    {Cmd::APPEND, append_statement},
    {Cmd::CLOSE, close_text_statement},
    {Cmd::BOPEN, byte_open_statement},
    {Cmd::BCLOSE, byte_close_statement},
    {Cmd::BWRITE, byte_write_statement},
    {Cmd::BSEEK, byte_seek_statement},
    {Cmd::BLOCKWRITE, block_write_statement},
    {Cmd::RENAME, rename_statement},
    {Cmd::ERASE, erase_statement},
    {Cmd::SETFILEATTR, file_attribute_statement},
    {Cmd::FILEMODE, file_mode_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::FILETIME_S, file_time_function},
    {Fn::FILEATTR, file_attribute_function},
    {Fn::FILEDATE_S, file_date_function},
    {Fn::BGET, byte_get_function},
    {Fn::BPOS, byte_position_function},
    {Fn::BSIZE, byte_size_function},
    {Fn::ENDOFFILE, text_eof_function},
    {Fn::BLOCKREAD, block_read_function},
};

// Whatever way the program ends, what it wrote reaches its files.
void start_file_numbers() { on_shutdown(ShutdownStage::Files, close_all_files); }

}  // namespace

const Module kFileModule{"files", kStatements, kFunctions, reset_file_numbers, start_file_numbers};

// ---------------------------------------------------------------------------
// Functions

void byte_get_function() {
    Entry* e = function_entry(')');
    int32_t value = 0;
    if (e) {
        if (!e->bytes) {
            files::set_io_error(kNotOpen);
        } else if (e->byte_access == OpenMode::Write) {
            files::set_io_error(winerr::kAccessDenied);
        } else {
            uint8_t b = 0;
            if (e->bytes->read(&b, 1) == 1) value = b;
            else files::set_io_error(kReadError);
        }
    }
    set_result_int(value);
}

void byte_position_function() {
    Entry* e = function_entry(')');
    int64_t v = 0;
    if (e) {
        if (e->bytes) v = e->bytes->tell();
        else files::set_io_error(kNotOpen);
    }
    set_result_int(clamp32(v));
}

void byte_size_function() {
    Entry* e = function_entry(')');
    int64_t v = 0;
    if (e) {
        if (e->bytes) v = e->bytes->size();
        else files::set_io_error(kNotOpen);
    }
    set_result_int(clamp32(v));
}

void text_eof_function() {
    Entry* e = function_entry(')');
    int32_t v = 1;
    if (e) {
        if (e->text_mode == TextMode::Input) v = e->lines.at_end() ? 1 : 0;
        else files::set_io_error(e->text_mode == TextMode::Output ? kNotForInput : kNotOpen);
    }
    set_result_int(v);
}

void block_read_function() {
    Entry* e = function_entry(',');
    AreaVar* a = e ? files::read_area_name(',', false) : nullptr;
    if (!a) {
        skip_call_arguments();
        set_result_long(0);
        return;
    }
    const int32_t offset = read_int(',');
    const int32_t count = read_int(')');
    int32_t got = 0;
    if (!files::area_bytes_usable(*a, offset, count, true)) {
        raise_error(207, a->name.view());
    } else if (!e->bytes) {
        files::set_io_error(kNotOpen);
    } else if (e->byte_access == OpenMode::Write) {
        files::set_io_error(winerr::kAccessDenied);
    } else if (count > 0) {
        got = static_cast<int32_t>(e->bytes->read(area_pointer(a->data) + offset, static_cast<size_t>(count)));
        if (got < count && files::short_read_failed(*e->bytes)) files::set_io_error(kReadError);
    }
    set_result_long(got);
}

namespace {

// The file a file-information function names; runtime error 300 when it does
// not exist (nullopt then).
std::optional<std::string> existing_file(const std::string& name) {
    if (files::name_problem(name) || !file_platform().attributes(name)) {
        raise_error(300, name);
        return std::nullopt;
    }
    return name;
}

// The argument of a file-information function: "#" n, n or a name.
std::string function_file_name() {
    if (!reader.rest.empty() && reader.rest[0] == '#') reader.rest.remove_prefix(1);
    return files::read_number_or_name(')');
}

}  // namespace

void file_attribute_function() {
    const std::string name = function_file_name();
    int32_t v = 0;
    if (auto n = existing_file(name)) v = static_cast<int32_t>(file_platform().attributes(*n).value_or(0));
    set_result_int(v);
}

void file_date_function() {
    const std::string name = function_file_name();
    std::string text;
    if (auto n = existing_file(name)) {
        if (auto s = file_platform().last_write(*n)) text = file_date_text(s->year, s->month, s->day);
    }
    set_result_string(text);
}

void file_time_function() {
    const std::string name = function_file_name();
    std::string text;
    if (auto n = existing_file(name)) {
        if (auto s = file_platform().last_write(*n))
            text = file_time_text(s->hour, s->minute, s->second, s->millisecond);
    }
    set_result_string(text);
}

}  // namespace tolven
