#include "values/names.h"

namespace tolven {

bool make_name(std::string_view raw, VarName& out) {
    if (raw.size() > static_cast<size_t>(kMaxNameLength)) return false;
    uint32_t h = 2166136261u;
    for (size_t k = 0; k < raw.size(); ++k) {
        const unsigned char c = fold_upper(static_cast<unsigned char>(raw[k]));
        out.text[k] = static_cast<char>(c);
        h = (h ^ c) * 16777619u;
    }
    out.length = static_cast<uint8_t>(raw.size());
    out.hash = h;
    return true;
}

NameIndex::NameIndex() : slots_(kSlots) {}

void NameIndex::clear() {
    used_ = 0;
    if (++generation_ == 0) {
        for (Slot& s : slots_) s.stamp = 0;
        generation_ = 1;
    }
}

uint32_t NameIndex::probe(const VarName& name) const {
    uint32_t i = name.hash & (kSlots - 1);
    while (slots_[i].stamp == generation_ && !(slots_[i].key == name)) i = (i + 1) & (kSlots - 1);
    return i;
}

int32_t NameIndex::newest(const VarName& name) const {
    const Slot& s = slots_[probe(name)];
    return s.stamp == generation_ ? s.head : 0;
}

int32_t NameIndex::add(const VarName& name, int32_t index, int32_t& slot) {
    uint32_t i = probe(name);
    Slot& s = slots_[i];
    int32_t hidden = 0;
    if (s.stamp == generation_) {
        hidden = s.head;
    } else {
        s.stamp = generation_;
        s.key = name;
        ++used_;
    }
    s.head = index;
    slot = static_cast<int32_t>(i);
    return hidden;
}

}  // namespace tolven
