#include "values/store.h"

#include <memory>
#include <vector>

#include "values/low_allocator.h"
#include "values/reader.h"

namespace tolven {

namespace {

// Strings larger than this give their memory back when their entry is
// reused, so a released local that held a huge text does not pin it.
constexpr size_t kKeepCapacity = 64 * 1024;

void reset_string(VarString& s) {
    if (s.capacity() > kKeepCapacity) VarString().swap(s);
    else s.clear();
}
template <class V>
void reset_value(V& v) { v = V{}; }
void reset_value(VarString& s) { reset_string(s); }

// One table of variables: a 1-based stack of entries with a name index.
template <class V>
class Table {
public:
    struct Entry {
        VarName name;
        V value{};
        int32_t hidden = 0;  // the entry of the same name this one hides
        int32_t slot = 0;    // its slot in the name index
    };

    Table() : entries_(static_cast<size_t>(kTableCapacity) + 1) {}

    void reset() {
        count_ = 0;
        index_.clear();
        for (auto& e : entries_) reset_value(e.value);
    }

    int32_t count() const { return count_; }

    V* declare(const VarName& name) {
        if (count_ >= kTableCapacity) return nullptr;
        if (index_.crowded()) rebuild();
        Entry& e = entries_[static_cast<size_t>(++count_)];
        e.name = name;
        reset_value(e.value);
        e.hidden = index_.add(name, count_, e.slot);
        return &e.value;
    }

    V* find(const VarName& name) {
        int32_t k = index_.newest(name);
        return k == 0 ? nullptr : &entries_[static_cast<size_t>(k)].value;
    }

    void cut_to(int32_t mark) {
        while (count_ > mark && count_ > 0) {
            Entry& e = entries_[static_cast<size_t>(count_)];
            index_.remove(e.slot, e.hidden);
            --count_;
        }
    }

private:
    // Programs take the addresses of values (for DLLs), so they live where
    // 32-bit addresses reach.
    std::vector<Entry, LowAllocator<Entry>> entries_;
    int32_t count_ = 0;
    NameIndex index_;

    // Drops names whose variables are all gone.
    void rebuild() {
        index_.clear();
        for (int32_t k = 1; k <= count_; ++k) {
            Entry& e = entries_[static_cast<size_t>(k)];
            e.hidden = index_.add(e.name, k, e.slot);
        }
    }
};

struct Store {
    Table<int32_t> integers;
    Table<int32_t> longs;
    Table<VarString> strings;
    Table<double> floats;
    Table<AreaVar> areas;

    std::vector<ArrayDesc> arrays = std::vector<ArrayDesc>(static_cast<size_t>(kMaxArrays) + 1);
    int32_t array_count = 0;
    NameIndex array_index;

    // Element pools, 1-based; reserved in full on first use so references
    // into them stay valid, and low so that their addresses fit in 32 bits.
    std::vector<int32_t, LowAllocator<int32_t>> int_pool, long_pool;
    std::vector<double, LowAllocator<double>> float_pool;
    std::vector<VarString, LowAllocator<VarString>> string_pool;

    std::vector<int32_t> int_list, long_list;
    std::vector<double> float_list;
    std::vector<std::string> string_list;
    int32_t int_bound = -1, long_bound = -1, float_bound = -1, string_bound = -1;

