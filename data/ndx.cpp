#include "data/ndx.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "core/bytes.h"
#include "values/textops.h"

namespace tolven {

namespace {

constexpr uint32_t kMaxPages = 1u << 22;  // keeps every page offset below 2 GiB
constexpr uint32_t kMaxKeyLength = 100;
constexpr size_t kExpressionRoom = 487;  // header bytes 24..511, NUL included

}  // namespace

// ---------------------------------------------------------------------------
// Keys

std::optional<KeyExpression> parse_key_expression(std::string_view expr, const FieldLookup& lookup) {
    KeyExpression ke;
    std::string whole(expr);
    size_t start = 0;
    int fields = 0;
    char field_type = 'C';
    while (true) {
        size_t plus = expr.find('+', start);
        std::string_view raw = expr.substr(start, plus == std::string_view::npos ? expr.size() - start : plus - start);
        std::string part = folded(trim(raw));
        KeyPart kp;
        std::optional<FieldRef> f;
        if (!part.empty() && part[0] == '"') {
            kp.literal = part.substr(1);
            if (!kp.literal.empty() && kp.literal.back() == '"') kp.literal.pop_back();
        } else if (!part.empty() && (f = lookup(part))) {
            kp.is_field = true;
            kp.field = *f;
            ++fields;
            field_type = f->type;
        } else {
            set_db_error(601, whole + " (" + part + ")");
            return std::nullopt;
        }
        ke.parts.push_back(std::move(kp));
        if (plus == std::string_view::npos) break;
        start = plus + 1;
    }
    // A literal part makes the key a text even around a numeric field.
    ke.numeric = ke.parts.size() == 1 && fields == 1 && (field_type == 'N' || field_type == 'D');
    if (ke.numeric) {
        ke.key_length = 8;
    } else {
        for (const auto& p : ke.parts)
            ke.key_length += p.is_field ? p.field.length : static_cast<uint32_t>(p.literal.size());
    }
    return ke;
}

bool key_text_to_double(std::string_view text, double& out) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    if (b == e) {
        out = 0.0;
        return true;
    }
    bool negative = false;
    if (text[b] == '+' || text[b] == '-') {
        negative = text[b] == '-';
        ++b;
    }
    std::string_view num = text.substr(b, e - b);
    size_t i = 0, digits = 0;
    while (i < num.size() && num[i] >= '0' && num[i] <= '9') ++i, ++digits;
    if (i < num.size() && num[i] == '.') {
        ++i;
        while (i < num.size() && num[i] >= '0' && num[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < num.size() && (num[i] == 'E' || num[i] == 'e')) {
        ++i;
        if (i < num.size() && (num[i] == '+' || num[i] == '-')) ++i;
        size_t exp_digits = 0;
        while (i < num.size() && num[i] >= '0' && num[i] <= '9') ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    if (i != num.size()) return false;
    std::string clean(num);
    if (!clean.empty() && clean[0] == '.') clean.insert(clean.begin(), '0');
    double v = 0.0;
    auto res = std::from_chars(clean.data(), clean.data() + clean.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Rounds to infinity or zero.
        v = std::strtod(clean.c_str(), nullptr);
    } else if (res.ec != std::errc() || res.ptr != clean.data() + clean.size()) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

std::string numeric_key(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    std::string k(8, '\0');
    for (int i = 0; i < 8; ++i) k[static_cast<size_t>(i)] = static_cast<char>(bits >> (8 * i));
    return k;
}

int compare_keys(std::string_view a, std::string_view b, bool numeric) {
    if (numeric && a.size() >= 8 && b.size() >= 8) {
        auto ua = reinterpret_cast<const uint8_t*>(a.data());
        auto ub = reinterpret_cast<const uint8_t*>(b.data());
        bool na = ua[7] & 0x80, nb = ub[7] & 0x80;
        if (na != nb) return na ? -1 : 1;
        int r = 0;
        for (int i = 7; i >= 0; --i) {
            if (ua[i] != ub[i]) {
                r = ua[i] < ub[i] ? -1 : 1;
                break;
            }
        }
        return na ? -r : r;
    }
    size_t n = std::min(a.size(), b.size());
    int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Opening and creating

NdxIndex::~NdxIndex() { close(); }

NdxIndex::Shared::~Shared() {
    if (!file.is_open()) return;
    flush_cache();
    file.close_with_cache();
}

void NdxIndex::Shared::reset_cache() {
    for (auto& s : slots) s = Slot{};
    order.clear();
    for (int i = 0; i < kCacheSlots; ++i) order.push_back(i);
}

namespace {
// Every index file open now, under the full path of its name when it was
// opened.
struct OpenIndexFile {
    std::string full_path;
    std::weak_ptr<void> shared;
};
std::vector<OpenIndexFile> open_index_files;
}  // namespace

std::shared_ptr<NdxIndex::Shared> NdxIndex::open_elsewhere(const std::string& file_name) {
    std::shared_ptr<Shared> found;
    for (size_t i = open_index_files.size(); i-- > 0;) {
        auto shared = std::static_pointer_cast<Shared>(open_index_files[i].shared.lock());
        if (!shared || !shared->file.is_open()) {
            open_index_files.erase(open_index_files.begin() + static_cast<long>(i));
            continue;
        }
        if (!found && names_open_file(open_index_files[i].full_path, file_name)) found = std::move(shared);
    }
    return found;
}

std::unique_ptr<NdxIndex> NdxIndex::another() const {
    std::unique_ptr<NdxIndex> ix(new NdxIndex);
    ix->f_ = f_;
    if (f_) {
        ix->seen_version_ = f_->version;
        ix->seen_generation_ = f_->generation;
    }
    return ix;
}

std::unique_ptr<NdxIndex> NdxIndex::open(const std::string& file_name, const FieldLookup& lookup) {
    if (!record_file_exists(file_name)) {
        set_db_error(2, file_name);
        return nullptr;
    }
    std::unique_ptr<NdxIndex> ix(new NdxIndex);
    if (auto shared = open_elsewhere(file_name)) {
        // The expression must fit this table as well.
        if (!parse_key_expression(shared->expression_text, lookup)) return nullptr;
        if (!shared->file.allow_file_mode()) return nullptr;
        ix->f_ = std::move(shared);
        ix->seen_version_ = ix->f_->version;
        ix->seen_generation_ = ix->f_->generation;
        return ix;
    }
    ix->f_ = std::make_shared<Shared>();
    ix->f_->file.open_with_cache(file_name, 16384);
    if (!ix->f_->file.reset(1)) return nullptr;
    if (!ix->load_header(lookup)) {
        ix->f_->file.close_with_cache();
        return nullptr;
    }
    open_index_files.push_back({full_file_name(file_name), ix->f_});
    return ix;
}

bool NdxIndex::load_header(const FieldLookup& lookup) {
    uint8_t h[kPageSize];
    if (f_->file.read(0, h, kPageSize) != static_cast<int32_t>(kPageSize)) {
        set_db_error(901, f_->file.name());
        return false;
    }
    f_->root = le32(h);
    f_->page_count = le32(h + 4);
    f_->key_length = le16(h + 12);
    f_->keys_per_page = le16(h + 14);
    f_->numeric = le16(h + 16) == 1;
    f_->entry_size = le16(h + 18);
    int64_t file_pages = (f_->file.size_records() + kPageSize - 1) / kPageSize;
    bool ok = f_->page_count >= 2 && f_->page_count <= kMaxPages && f_->page_count <= file_pages &&
              f_->root >= 1 && f_->root < f_->page_count && f_->key_length >= 1 && le16(h + 16) <= 1 &&
              (!f_->numeric || f_->key_length == 8) && f_->entry_size >= f_->key_length + 8 &&
              f_->keys_per_page >= 1 && f_->entry_size * f_->keys_per_page <= 504;
    if (!ok) {
        set_db_error(901, f_->file.name());
        return false;
    }
    size_t n = 0;
    while (n < kExpressionRoom && n < 100 && h[24 + n] != 0) ++n;
    std::string_view raw(reinterpret_cast<const char*>(h + 24), n);
    size_t b = 0, e = raw.size();
    while (b < e && static_cast<unsigned char>(raw[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(raw[e - 1]) <= ' ') --e;
    f_->expression_text = std::string(raw.substr(b, e - b));
    auto ke = parse_key_expression(f_->expression_text, lookup);
    if (!ke) return false;
    f_->expr = std::move(*ke);
    f_->reset_cache();
    return true;
}

std::unique_ptr<NdxIndex> NdxIndex::create(const std::string& file_name, std::string_view expr,
                                           const FieldLookup& lookup) {
    auto ke = parse_key_expression(expr, lookup);
    if (!ke) return nullptr;
    std::string text = trim(expr).empty() ? std::string() : std::string(expr);
    {
        size_t b = 0, e = text.size();
        while (b < e && text[b] == ' ') ++b;
        while (e > b && text[e - 1] == ' ') --e;
        text = text.substr(b, e - b);
    }
    if (ke->key_length == 0 || ke->key_length > kMaxKeyLength || text.size() >= kExpressionRoom) {
        set_db_error(601, text);
        return nullptr;
    }
    std::unique_ptr<NdxIndex> ix(new NdxIndex);
    ix->f_ = open_elsewhere(file_name);
    if (ix->f_) {
        // Open through other cursors: the pages they hold belong to the tree
        // being replaced and are dropped unwritten.
        ix->f_->reset_cache();
        ++ix->f_->generation;
        if (!ix->f_->file.rewrite(1)) return nullptr;
    } else {
        ix->f_ = std::make_shared<Shared>();
        ix->f_->file.open_with_cache(file_name, 16384);
        if (!ix->f_->file.rewrite(1)) return nullptr;
        ix->f_->reset_cache();
        open_index_files.push_back({full_file_name(file_name), ix->f_});
    }
    ix->seen_generation_ = ix->f_->generation;
    ix->seen_version_ = ix->f_->version;
    ix->f_->expression_text = text;
    ix->f_->expr = std::move(*ke);
    ix->f_->numeric = ix->f_->expr.numeric;
    ix->f_->key_length = ix->f_->expr.key_length;
    ix->f_->entry_size = (ix->f_->key_length + 8 + 3) & ~3u;
    ix->f_->keys_per_page = 504 / ix->f_->entry_size;
    ix->f_->root = 1;
    ix->f_->page_count = 2;
    if (!ix->write_header()) return nullptr;
    Page empty(kPageSize + 2 * ix->f_->entry_size, 0);
    if (!ix->put_page(1, empty)) return nullptr;
    return ix;
}

bool NdxIndex::write_header() {
    uint8_t h[kPageSize] = {};
    put_le32(h, f_->root);
    put_le32(h + 4, f_->page_count);
    put_le16(h + 12, f_->key_length);
    put_le16(h + 14, f_->keys_per_page);
    put_le16(h + 16, f_->numeric ? 1 : 0);
    put_le16(h + 18, f_->entry_size);
    std::memcpy(h + 24, f_->expression_text.data(), std::min(f_->expression_text.size(), kExpressionRoom - 1));
    if (f_->file.write(0, h, kPageSize) != static_cast<int32_t>(kPageSize)) {
        set_db_error(100, "Ndx_Put");
        return false;
    }
    return true;
}

void NdxIndex::close() {
    if (!f_) return;
    // Written back with every cursor that closes: a run ended from outside
    // later loses nothing this cursor changed.
    if (f_->file.is_open()) f_->flush_cache();
    f_.reset();
    path_.clear();
    current_record_ = 0;
}

const std::string& NdxIndex::file_name() const {
    static const std::string none;
    return f_ ? f_->file.name() : none;
}

const std::string& NdxIndex::expression() const {
    static const std::string none;
    return f_ ? f_->expression_text : none;
}

// ---------------------------------------------------------------------------
// Pages and the page cache

uint32_t NdxIndex::get32(const Page& p, size_t at) { return le32(p.data() + at); }
void NdxIndex::put32(Page& p, size_t at, uint32_t v) { put_le32(p.data() + at, v); }

void NdxIndex::set_key(Page& p, int32_t i, std::string_view key) const {
    uint8_t* k = p.data() + entry_at(i) + 8;
    std::memset(k, ' ', f_->key_length);
    std::memcpy(k, key.data(), std::min<size_t>(key.size(), f_->key_length));
}

bool NdxIndex::damaged() {
    set_db_error(901, f_->file.name());
    return false;
}

bool NdxIndex::valid_child(uint32_t page) {
    if (page >= 1 && page < f_->page_count) return true;
    return damaged();
}

NdxIndex::Slot& NdxIndex::take_slot(uint32_t page, bool& hit) {
    for (size_t i = 0; i < f_->order.size(); ++i) {
        Slot& s = f_->slots[static_cast<size_t>(f_->order[i])];
        if (s.page == static_cast<int64_t>(page)) {
            int idx = f_->order[i];
            f_->order.erase(f_->order.begin() + static_cast<long>(i));
            f_->order.insert(f_->order.begin(), idx);
            hit = true;
            return s;
        }
    }
    hit = false;
    int idx = f_->order.back();
    f_->order.pop_back();
    f_->order.insert(f_->order.begin(), idx);
    Slot& s = f_->slots[static_cast<size_t>(idx)];
    if (s.dirty) f_->write_slot(s, "Ndx_Put");
    s.page = -1;
    s.dirty = false;
    if (s.data.empty()) s.data.assign(kPageSize, 0);
    return s;
}

bool NdxIndex::Shared::write_slot(Slot& s, const char* what) {
    s.dirty = false;
    if (s.page < 0) return true;
    if (file.write(s.page * int64_t(kPageSize), s.data.data(), kPageSize) != static_cast<int32_t>(kPageSize)) {
        set_db_error(100, what);
        return false;
    }
    return true;
}

bool NdxIndex::Shared::flush_cache() {
    bool ok = true;
    for (auto& s : slots)
        if (s.dirty && !write_slot(s, "Ndx_Get/Put")) ok = false;
    return ok;
}

bool NdxIndex::get_page(uint32_t page, Page& buf) {
    if (page == 0 || page >= f_->page_count) return damaged();
    bool hit;
    Slot& s = take_slot(page, hit);
    if (!hit) {
        if (f_->file.read(page * int64_t(kPageSize), s.data.data(), kPageSize) != static_cast<int32_t>(kPageSize)) {
            set_db_error(100, "Ndx_Get");
            return false;
        }
        s.page = page;
    }
    buf.assign(kPageSize + 2 * f_->entry_size, 0);
    std::memcpy(buf.data(), s.data.data(), kPageSize);
    if (get32(buf, 0) > f_->keys_per_page) return damaged();
    return true;
}

bool NdxIndex::put_page(uint32_t page, const Page& buf) {
    bool hit;
    Slot& s = take_slot(page, hit);
    std::memcpy(s.data.data(), buf.data(), kPageSize);
    s.page = page;
    s.dirty = true;
    if (!hit) return f_->write_slot(s, "Ndx_Put");
    return true;
}

bool NdxIndex::read_page(uint32_t page, std::vector<uint8_t>& out) {
    if (!opened()) return false;
    Page p;
    if (!get_page(page, p)) return false;
    out.assign(p.begin(), p.begin() + kPageSize);
    return true;
}

uint32_t NdxIndex::allocate_page() {
    if (f_->page_count >= kMaxPages) {
        damaged();
        return 0;
    }
    return f_->page_count++;
}

// ---------------------------------------------------------------------------
// Walking the tree

void NdxIndex::from_root() {
    path_.clear();
    between_ = false;
    if (!f_) return;
    seen_version_ = f_->version;
    seen_generation_ = f_->generation;
}

void NdxIndex::changed_tree() {
    seen_version_ = ++f_->version;
    seen_generation_ = f_->generation;
}

// Another cursor changed the tree since this one last looked: the path may
// name pages and places that hold other entries now. The entry this cursor
// stood on is found again by its key and record; when it went away (its key
// was changed), the cursor stands just before the first key above its key.
void NdxIndex::follow_changes() {
    if (!f_ || (seen_version_ == f_->version && seen_generation_ == f_->generation)) return;
    const bool rebuilt = seen_generation_ != f_->generation;
    seen_version_ = f_->version;
    seen_generation_ = f_->generation;
    if (path_.empty()) return;
    if (rebuilt) {
        from_root();
        current_record_ = 0;
        return;
    }
    const bool begin = begin_, end = end_, found = found_;
    const int32_t record = current_record_;
    const std::string key = current_key_;
    if (record != 0 && !between_ && scan_equal_keys(record, key)) {
        begin_ = begin;
        end_ = end;
        found_ = found;
        return;
    }
    begin_ = end_ = found_ = false;
    current_record_ = 0;
    if (!descend(key, true)) {
        path_.clear();
        return;
    }
    current_key_ = key;
    between_ = true;
}

bool NdxIndex::descend(const std::string& key, bool after_equal) {
    from_root();
    uint32_t p = f_->root;
    Page pg;
    for (int depth = 0;; ++depth) {
        if (depth >= kMaxDepth || uint32_t(depth) >= f_->page_count) return damaged();
        if (!get_page(p, pg)) return false;
        int32_t k = page_count_keys(pg);
        bool leaf = child(pg, 0) == 0;
        int32_t i = 0;
        while (i < k) {
            int c = compare_keys(key_of(pg, i), key, f_->numeric);
            if (c < 0 || (after_equal && c == 0)) ++i;
            else break;
        }
        path_.push_back({p, i, k, leaf});
        if (leaf) return true;
        p = child(pg, i);
        if (!valid_child(p)) return false;
    }
}

bool NdxIndex::descend_edge(uint32_t page, bool leftmost) {
    uint32_t p = page;
    Page pg;
    while (true) {
        if (path_.size() >= size_t(kMaxDepth) || path_.size() >= f_->page_count) return damaged();
        if (!get_page(p, pg)) return false;
        int32_t k = page_count_keys(pg);
        bool leaf = child(pg, 0) == 0;
        int32_t pos = leftmost ? 0 : (leaf ? k - 1 : k);
        path_.push_back({p, pos, k, leaf});
        if (leaf) return true;
        p = child(pg, pos);
        if (!valid_child(p)) return false;
    }
}

int32_t NdxIndex::settle() {
    const Level& L = path_.back();
    Page pg;
    if (!L.leaf || L.pos < 0 || L.pos >= L.count || !get_page(L.page, pg)) {
        current_record_ = 0;
        return 0;
    }
    current_key_.assign(key_of(pg, L.pos));
    current_record_ = static_cast<int32_t>(record_of(pg, L.pos));
    return current_record_;
}

int32_t NdxIndex::leave_at_end(std::vector<Level>& saved, bool at_begin) {
    path_ = std::move(saved);
    if (at_begin) begin_ = true;
    else end_ = true;
    return current_record_;
}

int32_t NdxIndex::first() {
    begin_ = end_ = found_ = false;
    from_root();
    current_record_ = 0;
    if (!opened() || !descend_edge(f_->root, true)) {
        end_ = true;
        return 0;
    }
    if (path_.back().count > 0) return settle();
    if (path_.size() == 1) {
        end_ = true;
        return 0;
    }
    path_.back().pos = -1;
    int32_t r = next();
    if (end_) current_record_ = 0;
    return end_ ? 0 : r;
}

int32_t NdxIndex::last() {
    begin_ = end_ = found_ = false;
    from_root();
    current_record_ = 0;
    if (!opened() || !descend_edge(f_->root, false)) {
        end_ = true;
        return 0;
    }
    if (path_.back().count > 0) return settle();
    if (path_.size() == 1) {
        end_ = true;
        return 0;
    }
    path_.back().pos = 0;
    int32_t r = previous();
    if (begin_) {
        begin_ = false;
        end_ = true;
        current_record_ = 0;
        return 0;
    }
    return r;
}

int32_t NdxIndex::next() {
    follow_changes();
    if (path_.empty() || !opened()) return first();
    begin_ = false;
    if (between_) {
        between_ = false;
        Level& B = path_.back();
        if (B.pos < B.count) return settle();
        B.pos = B.count - 1;  // on to the next leaf
    }
    std::vector<Level> saved = path_;
    Level& L = path_.back();
    if (L.pos + 1 < L.count) {
        ++L.pos;
        return settle();
    }
    for (uint32_t guard = 0; guard <= f_->page_count; ++guard) {
        while (true) {
            path_.pop_back();
            if (path_.empty()) return leave_at_end(saved, false);
            Level& P = path_.back();
            if (P.pos + 1 <= P.count) {
                ++P.pos;
                break;
            }
        }
        Page pg;
        Level& P = path_.back();
        if (!get_page(P.page, pg)) return leave_at_end(saved, false);
        uint32_t c = child(pg, P.pos);
        if (!valid_child(c) || !descend_edge(c, true)) return leave_at_end(saved, false);
        if (path_.back().count > 0) return settle();
    }
    damaged();
    return leave_at_end(saved, false);
}

int32_t NdxIndex::previous() {
    follow_changes();
    if (path_.empty() || !opened()) return first();
    end_ = false;
    between_ = false;  // the entry before the place is the one to take
    std::vector<Level> saved = path_;
    Level& L = path_.back();
    if (L.pos - 1 >= 0 && L.pos - 1 < L.count) {
        --L.pos;
        return settle();
    }
    for (uint32_t guard = 0; guard <= f_->page_count; ++guard) {
        while (true) {
            path_.pop_back();
            if (path_.empty()) return leave_at_end(saved, true);
            Level& P = path_.back();
            if (P.pos - 1 >= 0) {
                --P.pos;
                break;
            }
        }
        Page pg;
        Level& P = path_.back();
        if (!get_page(P.page, pg)) return leave_at_end(saved, true);
        uint32_t c = child(pg, P.pos);
        if (!valid_child(c) || !descend_edge(c, false)) return leave_at_end(saved, true);
        if (path_.back().count > 0) return settle();
    }
    damaged();
    return leave_at_end(saved, true);
}

int32_t NdxIndex::search(const std::string& key) {
    begin_ = end_ = found_ = false;
    current_record_ = 0;
    if (!opened() || !descend(key, false)) {
        path_.clear();
        return 0;
    }
    const Level& L = path_.back();
    if (L.pos >= L.count) return 0;
    int32_t r = settle();
    if (r != 0 && compare_keys(current_key_, key, f_->numeric) == 0) {
        found_ = true;
        return r;
    }
    return 0;
}

bool NdxIndex::position_on(int32_t record, const std::string* key) {
    if (!opened() || record <= 0) return false;
    follow_changes();
    if (!path_.empty() && current_record_ == record) return true;
    if (key && scan_equal_keys(record, *key)) return true;
    const uint64_t limit = max_entries();
    int32_t r = first();
    for (uint64_t n = 0; n < limit && !end_ && r != 0; ++n) {
        if (r == record) return true;
        r = next();
    }
    return false;
}

// Walks the run of keys equal to `key` leaf by leaf, looking at the record
// numbers in each page rather than settling on every entry, so that a key
// shared by many records is passed over quickly.
bool NdxIndex::scan_equal_keys(int32_t record, const std::string& key) {
    search(key);
    if (path_.empty()) return false;
    const uint64_t limit = max_entries();
    Page pg;
    for (uint64_t seen = 0; seen < limit;) {
        Level& L = path_.back();
        if (!L.leaf || !get_page(L.page, pg)) return false;
        for (int32_t i = std::max(L.pos, 0); i < L.count; ++i, ++seen) {
            if (key_of(pg, i) != std::string_view(key)) return false;
            if (static_cast<int32_t>(record_of(pg, i)) == record) {
                L.pos = i;
                settle();
                return true;
            }
        }
        // On to the first entry of the next leaf.
        L.pos = L.count - 1;
        next();
        if (end_ || current_record_ == 0) return false;
    }
    return false;
}

// After an insert the new entry is the last of its equal keys: the place
// after them, one step back.
bool NdxIndex::position_on_new(int32_t record, const std::string& key) {
    begin_ = end_ = found_ = false;
    if (!descend(key, true)) return false;
    Level& L = path_.back();
    if (L.pos > 0) {
        --L.pos;
        settle();
    } else {
        previous();
    }
    return current_record_ == record || position_on(record, &key);
}

// ---------------------------------------------------------------------------
// Changing the tree

bool NdxIndex::carry_up(size_t level, std::string_view key) {
    for (size_t j = level; j-- > 0;) {
        const Level& P = path_[j];
        if (P.pos < P.count) {
            Page pp;
            if (!get_page(P.page, pp)) return false;
            set_key(pp, P.pos, key);
            return put_page(P.page, pp);
        }
    }
    return true;
}

bool NdxIndex::insert(const std::string& key, int32_t record) {
    if (!descend(key, true)) return false;
    const size_t li = path_.size() - 1;
    const Level L = path_[li];
    Page pg;
    if (!get_page(L.page, pg)) return false;
    const int32_t k = L.count, pos = L.pos;
    std::memmove(pg.data() + entry_at(pos + 1), pg.data() + entry_at(pos), size_t(k - pos) * f_->entry_size);
    std::memset(pg.data() + entry_at(pos), 0, f_->entry_size);
    put32(pg, entry_at(pos) + 4, static_cast<uint32_t>(record));
    set_key(pg, pos, key);
    put32(pg, 0, static_cast<uint32_t>(k + 1));
    if (pos == k && li > 0 && !carry_up(li, key)) return false;
    if (uint32_t(k + 1) > f_->keys_per_page) return split(li, pg);
    return put_page(L.page, pg);
}

bool NdxIndex::split(size_t level, Page& pg) {
    const Level L = path_[level];
    const int32_t k = page_count_keys(pg);
    const int32_t n = L.leaf ? k : k + 1;
    const int32_t lower = n / 2, upper = n - lower;
    uint32_t new_root = 0;
    if (level == 0 && (new_root = allocate_page()) == 0) return false;
    uint32_t np = allocate_page();
    if (np == 0) return false;

    Page low(pg.size(), 0);
    std::memcpy(low.data() + 4, pg.data() + 4, size_t(lower) * f_->entry_size);
    put32(low, 0, static_cast<uint32_t>(L.leaf ? lower : lower - 1));
    std::string remembered(key_of(pg, lower - 1));

    std::memmove(pg.data() + 4, pg.data() + entry_at(lower), size_t(upper) * f_->entry_size);
    std::memset(pg.data() + entry_at(upper), 0, pg.size() - entry_at(upper));
    put32(pg, 0, static_cast<uint32_t>(L.leaf ? upper : upper - 1));

    if (!put_page(np, low) || !put_page(L.page, pg) || !write_header()) return false;

    if (level == 0) {
        Page r(pg.size(), 0);
        put32(r, 0, 1);
        put32(r, entry_at(0), np);
        set_key(r, 0, remembered);
        put32(r, entry_at(1), L.page);
        if (!put_page(new_root, r)) return false;
        f_->root = new_root;
        return write_header();
    }
    const Level P = path_[level - 1];
    Page pp;
    if (!get_page(P.page, pp)) return false;
    const int32_t pk = page_count_keys(pp);
    std::memmove(pp.data() + entry_at(P.pos + 1), pp.data() + entry_at(P.pos),
                 size_t(pk + 1 - P.pos) * f_->entry_size);
    std::memset(pp.data() + entry_at(P.pos), 0, f_->entry_size);
    put32(pp, entry_at(P.pos), np);
    set_key(pp, P.pos, remembered);
    put32(pp, 0, static_cast<uint32_t>(pk + 1));
    if (uint32_t(pk + 1) > f_->keys_per_page) return split(level - 1, pp);
    return put_page(P.page, pp);
}

bool NdxIndex::remove_at(size_t level) {
    const Level L = path_[level];
    Page pg;
    if (!get_page(L.page, pg)) return false;
    const int32_t k = page_count_keys(pg);
    const int32_t n = L.leaf ? k : k + 1;
    const int32_t pos = L.pos;
    if (pos < 0 || pos >= n) return damaged();
    std::memmove(pg.data() + entry_at(pos), pg.data() + entry_at(pos + 1), size_t(n - pos - 1) * f_->entry_size);
    std::memset(pg.data() + entry_at(n - 1), 0, f_->entry_size);
    const int32_t left = n - 1;
    if (left == 0) {
        // An emptied page stays in the file unused; an emptied root becomes an
        // empty leaf.
        std::fill(pg.begin(), pg.end(), 0);
        if (!put_page(L.page, pg)) return false;
        if (level == 0) return true;
        return remove_at(level - 1);
    }
    put32(pg, 0, static_cast<uint32_t>(L.leaf ? left : left - 1));
    if (!put_page(L.page, pg)) return false;
    if (pos == n - 1 && level > 0) return carry_up(level, key_of(pg, left - 1));
    return true;
}

bool NdxIndex::record_written(const std::string& new_key, int32_t record, bool existing,
                              const std::string* old_key) {
    if (!opened() || record <= 0) return false;
    if (existing && position_on(record, old_key)) {
        if (current_key_ == new_key) return true;
        bool ok = remove_at(path_.size() - 1);
        changed_tree();
        path_.clear();
        current_record_ = 0;
        if (!ok) return false;
    }
    bool ok = insert(new_key, record);
    changed_tree();
    path_.clear();
    current_record_ = 0;
    if (!ok) return false;
    return position_on_new(record, new_key);
}

bool NdxIndex::add_key(const std::string& key, int32_t record) {
    if (!opened() || record <= 0) return false;
    bool ok = insert(key, record);
    changed_tree();
    path_.clear();
    current_record_ = 0;
    return ok;
}

// ---------------------------------------------------------------------------

std::optional<std::string> NdxIndex::key_from_record(const uint8_t* record, size_t length) const {
    if (!f_) return std::nullopt;
    std::string text;
    for (const auto& p : f_->expr.parts) {
        if (!p.is_field) {
            text += p.literal;
            continue;
        }
        for (uint32_t i = 0; i < p.field.length; ++i) {
            size_t at = size_t(p.field.offset) + i;
            text += at < length ? static_cast<char>(record[at]) : ' ';
        }
    }
    if (f_->numeric) {
        double v;
        if (!key_text_to_double(text, v)) {
            set_db_error(501, text);
            return std::nullopt;
        }
        return numeric_key(v);
    }
    text.resize(f_->key_length, ' ');
    return text;
}

std::optional<std::string> NdxIndex::search_key(std::string_view text, bool exact) const {
    if (!f_) return std::nullopt;
    if (f_->numeric) {
        double v;
        if (!key_text_to_double(text, v)) {
            set_db_error(501, text);
            return std::nullopt;
        }
        return numeric_key(v);
    }
    std::string k(text.substr(0, f_->key_length));
    if (exact) k.resize(f_->key_length, ' ');
    return k;
}

}  // namespace tolven
