// TextPool: strings copied into shared blocks and kept until Clear, for the
// lists that grow with a product's file count: a WString per name would
// cost its inline buffer for every one of thousands of names.
#pragma once

#include <stdint.h>

#include "base/lists.h"

class TextPool {
public:
    TextPool() = default;
    ~TextPool() { Clear(); }
    TextPool(const TextPool&) = delete;
    TextPool& operator=(const TextPool&) = delete;

    // The copy, which stays where it is until Clear; null without memory.
    const wchar_t* Copy(const wchar_t* text);
    void Clear();

private:
    PtrList blocks_;
    uint32_t left_ = 0;  // characters free at the end of the last block
};
