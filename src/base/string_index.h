// StringIndex: strings looked up in constant time, each with a value; keys
// compare as Compare does, ignoring ASCII case or not. For the lists that
// grow with a product's file count (entry names, destinations, paths),
// where a linear search per file would make the whole install quadratic.
// Keys are copied into a TextPool.
#pragma once

#include <stdint.h>

#include "base/lists.h"
#include "base/text_pool.h"

class StringIndex {
public:
    explicit StringIndex(bool ignoreCase = true) : ignoreCase_(ignoreCase) {}
    ~StringIndex() { Clear(); }
    StringIndex(const StringIndex&) = delete;
    StringIndex& operator=(const StringIndex&) = delete;

    // Adds key with value (0 or more); false, and nothing changed, when key
    // is there or memory ran out.
    bool Add(const wchar_t* key, int32_t value);
    // The value stored for key; -1 when it is not there.
    int32_t Find(const wchar_t* key) const;
    bool Contains(const wchar_t* key) const { return Find(key) >= 0; }
    int32_t Count() const { return count_; }
    void Clear();

private:
    uint32_t Hash(const wchar_t* key) const;
    // The slot holding key, or the empty slot where it would go.
    uint32_t Slot(const wchar_t* key, uint32_t hash) const;
    bool Grow();

    struct Key {
        const wchar_t* text;
        int32_t value;
    };
    bool ignoreCase_;
    Key* keys_ = nullptr;       // in the order added
    int32_t count_ = 0, room_ = 0;
    TextPool texts_;            // the keys' characters
    int32_t* slots_ = nullptr;  // index into keys_, -1 empty; null: none
    uint32_t capacity_ = 0;     // a power of two
};
