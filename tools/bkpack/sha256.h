// SHA-256 (FIPS 180-4), for the digest a package manager checks an
// installer against.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

class Sha256 {
public:
    Sha256();
    void Add(const uint8_t* data, size_t size);
    // The digest as 64 upper-case hexadecimal digits; the object is spent.
    std::string HexDigest();

private:
    void Block(const uint8_t* block);

    uint32_t state_[8];
    uint8_t pending_[64];
    size_t pendingSize_ = 0;
    uint64_t total_ = 0;
};
