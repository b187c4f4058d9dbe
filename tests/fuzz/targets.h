// The fuzz targets: each takes one input's bytes, runs a reader of the
// product on them and returns what property it broke (empty when none).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "fuzz/mutator.h"

struct FuzzTarget {
    const char* name;
    size_t maxSize;
    uint32_t limitMs;
    // How many times slower an input runs than most: a run of N inputs per
    // target gives this one N / cost.
    uint32_t cost;
    std::vector<Bytes> seeds;
    std::vector<std::string> tokens;
    // Undoes what mutation breaks but the reader checks first (a checksum,
    // a header size), so that inputs reach further in. May be null.
    void (*repair)(Bytes& input, Random& random);
    std::string (*run)(const Bytes& input);
};

// work: the folder (ending in a backslash) for input and output files.
std::vector<FuzzTarget> MakeTargets(const std::wstring& work);
