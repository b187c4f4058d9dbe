// Which entries of a solid package share a block. The install worker takes
// entries in script order and skips the variants this machine does not use,
// so entries are grouped by the machines that install them (64-bit Windows,
// 32-bit Windows, both, neither): an install decodes no block it does not
// need. Entries the script takes by name elsewhere (registry data, programs
// run from the temporary folder) are grouped apart, being extracted alone.
// setup.dat, setup.bmp and setup.lic, read at start, get a block each, and
// so does each entry that no install takes in script order (the
// uninstaller, files added by name, language files, a container's
// installers): read alone from a shared block, each would decode all the
// block before it again.
// A group of 8 MiB or more is split in two, so that two cores decode at
// once, and into a block per 64 MiB (the largest dictionary) when larger,
// unless a sample of its files compressed both ways (split_sample.h) costs
// more than 1 % more in the parts: files that share much stay one block.
// Entries go, in script order, to the block holding the fewest bytes so
// far, so the blocks are decoded side by side as the worker takes them. No
// block reaches 4 GiB: one that would is cut. The plan depends on the
// inputs alone.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "files.h"
#include "pack_writer.h"

struct PlannedBlock {
    std::vector<size_t> entries;  // indexes into inputs, in package order
    std::string why;              // how its group was planned, for the block lines
};

// The blocks in the order of their first entry. sizes: each input's size;
// script: setup.dat as packed.
std::vector<PlannedBlock> PlanBlocks(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                                     const Bytes& script);

// setup.dat, setup.bmp or setup.lic: read by every installer at start.
bool IsSetupFile(const std::string& name);

// The installer's choice between a file's variants (the "__BKI_WIN64" and
// "__BKI_UNICODE" markers in a "[CopyFile]" destination) on ANSI text:
// false when this machine skips the section, as a more specific variant
// among destinations replaces it.
bool VariantSelected(const std::string& destination, const std::vector<std::string>& destinations, bool wow64);
