#include "block_plan.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "package/package_format.h"
#include "script_refs.h"

namespace {

const char kWin64[] = "__BKI_WIN64";
const char kUnicode[] = "__BKI_UNICODE";
// Entries the worker asks for by name (a BINARY registry value, a
// <TempInstall> program) are extracted alone: decoding ahead must not pass
// over them.
const unsigned k64 = 1, k32 = 2, kByName = 4;
const uint64_t kMinSplit = 4ull << 20;
const uint64_t kDictionary = 64ull << 20;
// A split may lose at most this share of the group's bytes to content
// repeated across its parts.
const uint64_t kMostLostPerMille = 20;

bool RemoveAll(std::string& text, const std::string& marker) {
    bool found = false;
    for (size_t at; (at = text.find(marker)) != std::string::npos; found = true) text.erase(at, marker.size());
    return found;
}

bool IsSetupFile(const std::string& name) {
    return SameEntryName(name, "setup.dat") || SameEntryName(name, "setup.bmp") || SameEntryName(name, "setup.lic");
}

// The machines that install each input, as the install worker reads the
// script; 0 for an entry no install takes in script order (the uninstaller,
// files added by name, language files, and every entry of a container,
// whose installers run one by one), which is read alone.
std::vector<unsigned> Machines(const std::vector<PackInput>& inputs, const Bytes& script) {
    std::vector<unsigned> machines(inputs.size(), 0);
    for (const std::string& line : ScriptLines(script))
        if (line == "[InstallContainer]") return machines;
    auto mark = [&](const std::string& name, unsigned which) {
        for (size_t i = 0; i < inputs.size(); i++)
            if (SameEntryName(inputs[i].name, name)) machines[i] |= which;
    };
    std::vector<std::pair<std::string, std::string>> copies;
    for (const EntryReference& reference : WorkerReferences(script)) {
        if (std::string(reference.section->header) == "[CopyFile]")
            copies.push_back({reference.name, reference.params[1]});
        else
            mark(reference.name, kByName);
    }
    std::vector<std::string> destinations;
    for (const auto& copy : copies) destinations.push_back(copy.second);
    for (const auto& copy : copies)
        mark(copy.first, (VariantSelected(copy.second, destinations, true) ? k64 : 0) |
                             (VariantSelected(copy.second, destinations, false) ? k32 : 0));
    return machines;
}

// The content-defined chunks of a file (cut where a rolling hash of the
// last bytes has its low 12 bits clear: some 4 KiB apart, the same cuts
// wherever the content sits), each as (hash of its bytes, size).
typedef std::vector<std::pair<uint64_t, uint32_t>> Chunks;

void AddChunks(const std::wstring& path, Chunks& chunks) {
    static uint64_t gear[256];
    if (!gear[0])
        for (uint64_t i = 0, x = 0x9E3779B97F4A7C15ull; i < 256; i++) gear[i] = (x = x * 6364136223846793005ull + 1442695040888963407ull) | 1;
    InputFile file;
    uint64_t size = 0;
    std::string ignored;
    if (!file.Open(path, size, ignored)) return;
    std::vector<uint8_t> buffer(1 << 20);
    uint64_t rolling = 0, hash = 0xCBF29CE484222325ull;
    uint32_t length = 0;
    for (int64_t got; (got = file.Read(buffer.data(), buffer.size())) > 0;)
        for (int64_t i = 0; i < got; i++) {
            rolling = (rolling << 1) + gear[buffer[i]];
            hash = (hash ^ buffer[i]) * 0x100000001B3ull;
            if (++length >= 1024 && ((rolling >> 40) & 0xFFF) == 0) {
                chunks.push_back({hash, length});
                hash = 0xCBF29CE484222325ull;
                length = 0;
            }
        }
    if (length) chunks.push_back({hash, length});
}

// Whether splitting a group into parts loses little: the bytes each part
// must hold again because another part holds them (a chunk in k parts is
// stored k times, in one block once) stay under kMostLostPerMille.
bool SplitCostsLittle(const std::vector<PackInput>& inputs, const std::vector<std::vector<size_t>>& parts,
                      uint64_t total) {
    std::unordered_map<uint64_t, std::pair<size_t, uint32_t>> seen;  // hash: (parts holding it, last part)
    std::unordered_map<uint64_t, uint32_t> sizes;
    for (size_t p = 0; p < parts.size(); p++) {
        Chunks chunks;
        for (size_t i : parts[p]) AddChunks(inputs[i].path, chunks);
        for (const auto& chunk : chunks) {
            auto found = seen.find(chunk.first);
            if (found == seen.end()) {
                seen[chunk.first] = {1, (uint32_t)p};
                sizes[chunk.first] = chunk.second;
            } else if (found->second.second != p) {
                found->second.first++;
                found->second.second = (uint32_t)p;
            }
        }
    }
    uint64_t lost = 0;
    for (const auto& chunk : seen) lost += (uint64_t)(chunk.second.first - 1) * sizes[chunk.first];
    return lost * 1000 <= total * kMostLostPerMille;
}

}  // namespace

bool VariantSelected(const std::string& destination, const std::vector<std::string>& destinations, bool wow64) {
    std::string target = destination;
    bool plain = false;
    if (RemoveAll(target, kWin64)) return wow64;
    plain = !RemoveAll(target, kUnicode);
    std::string base = target, extension = ".";
    size_t dot = target.rfind('.'), slash = target.rfind('\\');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        base = target.substr(0, dot);
        extension = target.substr(dot);
    }
    std::vector<std::string> candidates;
    if (wow64) candidates.push_back(base + kWin64 + extension);
    if (plain) candidates.push_back(base + kUnicode + extension);
    for (const std::string& candidate : candidates)
        for (const std::string& other : destinations)
            if (SameEntryName(candidate, other)) return false;
    return true;
}

std::vector<std::vector<size_t>> PlanBlocks(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                                            const Bytes& script) {
    std::vector<unsigned> machines = Machines(inputs, script);
    // Groups in the order of their first entry; a setup file is a group, and
    // so is each entry that no install takes in script order.
    std::vector<std::vector<size_t>> groups;
    std::vector<unsigned> keys;
    for (size_t i = 0; i < inputs.size(); i++) {
        unsigned key = IsSetupFile(inputs[i].name) || !machines[i] ? 100 + (unsigned)i : machines[i];
        size_t g = std::find(keys.begin(), keys.end(), key) - keys.begin();
        if (g == keys.size()) {
            keys.push_back(key);
            groups.push_back({});
        }
        groups[g].push_back(i);
    }
    std::vector<std::vector<size_t>> blocks;
    for (const std::vector<size_t>& group : groups) {
        uint64_t total = 0;
        for (size_t i : group) total += sizes[i];
        size_t parts = 1;
        if (group.size() >= 2 && total >= 2 * kMinSplit)
            parts = std::max<size_t>(2, (size_t)((total + kDictionary - 1) / kDictionary));
        parts = std::min(parts, group.size());
        std::vector<std::vector<size_t>> split(parts);
        std::vector<uint64_t> load(parts, 0);
        for (size_t i : group) {
            size_t least = std::min_element(load.begin(), load.end()) - load.begin();
            split[least].push_back(i);
            load[least] += sizes[i];
        }
        if (parts > 1 && !SplitCostsLittle(inputs, split, total)) {
            split.assign(1, group);
        }
        for (std::vector<size_t>& part : split)
            if (!part.empty()) blocks.push_back(part);
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const std::vector<size_t>& a, const std::vector<size_t>& b) { return a[0] < b[0]; });
    return blocks;
}
