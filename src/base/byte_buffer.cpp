#include "base/byte_buffer.h"

#include <stdlib.h>
#include <string.h>

bool ByteBuffer::Resize(uint32_t n, bool zeroFill) {
    if (capacity_ != 0 && capacity_ >= n) {
        size_ = n;
    } else {
        free(data_);
        uint32_t bytes = n == 0 ? 1 : n;
        data_ = (uint8_t*)malloc(bytes);
        capacity_ = data_ ? bytes : 0;
        size_ = data_ ? n : 0;
    }
    if (zeroFill && data_) memset(data_, 0, size_);
    if (firstMark > size_) firstMark = size_;
    if (secondMark > size_) secondMark = size_;
    return data_ != nullptr;
}

void ByteBuffer::Free() {
    free(data_);
    data_ = nullptr;
    size_ = capacity_ = firstMark = secondMark = 0;
}
