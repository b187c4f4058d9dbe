#include "pack_writer.h"

#include <lzma.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>

#include "block_plan.h"
#include "pack_jobs.h"
#include "package/package_format.h"

namespace pf = package_format;

namespace {

const size_t kReadChunk = 1 << 20;

double Ratio(uint64_t out, uint64_t in) { return in ? 100.0 * (double)out / (double)in : 0.0; }

bool EncoderOptions(const PackSettings& settings, uint64_t sizeHint, lzma_options_lzma& options) {
    if (lzma_lzma_preset(&options, settings.level | (settings.extreme ? LZMA_PRESET_EXTREME : 0))) return false;
    if (settings.dictionary) options.dict_size = settings.dictionary;
    // A dictionary larger than the file buys nothing and costs memory, in the
    // builder now and in the installer's decoder later.
    uint32_t fit = LZMA_DICT_SIZE_MIN;
    while (fit < sizeHint && fit < options.dict_size) fit <<= 1;
    if (fit < options.dict_size) options.dict_size = fit;
    return true;
}

}  // namespace

uint64_t EncoderMemory(const PackSettings& settings, uint64_t sizeHint) {
    lzma_options_lzma options;
    if (!EncoderOptions(settings, sizeHint, options)) return 0;
    lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    uint64_t usage = lzma_raw_encoder_memusage(filters);
    return usage == UINT64_MAX ? 0 : usage;
}

bool CompressChunks(const ChunkReader& read, uint64_t sizeHint, const PackSettings& settings, Bytes& out,
                    uint32_t& unpackedSize, std::string& error) {
    out.clear();
    unpackedSize = 0;
    lzma_options_lzma options;
    if (!EncoderOptions(settings, sizeHint, options)) {
        error = "bad compression level";
        return false;
    }

    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK) {
        error = "the LZMA encoder cannot start (out of memory?)";
        return false;
    }
    Bytes chunk(kReadChunk);
    // Room for incompressible data at once when the input is small; a large
    // one grows the output as it goes instead of reserving its whole size.
    out.resize(sizeHint < kReadChunk ? (size_t)sizeHint + sizeHint / 2 + 4096 : kReadChunk);
    stream.next_out = out.data();
    stream.avail_out = out.size();
    lzma_ret ret = LZMA_OK;
    bool ended = false;
    uint64_t total = 0;
    while (ret == LZMA_OK) {
        if (stream.avail_in == 0 && !ended) {
            int64_t got = read(chunk.data(), chunk.size());
            if (got < 0) {
                lzma_end(&stream);
                error = "cannot read it";
                return false;
            }
            total += (uint64_t)got;
            if (total >= 0xFFFFFFFFull) {
                lzma_end(&stream);
                error = "it is 4 GiB or larger; a package entry must be smaller";
                return false;
            }
            ended = got == 0;
            stream.next_in = chunk.data();
            stream.avail_in = (size_t)got;
        }
        if (stream.avail_out == 0) {
            size_t used = out.size();
            out.resize(used * 2);
            stream.next_out = out.data() + used;
            stream.avail_out = out.size() - used;
        }
        ret = lzma_code(&stream, ended ? LZMA_FINISH : LZMA_RUN);
    }
    out.resize(stream.total_out);
    lzma_end(&stream);
    if (ret != LZMA_STREAM_END || out.size() < pf::kLzmaHeaderSize) {
        error = "the LZMA encoder failed";
        return false;
    }
    unpackedSize = (uint32_t)total;
    // An empty input gives an empty output: the package stores no stream.
    if (total == 0) {
        out.clear();
        return true;
    }
    // The encoder writes "size unknown"; the installer wants the size known.
    pf::Put32(&out[5], unpackedSize);
    pf::Put32(&out[9], 0);
    return true;
}

