// The dBase III table engine: .DBF tables with .DBT memo files and NDX indexes,
// fifteen table slots and the current table.
//
// The functions below are what the table statements and functions call once
// they have read their arguments with the argument reader; each takes the
// already evaluated values and returns the function's result. Unless noted
// they act on the current table and, afterwards, report a pending database
// error (data/record_file.h) as a runtime warning with its message number and
// text. The database error stays pending, and is reported again by every
// later table function, until the index functions clear it.
//
// Table numbers outside 1..15 raise runtime error 609; selecting or closing an
// unassigned number, and record or field functions while the current table is
// unassigned, raise runtime error 610. Under error mode -1 those calls then
// return 0 / an empty string and change nothing.
#pragma once
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tokens.h"
#include "data/ndx.h"
#include "data/record_file.h"

namespace tolven::dbase {

constexpr int kTableSlots = 15;
constexpr int kMaxIndexes = 16;

// Font index of the text screen; while it is 1 (the OEM fixed font) field
// texts are converted between the OEM and the ANSI character set. The screen
// module keeps it up to date.
extern int text_font_index;
// Display date order as built from the Windows settings: the separator, then
// the letters of day, month and year in their order (".dMy" by default).
extern std::string display_date_order;

struct Date {
    int year, month, day;
};
// Today's date; replaceable for tests.
extern std::function<Date()> today;

struct Field {
    std::string name;  // upper case, without NULs and trailing blanks
    char type = 'C';   // C N D L M
    uint8_t length = 0;
    uint8_t decimals = 0;
    uint32_t offset = 0;  // within the record; byte 0 is the deletion flag
};

enum class TableState : uint8_t { Closed = 0, Open = 1, Modified = 2 };

enum class Move { First, Last, Next, Previous };

// A table file as every slot that has it open sees it: one file and memo
// file, one header and one record count, so that records and memos written
// through one slot take places no other slot takes, and each slot reads what
// the others wrote.
struct TableFile {
    std::string name, memo_name;
    std::string full_path;  // of the name when it was opened
    RecordFile dbf, dbt;
    uint8_t header[32] = {};
    TableState state = TableState::Closed;
    bool has_memo = false;
    std::string date_short, date_long;  // "dd.mm.yy", "dd.mm.yyyy"
    int32_t count = 0;
    uint16_t header_length = 0, record_length = 0;
    int32_t field_count = 0;
    std::vector<Field> fields;
    std::vector<uint8_t> append_buffer;  // a new record and the end mark after it

    const Field* field(std::string_view name) const;  // upper-cases, drops trailing blanks
    FieldLookup lookup() const;
};

// A table slot: its own position, record buffer and index cursors over a
// table file it may share with other slots.
struct Table {
    std::string file_name;  // as this slot opened it
    std::shared_ptr<TableFile> file;
    int32_t current = 0;
    std::vector<uint8_t> buffer;
    bool deleted = false, end = false, found = false;
    std::vector<std::unique_ptr<NdxIndex>> indexes;
    bool indexed = false;
    // Last accessed field.
    char last_type = ' ';
    int32_t last_length = 0, last_decimals = 0, last_number = 0;
    std::string last_name;
    int32_t memo_width = 80;
    int32_t memo_first_block = 0, memo_block_count = 0;

