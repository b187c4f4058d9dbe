#include "block_plan.h"

#include <algorithm>
#include <string>

#include "script_refs.h"

namespace {

const char kWin64[] = "__BKI_WIN64";
const char kUnicode[] = "__BKI_UNICODE";
const unsigned k64 = 1, k32 = 2;
const uint64_t kMinSplit = 4ull << 20;
const uint64_t kDictionary = 64ull << 20;

bool RemoveAll(std::string& text, const std::string& marker) {
    bool found = false;
    for (size_t at; (at = text.find(marker)) != std::string::npos; found = true) text.erase(at, marker.size());
    return found;
}

bool IsSetupFile(const std::string& name) {
    return SameEntryName(name, "setup.dat") || SameEntryName(name, "setup.bmp") || SameEntryName(name, "setup.lic");
}

// The machines that install each input, as the install worker (or, for a
// container, its runner) reads the script.
std::vector<unsigned> Machines(const std::vector<PackInput>& inputs, const Bytes& script) {
    std::vector<unsigned> machines(inputs.size(), 0);
    auto mark = [&](const std::string& name, unsigned which) {
        for (size_t i = 0; i < inputs.size(); i++)
            if (SameEntryName(inputs[i].name, name)) machines[i] |= which;
    };
    std::vector<std::string> lines = ScriptLines(script);
    bool container = false, variants = false;
    for (const std::string& line : lines) container = container || line == "[InstallContainer]";
    for (const PackInput& input : inputs) variants = variants || input.name.find(kWin64) != std::string::npos;
    if (container) {
        for (size_t i = 0; i < inputs.size(); i++)
            machines[i] = !variants ? k64 | k32 : inputs[i].name.find(kWin64) != std::string::npos ? k64 : k32;
        return machines;
    }
    std::vector<std::pair<std::string, std::string>> copies;
    for (size_t i = 0; i < lines.size();) {
        const ScriptSection* section = FindSection(lines[i++], kWorkerReader);
        if (!section) continue;
        std::vector<std::string> p;
        for (int k = 0; k < section->lines; k++) p.push_back(i < lines.size() ? lines[i++] : std::string());
        std::string name;
        size_t at = 0;
        if (!SectionEntry(*section, p, name, at)) continue;
        if (std::string(section->header) == "[CopyFile]")
            copies.push_back({name, p[1]});
        else
            mark(name, k64 | k32);
    }
    std::vector<std::string> destinations;
    for (const auto& copy : copies) destinations.push_back(copy.second);
    for (const auto& copy : copies)
        mark(copy.first, (VariantSelected(copy.second, destinations, true) ? k64 : 0) |
                             (VariantSelected(copy.second, destinations, false) ? k32 : 0));
    // Entries the worker never names (--add) may still be asked for by
    // name: with everything else.
    for (size_t i = 0; i < inputs.size(); i++) {
        bool named = false;
        for (const auto& copy : copies) named = named || SameEntryName(copy.first, inputs[i].name);
        if (!named && machines[i] == 0) machines[i] = k64 | k32;
    }
    return machines;
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
    // Groups in the order of their first entry; a setup file is a group.
    std::vector<std::vector<size_t>> groups;
    std::vector<unsigned> keys;
    for (size_t i = 0; i < inputs.size(); i++) {
        unsigned key = IsSetupFile(inputs[i].name) ? 100 + (unsigned)i : machines[i];
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
        for (std::vector<size_t>& part : split)
            if (!part.empty()) blocks.push_back(part);
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const std::vector<size_t>& a, const std::vector<size_t>& b) { return a[0] < b[0]; });
    return blocks;
}
