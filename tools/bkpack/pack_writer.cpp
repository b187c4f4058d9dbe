#include "pack_writer.h"

#include <windows.h>
#include <lzma.h>
#include <stdio.h>

#include "package/package_format.h"

namespace pf = package_format;

namespace {

double Ratio(uint64_t out, uint64_t in) { return in ? 100.0 * (double)out / (double)in : 0.0; }

}  // namespace

bool CompressEntry(const Bytes& data, const PackSettings& settings, Bytes& out, std::string& error) {
    out.clear();
    if (data.empty()) return true;
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, settings.level | (settings.extreme ? LZMA_PRESET_EXTREME : 0))) {
        error = "bad compression level";
        return false;
    }
    // A dictionary larger than the file buys nothing and costs memory, in the
    // builder now and in the installer's decoder later.
    uint32_t fit = LZMA_DICT_SIZE_MIN;
    while (fit < data.size() && fit < options.dict_size) fit <<= 1;
    if (fit < options.dict_size) options.dict_size = fit;

    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK) {
        error = "the LZMA encoder cannot start (out of memory?)";
        return false;
    }
    out.resize(data.size() + data.size() / 2 + 4096);
    stream.next_in = data.data();
    stream.avail_in = data.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    lzma_ret ret;
    while ((ret = lzma_code(&stream, LZMA_FINISH)) == LZMA_OK) {
        if (stream.avail_out == 0) {
            size_t used = out.size();
            out.resize(used * 2);
            stream.next_out = out.data() + used;
            stream.avail_out = out.size() - used;
        }
    }
    out.resize(stream.total_out);
    lzma_end(&stream);
    if (ret != LZMA_STREAM_END || out.size() < pf::kLzmaHeaderSize) {
        error = "the LZMA encoder failed";
        return false;
    }
    // The encoder writes "size unknown"; the installer wants the size known.
    pf::Put32(&out[5], (uint32_t)data.size());
    pf::Put32(&out[9], 0);
    return true;
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

bool BuildPackage(const std::vector<PackInput>& inputs, const PackSettings& settings, Bytes& out,
                  std::string& error) {
    DWORD started = GetTickCount();
    std::vector<PackedEntry> packed(inputs.size());
    uint64_t bytesIn = 0;
    for (size_t i = 0; i < inputs.size(); i++) {
        const PackInput& input = inputs[i];
        packed[i].name = input.name;
        packed[i].unpackedSize = (uint32_t)input.data.size();
        if (!CompressEntry(input.data, settings, packed[i].packed, error)) {
            error = input.name + ": " + error;
            return false;
        }
        bytesIn += input.data.size();
        if (!settings.quiet)
            printf("  %-40s %10u -> %10u  %5.1f%%\n", input.name.c_str(), (unsigned)input.data.size(),
                   (unsigned)packed[i].packed.size(), Ratio(packed[i].packed.size(), input.data.size()));
    }
    if (!LayOutPackage(packed, out, error)) return false;
    if (!settings.quiet)
        printf("bkpack: %u entries, %llu bytes in, %u bytes out (%.1f%%), %.2f s\n", (unsigned)inputs.size(),
               (unsigned long long)bytesIn, (unsigned)out.size(), Ratio(out.size(), bytesIn),
               (GetTickCount() - started) / 1000.0);
    return true;
}
