#include "data/dbf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/bytes.h"
#include "core/errors.h"
#include "core/shutdown.h"
#include "gui/item_list.h"
#include "values/charcase.h"
#include "values/dates.h"
#include "values/textops.h"

namespace tolven::dbase {

int text_font_index = 2;
std::string display_date_order = ".dMy";
std::function<Date()> today = [] {
    std::time_t now = std::time(nullptr);
    const std::tm* lt = std::localtime(&now);  // one thread only
    if (!lt) return Date{2000, 1, 1};
    return Date{lt->tm_year + 1900, lt->tm_mon + 1, lt->tm_mday};
};

std::unique_ptr<Table> tables[kTableSlots + 1];
int current_table = 0;

namespace {

constexpr uint32_t kDbfCache = 32768;
constexpr uint32_t kDbtCache = 2048;
constexpr uint32_t kBlock = 512;
constexpr const char* kNotDbase = "Keine dBase III-Datei";

std::string upper(std::string_view s) { return ansi_upper(s); }
bool valid_date(int y, int m, int d) { return is_valid_date(d, m, y); }

std::string strip_trailing_blanks(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return std::string(s.substr(0, e));
}

bool has_extension(std::string_view name) {
    size_t sep = name.find_last_of("\\/:");
    size_t dot = name.rfind('.');
    return dot != std::string_view::npos && (sep == std::string_view::npos || dot > sep);
}

// The memo file's extension follows the case of the table's, so "a.dbf"
// finds "a.dbt" also where file names are case-sensitive.
std::string memo_file_name(const std::string& table) {
    std::string base = table;
    bool lower = false;
    if (has_extension(base)) {
        size_t dot = base.rfind('.');
        std::string ext = base.substr(dot + 1);
        lower = !ext.empty() && std::all_of(ext.begin(), ext.end(), [](char c) { return !(c >= 'A' && c <= 'Z'); }) &&
                std::any_of(ext.begin(), ext.end(), [](char c) { return c >= 'a' && c <= 'z'; });
        base.erase(dot);
    }
    return base + (lower ? ".dbt" : ".DBT");
}

std::string directory_of(const std::string& name) {
    size_t sep = name.find_last_of("\\/:");
    return sep == std::string::npos ? std::string() : name.substr(0, sep + 1);
}

bool number_in_range(int32_t n) {
    if (n >= 1 && n <= kTableSlots) return true;
    raise_error(609);
    return false;
}

Table* need_current() {
    Table* t = current();
    if (!t) raise_error(610);
    return t;
}

// Registers the step that closes every table at the end of the process. The
// step's token expires when the shutdown steps are reset, so it is registered
// again on the next open.
void ensure_shutdown_step() {
    static std::weak_ptr<int> registration;
    if (!registration.expired()) return;
    auto token = std::make_shared<int>(0);
    registration = token;
    on_shutdown(ShutdownStage::Files, [token] { close_all_tables(); });
}

std::string date_text(int y, int m, int d, bool long_year) {
    char b[32];
    if (long_year) std::snprintf(b, sizeof b, "%02d.%02d.%04d", d, m, y);
    else std::snprintf(b, sizeof b, "%02d.%02d.%02d", d, m, y % 100);
    return b;
}

void set_last_field(Table& t, const Field& f, int32_t number) {
    t.last_type = f.type;
    t.last_length = f.length;
    t.last_decimals = f.decimals;
    t.last_number = number;
    t.last_name = f.name;
}

int32_t block_number(std::string_view field_text) {
    int32_t v = 0;
    return parse_digits(trim(field_text), v) ? v : 0;
}

int64_t record_offset(const TableFile& f, int32_t r) {
    return int64_t(f.header_length) + int64_t(r - 1) * f.record_length;
}

// Reads the raw bytes of record r without touching any slot's state.
bool read_raw(TableFile& f, int32_t r, std::vector<uint8_t>& out) {
    out.assign(f.record_length, ' ');
    return f.dbf.read(record_offset(f, r), out.data(), f.record_length) == f.record_length;
}

void close_indexes(Table& t) {
    for (auto& ix : t.indexes) ix->close();
    t.indexes.clear();
    t.indexed = false;
}

void write_header_on_close(TableFile& f) {
    Date d = today();
    f.header[1] = static_cast<uint8_t>(std::clamp(d.year - 1900, 0, 255));
    f.header[2] = static_cast<uint8_t>(d.month);
    f.header[3] = static_cast<uint8_t>(d.day);
    put_le32(f.header + 4, static_cast<uint32_t>(f.count));
    f.dbf.write(0, f.header, 8);
    uint8_t eof = 0x1A;
    f.dbf.write(record_offset(f, f.count + 1), &eof, 1);
}

// The files close with the last slot that has them open; each slot that
// closes writes the header, so it is true however the run ends later.
void close_slot(int n) {
    auto& slot = tables[n];
    if (!slot) return;
    Table& t = *slot;
    if (t.file->state == TableState::Modified && t.file->dbf.is_open()) {
        write_header_on_close(*t.file);
        t.file->dbf.flush();
    }
    close_indexes(t);
    slot.reset();
}

// The table file as another slot has it open, if one has.
std::shared_ptr<TableFile> open_elsewhere(const std::string& name) {
    for (int n = 1; n <= kTableSlots; ++n)
        if (tables[n] && names_open_file(tables[n]->file->full_path, name)) return tables[n]->file;
    return nullptr;
}

// Opens the files and reads the header and descriptors. The count is cut to
// the records the file really holds; clamped_from is then the header's count.
bool open_files(TableFile& t, int64_t& clamped_from) {
    clamped_from = -1;
    t.dbf.open_with_cache(t.name, kDbfCache);
    if (!t.dbf.reset(1)) return false;
    if (t.dbf.read(0, t.header, 32) != 32 || (t.header[0] != 0x03 && t.header[0] != 0x83)) {
        set_db_error(157, kNotDbase);
        return false;
    }
    t.header_length = le16(t.header + 8);
    t.record_length = le16(t.header + 10);
    if (t.header_length < 33 || t.record_length < 1) {
        set_db_error(157, kNotDbase);
        return false;
    }
    int32_t n = (t.header_length - 33) / 32;
    std::vector<uint8_t> desc(size_t(n) * 32);
    if (n > 0 && t.dbf.read(32, desc.data(), n * 32) != n * 32) {
        set_db_error(157, kNotDbase);
        return false;
    }
    uint32_t offset = 1;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* d = desc.data() + size_t(i) * 32;
        if (d[0] == 0x0D) break;  // the descriptors end early
        Field f;
        size_t len = 0;
        while (len < 11 && d[len] != 0) ++len;
        f.name = upper(strip_trailing_blanks(std::string_view(reinterpret_cast<const char*>(d), len)));
        f.type = upper(std::string(1, static_cast<char>(d[11])))[0];
        f.length = d[16];
        f.decimals = d[17];
        f.offset = offset;
        offset += f.length;
        t.fields.push_back(std::move(f));
    }
    // Fields reaching past the record would read and write outside it.
    if (offset > t.record_length) {
        set_db_error(157, kNotDbase);
        return false;
    }
    t.field_count = static_cast<int32_t>(t.fields.size());
    int64_t size = t.dbf.size_records();
    int64_t whole = size > t.header_length ? (size - t.header_length) / t.record_length : 0;
    int64_t stated = le32(t.header + 4);
    t.count = static_cast<int32_t>(std::min<int64_t>(stated, std::min<int64_t>(whole, INT32_MAX - 1)));
    if (stated > t.count) clamped_from = stated;
    int y = t.header[1] <= 70 ? 2000 + t.header[1] : 1900 + t.header[1];
    t.date_short = date_text(y, t.header[2], t.header[3], false);
    t.date_long = date_text(y, t.header[2], t.header[3], true);
    t.has_memo = t.header[0] == 0x83;
    if (t.has_memo) {
        t.memo_name = memo_file_name(t.name);
        t.dbt.open_with_cache(t.memo_name, kDbtCache);
        if (!t.dbt.reset(kBlock)) return false;
    }
    return true;
}

std::optional<std::string> normalise(const Field& f, std::string_view v) {
    switch (f.type) {
        case 'M':
            return std::nullopt;
        case 'L': {
            if (v.empty()) return std::string();
            char c = v[0];
            if (std::strchr("TtYyJj", c) && c) return std::string("T");
            if (std::strchr("FfNn", c) && c) return std::string("F");
            return std::nullopt;
        }
        case 'N': {
            std::string s(trim(v));
            // A decimal comma is taken as the point when there is no point.
            if (s.find('.') == std::string::npos) {
                size_t comma = s.find(',');
                if (comma != std::string::npos && s.find(',', comma + 1) == std::string::npos) s[comma] = '.';
            }
            double x;
            if (!key_text_to_double(s, x) || !std::isfinite(x)) return std::nullopt;
            char b[400];
            int dec = f.decimals;
            std::snprintf(b, sizeof b, "%*.*f", int(f.length), dec, x);
            std::string r = b;
            // Negative zero after rounding is plain zero.
            if (r.find_first_of("123456789") == std::string::npos && r.find('-') != std::string::npos) {
                std::snprintf(b, sizeof b, "%*.*f", int(f.length), dec, 0.0);
                r = b;
            }
            // A number wider than the field would lose digits when cut.
            if (r.size() > f.length) return std::nullopt;
            return r;
        }
        case 'D': {
            std::string_view s = trim(v);
            if (s.size() != 8) return std::nullopt;
            int32_t y = 0, m = 0, d = 0;
            if (!parse_digits(s.substr(0, 4), y) || !parse_digits(s.substr(4, 2), m) ||
                !parse_digits(s.substr(6, 2), d) || !valid_date(y, m, d))
                return std::nullopt;
            return std::string(s);
        }
        default:
            return std::string(v);
    }
}

void put_field_bytes(Table& t, const Field& f, std::string_view v) {
    uint8_t* p = t.buffer.data() + f.offset;
    std::memset(p, ' ', f.length);
    std::memcpy(p, v.data(), std::min<size_t>(v.size(), f.length));
}

int32_t write_field_to(Table& t, const Field& f, int32_t number, std::string_view value) {
    set_last_field(t, f, number);
    std::string v(value);
    if (text_font_index == 1) v = ansi_to_oem(v);
    auto norm = normalise(f, v);
    if (!norm) return 0;
    put_field_bytes(t, f, *norm);
    return 1;
}

std::string read_field_of(Table& t, const Field& f, int32_t number) {
    set_last_field(t, f, number);
    std::string s(reinterpret_cast<const char*>(t.buffer.data()) + f.offset, f.length);
    if (text_font_index == 1) s = oem_to_ansi(s);
    return s;
}

// Goes to record r by its number: with an index the index follows the record
// first, and a record the index does not hold is not read.
void go_to_record(Table& t, int32_t r) {
    if (r < 1 || r > t.file->count) {
        read_record(t, r);  // sets the error about the missing record
        return;
    }
    if (t.indexed && t.master()) {
        std::vector<uint8_t> raw;
        if (!read_raw(*t.file, r, raw)) {
            set_db_error(100, t.file->name, " (Read)");
            return;
        }
        DbError before = db_error;
        auto key = t.master()->key_from_record(raw.data(), raw.size());
        db_error = before;
        if (!t.master()->position_on(r, key ? &*key : nullptr)) return;
    }
    read_record(t, r);
}

// Blocks of a memo file, a partly written last block included (other
// programs do not pad the last memo).
int64_t memo_file_size_blocks(RecordFile& f) { return (f.size_bytes() + kBlock - 1) / kBlock; }

// Reads memo block q; the part of a short last block is padded with zeros.
bool read_block(RecordFile& f, int64_t q, uint8_t* b) {
    std::memset(b, 0, kBlock);
    int64_t got = 0;
    f.read(q, b, 1, &got);
    return got > 0;
}

// Memo blocks of a memo starting at block `first`: up to the block holding
// the end mark, or to the end of the file.
int32_t memo_blocks(Table& t, int32_t first) {
    const int64_t blocks = memo_file_size_blocks(t.file->dbt);
    if (first <= 0 || first >= blocks) return 0;
    uint8_t b[kBlock];
    int32_t n = 0;
    for (int64_t q = first; q < blocks; ++q) {
        if (!read_block(t.file->dbt, q, b)) break;
        ++n;
        const void* mark = std::memchr(b, 0x1A, kBlock);
        if (!mark) continue;
        // A first end mark in the last byte of a block leaves the second at
        // the start of the next: that block belongs to the memo too.
        if (mark == b + kBlock - 1 && q + 1 < blocks && read_block(t.file->dbt, q + 1, b) && b[0] == 0x1A) ++n;
        break;
    }
    return n;
}

int64_t memo_file_blocks(RecordFile& f) { return std::max<int64_t>(1, memo_file_size_blocks(f)); }

// Where a new memo starts: the block that block 0 names as next free. A
// number pointing into the file (a file written by a program that did not
// keep it up to date) would overwrite the memos there, so the end of the
// file is the least.
int64_t next_free_block(RecordFile& f) {
    uint8_t block0[kBlock];
    const int64_t end = memo_file_blocks(f);
    if (!read_block(f, 0, block0)) return end;
    return std::max<int64_t>(end, le32(block0));
}

// Copies a memo block by block into the pack's new memo file, keeping a
// doubled end mark (as dBase and other readers expect it) and zeroing the
// rest of the last block; returns the blocks written, -1 when a write failed.
int32_t copy_memo(RecordFile& from, RecordFile& to, int32_t first, int64_t at) {
    const int64_t blocks = memo_file_size_blocks(from);
    uint8_t b[kBlock];
    int32_t n = 0;
    bool second_mark_next = false;
    for (int64_t q = first; q > 0 && q < blocks; ++q) {
        if (!read_block(from, q, b)) break;
        uint8_t* end = second_mark_next ? (b[0] == 0x1A ? b : nullptr)
                                        : static_cast<uint8_t*>(std::memchr(b, 0x1A, kBlock));
        if (second_mark_next && !end) break;
        bool mark_at_block_end = false;
        if (end) {
            size_t keep = size_t(end - b) + 1;
            if (!second_mark_next && keep < kBlock && b[keep] == 0x1A) ++keep;
            mark_at_block_end = !second_mark_next && keep == kBlock;
            std::memset(b + keep, 0, kBlock - keep);
        }
        if (to.write(at + n, b, 1) != 1) return -1;
        ++n;
        if (!end) continue;
        if (!mark_at_block_end) break;
        second_mark_next = true;  // the second mark may open the next block
    }
    return n;
}

std::string right_aligned(int64_t v, size_t width) {
    std::string s = std::to_string(v);
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------

const Field* TableFile::field(std::string_view name) const {
    std::string n = upper(strip_trailing_blanks(name));
    for (const auto& f : fields)
        if (f.name == n) return &f;
    return nullptr;
}

FieldLookup TableFile::lookup() const {
    return [this](std::string_view name) -> std::optional<FieldRef> {
        const Field* f = field(name);
        if (!f) return std::nullopt;
        return FieldRef{f->offset, f->length, f->type};
    };
}

void report_db_error() {
    if (db_error.number != 0) raise_warning(db_error.number, db_error.text);
}

std::string field_text(Table& t, int32_t number) {
    return read_field_of(t, t.file->fields[size_t(number - 1)], number);
}

bool store_field_text(Table& t, int32_t number, std::string_view value) {
    return write_field_to(t, t.file->fields[size_t(number - 1)], number, value) == 1;
}

void blank_field(Table& t, int32_t number) {
    put_field_bytes(t, t.file->fields[size_t(number - 1)], "");
}

Table* current() {
    if (current_table < 1 || current_table > kTableSlots) return nullptr;
    return tables[current_table].get();
}

std::string table_file_name(std::string_view name) {
    std::string s(name);
    if (!has_extension(s)) s += ".DBF";
    return s;
}

std::string index_file_name(std::string_view name) {
    std::string s(name);
    if (!has_extension(s)) s += ".NDX";
    return s;
}

bool read_record(Table& t, int32_t r) {
    if (r < 1 || r > t.file->count) {
        set_db_error(100, "Datensatz " + std::to_string(r) + " nicht in der Tabelle gefunden.");
        return false;
    }
    std::vector<uint8_t> raw;
    if (!read_raw(*t.file, r, raw)) {
        set_db_error(100, t.file->name, " (Read)");
        return false;
    }
    t.buffer = std::move(raw);
    t.current = r;
    t.deleted = t.buffer[0] == '*';
    // The end flag tells about the last read: one that found its record is
    // not past the end, however it was reached.
    t.end = false;
    return true;
}

void move(Table& t, Move m, bool read) {
    t.end = false;
    if (t.file->count == 0) {
        t.end = true;
        return;
    }
    int32_t r = 0;
    if (t.indexed && t.master()) {
        NdxIndex& ix = *t.master();
        switch (m) {
            case Move::First: r = ix.first(); break;
            case Move::Last: r = ix.last(); break;
            case Move::Next: r = ix.next(); break;
            case Move::Previous: r = ix.previous(); break;
        }
        if (ix.at_end() || r == 0) {
            t.end = true;
            return;
        }
    } else {
        switch (m) {
            case Move::First: r = 1; break;
            case Move::Last: r = t.file->count; break;
            case Move::Previous: r = std::max(t.current - 1, 1); break;
            case Move::Next:
                r = t.current + 1;
                if (r > t.file->count) {
                    t.end = true;
                    return;
                }
                break;
        }
    }
    if (read) {
        read_record(t, r);
    } else if (r < 1 || r > t.file->count) {
        set_db_error(100, "Datensatz " + std::to_string(r) + " nicht in der Tabelle gefunden.");
    } else {
        t.current = r;
    }
}

namespace {

// An appended record goes to the file together with the end mark after it,
// and the header's count follows at once: a process ended from outside (the
// user logging off, the task manager) leaves a table that holds every record
// appended so far and says so.
bool append_to_file(Table& t, int32_t b) {
    std::vector<uint8_t>& out = t.file->append_buffer;
    out.assign(t.buffer.begin(), t.buffer.end());
    out.push_back(0x1A);
    const int32_t n = static_cast<int32_t>(out.size());
    if (t.file->dbf.write(record_offset(*t.file, b), out.data(), n) != n) return false;
    uint8_t count[4];
    put_le32(count, static_cast<uint32_t>(b));
    std::memcpy(t.file->header + 4, count, 4);
    return t.file->dbf.write(4, count, 4) == 4 && t.file->dbf.flush();
}

// A cursor that keeps one index file in step with a record write.
struct IndexWriter {
    NdxIndex* cursor;
    std::unique_ptr<NdxIndex> own;  // for an index open only in other slots
};

// Every index file open on the table, once each however often it is open:
// the writing slot's own cursors, which then stand on the written record,
// and cursors of their own for the indexes only other slots have open, whose
// positions stay as they were.
void index_writers(Table& t, std::vector<IndexWriter>& out) {
    auto known = [&out](const NdxIndex& ix) {
        return std::any_of(out.begin(), out.end(), [&](const IndexWriter& w) { return w.cursor->shares_file_with(ix); });
    };
    for (auto& ix : t.indexes)
        if (!known(*ix)) out.push_back({ix.get(), nullptr});
    for (int n = 1; n <= kTableSlots; ++n) {
        Table* other = tables[n].get();
        if (!other || other == &t || other->file != t.file) continue;
        for (auto& ix : other->indexes) {
            if (known(*ix)) continue;
            auto cursor = ix->another();
            NdxIndex* p = cursor.get();
            out.push_back({p, std::move(cursor)});
        }
    }
}

}  // namespace

void put_record(Table& t, int32_t b) {
    TableFile& f = *t.file;
    const bool existing = b >= 1 && b <= f.count;
    if (!existing) b = f.count + 1;
    if (b < 1) return;
    std::vector<IndexWriter> writers;
    index_writers(t, writers);
    std::vector<std::optional<std::string>> old_keys(writers.size());
    if (existing && !writers.empty()) {
        std::vector<uint8_t> old;
        DbError before = db_error;
        if (read_raw(f, b, old))
            for (size_t i = 0; i < writers.size(); ++i)
                old_keys[i] = writers[i].cursor->key_from_record(old.data(), old.size());
        db_error = before;
    }
    if (existing) {
        if (f.dbf.write(record_offset(f, b), t.buffer.data(), f.record_length) != f.record_length) return;
    } else if (!append_to_file(t, b)) {
        return;
    }
    if (!existing) f.count = b;
    t.current = b;
    f.state = TableState::Modified;
    t.deleted = t.buffer[0] == '*';
    // Every open index is kept in step, so none of them goes stale.
    for (size_t i = 0; i < writers.size(); ++i) {
        auto key = writers[i].cursor->key_from_record(t.buffer.data(), t.buffer.size());
        if (!key) continue;
        writers[i].cursor->record_written(*key, b, existing, old_keys[i] ? &*old_keys[i] : nullptr);
    }
}

// ---------------------------------------------------------------------------

int32_t open_table(int32_t n, std::string_view file_name) {
    if (!number_in_range(n)) return 0;
    if (tables[n]) close_slot(n);
    if (db_error_pending()) {
        raise_error(db_error.number, db_error.text);
        return 0;
    }
    auto t = std::make_unique<Table>();
    t->file_name = table_file_name(file_name);
    int64_t clamped_from = -1;
    t->file = open_elsewhere(t->file_name);
    if (t->file) {
        if (!t->file->dbf.allow_file_mode() || (t->file->has_memo && !t->file->dbt.allow_file_mode())) {
            raise_error(db_error.number, db_error.text);
            return 0;
        }
    } else {
        t->file = std::make_shared<TableFile>();
        t->file->name = t->file_name;
        t->file->full_path = full_file_name(t->file_name);
        if (!open_files(*t->file, clamped_from)) {
            t->file.reset();
            raise_error(db_error.number, db_error.text);
            return 0;
        }
        t->file->state = TableState::Open;
    }
    t->buffer.assign(t->file->record_length, ' ');
    ensure_shutdown_step();
    tables[n] = std::move(t);
    current_table = n;
    Table& tt = *tables[n];
    if (clamped_from >= 0)
        set_db_error(100, "Datensatz " + std::to_string(tt.file->count + 1) + " nicht in der Tabelle gefunden.");
    move(tt, Move::First, true);
    const int32_t count = tt.file->count;
    report_db_error();
    return count;
}

int32_t select_table(int32_t n) {
    if (!number_in_range(n)) return 0;
    if (!tables[n]) {
        raise_error(610);
        return 0;
    }
    current_table = n;
    const int32_t count = tables[n]->file->count;
    report_db_error();
    return count;
}

int32_t close_table(int32_t n) {
    if (!number_in_range(n)) return 0;
    if (!tables[n]) {
        raise_error(610);
        return 0;
    }
    int32_t count = tables[n]->file->count;
    close_slot(n);
    report_db_error();
    return count;
}

void close_all_tables() {
    for (int n = 1; n <= kTableSlots; ++n) close_slot(n);
}

int32_t go_to(std::string_view first_text, int32_t first_value, std::optional<int32_t> second_value) {
    Table* t = need_current();
    if (!t) return 0;
    std::string kw = upper(trim(first_text));
    int32_t c = second_value.value_or(1);
    if (kw == "|<" || kw == "TOP") {
        move(*t, Move::First, true);
    } else if (kw == ">|" || kw == "BOTTOM") {
        move(*t, Move::Last, true);
    } else if (kw == ">" || kw == "NEXT" || kw == "<" || kw == "PREV") {
        Move m = (kw == ">" || kw == "NEXT") ? Move::Next : Move::Previous;
        // A counted move stops at a failure of its own; an earlier error
        // that is still pending must not cut it short.
        const bool failed_before = db_error_pending();
        for (int32_t i = 1; i < c; ++i) {
            int32_t before = t->current;
            move(*t, m, false);
            if (t->end || t->current == before || (!failed_before && db_error_pending())) break;
        }
        move(*t, m, true);
    } else if (kw == "*" || kw == "INDEX") {
        if (c < 2) {
            move(*t, Move::First, true);
        } else {
            const bool failed_before = db_error_pending();
            move(*t, Move::First, false);
            for (int32_t i = 0; i < c - 2 && !t->end && (failed_before || !db_error_pending()); ++i)
                move(*t, Move::Next, false);
            move(*t, Move::Next, true);
        }
    } else {
        int32_t r = second_value ? *second_value : first_value;
        if (r != 0) go_to_record(*t, r);
    }
    const int32_t r = t->current;
    report_db_error();
    return r;
}

std::string read_field(std::string_view name) {
    Table* t = need_current();
    if (!t) return {};
    const Field* f = t->field(name);
    std::string s;
    if (!f) set_db_error(602, name);
    else s = read_field_of(*t, *f, static_cast<int32_t>(f - t->file->fields.data()) + 1);
    report_db_error();
    return s;
}

std::string read_field(int32_t number) {
    Table* t = need_current();
    if (!t) return {};
    std::string s;
    if (number < 1 || number > t->file->field_count) set_db_error(603, std::to_string(number));
    else s = read_field_of(*t, t->file->fields[size_t(number - 1)], number);
    report_db_error();
    return s;
}

int32_t write_field(std::string_view name, std::string_view value) {
    Table* t = need_current();
    if (!t) return 0;
    const Field* f = t->field(name);
    int32_t r = 0;
    if (!f) set_db_error(604, name);
    else r = write_field_to(*t, *f, static_cast<int32_t>(f - t->file->fields.data()) + 1, value);
    report_db_error();
    return r;
}

int32_t write_field(int32_t number, std::string_view value) {
    Table* t = need_current();
    if (!t) return 0;
    int32_t r = 0;
    if (number < 1 || number > t->file->field_count) set_db_error(605, std::to_string(number));
    else r = write_field_to(*t, t->file->fields[size_t(number - 1)], number, value);
    report_db_error();
    return r;
}

int32_t write_record(int32_t n) {
    Table* t = need_current();
    if (!t) return 0;
    put_record(*t, n == 0 ? t->current : n);
    const int32_t r = t->current;
    report_db_error();
    return r;
}

int32_t append_record() {
    Table* t = need_current();
    if (!t) return 0;
    put_record(*t, t->file->count + 1);
    std::fill(t->buffer.begin(), t->buffer.end(), ' ');
    t->deleted = false;
    return t->current;
}

namespace {
int32_t mark_record(uint8_t flag) {
    Table* t = need_current();
    if (!t) return 0;
    // Without a current record there is nothing to mark; writing would add a
    // new record instead.
    if (t->current < 1 || t->current > t->file->count) {
        report_db_error();
        return 0;
    }
    t->buffer[0] = flag;
    put_record(*t, t->current);
    const int32_t r = t->current;
    report_db_error();
    return r;
}
}  // namespace

int32_t delete_record() { return mark_record('*'); }
int32_t recall_record() { return mark_record(' '); }

namespace {

// The work files of a pack, beside the table: the packed table and memo file
// are built completely before anything of the originals changes, and the
// originals are kept under their own names until the new files have theirs.
struct PackFiles {
    std::string table, memo, old_table, old_memo;
};

PackFiles pack_files(const TableFile& t) {
    const std::string dir = directory_of(t.name);
    return {dir + "DB3$$$.T$$", dir + "DB3$$$.D$$", dir + "DB3$$$.TBK", dir + "DB3$$$.DBK"};
}

bool renamed(const std::string& from, const std::string& to) {
    if (rename_file(from, to)) return true;
    set_db_error(file_system().last_error(), from, " (Rename)");
    return false;
}

// Writes the kept records (and their memos) into the work files. False, with
// the database error set, when anything could not be read or written.
bool write_packed(TableFile& t, const PackFiles& pf, int32_t& kept) {
    RecordFile table, memo;
    table.open_with_cache(pf.table, kDbfCache);
    std::vector<uint8_t> head(t.header_length);
    if (!table.rewrite(1) || t.dbf.read(0, head.data(), t.header_length) != t.header_length) {
        set_db_error(100, t.name, " (Read)");
        return false;
    }
    int64_t next_free = 1;
    if (t.has_memo) {
        memo.open_with_cache(pf.memo, kDbtCache);
        uint8_t block0[kBlock] = {};
        put_le32(block0, 1);
        if (!memo.rewrite(kBlock) || memo.write(0, block0, 1) != 1) return false;
    }
    std::vector<const Field*> memos;
    for (const auto& f : t.fields)
        if (f.type == 'M') memos.push_back(&f);
    kept = 0;
    std::vector<uint8_t> record;
    for (int32_t r = 1; r <= t.count; ++r) {
        if (!read_raw(t, r, record)) {
            set_db_error(100, t.name, " (Read)");
            return false;
        }
        if (record[0] == '*') continue;
        for (const Field* f : memos) {
            std::string_view text(reinterpret_cast<const char*>(record.data()) + f->offset, f->length);
            const int32_t first = t.has_memo ? block_number(text) : 0;
            const int32_t n = first > 0 ? copy_memo(t.dbt, memo, first, next_free) : 0;
            if (n < 0) return false;
            const std::string field = n > 0 ? right_aligned(next_free, 10) : std::string();
            std::memset(record.data() + f->offset, ' ', f->length);
            std::memcpy(record.data() + f->offset, field.data(), std::min<size_t>(field.size(), f->length));
            next_free += n;
        }
        ++kept;
        if (table.write(record_offset(t, kept), record.data(), t.record_length) != t.record_length) return false;
    }
    put_le32(head.data() + 4, static_cast<uint32_t>(kept));
    const uint8_t eof = 0x1A;
    if (table.write(0, head.data(), t.header_length) != t.header_length ||
        table.write(record_offset(t, kept + 1), &eof, 1) != 1 || !table.flush())
        return false;
    if (t.has_memo) {
        uint8_t block0[kBlock];
        if (memo.read(0, block0, 1) != 1) return false;
        put_le32(block0, static_cast<uint32_t>(next_free));
        if (memo.write(0, block0, 1) != 1 || !memo.flush()) return false;
    }
    return true;
}

// Puts the work files in the place of the table and its memo file; on a
// failure every name is given back.
bool replace_originals(TableFile& t, const PackFiles& pf) {
    t.dbf.close();
    t.dbt.close();
    bool ok = true;
    if (t.has_memo && !renamed(t.memo_name, pf.old_memo)) return false;
    if (!renamed(t.name, pf.old_table)) {
        if (t.has_memo) rename_file(pf.old_memo, t.memo_name);
        return false;
    }
    if (!renamed(pf.table, t.name)) {
        ok = false;
    } else if (t.has_memo && !renamed(pf.memo, t.memo_name)) {
        rename_file(t.name, pf.table);
        ok = false;
    }
    if (!ok) {
        rename_file(pf.old_table, t.name);
        if (t.has_memo) rename_file(pf.old_memo, t.memo_name);
        return false;
    }
    erase_file(pf.old_table);
    if (t.has_memo) erase_file(pf.old_memo);
    return true;
}

// Builds an index over every record of the table in file order.
bool fill_index(TableFile& t, NdxIndex& ix) {
    std::vector<uint8_t> record;
    for (int32_t r = 1; r <= t.count; ++r) {
        if (!read_raw(t, r, record)) {
            set_db_error(100, t.name, " (Read)");
            return false;
        }
        auto key = ix.key_from_record(record.data(), record.size());
        if (key && !ix.add_key(*key, r)) return false;
    }
    return true;
}

}  // namespace

int32_t pack_table() {
    Table* t = need_current();
    if (!t) return 0;
    TableFile& file = *t->file;
    // The index files open now would keep the old record numbers: they are
    // built again from their own key expressions once the records moved,
    // also those open only in other slots on this table.
    std::vector<std::pair<std::string, std::string>> rebuild;
    for (int n = 1; n <= kTableSlots; ++n) {
        if (!tables[n] || tables[n]->file != t->file) continue;
        for (auto& ix : tables[n]->indexes)
            if (std::none_of(rebuild.begin(), rebuild.end(), [&](const auto& r) { return r.first == ix->file_name(); }))
                rebuild.emplace_back(ix->file_name(), ix->expression());
    }
    close_indexes(*t);
    const PackFiles pf = pack_files(file);
    int32_t kept = 0;
    const bool packed = write_packed(file, pf, kept) && replace_originals(file, pf);
    erase_file(pf.table);
    if (file.has_memo) erase_file(pf.memo);
    // The table files were closed for the replacement (or not, when the
    // work files failed); either way they are opened again by name.
    if (!file.dbf.is_open()) file.dbf.reset(1);
    if (file.has_memo && !file.dbt.is_open()) file.dbt.reset(kBlock);
    if (packed) {
        file.count = kept;
        file.state = TableState::Modified;
        for (const auto& [name, expression] : rebuild) {
            auto ix = NdxIndex::create(name, expression, file.lookup());
            if (ix) fill_index(file, *ix);
        }
    }
    // Every slot on the table starts again at its first record: the record
    // numbers they stood on now name other records.
    for (int n = 1; n <= kTableSlots; ++n) {
        Table* s = tables[n].get();
        if (!s || s->file != t->file) continue;
        s->current = 0;
        std::fill(s->buffer.begin(), s->buffer.end(), ' ');
        s->deleted = false;
        if (file.count > 0) move(*s, Move::First, true);
    }
    const int32_t count = file.count;
    report_db_error();
    return count;
}

// ---------------------------------------------------------------------------
// Memos

int32_t memo_to_items(std::string_view field_name) {
    Table* t = need_current();
    if (!t) return -1;
    const Field* f = t->field(field_name);
    if (!f) {
        set_db_error(602, field_name);
        report_db_error();
        return -1;
    }
    set_last_field(*t, *f, static_cast<int32_t>(f - t->file->fields.data()) + 1);
    if (f->type != 'M') {
        report_db_error();
        return -1;
    }
    item_list.clear();
    std::string_view text(reinterpret_cast<const char*>(t->buffer.data()) + f->offset, f->length);
    const int32_t first = block_number(text);
    t->memo_first_block = first;
    t->memo_block_count = 0;
    if (first <= 0 || !t->file->has_memo) {
        report_db_error();
        return 0;
    }
    const size_t width = static_cast<size_t>(std::clamp(t->memo_width, 1, 255));
    const int64_t blocks = memo_file_size_blocks(t->file->dbt);
    std::string line;
    auto add = [&](std::string s) { item_list.add(s); };
    int32_t read = 0, pos = 0;
    bool done = false;
    uint8_t b[kBlock];
    for (int64_t q = first; q < blocks && !done; ++q) {
        if (!read_block(t->file->dbt, q, b)) break;
        ++read;
        for (int i = 0; i < int(kBlock) && !done; ++i) {
            uint8_t c = b[i];
            pos = i;
            if (c == 10) continue;
            if (c == 13) {
                add(std::move(line));
                line.clear();
                continue;
            }
            if (c == 0x1A) {
                done = true;
                break;
            }
            if (c == 0x8D) {
                if (line.empty() || line.back() == ' ' || line.back() == '-') continue;
                c = ' ';
            }
            line += static_cast<char>(c);
            if (line.size() > width) {
                // The character just past the width counts too: a blank
                // there ends the line after the word that filled it.
                size_t cut = line.find_last_of(" -");
                if (cut == std::string::npos) cut = width - 1;
                add(line.substr(0, cut + 1));
                line.erase(0, cut + 1);
            }
        }
    }
    // The text before the end mark (or the end of the file) is the last line.
    // An empty one is not added: memos written from the item list end with
    // CR LF, and an added empty entry would grow each time a memo is edited.
    if (!line.empty()) add(std::move(line));
    t->memo_block_count = read;
    report_db_error();
    return read + pos;
}

int32_t items_to_memo(std::string_view field_name) {
    Table* t = need_current();
    if (!t) return 0;
    const Field* f = t->field(field_name);
    if (!f) {
        set_db_error(604, field_name);
        report_db_error();
        return 0;
    }
    set_last_field(*t, *f, static_cast<int32_t>(f - t->file->fields.data()) + 1);
    if (f->type != 'M' || !t->file->has_memo) {
        report_db_error();
        return 0;
    }
    std::string_view field_text(reinterpret_cast<const char*>(t->buffer.data()) + f->offset, f->length);
    const int32_t old = block_number(field_text);
    const int32_t old_blocks = memo_blocks(*t, old);
    std::string text;
    for (int32_t i = 0; i < item_list.size(); ++i) {
        text += item_list[i];
        text += "\r\n";
    }
    // The text ends with two end marks, as dBase writes them: other readers
    // (python3-dbf among them) read on to the pair, and with one mark they
    // would take the memos in the blocks after it as part of this one. The
    // rest of the last block is zeros.
    const int64_t need = int64_t(text.size() + 2 + kBlock - 1) / kBlock;
    const int64_t start = (old > 0 && old_blocks >= need) ? old : next_free_block(t->file->dbt);
    if (start + need > INT32_MAX / 2) {
        report_db_error();
        return 0;
    }
    std::vector<uint8_t> data(size_t(need) * kBlock, 0);
    std::memcpy(data.data(), text.data(), text.size());
    data[text.size()] = 0x1A;
    data[text.size() + 1] = 0x1A;
    if (t->file->dbt.write(start, data.data(), static_cast<int32_t>(need)) != need) {
        report_db_error();
        return 0;
    }
    uint8_t block0[kBlock];
    read_block(t->file->dbt, 0, block0);
    put_le32(block0, static_cast<uint32_t>(memo_file_blocks(t->file->dbt)));
    if (t->file->dbt.write(0, block0, 1) != 1) {
        report_db_error();
        return 0;
    }
    put_field_bytes(*t, *f, right_aligned(start, 10));
    t->memo_first_block = static_cast<int32_t>(start);
    t->memo_block_count = static_cast<int32_t>(need);
    report_db_error();
    return 1;
}

void set_memo_width(int32_t n) {
    Table* t = need_current();
    if (!t) return;
    // A width below 1 could never hold a character.
    t->memo_width = std::clamp(n, 1, 255);
    report_db_error();
}

// ---------------------------------------------------------------------------
// Indexes and searching

int32_t open_indexes(std::string_view names) {
    Table* t = need_current();
    if (!t) return 0;
    clear_db_error();
    move(*t, Move::First, true);
    close_indexes(*t);
    size_t i = 0;
    while (i < names.size() && t->indexes.size() < size_t(kMaxIndexes)) {
        while (i < names.size() && (names[i] == ' ' || names[i] == ',')) ++i;
        size_t j = i;
        while (j < names.size() && names[j] != ' ' && names[j] != ',') ++j;
        if (j > i) {
            auto ix = NdxIndex::open(index_file_name(names.substr(i, j - i)), t->lookup());
            if (ix) t->indexes.push_back(std::move(ix));
        }
        i = j;
    }
    t->indexed = !t->indexes.empty();
    bool ok = !db_error_pending();
    clear_db_error();
    return ok ? 1 : 0;
}

int32_t seek(std::string_view key, bool exact) {
    Table* t = need_current();
    if (!t) return 0;
    t->found = false;
    NdxIndex* ix = t->indexed ? t->master() : nullptr;
    if (!ix) return 0;
    std::string k(key);
    if (text_font_index == 1) k = ansi_to_oem(k);
    auto sk = ix->search_key(k, exact);
    if (!sk) return 0;
    int32_t r = ix->search(*sk);
    if (r == 0) return 0;
    if (!read_record(*t, r)) return 0;
    t->found = true;
    return r;
}

int32_t search(std::string_view field_name, std::string_view text, int32_t mode) {
    Table* t = need_current();
    if (!t) return 0;
    const Field* f = t->field(field_name);
    if (!f) {
        set_db_error(602, field_name);
        return 0;
    }
    if (t->file->count == 0) return 0;
    // Under the OEM font the fields hold OEM text. They are compared in the
    // ANSI set, where upper-casing knows the accented letters: upper-casing
    // OEM bytes by the ANSI rules would not match a small umlaut with its
    // capital and would turn some OEM letters into unrelated ones.
    const bool oem = text_font_index == 1;
    std::string needle = upper(oem ? oem_to_ansi(ansi_to_oem(text)) : std::string(text));
    std::string needle_trimmed(trim(needle));
    t->end = false;
    // Only a failure of this search ends it; an earlier error that is still
    // pending does not.
    const bool failed_before = db_error_pending();
    if (t->current < 1) move(*t, Move::First, true);
    const uint64_t limit =
        uint64_t(t->file->count) + 1 + (t->indexed && t->master() ? t->master()->max_entries() : 0);
    for (uint64_t n = 0; n < limit && !t->end && t->current >= 1; ++n) {
        std::string_view stored(reinterpret_cast<const char*>(t->buffer.data()) + f->offset, f->length);
        std::string value = upper(oem ? oem_to_ansi(stored) : std::string(stored));
        bool hit = mode == 1   ? value.compare(0, needle.size(), needle) == 0 && value.size() >= needle.size()
                   : mode == 2 ? trim(value) == needle_trimmed
                               : value.find(needle) != std::string::npos;
        if (hit) return t->current;
        int32_t before = t->current;
        move(*t, Move::Next, true);
        if (t->end || (t->current == before && !t->indexed)) break;
        if (!failed_before && db_error_pending()) break;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Creating tables and indexes

void create_table(std::string_view structure_file, std::string_view table_name) {
    int err = 0;
    auto in = file_system().open(std::string(structure_file), OpenMode::Read, err);
    if (!in) {
        set_db_error(800, structure_file);
        report_db_error();
        return;
    }
    std::string content;
    {
        int64_t size = std::min<int64_t>(in->size(), 1 << 24);
        content.resize(size_t(std::max<int64_t>(size, 0)));
        in->seek(0);
        content.resize(in->read(content.data(), content.size()));
        in.reset();
    }
    std::vector<Field> fields;
    uint32_t record_length = 1;
    size_t at = 0;
    while (at < content.size()) {
        size_t eol = content.find_first_of("\r\n", at);
        if (eol == std::string::npos) eol = content.size();
        std::string_view line(content.data() + at, eol - at);
        at = eol + 1;
        if (trim(line).empty()) continue;
        std::vector<std::string_view> parts;
        size_t s = 0;
        while (true) {
            size_t semi = line.find(';', s);
            parts.push_back(line.substr(s, semi == std::string_view::npos ? line.size() - s : semi - s));
            if (semi == std::string_view::npos) break;
            s = semi + 1;
        }
        while (parts.size() < 4) parts.push_back({});
        Field f;
        f.name = upper(trim(parts[0])).substr(0, 10);
        bool duplicate = std::any_of(fields.begin(), fields.end(), [&](const Field& g) { return g.name == f.name; });
        if (f.name.empty() || duplicate) {
            set_db_error(801, f.name);
            report_db_error();
            return;
        }
        std::string type = upper(trim(parts[1]));
        f.type = type.empty() ? 'C' : type[0];
        if (!std::strchr("CDLMN", f.type) || f.type == 0) f.type = 'C';
        auto number = [](std::string_view s, int32_t& out) {
            s = trim(s);
            return s.size() <= 6 && parse_digits(s, out);
        };
        int32_t length = 0, decimals = 0;
        if (f.type == 'D') length = 8;
        else if (f.type == 'L') length = 1;
        else if (f.type == 'M') length = 10;
        else if (!number(parts[2], length) || length == 0 || length > 255) {
            // A field length is one byte in the file.
            set_db_error(802, trim(parts[2]));
            report_db_error();
            return;
        }
        if (f.type == 'N' && !trim(parts[3]).empty() && (!number(parts[3], decimals) || decimals > length)) {
            set_db_error(803, trim(parts[3]));
            report_db_error();
            return;
        }
        f.length = static_cast<uint8_t>(length);
        f.decimals = static_cast<uint8_t>(decimals);
        record_length += f.length;
        fields.push_back(std::move(f));
        if (record_length > 65535 || 32 * fields.size() + 33 > 65535) {
            set_db_error(802, std::to_string(length));
            report_db_error();
            return;
        }
    }
    const bool memo = std::any_of(fields.begin(), fields.end(), [](const Field& f) { return f.type == 'M'; });
    const size_t header_length = 32 * fields.size() + 33;
    std::vector<uint8_t> h(header_length + 1, 0);
    Date d = today();
    h[0] = memo ? 0x83 : 0x03;
    h[1] = static_cast<uint8_t>(std::clamp(d.year - 1900, 0, 255));
    h[2] = static_cast<uint8_t>(d.month);
    h[3] = static_cast<uint8_t>(d.day);
    put_le16(&h[8], static_cast<uint32_t>(header_length));
    put_le16(&h[10], record_length);
    for (size_t i = 0; i < fields.size(); ++i) {
        uint8_t* p = &h[32 + 32 * i];
        std::memcpy(p, fields[i].name.data(), fields[i].name.size());
        p[11] = static_cast<uint8_t>(fields[i].type);
        p[16] = fields[i].length;
        p[17] = fields[i].decimals;
    }
    h[header_length - 1] = 0x0D;
    h[header_length] = 0x1A;
    const std::string name = table_file_name(table_name);
    RecordFile f;
    f.open_with_cache(name, kDbfCache);
    // The memo file goes with a table that was written, whatever error may
    // still be pending from earlier.
    const bool written = f.rewrite(1) && f.write(0, h.data(), static_cast<int32_t>(h.size())) ==
                                             static_cast<int32_t>(h.size());
    f.close_with_cache();
    if (memo && written) {
        uint8_t block0[kBlock] = {};
        put_le32(block0, 1);
        block0[4] = 0x1A;
        RecordFile m;
        m.open_with_cache(memo_file_name(name), kDbtCache);
        if (m.rewrite(kBlock)) m.write(0, block0, 1);
        m.close_with_cache();
    }
    report_db_error();
}

bool create_index(std::string_view key_expression, std::string_view index_name) {
    if (index_name.find_first_of(" ,") != std::string_view::npos) {
        raise_error(616, index_name);
        return false;
    }
    Table* t = need_current();
    if (!t) return false;
    clear_db_error();
    close_indexes(*t);
    if (trim(key_expression).empty()) {
        report_db_error();
        return false;
    }
    auto ix = NdxIndex::create(index_file_name(index_name), key_expression, t->lookup());
    if (!ix) {
        report_db_error();
        return false;
    }
    fill_index(*t->file, *ix);
    t->indexes.push_back(std::move(ix));
    t->indexed = true;
    move(*t, Move::First, true);
    report_db_error();
    return true;
}

// ---------------------------------------------------------------------------

bool parse_digits(std::string_view s, int32_t& out) {
    if (s.empty() || s.size() > 9) return false;
    int32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

std::optional<TableValue> system_value(Sys row) {
    const Table* t = current();
    auto number = [&](int32_t v) { return TableValue{t ? v : 0, {}}; };
    auto text = [&](const std::string& s) { return TableValue{0, t ? s : std::string()}; };
    switch (row) {
        case Sys::DBINFO160: return number(t ? t->file->count : 0);
        case Sys::DBINFO161: return number(t ? t->file->header_length : 0);
        case Sys::DBINFO162: return number(t ? t->file->record_length : 0);
        case Sys::DBINFO163: return number(t ? t->current : 0);
        case Sys::DBINFO164: return number(t ? t->file->field_count : 0);
        case Sys::DBINFO165: return text(t ? t->file->date_short : std::string());
        case Sys::DBINFO166: return text(t && t->last_type != ' ' ? std::string(1, t->last_type) : std::string());
        case Sys::DBINFO167: return number(t ? t->last_length : 0);
        case Sys::DBINFO168: return number(t ? t->last_decimals : 0);
        case Sys::DBINFO169: return number(t ? t->last_number : 0);
        case Sys::DBINFO170: return text(t ? t->file->date_long : std::string());
        case Sys::DBINFO171: return number(t && t->deleted ? 1 : 0);
        case Sys::DBINFO172: return number(t && t->end ? 1 : 0);
        case Sys::DBISOPEN: return number(t && t->file->state != TableState::Closed ? 1 : 0);
        case Sys::DBMODE: return number(t ? static_cast<int32_t>(t->file->state) : 0);
        case Sys::DBFIELDNAME: return text(t ? t->last_name : std::string());
        default: return std::nullopt;
    }
}

}  // namespace tolven::dbase
