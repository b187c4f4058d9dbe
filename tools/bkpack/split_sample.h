// What splitting a group of files into blocks costs, measured: LZMA gains
// from what files share (the same library code, tables, headers), much of
// it similar rather than identical, so the cost is found by compressing a
// sample of the files both ways. The sample holds pieces at the same
// offsets of every file, where files alike hold alike content, some 4 MiB
// in all; it is compressed at a fast preset with a dictionary that spans
// it, as one stream and as one stream per part. The same files give the
// same figures on every host.
#pragma once

#include <stdint.h>

#include <vector>

#include "pack_writer.h"

struct SplitCost {
    uint64_t whole = 0;  // the sample as one stream, in bytes
    uint64_t parts = 0;  // the sample as one stream per part, summed
};

// parts: indexes into inputs, each list one part in package order; sizes:
// each input's size. A file that cannot be read adds nothing. False when
// the sample could not be compressed.
// True when the sample of files (taken as above) comes out no smaller at
// the fast preset: coding them whole would take minutes and save nothing.
bool LooksIncompressible(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                         const std::vector<size_t>& files);

bool MeasureSplit(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                  const std::vector<std::vector<size_t>>& parts, SplitCost& cost);