bool StoreChunks(const ChunkReader& read, uint64_t sizeHint, Bytes& out, uint32_t& size, std::string& error) {
    out.clear();
    // Gigabytes grown a chunk at a time would be copied again at each
    // doubling.
    if (sizeHint < 0xFFFFFFFFull) out.reserve((size_t)sizeHint + kReadChunk);
    for (int64_t got = 1; got > 0;) {
        size_t at = out.size();
        out.resize(at + kReadChunk);
        got = read(out.data() + at, kReadChunk);
        out.resize(at + (got > 0 ? (size_t)got : 0));
        if (got < 0 || out.size() >= 0xFFFFFFFFull) {
            error = got < 0 ? "cannot read it" : "it is 4 GiB or larger; a block must be smaller";
            return false;
        }
    }
    size = (uint32_t)out.size();
    return true;
}

bool CompressEntry(const Bytes& data, const PackSettings& settings, Bytes& out, std::string& error) {
    size_t at = 0;
    ChunkReader read = [&](uint8_t* buffer, size_t size) -> int64_t {
        size_t n = data.size() - at < size ? data.size() - at : size;
        memcpy(buffer, data.data() + at, n);
        at += n;
        return (int64_t)n;
    };
    uint32_t unpacked;
    return CompressChunks(read, data.size(), settings, out, unpacked, error);
}

bool CompressFile(InputFile& file, uint64_t size, const PackSettings& settings, Bytes& out, uint32_t& unpackedSize,
                  std::string& error) {
    ChunkReader read = [&file](uint8_t* buffer, size_t n) { return file.Read(buffer, n); };
    return CompressChunks(read, size, settings, out, unpackedSize, error);
}

bool LayOutPackage(const std::vector<PackedEntry>& entries, Bytes& out, std::string& error) {
    out.assign(pf::kReservedSize, 0);
    Bytes directory;
    for (const PackedEntry& entry : entries) {
        if ((uint64_t)out.size() + entry.packed.size() >= 0xFFFFFFFFull - (1u << 20)) {
            error = "the package would reach 4 GiB";
            return false;
        }
        uint8_t record[pf::kRecordFixedSize];
        pf::Put32(record, (uint32_t)out.size());
        pf::Put32(record + 4, (uint32_t)entry.packed.size());
        pf::Put32(record + 8, entry.unpackedSize);
        pf::Put32(record + 12, pf::AddEntryBytes(0, entry.packed.data(), (uint32_t)entry.packed.size()));
        record[16] = (uint8_t)(entry.name.size() + 1);
        directory.insert(directory.end(), record, record + sizeof record);
        directory.insert(directory.end(), entry.name.begin(), entry.name.end());
        directory.push_back(0);
        out.insert(out.end(), entry.packed.begin(), entry.packed.end());
    }
    uint32_t directoryOffset = (uint32_t)out.size();
    out.insert(out.end(), directory.begin(), directory.end());
    out.resize(out.size() + pf::kTrailerSize);
    pf::Put32(&out[out.size() - pf::kTrailerSize + 8], directoryOffset);
    pf::Put32(&out[out.size() - pf::kTrailerSize + 12], (uint32_t)entries.size());
    SealPackage(out);
    return true;
}

void SealPackage(Bytes& package) {
    uint8_t* trailer = &package[package.size() - pf::kTrailerSize];
    uint32_t body = (uint32_t)(package.size() - pf::kTrailerSize);
    pf::WriteTrailer(trailer, pf::BodySum(package.data(), body), pf::Get32(trailer + 8), pf::Get32(trailer + 12));
}

