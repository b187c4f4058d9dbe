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

bool ParseBlocks(PackageView& view, const pf::SolidHeader& solid, uint32_t directoryOffset, std::string& error) {
    const Bytes& b = view.bytes;
    if (solid.blockTableOffset > directoryOffset ||
        (directoryOffset - solid.blockTableOffset) / pf::kBlockRecordSize < solid.blockCount) {
        error = "the block table does not fit before the directory";
        return false;
    }
    for (uint32_t i = 0; i < solid.blockCount; i++) {
        const uint8_t* r = &b[solid.blockTableOffset + i * pf::kBlockRecordSize];
        view.blocks.push_back(ReadBlockRecord(r, solid.flags));
    }
    const char* reason = nullptr;
    bool beside = (solid.flags & pf::kDataFiles) != 0;
    if (beside && (solid.dataFileTableOffset > directoryOffset ||
                   (directoryOffset - solid.dataFileTableOffset) / pf::kDataFileRecordSize < solid.dataFileCount)) {
        error = "the data-file table does not fit before the directory";
        return false;
    }
    for (uint32_t k = 0; beside && k < solid.dataFileCount; k++)
        view.dataFileRecords.push_back(ReadDataFileRecord(&b[solid.dataFileTableOffset + k * pf::kDataFileRecordSize]));
    if (beside ? !AssignDataFiles(view.blocks.data(), solid.blockCount, solid.blockTableOffset, view.dataFileRecords.data(),
                                  solid.dataFileCount, reason)
               : !CheckBlocks(view.blocks.data(), solid.blockCount, solid.blockTableOffset, reason)) {
        error = reason;
        return false;
    }
    return true;
}

bool CheckMap(const PackageView& view, std::string& error) {
    std::vector<EntrySpan> spans;
    for (size_t i = 0; i < view.entries.size(); i++) {
        const ViewEntry& e = view.entries[i];
        spans.push_back(EntrySpan{e.block, e.offset, e.unpackedSize, e.checksum, (uint32_t)i});
    }
    const char* reason = nullptr;
    if (SortAndCheckSpans(spans.data(), (uint32_t)spans.size(), view.blocks.data(), (uint32_t)view.blocks.size(),
                          reason))
        return true;
    error = std::string("the block map is wrong: ") + reason;
    return false;
}

// The solid decoding's state: the visitor, and which entries were told.
struct Visit {
    const PackageView* view;
    const EntryVisitor* visitor;
    std::vector<bool> told;
    bool wanted = false;
    bool failed = false;
    uint32_t block = 0;
};

bool VisitBegin(void* context, const EntrySpan& span) {
    Visit& v = *static_cast<Visit*>(context);
    v.wanted = v.visitor->begin(v.view->entries[span.index]);
    return true;
}

bool VisitWrite(void* context, const uint8_t* data, uint32_t size) {
    Visit& v = *static_cast<Visit*>(context);
    return !v.wanted || v.visitor->write(data, size);
}

bool VisitEnd(void* context, const EntrySpan& span, bool crcHolds) {
    Visit& v = *static_cast<Visit*>(context);
    v.told[span.index] = true;
    if (!crcHolds) v.failed = true;
    v.visitor->done(v.view->entries[span.index],
                    crcHolds ? std::string()
                             : "its bytes do not match their CRC-32 (block " + std::to_string(v.block) + " is damaged)");
    return true;
}

// Every block, or only the block given.
bool DecodeSolid(const PackageView& view, const EntryVisitor& visitor, uint32_t only = 0xFFFFFFFF) {
    Visit visit{&view, &visitor, std::vector<bool>(view.entries.size(), false)};
    SpanSink sink = {VisitBegin, VisitWrite, VisitEnd, &visit, nullptr};
    for (uint32_t b = 0; b < view.blocks.size(); b++) {
        if (only != 0xFFFFFFFF && b != only) continue;
        std::vector<EntrySpan> spans;
        for (size_t i = 0; i < view.entries.size(); i++)
            if (view.entries[i].block == b)
                spans.push_back(EntrySpan{b, view.entries[i].offset, view.entries[i].unpackedSize,
                                          view.entries[i].checksum, (uint32_t)i});
        if (spans.empty()) continue;
        const char* reason = nullptr;
        SortAndCheckSpans(spans.data(), (uint32_t)spans.size(), view.blocks.data(), (uint32_t)view.blocks.size(),
                          reason);
        const BlockRecord& block = view.blocks[b];
        const Bytes& source = block.file ? view.dataFiles[block.file - 1] : view.bytes;
        Stream stream = {source.data() + block.offset, block.packedSize, nullptr};
        LzmaStreamIo read = {ReadPacked, nullptr, &stream};
        visit.block = b;
        BlockResult result = DecodeBlock(block, read, spans.data(), (uint32_t)spans.size(), sink);
        if (result == kBlockDecoded) continue;
        std::string fault = result == kBlockNoMemory ? "out of memory decoding block " + std::to_string(b)
                                                     : "block " + std::to_string(b) + "'s LZMA data is corrupt or truncated";
        for (const EntrySpan& span : spans)
            if (!visit.told[span.index]) {
                visit.told[span.index] = true;
                visit.failed = true;
                visitor.done(view.entries[span.index], fault);
            }
    }
    return !visit.failed;
}

}  // namespace

