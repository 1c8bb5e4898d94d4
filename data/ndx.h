// NDX index files: a B+ tree of 512-byte pages over the records of a dBase III
// table, read and written through the record-file layer and a 32-page cache.
//
// Failures set the database error (data/record_file.h):
//   2   index file missing                 -> 601 "Datei nicht gefunden"
//   100 short page transfer ("Ndx_Get" / "Ndx_Put") -> 608
//   501 numeric key text that is not a number -> 608
//   601 invalid key expression                -> 611 "Formel nicht in Ordnung"
//   901 damaged index file (header values, page numbers outside the file,
//       loops in the tree)                    -> 605 "Index-Datei nicht in Ordnung"
// Every walk over the tree is bounded, so a damaged file can end an operation
// early but never loop or read outside a page.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/record_file.h"

namespace tolven {

// A table field as the key builder needs it.
struct FieldRef {
    uint32_t offset = 0;  // within the record (the deletion flag is byte 0)
    uint32_t length = 0;
    char type = 'C';
};
// Looks up an upper-cased field name of the table.
using FieldLookup = std::function<std::optional<FieldRef>(std::string_view)>;

struct KeyPart {
    bool is_field = false;
    std::string literal;
    FieldRef field;
};

struct KeyExpression {
    std::vector<KeyPart> parts;
    bool numeric = false;     // one field of type N or D and nothing else
    uint32_t key_length = 0;  // 8 for numeric keys
};

// Parses "part+part+...": field names, or literals opened by a double quote.
// Sets database error 601 and returns nullopt when a part is neither.
std::optional<KeyExpression> parse_key_expression(std::string_view expr, const FieldLookup& lookup);

// The exact decimal conversion of a numeric key text: blanks around the
// number, a sign, digits, a decimal point and an exponent; an all-blank text
// is 0. False for anything else.
bool key_text_to_double(std::string_view text, double& out);

// Numeric key bytes (8, little-endian IEEE double) for a value.
std::string numeric_key(double v);

// Compares two keys of an index of the given type: character keys as unsigned
// bytes over the shorter length, numeric keys by value.
int compare_keys(std::string_view a, std::string_view b, bool numeric);

class NdxIndex {
    struct Shared;

public:
    static constexpr uint32_t kPageSize = 512;
    static constexpr int kCacheSlots = 32;
    static constexpr int kMaxDepth = 32;

    ~NdxIndex();
    NdxIndex(const NdxIndex&) = delete;
    NdxIndex& operator=(const NdxIndex&) = delete;

    // An index file is open once however often it is opened: every NdxIndex on
    // it is a cursor with a position of its own over one header, one page cache
    // and one file, so a page one of them writes is the page the others read.
    //
    // Opens an existing index; null (with the database error set) when the file
    // is missing or damaged or its key expression does not fit the table.
    static std::unique_ptr<NdxIndex> open(const std::string& file_name, const FieldLookup& lookup);
    // Creates the file with its header and one empty leaf, and returns it open.
    // A file that is open already is built anew in place: the cursors on it
    // then stand on no entry.
    static std::unique_ptr<NdxIndex> create(const std::string& file_name, std::string_view expr,
                                            const FieldLookup& lookup);
    // One more cursor on this cursor's file, standing on no entry.
    std::unique_ptr<NdxIndex> another() const;
    bool shares_file_with(const NdxIndex& other) const { return f_ && f_ == other.f_; }

    // Writes back the dirty cached pages and lets go of the file, which is
    // closed with its last cursor.
    void close();

    // Keys. The key of a record built from the record's bytes (exact: padded or
    // cut to the key length); nullopt with error 501 for a bad numeric text.
    std::optional<std::string> key_from_record(const uint8_t* record, size_t length) const;
    // A search key from a text: numeric indexes convert it, character indexes
    // take it as it is or, with exact, padded or cut to the key length.
    std::optional<std::string> search_key(std::string_view text, bool exact) const;

    // Search: the record of the first key that equals the key (a shorter
    // character key matches the keys beginning with it), else 0. The index is
    // left positioned where the search stopped.
    int32_t search(const std::string& key);

    // Moves; each yields the record number of the new current entry (0 on an
    // empty index). Past the ends the end/begin flag is set and the position
    // stays. After another cursor changed the tree, a move goes on from the
    // entry this one stood on, or from where its key now belongs.
    int32_t first();
    int32_t last();
    int32_t next();
    int32_t previous();

    // Positions on the entry of a record. With its key the entry is found by a
    // search; otherwise (or when that fails) by a scan from the first entry.
    bool position_on(int32_t record, const std::string* key = nullptr);

