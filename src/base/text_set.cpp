#include "base/text_set.h"

#include <stdlib.h>

namespace {

// FNV-1a of the folded units: equal texts ignoring case hash alike.
uint32_t HashOf(const wchar_t* text) {
    uint32_t hash = 2166136261u;
    for (; *text; ++text) hash = (hash ^ FoldLower(*text)) * 16777619u;
    return hash;
}

}  // namespace

TextSet::~TextSet() { free(slots_); }

uint32_t TextSet::SlotOf(const wchar_t* text) const {
    uint32_t mask = slotCount_ - 1;
    for (uint32_t slot = HashOf(text) & mask;; slot = (slot + 1) & mask) {
        int32_t item = slots_[slot];
        if (item == 0 || Compare(texts_[item - 1], text, true) == 0) return slot;
    }
}

// Kept at most half full, so that every probe ends soon at an empty slot.
bool TextSet::Grow() {
    uint32_t count = slotCount_ ? slotCount_ * 2 : 64;
    int32_t* slots = (int32_t*)calloc(count, sizeof *slots);
    if (!slots) return false;
    free(slots_);
    slots_ = slots;
    slotCount_ = count;
    for (int32_t i = 0; i < texts_.Count(); ++i) slots_[SlotOf(texts_[i])] = i + 1;
    return true;
}

bool TextSet::Add(const wchar_t* text, uint32_t tag) {
    if ((uint32_t)(texts_.Count() + 1) * 2 > slotCount_ && !Grow()) return false;
    uint32_t slot = SlotOf(text);
    if (slots_[slot]) return false;
    texts_.AddString(text, tag);
    slots_[slot] = texts_.Count();
    return true;
}

const WString* TextSet::Find(const wchar_t* text) const {
    if (!slotCount_) return nullptr;
    int32_t item = slots_[SlotOf(text)];
    return item ? &texts_[item - 1] : nullptr;
}
