// Variable names and the index that finds the newest variable of a name.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "values/textops.h"

namespace tolven {

constexpr int kMaxNameLength = 32;

// A name folded to upper case, with its hash. Fits in a few cache lines and
// never allocates, so lookups on the hot path stay on the stack.
struct VarName {
    uint32_t hash = 0;
    uint8_t length = 0;
    char text[kMaxNameLength] = {};

    std::string_view view() const { return {text, length}; }
    bool operator==(const VarName& o) const {
        return hash == o.hash && length == o.length && std::memcmp(text, o.text, length) == 0;
    }
};

// Folds `raw` into `out`. False when the name is longer than 32 characters:
// no variable can have such a name.
bool make_name(std::string_view raw, VarName& out);

// Maps a name to the newest entry (1-based table index, 0 = none) of one
// table. Entries chain to the previous entry of the same name, so cutting a
// table back restores what the removed entries hid, and a lookup costs the
// same however many variables exist.
class NameIndex {
public:
    NameIndex();
    void clear();

    // The newest entry of the name, 0 when none.
    int32_t newest(const VarName& name) const;

    // Records a new entry `index` of `name`; returns the entry it hides (0 when
    // none) and the slot to pass to remove().
    int32_t add(const VarName& name, int32_t index, int32_t& slot);

    // Undoes add() for the newest entry of a slot.
    void remove(int32_t slot, int32_t hidden) { slots_[static_cast<size_t>(slot)].head = hidden; }

    // True when the index should be rebuilt from the live entries (too many
    // names seen that no longer exist).
    bool crowded() const { return used_ > kRebuildAt; }

private:
    static constexpr uint32_t kSlots = 2048;
    static constexpr uint32_t kRebuildAt = 1400;
    struct Slot {
        VarName key;
        int32_t head = 0;
        uint32_t stamp = 0;  // valid when equal to generation_
    };
    std::vector<Slot> slots_;
    uint32_t generation_ = 1;
    uint32_t used_ = 0;

    uint32_t probe(const VarName& name) const;
};

}  // namespace tolven