    // Keeps the index in step after a record write. existing: the record was
    // replaced (old_key, when known, is its key before the write); otherwise it
    // is new. Equal keys stay in write order. Leaves the index on the record.
    bool record_written(const std::string& new_key, int32_t record, bool existing,
                        const std::string* old_key);
    // Adds the key of a record while the index is being built; positions
    // nothing.
    bool add_key(const std::string& key, int32_t record);

    int32_t current_record() const { return current_record_; }
    const std::string& current_key() const { return current_key_; }
    bool at_begin() const { return begin_; }
    bool at_end() const { return end_; }
    bool found() const { return found_; }

    const std::string& file_name() const;
    const std::string& expression() const;
    uint32_t root() const { return f_ ? f_->root : 0; }
    uint32_t page_count() const { return f_ ? f_->page_count : 0; }
    uint32_t key_length() const { return f_ ? f_->key_length : 0; }
    uint32_t keys_per_page() const { return f_ ? f_->keys_per_page : 0; }
    bool numeric() const { return f_ && f_->numeric; }
    uint32_t entry_size() const { return f_ ? f_->entry_size : 0; }
    // An upper bound of the entries the tree can hold; walks stop there.
    uint64_t max_entries() const { return uint64_t(page_count()) * keys_per_page() + 1; }

    // Reads a page for inspection (tools); false when it cannot be read.
    bool read_page(uint32_t page, std::vector<uint8_t>& out);

private:
    struct Level {
        uint32_t page;
        int32_t pos;    // entry index in the page, from 0
        int32_t count;  // keys in the page
        bool leaf;
    };
    struct Slot {
        int64_t page = -1;
        bool dirty = false;
        std::vector<uint8_t> data;
    };
    using Page = std::vector<uint8_t>;

    struct Shared {
        RecordFile file;
        std::string expression_text;
        KeyExpression expr;
        uint32_t root = 1, page_count = 2, key_length = 0, keys_per_page = 0, entry_size = 0;
        bool numeric = false;
        // Counted up by every change of the tree, and by every new build of
        // it, so a cursor can tell that its path may be out of date.
        uint64_t version = 0, generation = 0;
        std::array<Slot, kCacheSlots> slots;
        std::vector<int> order;  // slot indices, most recently used first

        ~Shared();
        void reset_cache();
        bool write_slot(Slot& s, const char* what);
        bool flush_cache();
    };

    NdxIndex() = default;
    bool opened() const { return f_ && f_->file.is_open(); }
    static std::shared_ptr<Shared> open_elsewhere(const std::string& file_name);
    bool load_header(const FieldLookup& lookup);
    bool write_header();

    // Page access through the cache; the buffer gets the page plus room for
    // two more entries.
    bool get_page(uint32_t page, Page& buf);
    bool put_page(uint32_t page, const Page& buf);
    Slot& take_slot(uint32_t page, bool& hit);

    // Page layout helpers.
    size_t entry_at(int32_t i) const { return 4 + size_t(i) * f_->entry_size; }
    static uint32_t get32(const Page& p, size_t at);
    static void put32(Page& p, size_t at, uint32_t v);
    int32_t page_count_keys(const Page& p) const { return static_cast<int32_t>(get32(p, 0)); }
    uint32_t child(const Page& p, int32_t i) const { return get32(p, entry_at(i)); }
    uint32_t record_of(const Page& p, int32_t i) const { return get32(p, entry_at(i) + 4); }
    std::string_view key_of(const Page& p, int32_t i) const {
        return std::string_view(reinterpret_cast<const char*>(p.data()) + entry_at(i) + 8, f_->key_length);
    }
    void set_key(Page& p, int32_t i, std::string_view key) const;
    bool valid_child(uint32_t page);
    bool damaged();

    void from_root();  // empties the path before a walk from the root
    void follow_changes();
    void changed_tree();
    bool descend(const std::string& key, bool after_equal);
    bool scan_equal_keys(int32_t record, const std::string& key);
    bool position_on_new(int32_t record, const std::string& key);
    bool descend_edge(uint32_t page, bool leftmost);
    int32_t settle();  // takes the entry at the end of the path
    int32_t leave_at_end(std::vector<Level>& saved, bool at_begin);
    bool insert(const std::string& key, int32_t record);
    bool split(size_t level, Page& page);
    bool carry_up(size_t level, std::string_view key);
    bool remove_at(size_t level);
    uint32_t allocate_page();

    std::shared_ptr<Shared> f_;

    std::vector<Level> path_;
    std::string current_key_;
    int32_t current_record_ = 0;
    bool begin_ = false, end_ = false, found_ = false;
    // The path stands just before the entry it names, with no current entry:
    // the entry this cursor stood on went away under another cursor.
    bool between_ = false;
    uint64_t seen_version_ = 0, seen_generation_ = 0;
};

}  // namespace tolven
