#include "block_plan.h"

#include <stdio.h>

#include <algorithm>
#include <string>

#include "package/package_format.h"
#include "script_refs.h"
#include "split_sample.h"

namespace {

const char kWin64[] = "__BKI_WIN64";
const char kUnicode[] = "__BKI_UNICODE";
// Entries the worker asks for by name (a BINARY registry value, a
// <TempInstall> program) are extracted alone: decoding ahead must not pass
// over them.
const unsigned k64 = 1, k32 = 2, kByName = 4;
const uint64_t kMinSplit = 4ull << 20;
const uint64_t kDictionary = 64ull << 20;
// A split is kept when its parts cost at most this share more than the
// whole in the sample: so little that decoding on several cores is worth it.
const uint64_t kMostCostPerMille = 10;
// A block's unpacked size is a 32-bit count, and the encoder stops short of
// 2^32 - 1 bytes.
const uint64_t kMostInBlock = 0xFFFFFFFEull;

bool RemoveAll(std::string& text, const std::string& marker) {
    bool found = false;
    for (size_t at; (at = text.find(marker)) != std::string::npos; found = true) text.erase(at, marker.size());
    return found;
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

// The group's entries in parts, in script order, each to the part holding
// the fewest bytes so far, so that the parts are decoded side by side as the
// worker takes them; to a new part when even that one has no room for it.
std::vector<std::vector<size_t>> Distribute(const std::vector<size_t>& group, const std::vector<uint64_t>& sizes,
                                            size_t parts) {
    std::vector<std::vector<size_t>> split(parts);
    std::vector<uint64_t> load(parts, 0);
    for (size_t i : group) {
        size_t least = std::min_element(load.begin(), load.end()) - load.begin();
        if (!split[least].empty() && load[least] + sizes[i] > kMostInBlock) {
            least = split.size();
            split.emplace_back();
            load.push_back(0);
        }
        split[least].push_back(i);
        load[least] += sizes[i];
    }
    split.erase(std::remove_if(split.begin(), split.end(), [](const std::vector<size_t>& p) { return p.empty(); }),
                split.end());
    return split;
}

// "+3.5%": a share in tenths of a percent.
std::string Tenths(int64_t perMille) {
    int64_t size = perMille < 0 ? -perMille : perMille;
    char text[32];
    snprintf(text, sizeof text, "%c%lld.%lld%%", perMille < 0 ? '-' : '+', (long long)(size / 10),
             (long long)(size % 10));
    return text;
}

std::string SampleCost(const SplitCost& cost, size_t parts) {
    int64_t more = cost.whole ? ((int64_t)cost.parts - (int64_t)cost.whole) * 1000 / (int64_t)cost.whole : 0;
    return "a sample costs " + Tenths(more) + " in " + std::to_string(parts) + " parts";
}

// A group in blocks, with the reason, as the block lines tell it.
std::vector<std::vector<size_t>> PlanGroup(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                                           const std::vector<size_t>& group, std::string& why) {
    uint64_t total = 0;
    for (size_t i : group) total += sizes[i];
    if (group.size() < 2 || total < 2 * kMinSplit) {
        why = group.size() < 2 ? "alone" : "one block: under 8 MiB";
        return {group};
    }
    size_t parts = std::max<size_t>(2, (size_t)((total + kDictionary - 1) / kDictionary));
    std::vector<std::vector<size_t>> split = Distribute(group, sizes, std::min(parts, group.size()));
    SplitCost cost;
    bool measured = MeasureSplit(inputs, sizes, split, cost);
    if (measured && cost.parts * 1000 <= cost.whole * (1000 + kMostCostPerMille)) {
        why = "split: " + SampleCost(cost, split.size());
        return split;
    }
    std::vector<std::vector<size_t>> one = Distribute(group, sizes, 1);
    why = measured ? "one block: " + SampleCost(cost, split.size()) + " (" + Tenths(kMostCostPerMille) +
                         " at most splits)"
                   : "one block: the sample could not be compressed";
    if (one.size() > 1) why += ", cut under 4 GiB";
    return one;
}

}  // namespace

bool IsSetupFile(const std::string& name) {
    return SameEntryName(name, "setup.dat") || SameEntryName(name, "setup.bmp") || SameEntryName(name, "setup.lic");
}

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

std::vector<PlannedBlock> PlanBlocks(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
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
    std::vector<PlannedBlock> blocks;
    for (const std::vector<size_t>& group : groups) {
        std::string why;
        for (std::vector<size_t>& part : PlanGroup(inputs, sizes, group, why)) blocks.push_back({part, why});
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const PlannedBlock& a, const PlannedBlock& b) { return a.entries[0] < b.entries[0]; });
    return blocks;
}