bool LayOutSolidPackage(const std::vector<SolidEntry>& entries, const std::vector<SolidBlock>& blocks, Bytes& out,
                        std::string& error, uint32_t flags, uint64_t split, std::vector<Bytes>* dataFiles) {
    out.assign(pf::kReservedSize, 0);
    Bytes table;
    std::vector<uint32_t> firstBlocks;
    // The blocks read at start stay in the package while no data file has
    // begun: an installer shows its wizard, or says which file it misses,
    // without its data files.
    std::vector<bool> atStart(blocks.size(), true);
    for (const SolidEntry& entry : entries)
        if (entry.block < blocks.size() && !IsSetupFile(entry.name)) atStart[entry.block] = false;
    uint64_t left = 0;
    for (const SolidBlock& block : blocks) left += block.packed.size();
    if (!dataFiles && left < 0xFFFFFFFFull) out.reserve((size_t)left + (1u << 20));
    for (size_t b = 0; b < blocks.size(); b++) {
        const SolidBlock& block = blocks[b];
        if (block.stored) flags |= pf::kStoredBlocks;
        bool beside = dataFiles && !(firstBlocks.empty() && atStart[b]);
        if (beside && (firstBlocks.empty() || (!dataFiles->back().empty() &&
                                               dataFiles->back().size() + block.packed.size() > split))) {
            dataFiles->emplace_back();
            dataFiles->back().reserve((size_t)std::min<uint64_t>(left, std::max<uint64_t>(split, block.packed.size())));
            firstBlocks.push_back((uint32_t)b);
        }
        left -= block.packed.size();
        Bytes& into = beside ? dataFiles->back() : out;
        if ((uint64_t)into.size() + block.packed.size() >= 0xFFFFFFFFull - (1u << 20)) {
            error = beside ? "a data file would reach 4 GiB" : "the package would reach 4 GiB; give --split";
            return false;
        }
        uint8_t record[pf::kBlockRecordSize];
        pf::Put32(record, (uint32_t)into.size());
        pf::Put32(record + 4, (uint32_t)block.packed.size());
        pf::Put32(record + 8, block.unpackedSize);
        table.insert(table.end(), record, record + sizeof record);
        into.insert(into.end(), block.packed.begin(), block.packed.end());
    }
    uint32_t tableOffset = (uint32_t)out.size();
    out.insert(out.end(), table.begin(), table.end());
    for (size_t k = 0; k < firstBlocks.size(); k++) {
        const Bytes& file = (*dataFiles)[k];
        uint8_t record[pf::kDataFileRecordSize];
        pf::Put32(record, firstBlocks[k]);
        pf::Put32(record + 4, (uint32_t)file.size());
        pf::Put32(record + 8, pf::Crc32(0, file.data(), (uint32_t)file.size()));
        out.insert(out.end(), record, record + sizeof record);
    }
    if (dataFiles) flags |= pf::kDataFiles;
    pf::WriteSolidHeader(out.data(), (uint32_t)blocks.size(), tableOffset, flags, (uint32_t)firstBlocks.size(),
                         tableOffset + (uint32_t)table.size());
    uint32_t directoryOffset = (uint32_t)out.size();
    Bytes directory;
    for (const SolidEntry& entry : entries) {
        uint8_t record[pf::kRecordFixedSize];
        pf::Put32(record, entry.block);
        pf::Put32(record + 4, entry.offset);
        pf::Put32(record + 8, entry.size);
        pf::Put32(record + 12, entry.crc);
        record[16] = (uint8_t)(entry.name.size() + 1);
        directory.insert(directory.end(), record, record + sizeof record);
        directory.insert(directory.end(), entry.name.begin(), entry.name.end());
        directory.push_back(0);
    }
    if (flags & pf::kPackedDirectory) {
        Bytes packed;
        if (!CompressEntry(directory, PackSettings(), packed, error)) return false;
        directory.swap(packed);
    }
    out.insert(out.end(), directory.begin(), directory.end());
    out.resize(out.size() + pf::kTrailerSize);
    pf::Put32(&out[out.size() - pf::kTrailerSize + 8], directoryOffset);
    pf::Put32(&out[out.size() - pf::kTrailerSize + 12], (uint32_t)entries.size());
    SealPackage(out);
    return true;
}

