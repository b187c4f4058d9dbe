// The fuzz program's input maker: a small fixed-seed generator and the
// mutations applied to a base input, most of them aimed at the kinds of
// fault a reader meets (sizes near the 32-bit limits, line breaks, quotes,
// placeholders, repeated blocks).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// xorshift64*: the same seed gives the same inputs on every machine.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint32_t Next();
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
    bool OneIn(uint32_t n) { return Below(n) == 0; }

private:
    uint64_t state_;
};

// Applies one to four mutations to data, keeping it at most maxSize bytes.
// pool gives other inputs to splice from, tokens words worth inserting.
void Mutate(Bytes& data, Random& random, const std::vector<Bytes>& pool, const std::vector<std::string>& tokens,
            size_t maxSize);
