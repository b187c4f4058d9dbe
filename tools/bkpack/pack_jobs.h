// Compressing a package's entries on several threads. Each entry is one
// independent LZMA stream, so entries are compressed at once and the results
// kept in package order: the bytes are the same whatever the thread count.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pack_writer.h"

// Called on the calling thread for each entry, in package order.
typedef std::function<void(const PackedEntry& entry)> EntryDone;

// One thread per core unless settings.threads says otherwise. Threads wait
// before an entry whose encoder would take the memory in use past a budget,
// unless nothing else runs. On failure, the error of the first failing entry
// in package order.
bool CompressAll(const std::vector<PackInput>& inputs, const PackSettings& settings, const EntryDone& done,
                 std::vector<PackedEntry>& out, std::string& error);
