#include "base/string_index.h"

#include <stdlib.h>

uint32_t StringIndex::Hash(const wchar_t* key) const {
    // FNV-1a over the units, folded as Compare folds them.
    uint32_t hash = 2166136261u;
    for (; *key; key++) hash = (hash ^ (uint32_t)(ignoreCase_ ? FoldLower(*key) : *key)) * 16777619u;
    return hash;
}

uint32_t StringIndex::Slot(const wchar_t* key, uint32_t hash) const {
    uint32_t mask = capacity_ - 1;
    for (uint32_t at = hash & mask;; at = (at + 1) & mask)
        if (slots_[at] < 0 || Compare(keys_[slots_[at]].text, key, ignoreCase_) == 0) return at;
}

// Half full at most: probes stay short. Without memory for the table the
// keys are searched one by one, slowly but rightly.
bool StringIndex::Grow() {
    uint32_t wanted = ((uint32_t)count_ + 1) * 2, capacity = capacity_ ? capacity_ : 64;
    while (capacity < wanted && capacity < 0x20000000u) capacity *= 2;
    free(slots_);
    capacity_ = 0;
    slots_ = capacity >= wanted ? (int32_t*)malloc(capacity * sizeof(int32_t)) : nullptr;
    if (!slots_) return false;
    capacity_ = capacity;
    for (uint32_t i = 0; i < capacity; i++) slots_[i] = -1;
    for (int32_t i = 0; i < count_; i++) slots_[Slot(keys_[i].text, Hash(keys_[i].text))] = i;
    return true;
}

bool StringIndex::Add(const wchar_t* key, int32_t value) {
    if ((uint32_t)(count_ + 1) * 2 > capacity_) Grow();
    uint32_t at = 0;
    if (!slots_) {
        if (Contains(key)) return false;
    } else {
        at = Slot(key, Hash(key));
        if (slots_[at] >= 0) return false;
    }
    if (count_ == room_) {
        int32_t room = room_ ? room_ * 2 : 64;
        Key* keys = (Key*)realloc(keys_, room * sizeof(Key));
        if (!keys) return false;
        keys_ = keys;
        room_ = room;
    }
    const wchar_t* text = texts_.Copy(key);
    if (!text) return false;
    keys_[count_] = {text, value};
    if (slots_) slots_[at] = count_;
    count_++;
    return true;
}

int32_t StringIndex::Find(const wchar_t* key) const {
    if (slots_) {
        int32_t index = slots_[Slot(key, Hash(key))];
        return index >= 0 ? keys_[index].value : -1;
    }
    for (int32_t i = 0; i < count_; i++)
        if (Compare(keys_[i].text, key, ignoreCase_) == 0) return keys_[i].value;
    return -1;
}

void StringIndex::Clear() {
    texts_.Clear();
    free(keys_);
    keys_ = nullptr;
    count_ = room_ = 0;
    free(slots_);
    slots_ = nullptr;
    capacity_ = 0;
}
