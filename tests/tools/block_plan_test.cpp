// How a group every machine installs is split into blocks.
#include "block_plan.h"

#include <gtest/gtest.h>

#include "support/scratch.h"

namespace {

std::string Noise(size_t size, uint32_t seed) {
    std::string bytes(size, 0);
    for (char& c : bytes) c = (char)((seed = seed * 1103515245u + 12345u) >> 24);
    return bytes;
}

// Files of the sizes given (written when bytes are), each in a "[CopyFile]".
struct Product {
    std::vector<PackInput> inputs;
    std::vector<uint64_t> sizes;
    std::string script;
    void Add(const std::wstring& path, uint64_t size, const std::string& bytes = "") {
        if (!bytes.empty()) WriteBytes(path, bytes);
        std::string name = "f" + std::to_string(inputs.size());
        inputs.push_back({name, path});
        sizes.push_back(size);
        script += "[CopyFile]\r\n" + name + "\r\n<Destination>" + name + "\r\n";
    }
    std::vector<uint64_t> Blocks() const {
        std::vector<uint64_t> totals;
        for (const PlannedBlock& block : PlanBlocks(inputs, sizes, Bytes(script.begin(), script.end()))) {
            totals.push_back(0);
            for (size_t i : block.entries) totals.back() += sizes[i];
        }
        return totals;
    }
};

// Sizes alone: missing files (nothing to sample: split), or small files
// alike (one block by the sample) that say they are large.
TEST(BlockPlan, NoBlockReachesFourGiB) {
    ScratchFolder dir;
    Product apart, alike;
    for (int i = 0; i <= 80; i++) apart.Add(dir / L"missing", i < 80 ? 10ull << 20 : 0xFFFFFFFEull);
    for (int i = 0; i < 3; i++) alike.Add(dir / std::to_wstring(i), 2ull << 30, Noise(64 << 10, 7));
    for (const Product* product : {&apart, &alike})
        for (uint64_t total : product->Blocks()) EXPECT_LE(total, 0xFFFFFFFEull);
}

// Noise shares nothing: split for the cores. Copies of one file with a byte
// changed every 512 share almost all, though no 4 KiB of them are the same.
TEST(BlockPlan, SplitsOnlyWhereThePartsShareLittle) {
    ScratchFolder dir;
    const size_t size = 3 << 20;
    Product noise, copies;
    for (int i = 0; i < 4; i++) {
        noise.Add(dir / (L"noise" + std::to_wstring(i)), size, Noise(size, 100 + i));
        std::string copy = Noise(size, 1);
        for (size_t at = i; at < size; at += 512) copy[at] = (char)i;
        copies.Add(dir / (L"copy" + std::to_wstring(i)), size, copy);
    }
    EXPECT_EQ(2u, noise.Blocks().size());
    EXPECT_EQ(1u, copies.Blocks().size());
}

}  // namespace
