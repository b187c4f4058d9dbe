// Compressing a package's streams on several threads. Each stream (an entry
// of a classic package, a block of a solid one) is independent, so streams
// are compressed at once and the results kept in package order: the bytes
// are the same whatever the thread count. A solid package's unit whose data
// does not compress is stored: found from a sample (split_sample.h) before
// any time goes into coding it, else from a coded form no smaller than the
// input.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pack_writer.h"

// One stream: the inputs it holds, back to back, and what came of them.
struct PackedUnit {
    Bytes packed;
    uint32_t unpackedSize = 0;
    std::vector<uint32_t> sizes;  // of each input, as read
    std::vector<uint32_t> crcs;   // CRC-32 of each input's bytes
    bool stored = false;          // packed holds the inputs as they are
};

// Called on the calling thread for each unit, in package order.
typedef std::function<void(size_t unit, const PackedUnit& packed)> UnitDone;

// units: indexes into inputs, each list one stream. One thread per core
// unless settings.threads says otherwise. Threads wait before a unit whose
// encoder would take the memory in use past a budget, unless nothing else
// runs. On failure, the error of the first failing unit in package order.
bool CompressUnits(const std::vector<PackInput>& inputs, const std::vector<std::vector<size_t>>& units,
                   const PackSettings& settings, const UnitDone& done, std::vector<PackedUnit>& out,
                   std::string& error);