    ParamBlock params;
};

Store& store() {
    static Store* s = new Store();  // lives for the whole process
    return *s;
}

template <class Pool>
int32_t pool_used(const Pool& pool) {
    return pool.empty() ? 0 : static_cast<int32_t>(pool.size()) - 1;
}

template <class Pool>
void grow_pool(Pool& pool, int32_t count) {
    if (pool.empty()) {
        pool.reserve(static_cast<size_t>(kPoolCapacity) + 1);
        pool.resize(1);
    }
    pool.resize(pool.size() + static_cast<size_t>(count));
}

template <class T>
void dimension(std::vector<T>& list, int32_t& bound, int32_t new_bound) {
    list.clear();
    list.shrink_to_fit();
    list.resize(static_cast<size_t>(new_bound) + 1);
    bound = new_bound;
}

}  // namespace

void reset_value_store() {
    Store& s = store();
    s.integers.reset();
    s.longs.reset();
    s.strings.reset();
    s.floats.reset();
    s.areas.reset();
    s.array_count = 0;
    s.array_index.clear();
    s.int_pool.clear();
    s.long_pool.clear();
    s.float_pool.clear();
    s.string_pool.clear();
    s.int_list.clear();
    s.long_list.clear();
    s.float_list.clear();
    s.string_list.clear();
    s.int_bound = s.long_bound = s.float_bound = s.string_bound = -1;
    s.params = ParamBlock{};
}

ScalarMark mark_scalars() {
    Store& s = store();
    return {s.integers.count(), s.longs.count(), s.strings.count(), s.floats.count()};
}

void release_scalars(const ScalarMark& mark) {
    Store& s = store();
    s.integers.cut_to(mark.integers);
    s.longs.cut_to(mark.longs);
    s.strings.cut_to(mark.strings);
    s.floats.cut_to(mark.floats);
}

int32_t* declare_integer(const VarName& name) { return store().integers.declare(name); }
int32_t* declare_long(const VarName& name) { return store().longs.declare(name); }
VarString* declare_string(const VarName& name) { return store().strings.declare(name); }
double* declare_float(const VarName& name) { return store().floats.declare(name); }
AreaVar* declare_area(const VarName& name) {
    AreaVar* a = store().areas.declare(name);
    if (a) a->name = name;
    return a;
}

int32_t array_count() { return store().array_count; }

int32_t array_room(char kind) {
    Store& s = store();
    switch (kind) {
        case kIntegerKind: return kPoolCapacity - pool_used(s.int_pool);
        case kLongKind: return kPoolCapacity - pool_used(s.long_pool);
        case kFloatKind: return kPoolCapacity - pool_used(s.float_pool);
        case kStringKind: return kPoolCapacity - pool_used(s.string_pool);
        default: return 0;
    }
}

ArrayDesc* declare_array(char kind, const VarName& name, const int32_t bound[3]) {
    Store& s = store();
    if (s.array_count >= kMaxArrays) return nullptr;
    int64_t count = 1;
    for (int d = 0; d < 3; ++d) {
        if (bound[d] < 0 || bound[d] >= kPoolCapacity) return nullptr;
        count *= static_cast<int64_t>(bound[d]) + 1;
        if (count > kPoolCapacity) return nullptr;
    }
    if (count > array_room(kind)) return nullptr;
    const int32_t n = static_cast<int32_t>(count);
    int32_t first = 0;
    switch (kind) {
        case kIntegerKind: first = pool_used(s.int_pool) + 1; grow_pool(s.int_pool, n); break;
        case kLongKind: first = pool_used(s.long_pool) + 1; grow_pool(s.long_pool, n); break;
        case kFloatKind: first = pool_used(s.float_pool) + 1; grow_pool(s.float_pool, n); break;
        case kStringKind: first = pool_used(s.string_pool) + 1; grow_pool(s.string_pool, n); break;
        default: return nullptr;
    }
    ArrayDesc& a = s.arrays[static_cast<size_t>(++s.array_count)];
    a.kind = kind;
    a.name = name;
    for (int d = 0; d < 3; ++d) a.bound[d] = bound[d];
    a.count = n;
    a.first = first;
    int32_t slot = 0;
    s.array_index.add(name, s.array_count, slot);
    return &a;
}

int32_t* find_integer(const VarName& name) { return store().integers.find(name); }
int32_t* find_long(const VarName& name) { return store().longs.find(name); }
VarString* find_string(const VarName& name) { return store().strings.find(name); }
double* find_float(const VarName& name) { return store().floats.find(name); }
AreaVar* find_area(const VarName& name) { return store().areas.find(name); }
ArrayDesc* find_array(const VarName& name) {
    Store& s = store();
    int32_t k = s.array_index.newest(name);
    return k == 0 ? nullptr : &s.arrays[static_cast<size_t>(k)];
}

namespace {
template <class R>
R* find_by_text(std::string_view text, R* (*finder)(const VarName&)) {
    VarName n;
    if (!make_name(trim(text), n)) return nullptr;
    return finder(n);
}
}  // namespace

int32_t* find_integer(std::string_view name) {
    return find_by_text<int32_t>(name, static_cast<int32_t* (*)(const VarName&)>(find_integer));
}
int32_t* find_long(std::string_view name) {
    return find_by_text<int32_t>(name, static_cast<int32_t* (*)(const VarName&)>(find_long));
}
VarString* find_string(std::string_view name) {
    return find_by_text<VarString>(name, static_cast<VarString* (*)(const VarName&)>(find_string));
}
double* find_float(std::string_view name) {
    return find_by_text<double>(name, static_cast<double* (*)(const VarName&)>(find_float));
}
AreaVar* find_area(std::string_view name) {
    return find_by_text<AreaVar>(name, static_cast<AreaVar* (*)(const VarName&)>(find_area));
}
ArrayDesc* find_array(std::string_view name) {
    return find_by_text<ArrayDesc>(name, static_cast<ArrayDesc* (*)(const VarName&)>(find_array));
}

int32_t element_index(const ArrayDesc& a, int32_t i, int32_t j, int32_t k) {
    if (i < 0 || j < 0 || k < 0 || i > a.bound[0] || j > a.bound[1] || k > a.bound[2]) return -1;
    const int64_t b1 = static_cast<int64_t>(a.bound[0]) + 1;
    const int64_t b2 = static_cast<int64_t>(a.bound[1]) + 1;
    return static_cast<int32_t>(a.first + i + b1 * (j + static_cast<int64_t>(k) * b2));
}

int32_t& integer_element(int32_t p) { return store().int_pool[static_cast<size_t>(p)]; }
int32_t& long_element(int32_t p) { return store().long_pool[static_cast<size_t>(p)]; }
double& float_element(int32_t p) { return store().float_pool[static_cast<size_t>(p)]; }
VarString& string_element(int32_t p) { return store().string_pool[static_cast<size_t>(p)]; }

void clear_array(const ArrayDesc& a) {
    Store& s = store();
    const size_t from = static_cast<size_t>(a.first);
    const size_t to = from + static_cast<size_t>(a.count);
    for (size_t p = from; p < to; ++p) {
        switch (a.kind) {
            case kIntegerKind: s.int_pool[p] = 0; break;
            case kLongKind: s.long_pool[p] = 0; break;
            case kFloatKind: s.float_pool[p] = 0.0; break;
            case kStringKind: reset_string(s.string_pool[p]); break;
            default: return;
        }
    }
}

int32_t scalar_count(char kind) {
    Store& s = store();
    switch (kind) {
        case kIntegerKind: return s.integers.count();
        case kLongKind: return s.longs.count();
        case kStringKind: return s.strings.count();
        case kFloatKind: return s.floats.count();
        case kAreaKind: return s.areas.count();
        default: return 0;
    }
}

int32_t list_bound(char kind) {
    Store& s = store();
    switch (kind) {
        case kIntegerKind: return s.int_bound;
        case kLongKind: return s.long_bound;
        case kFloatKind: return s.float_bound;
        case kStringKind: return s.string_bound;
        default: return -1;
    }
}

void dimension_list(char kind, int32_t bound) {
    if (bound < 0 || bound > kListMaxBound) return;
    Store& s = store();
    switch (kind) {
        case kIntegerKind: dimension(s.int_list, s.int_bound, bound); break;
        case kLongKind: dimension(s.long_list, s.long_bound, bound); break;
        case kFloatKind: dimension(s.float_list, s.float_bound, bound); break;
        case kStringKind: dimension(s.string_list, s.string_bound, bound); break;
        default: break;
    }
}

int32_t& integer_list(int32_t index) { return store().int_list[static_cast<size_t>(index)]; }
int32_t& long_list(int32_t index) { return store().long_list[static_cast<size_t>(index)]; }
double& float_list(int32_t index) { return store().float_list[static_cast<size_t>(index)]; }
std::string& string_list(int32_t index) { return store().string_list[static_cast<size_t>(index)]; }

ParamBlock& parameter_block() { return store().params; }

void store_result_in_param(ParamBlock& block, int n) {
    if (n < 0 || n >= kParamSlots) return;
    block.s[n] = slots.s;
    block.i[n] = slots.i;
    block.l[n] = slots.l;
    block.f[n] = slots.f;
}

}  // namespace tolven
