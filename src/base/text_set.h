// TextSet: texts compared ignoring ASCII case, as Compare(.., true) does,
// found by hash, so that a look-up costs the same however many there are.
// Each text keeps the tag it was added with.
#pragma once

#include <stdint.h>

#include "base/lists.h"

class TextSet {
public:
    TextSet() = default;
    ~TextSet();
    TextSet(const TextSet&) = delete;
    TextSet& operator=(const TextSet&) = delete;

    // Adds text with tag unless an equal text is there (the earlier one and
    // its tag stay) or memory ran out; false then.
    bool Add(const wchar_t* text, uint32_t tag = 0);
    // The equal text, or null.
    const WString* Find(const wchar_t* text) const;
    int32_t Count() const { return texts_.Count(); }

private:
    // The slot holding text, or the empty one where it belongs.
    uint32_t SlotOf(const wchar_t* text) const;
    bool Grow();

    StringList texts_;
    // Each slot holds an index into texts_ plus one; 0 is empty.
    int32_t* slots_ = nullptr;
    uint32_t slotCount_ = 0;
};