namespace {

bool BuildClassic(const std::vector<PackInput>& inputs, const PackSettings& settings, Bytes& out, uint64_t& bytesIn,
                  std::string& error) {
    std::vector<std::vector<size_t>> units(inputs.size());
    for (size_t i = 0; i < inputs.size(); i++) units[i] = {i};
    UnitDone done = [&](size_t i, const PackedUnit& unit) {
        bytesIn += unit.unpackedSize;
        if (!settings.quiet)
            printf("  %-40s %10u -> %10u  %5.1f%%\n", inputs[i].name.c_str(), unit.unpackedSize,
                   (unsigned)unit.packed.size(), Ratio(unit.packed.size(), unit.unpackedSize));
    };
    std::vector<PackedUnit> streams;
    if (!CompressUnits(inputs, units, settings, done, streams, error)) return false;
    std::vector<PackedEntry> packed(inputs.size());
    for (size_t i = 0; i < inputs.size(); i++)
        packed[i] = PackedEntry{inputs[i].name, std::move(streams[i].packed), streams[i].unpackedSize};
    return LayOutPackage(packed, out, error);
}

bool BuildSolid(const std::vector<PackInput>& inputs, const Bytes& script, const PackSettings& settings, Bytes& out,
                uint64_t& bytesIn, std::string& error, std::vector<Bytes>* dataFiles) {
    std::vector<uint64_t> sizes(inputs.size(), 0);
    for (size_t i = 0; i < inputs.size(); i++) {
        InputFile file;
        std::string ignored;
        if (!file.Open(inputs[i].path, sizes[i], ignored)) sizes[i] = 0;
    }
    std::vector<PlannedBlock> plan = PlanBlocks(inputs, sizes, script);
    std::vector<std::vector<size_t>> units;
    for (const PlannedBlock& block : plan) units.push_back(block.entries);
    std::vector<SolidEntry> entries(inputs.size());
    UnitDone done = [&](size_t b, const PackedUnit& unit) {
        bytesIn += unit.unpackedSize;
        uint32_t offset = 0;
        for (size_t k = 0; k < units[b].size(); k++) {
            entries[units[b][k]] = SolidEntry{inputs[units[b][k]].name, (uint32_t)b, offset, unit.sizes[k], unit.crcs[k]};
            offset += unit.sizes[k];
        }
        if (!settings.quiet)
            printf("  block %-4u %4u entries, first %-24s %10u -> %10u  %5.1f%%  %s%s\n", (unsigned)b,
                   (unsigned)units[b].size(), inputs[units[b][0]].name.c_str(), unit.unpackedSize,
                   (unsigned)unit.packed.size(), Ratio(unit.packed.size(), unit.unpackedSize),
                   unit.stored ? "stored, " : "", plan[b].why.c_str());
    };
    std::vector<PackedUnit> streams;
    if (!CompressUnits(inputs, units, settings, done, streams, error)) return false;
    std::vector<SolidBlock> blocks(streams.size());
    for (size_t b = 0; b < streams.size(); b++)
        blocks[b] = SolidBlock{std::move(streams[b].packed), streams[b].unpackedSize, streams[b].stored};
    return LayOutSolidPackage(entries, blocks, out, error,
                              pf::kPackedDirectory | (settings.utf8Names ? pf::kUtf8Names : 0), settings.split,
                              dataFiles);
}

}  // namespace

bool BuildPackage(const std::vector<PackInput>& inputs, const Bytes& script, const PackSettings& settings, Bytes& out,
                  std::string& error, std::vector<Bytes>* dataFiles) {
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    uint64_t bytesIn = 0;
    if (settings.classic && settings.utf8Names)
        for (const PackInput& input : inputs)
            for (char c : input.name)
                if ((uint8_t)c >= 0x80) {
                    error = "the entry name '" + input.name + "' is not ASCII, which a package made with --classic " +
                            "cannot hold for a UTF-8 script; leave out --classic";
                    return false;
                }
    bool built = settings.classic ? BuildClassic(inputs, settings, out, bytesIn, error)
                                  : BuildSolid(inputs, script, settings, out, bytesIn, error, dataFiles);
    if (!built) return false;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    uint64_t bytesOut = out.size();
    if (dataFiles)
        for (const Bytes& file : *dataFiles) bytesOut += file.size();
    if (!settings.quiet)
        printf("bkpack: %u entries, %llu bytes in, %llu bytes out (%.1f%%), %.2f s\n", (unsigned)inputs.size(),
               (unsigned long long)bytesIn, (unsigned long long)bytesOut, Ratio(bytesOut, bytesIn), seconds);
    return true;
}
