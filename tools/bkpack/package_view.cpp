#include "package_view.h"

#include <string.h>

#include "package/lzma_decode.h"
#include "package/package_format.h"
#include "pe_resources.h"

namespace pf = package_format;

namespace {

struct Stream {
    const uint8_t* data;
    uint32_t left;
    const EntrySink* sink;
};

uint32_t ReadPacked(void* context, uint8_t* buffer, uint32_t size) {
    Stream& stream = *static_cast<Stream*>(context);
    uint32_t n = size < stream.left ? size : stream.left;
    memcpy(buffer, stream.data, n);
    stream.data += n;
    stream.left -= n;
    return n;
}

bool WriteDecoded(void* context, const uint8_t* data, uint32_t size) {
    return (*static_cast<Stream*>(context)->sink)(data, size);
}

}  // namespace

bool LoadPackage(const std::wstring& path, Bytes& out, std::string& error) {
    if (!ReadWholeFile(path, out, error)) return false;
    if (out.size() < 2 || out[0] != 'M' || out[1] != 'Z') return true;
    Bytes image;
    image.swap(out);
    if (ReadPeResource(image, 10, pf::kResourceId, out, error)) return true;
    error = "'" + Utf8(path) + "' holds no package: " + error;
    return false;
}

bool ParsePackage(PackageView& view, std::string& error) {
    const Bytes& b = view.bytes;
    view.entries.clear();
    if (b.size() < pf::kTrailerSize) {
        error = "too short for a package trailer";
        return false;
    }
    const uint8_t* trailer = b.data() + b.size() - pf::kTrailerSize;
    pf::Trailer t;
    if (!pf::ParseTrailer(trailer, t)) {
        error = "the trailer's magic numbers are wrong (not a package)";
        return false;
    }
    if (pf::TrailerSum(trailer) != t.trailerSum) {
        error = "the trailer sum is wrong";
        return false;
    }
    uint32_t body = (uint32_t)(b.size() - pf::kTrailerSize);
    if (pf::BodySum(b.data(), body) != t.bodySum) {
        error = "the body checksum is wrong (the package is corrupted)";
        return false;
    }
    if (t.directoryOffset > body) {
        error = "the directory offset lies beyond the body";
        return false;
    }
    view.promised = t.entryCount;
    uint32_t at = t.directoryOffset;
    for (uint32_t i = 0; i < t.entryCount; i++) {
        if (body - at < pf::kRecordFixedSize || body - at - pf::kRecordFixedSize < b[at + 16]) break;
        ViewEntry e;
        e.offset = pf::Get32(&b[at]);
        e.packedSize = pf::Get32(&b[at + 4]);
        e.unpackedSize = pf::Get32(&b[at + 8]);
        e.checksum = pf::Get32(&b[at + 12]);
        uint8_t length = b[at + 16];
        const char* name = (const char*)&b[at + pf::kRecordFixedSize];
        e.name.assign(name, strnlen(name, length));
        at += pf::kRecordFixedSize + length;
        e.checksumHolds = e.offset <= body && e.packedSize <= body - e.offset &&
                          pf::AddEntryBytes(0, &b[e.offset], e.packedSize) == e.checksum;
        view.entries.push_back(e);
    }
    if (view.entries.size() != t.entryCount) {
        error = "the directory promises " + std::to_string(t.entryCount) + " records but holds " +
                std::to_string(view.entries.size());
        return false;
    }
    return true;
}

bool DecodeEntry(const PackageView& view, const ViewEntry& entry, const EntrySink& sink, std::string& error) {
    if (!entry.checksumHolds) {
        error = "its packed bytes lie outside the package or their checksum is wrong";
        return false;
    }
    if (entry.packedSize == 0) {
        if (entry.unpackedSize == 0) return true;
        error = "it is stored empty but states " + std::to_string(entry.unpackedSize) + " bytes";
        return false;
    }
    const uint8_t* packed = &view.bytes[entry.offset];
    LzmaHeader header;
    if (entry.packedSize < pf::kLzmaHeaderSize || !ParseLzmaHeader(packed, header)) {
        error = "its LZMA header is refused (unknown size, 4 GiB or more, or bad properties)";
        return false;
    }
    if (header.unpackedSize != entry.unpackedSize) {
        error = "its header states " + std::to_string(header.unpackedSize) + " bytes, the directory " +
                std::to_string(entry.unpackedSize);
        return false;
    }
    Stream stream = {packed + pf::kLzmaHeaderSize, entry.packedSize - pf::kLzmaHeaderSize, &sink};
    LzmaStreamIo io = {ReadPacked, WriteDecoded, &stream};
    DecodeResult result = DecodeLzmaStream(header, io);
    if (result != kDecoded) {
        error = result == kDecodeWriteError ? "out of memory decoding it, or its output refused it"
                                            : "its LZMA data is corrupt or truncated";
        return false;
    }
    return true;
}
