#include "base/text_pool.h"

#include <stdlib.h>
#include <string.h>

namespace {
const uint32_t kBlockChars = 8192;
}

// A text longer than a block gets a block of its own.
const wchar_t* TextPool::Copy(const wchar_t* text) {
    uint32_t size = (uint32_t)wcslen(text) + 1;
    wchar_t* at;
    if (size > left_) {
        uint32_t chars = size > kBlockChars ? size : kBlockChars;
        at = (wchar_t*)malloc(chars * sizeof(wchar_t));
        if (!at) return nullptr;
        blocks_.Push(at);
        left_ = chars;
    } else {
        at = (wchar_t*)blocks_.At(blocks_.Count() - 1) + (kBlockChars - left_);
    }
    // Nothing is placed after a text with a block of its own.
    left_ = size > kBlockChars ? 0 : left_ - size;
    memcpy(at, text, size * sizeof(wchar_t));
    return at;
}

void TextPool::Clear() {
    for (int32_t i = 0; i < blocks_.Count(); i++) free(blocks_.At(i));
    blocks_.Clear();
    left_ = 0;
}