    NdxIndex* master() { return indexes.empty() ? nullptr : indexes.front().get(); }
    const Field* field(std::string_view name) const { return file->field(name); }
    FieldLookup lookup() const { return file->lookup(); }
};

// The slots (index 1..15; 0 unused) and the current table number.
extern std::unique_ptr<Table> tables[kTableSlots + 1];
extern int current_table;
// The current table, or null when its slot is unassigned.
Table* current();

// ---------------------------------------------------------------------------
// Functions and statements (see the table at the top for common behaviour)

// 0xD2: opens file_name (".DBF" added when it has no extension) as table n,
// closing a table still open there first, and makes it current; reads the
// first record. Database errors while opening are runtime errors. Result:
// the record count.
int32_t open_table(int32_t n, std::string_view file_name);
// 0xD3 / 0xD5: result the record count (of the table closed, for close).
int32_t select_table(int32_t n);
int32_t close_table(int32_t n);
// Closes every table and index; the shutdown step (stage Files) runs it.
void close_all_tables();

// 0xD4: first_text is the first argument's text (keywords TOP |< BOTTOM >|
// NEXT > PREV < INDEX *), first_value its numeric value; second_value is the
// optional second argument. Result: the current record number.
int32_t go_to(std::string_view first_text, int32_t first_value, std::optional<int32_t> second_value);

// 0xD6 / 0xD7: the field's bytes as stored (blanks included).
std::string read_field(std::string_view name);
std::string read_field(int32_t number);
// 0xDD / 0xDE: 1 when the value was accepted into the record buffer, else 0.
int32_t write_field(std::string_view name, std::string_view value);
int32_t write_field(int32_t number, std::string_view value);

// 0xDF: writes the buffer to record n (0: the current one; negative or above
// the count: a new record). 0xE3: appends the buffer as a new record and
// blanks it; reports nothing. 0xE0 / 0xE1: marks the current record deleted /
// valid and writes it. 0xE2: packs. Results as in the function table.
int32_t write_record(int32_t n);
int32_t append_record();
int32_t delete_record();
int32_t recall_record();
int32_t pack_table();

// 0x47: memo into the item list; -1 when the field is not a memo field.
int32_t memo_to_items(std::string_view field_name);
// 0x48: item list into the memo; 1 or 0.
int32_t items_to_memo(std::string_view field_name);
// 0x39
void set_memo_width(int32_t n);

// 0xD8: opens index files (names separated by blanks or commas) for the
// current table; 1 when that caused no database error. Reports nothing.
int32_t open_indexes(std::string_view names);
// 0xDB: seeks the key in the master index; record number or 0. Reports nothing.
int32_t seek(std::string_view key, bool exact);
// 0xDC: searches forward from the current record; mode 0 contains, 1 starts
// with, 2 equals (trimmed). Record number or 0. Reports nothing.
int32_t search(std::string_view field_name, std::string_view text, int32_t mode = 0);

// 0xF9: creates an empty table from a structure file (name;type;length;dec
// per line); database errors are reported as runtime warnings.
void create_table(std::string_view structure_file, std::string_view table_name);
// 0xF8: creates index_name over the current table with the key expression and
// makes it the only index; a name with a blank or comma raises runtime error
// 616. Returns true when the index was made.
bool create_index(std::string_view key_expression, std::string_view index_name);

// 0xE4 "DTOC$" and 0xE5 "CTOD$".
std::string dtoc(std::string_view yyyymmdd);
std::string ctod(std::string_view display);

// ---------------------------------------------------------------------------
// Values for the system variables (0 / empty without a current table); the
// token table says which slot each goes to.

struct TableValue {
    int32_t number = 0;
    std::string text;
};
// The rows of the current table:
//   DBINFO160 record count            DBINFO161 header length
//   DBINFO162 record length           DBINFO163 current record
//   DBINFO164 field count             DBINFO165 date of the last update "dd.mm.yy"
//   DBINFO166 last field's type letter DBINFO167 last field's length
//   DBINFO168 its decimals            DBINFO169 its number
//   DBINFO170 date "dd.mm.yyyy"       DBINFO171 deleted flag
//   DBINFO172 end flag                DBISOPEN  1 when open
//   DBMODE    state 0..2              DBFIELDNAME last field's name
// nullopt for the other system variables.
std::optional<TableValue> system_value(Sys row);

// ---------------------------------------------------------------------------
// Engine pieces shared with the index code, the record dialogs and tools.

std::string table_file_name(std::string_view name);  // ".DBF" added
std::string index_file_name(std::string_view name);  // ".NDX" added
// Moves (with or without reading the record) and reads record r.
void move(Table& t, Move m, bool read);
bool read_record(Table& t, int32_t r);
// Writes the buffer as record b (append when outside 1..count) and keeps the
// open indexes in step.
void put_record(Table& t, int32_t b);
// Reports a pending database error as a runtime warning. A cancelled warning
// ends the run, and the shutdown step frees the tables: callers take their
// results from the table before reporting.
void report_db_error();
// Field `number` (1..field count) of the record buffer as the field read
// gives it (OEM text converted while the OEM font is in use), and the field
// write into the buffer (false when the value is refused); neither reports.
std::string field_text(Table& t, int32_t number);
bool store_field_text(Table& t, int32_t number, std::string_view value);
// Field `number` of the buffer set to blanks, whatever its type.
void blank_field(Table& t, int32_t number);
// A number the files write as bare digits (block numbers, dates, lengths in
// the structure file): 1 to 9 decimal digits and nothing else.
bool parse_digits(std::string_view s, int32_t& out);

}  // namespace tolven::dbase
