// The one process-wide list of strings shared by list dialogs, list
// functions, file listings, font lists, ODBC results and memo fields.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolven {

class ItemList {
public:
    static constexpr int32_t kCapacity = 32768;

    ItemList() { entries_.reserve(kCapacity); }

    void clear() { entries_.clear(); }
    // False (and nothing changes) when the list is full; callers raise
    // runtime error 232.
    bool add(std::string_view s) {
        if (static_cast<int32_t>(entries_.size()) >= kCapacity) return false;
        entries_.emplace_back(s);
        return true;
    }
    // False when index is outside 0..last; callers raise runtime error 233.
    bool set(int32_t index, std::string_view s) {
        if (index < 0 || index > last_index()) return false;
        entries_[static_cast<size_t>(index)] = std::string(s);
        return true;
    }
    // Leaves dest unchanged and returns false when index is outside 0..last.
    bool get(int32_t index, std::string& dest) const {
        if (index < 0 || index > last_index()) return false;
        dest = entries_[static_cast<size_t>(index)];
        return true;
    }
    // -1 when empty.
    int32_t last_index() const { return static_cast<int32_t>(entries_.size()) - 1; }
    int32_t size() const { return static_cast<int32_t>(entries_.size()); }
    const std::string& operator[](int32_t i) const { return entries_[static_cast<size_t>(i)]; }

private:
    std::vector<std::string> entries_;
};

extern ItemList item_list;

}  // namespace tolven
