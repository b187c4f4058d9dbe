// ByteBuffer: a resizable byte block for file contents and window text.
// Plain C++ (malloc only), so the package builder shares it on every host.
#pragma once

#include <stdint.h>

class ByteBuffer {
public:
    ByteBuffer() = default;
    ~ByteBuffer() { Free(); }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    bool Resize(uint32_t n, bool zeroFill);
    void Free();
    uint8_t* Data() const { return data_; }
    uint32_t Size() const { return size_; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t firstMark = 0;
    uint32_t secondMark = 0;

private:
    uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
};
