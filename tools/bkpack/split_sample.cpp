#include "split_sample.h"

#include <algorithm>
#include <string>

namespace {

const uint64_t kBudget = 4ull << 20;
// Whether data compresses at all shows in much less: random bytes grow by
// the same share in any piece.
const uint64_t kProbeBudget = 128ull << 10;
// Pieces of 16 KiB hold a stretch of code or a table whole; with thousands
// of files each gives less, but at least 512 bytes (its header, say).
const uint64_t kPieceMost = 16ull << 10;
const uint64_t kPieceLeast = 512;
// The dictionary spans the sample; the sample of many thousand files,
// larger than the budget, is measured within 16 MiB.
const uint32_t kDictionaryMost = 16u << 20;

// Up to size bytes from offset, appended; fewer at the end of the file.
void ReadPiece(InputFile& file, uint64_t offset, uint64_t size, Bytes& out) {
    if (!file.Seek(offset)) return;
    size_t at = out.size(), got = 0;
    out.resize(at + (size_t)size);
    for (int64_t n; got < size && (n = file.Read(out.data() + at + got, (size_t)size - got)) > 0;) got += (size_t)n;
    out.resize(at + got);
}

// Preset 1, not 0: at 0 the parts of incompressible data come out some
// 0.6 % smaller than the whole (its greedy matches cost more over longer
// distances), which would hide as much of what the parts share; at 1 they
// cost the same, and it runs as fast.
uint64_t CompressedSize(const Bytes& sample, bool& ok) {
    PackSettings settings;
    settings.level = 1;
    settings.dictionary = kDictionaryMost;
    Bytes out;
    std::string error;
    ok = CompressEntry(sample, settings, out, error) && ok;
    return out.size();
}

}  // namespace

namespace {

// The pieces of each of files (sorted), indexed by input.
std::vector<Bytes> Samples(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                           const std::vector<size_t>& files, uint64_t budget) {
    uint64_t count = files.size(), total = 0;
    for (size_t i : files) total += sizes[i];
    uint64_t piece = std::min(kPieceMost, std::max(kPieceLeast, budget / count));
    uint64_t perFile = std::max<uint64_t>(1, budget / (count * piece));
    // Spread over a file of the mean size; the same offsets in every file.
    uint64_t stride = std::max(piece, total / count / perFile);
    std::vector<Bytes> samples(inputs.size());
    for (size_t i : files) {
        InputFile file;
        uint64_t size = 0;
        std::string ignored;
        if (!file.Open(inputs[i].path, size, ignored)) continue;
        for (uint64_t k = 0; k < perFile && k * stride < size; k++) ReadPiece(file, k * stride, piece, samples[i]);
    }
    return samples;
}

Bytes Joined(const std::vector<Bytes>& samples, const std::vector<size_t>& files) {
    Bytes joined;
    for (size_t i : files) joined.insert(joined.end(), samples[i].begin(), samples[i].end());
    return joined;
}

}  // namespace

bool LooksIncompressible(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                         const std::vector<size_t>& files) {
    if (files.empty()) return false;
    Bytes whole = Joined(Samples(inputs, sizes, files, kProbeBudget), files);
    bool ok = true;
    uint64_t packed = CompressedSize(whole, ok);
    return ok && !whole.empty() && packed >= whole.size();
}

bool MeasureSplit(const std::vector<PackInput>& inputs, const std::vector<uint64_t>& sizes,
                  const std::vector<std::vector<size_t>>& parts, SplitCost& cost) {
    std::vector<size_t> files;
    for (const std::vector<size_t>& part : parts) files.insert(files.end(), part.begin(), part.end());
    std::sort(files.begin(), files.end());
    cost = SplitCost();
    if (files.empty()) return true;
    std::vector<Bytes> samples = Samples(inputs, sizes, files, kBudget);
    bool ok = true;
    cost.whole = CompressedSize(Joined(samples, files), ok);
    for (const std::vector<size_t>& part : parts) cost.parts += CompressedSize(Joined(samples, part), ok);
    return ok;
}