std::wstring DataFileName(const std::wstring& installer, size_t k) {
    size_t dot = installer.find_last_of(L'.'), slash = installer.find_last_of(L"\\/");
    bool extension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    return (extension ? installer.substr(0, dot) : installer) + L"-" + std::to_wstring(k) + L".bin";
}

bool LoadDataFiles(const std::wstring& path, PackageView& view, std::string& error) {
    view.dataFiles.resize(view.dataFileRecords.size());
    for (size_t k = 0; k < view.dataFiles.size(); k++) {
        std::wstring name = DataFileName(path, k + 1);
        const DataFileRecord& record = view.dataFileRecords[k];
        if (!ReadWholeFile(name, view.dataFiles[k], error)) return false;
        const Bytes& file = view.dataFiles[k];
        if (file.size() != record.size || pf::Crc32(0, file.data(), (uint32_t)file.size()) != record.crc) {
            error = "the data file '" + Utf8(name) + "' is damaged (its size or CRC-32 differs)";
            return false;
        }
    }
    return true;
}

bool LoadPackage(const std::wstring& path, Bytes& out, std::string& error) {
    if (!ReadWholeFile(path, out, error)) return false;
    if (out.size() < 2 || out[0] != 'M' || out[1] != 'Z') return true;
    Bytes image, locator;
    image.swap(out);
    if (ReadPeResource(image, 10, pf::kLocatorId, locator, error) && locator.size() >= pf::kLocatorSize) {
        uint64_t at = pf::Get32(locator.data()), size = pf::Get32(locator.data() + 4);
        if (at + size <= image.size()) {
            out.assign(image.begin() + at, image.begin() + at + size);
            return true;
        }
        error = "its package lies past the end of the file";
    } else if (ReadPeResource(image, 10, pf::kResourceId, out, error)) {
        return true;
    }
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
    pf::SolidHeader solid;
    view.solid = pf::ParseSolidHeader(b.data(), solid);
    view.utf8Names = view.solid && (solid.flags & pf::kUtf8Names) != 0;
    view.blocks.clear();
    view.dataFileRecords.clear();
    if (view.solid && !ParseBlocks(view, solid, t.directoryOffset, error)) return false;
    // A packed directory is read from its unpacked bytes; the records' own
    // offsets (the classic entries') still refer to the package.
    const uint8_t* records = b.data() + t.directoryOffset;
    uint32_t end = body - t.directoryOffset;
    ByteBuffer unpacked;
    if (view.solid && (solid.flags & pf::kPackedDirectory)) {
        uint64_t most = (uint64_t)t.entryCount * (pf::kRecordFixedSize + pf::kMaxNameLength);
        if (!DecodeLzmaBuffer(records, end, most < 0xFFFFFFFF ? (uint32_t)most : 0xFFFFFFFF, unpacked)) {
            error = "the packed directory does not decode";
            return false;
        }
        records = unpacked.Data();
        end = unpacked.Size();
    }
    uint32_t at = 0;
    for (uint32_t i = 0; i < t.entryCount; i++) {
        if (end - at < pf::kRecordFixedSize || end - at - pf::kRecordFixedSize < records[at + 16]) break;
        ViewEntry e;
        e.offset = pf::Get32(&records[at]);
        e.packedSize = pf::Get32(&records[at + 4]);
        e.unpackedSize = pf::Get32(&records[at + 8]);
        e.checksum = pf::Get32(&records[at + 12]);
        uint8_t length = records[at + 16];
        const char* name = (const char*)&records[at + pf::kRecordFixedSize];
        e.name.assign(name, strnlen(name, length));
        at += pf::kRecordFixedSize + length;
        if (view.solid) {
            e.block = e.offset;
            e.offset = e.packedSize;
            e.packedSize = 0;
            e.checksumHolds = true;
        } else {
            e.block = 0;
            e.checksumHolds = e.offset <= body && e.packedSize <= body - e.offset &&
                              pf::AddEntryBytes(0, &b[e.offset], e.packedSize) == e.checksum;
        }
        view.entries.push_back(e);
    }
    if (view.entries.size() != t.entryCount) {
        error = "the directory promises " + std::to_string(t.entryCount) + " records but holds " +
                std::to_string(view.entries.size());
        return false;
    }
    return !view.solid || CheckMap(view, error);
}

bool DecodeEntry(const PackageView& view, const ViewEntry& entry, const EntrySink& sink, std::string& error) {
    if (view.solid) {
        bool found = false;
        EntryVisitor one;
        one.begin = [&](const ViewEntry& e) { return &e == &entry; };
        one.write = sink;
        one.done = [&](const ViewEntry& e, const std::string& fault) {
            if (&e != &entry) return;
            found = true;
            error = fault;
        };
        DecodeSolid(view, one, entry.block);
        return found && error.empty();
    }
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

bool DecodeAllEntries(const PackageView& view, const EntryVisitor& visitor) {
    if (view.solid) return DecodeSolid(view, visitor);
    bool sound = true;
    for (const ViewEntry& e : view.entries) {
        std::string error;
        EntrySink write = [&](const uint8_t* data, uint32_t size) { return visitor.write(data, size); };
        EntrySink discard = [](const uint8_t*, uint32_t) { return true; };
        bool ok = DecodeEntry(view, e, visitor.begin(e) ? write : discard, error);
        sound = sound && ok;
        visitor.done(e, ok ? std::string() : error);
    }
    return sound;
}
