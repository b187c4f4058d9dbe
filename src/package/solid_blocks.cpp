#include "package/solid_blocks.h"

#include <stdlib.h>

#include "package/package_format.h"

namespace pf = package_format;

namespace {

int BySpanPlace(const void* a, const void* b) {
    const EntrySpan& x = *static_cast<const EntrySpan*>(a);
    const EntrySpan& y = *static_cast<const EntrySpan*>(b);
    if (x.block != y.block) return x.block < y.block ? -1 : 1;
    if (x.offset != y.offset) return x.offset < y.offset ? -1 : 1;
    // An empty span ends where the next one at its offset begins.
    if (x.size != y.size) return x.size < y.size ? -1 : 1;
    return x.index < y.index ? -1 : x.index > y.index;
}

// Routes the decoded bytes of one block to its spans.
struct Router {
    const EntrySpan* spans;
    uint32_t count;
    uint32_t next;     // the span not yet finished
    uint32_t at;       // offset in the block of the next byte
    uint32_t crc;
    uint32_t got;      // bytes spans[next] was given
    bool open;         // begin was called for spans[next]
    bool refused;      // the sink said stop
    const SpanSink* sink;
    const LzmaStreamIo* input;

    // Opens the spans that start here, or were passed (an empty span given
    // after the one it shares an offset with), and closes those with no
    // bytes ahead.
    bool Settle() {
        while (next < count && spans[next].offset <= at) {
            if (!open) {
                if (!sink->begin(sink->context, spans[next])) return false;
                open = true;
                crc = got = 0;
            }
            if (at - spans[next].offset < spans[next].size) return true;
            if (!Close()) return false;
        }
        return true;
    }
    bool Close() {
        const EntrySpan& span = spans[next++];
        open = false;
        return sink->end(sink->context, span, got == span.size && crc == span.crc);
    }
};

uint32_t ReadThrough(void* context, uint8_t* buffer, uint32_t size) {
    const LzmaStreamIo& input = *static_cast<Router*>(context)->input;
    return input.read(input.context, buffer, size);
}

bool RouteBytes(void* context, const uint8_t* data, uint32_t size) {
    Router& r = *static_cast<Router*>(context);
    if (r.sink->stop && *r.sink->stop) return !(r.refused = true);
    while (size > 0 && r.next < r.count) {
        if (!r.Settle()) return !(r.refused = true);
        if (r.next >= r.count) break;
        const EntrySpan& span = r.spans[r.next];
        uint32_t n;
        if (r.at < span.offset) {
            n = span.offset - r.at < size ? span.offset - r.at : size;
        } else {
            n = span.offset + span.size - r.at < size ? span.offset + span.size - r.at : size;
            r.crc = pf::Crc32(r.crc, data, n);
            r.got += n;
            if (!r.sink->write(r.sink->context, data, n)) return !(r.refused = true);
            if (r.at + n == span.offset + span.size && !r.Close()) return !(r.refused = true);
        }
        r.at += n;
        data += n;
        size -= n;
    }
    if (!r.Settle()) return !(r.refused = true);
    // Past the last wanted span nothing more is needed: stop the decoder.
    return r.next < r.count;
}

bool ImpossibleSize(const BlockRecord& b) {
    return b.unpackedSize == 0xFFFFFFFF || (b.unpackedSize != 0 && !b.stored && b.packedSize < pf::kLzmaHeaderSize);
}

}  // namespace

BlockRecord ReadBlockRecord(const uint8_t* record, uint32_t flags) {
    BlockRecord b = {pf::Get32(record), pf::Get32(record + 4), pf::Get32(record + 8), false, 0};
    b.stored = (flags & pf::kStoredBlocks) && b.packedSize == b.unpackedSize;
    return b;
}

DataFileRecord ReadDataFileRecord(const uint8_t* record) {
    return DataFileRecord{pf::Get32(record), pf::Get32(record + 4), pf::Get32(record + 8)};
}

bool AssignDataFiles(BlockRecord* blocks, uint32_t count, uint32_t bodyEnd, const DataFileRecord* files,
                     uint32_t fileCount, const char*& reason) {
    uint32_t inBody = fileCount ? files[0].firstBlock : count;
    if (inBody > count || !CheckBlocks(blocks, inBody, bodyEnd, reason)) return false;
    reason = "the data files do not take the blocks in order";
    // Each file holds at least one block.
    for (uint32_t k = 1; k < fileCount; k++)
        if (files[k].firstBlock <= files[k - 1].firstBlock || files[k].firstBlock >= count) return false;
    uint32_t file = 0;
    for (uint32_t i = inBody; i < count; i++) {
        while (file < fileCount && files[file].firstBlock <= i) file++;
        const BlockRecord& b = blocks[i];
        if (b.offset > files[file - 1].size || b.packedSize > files[file - 1].size - b.offset || ImpossibleSize(b)) {
            reason = "a block lies outside its data file";
            return false;
        }
        blocks[i].file = file;
    }
    return true;
}

bool CheckBlocks(const BlockRecord* blocks, uint32_t count, uint32_t bodyEnd, const char*& reason) {
    for (uint32_t i = 0; i < count; i++) {
        const BlockRecord& b = blocks[i];
        if (b.offset < pf::kReservedSize || b.offset > bodyEnd || b.packedSize > bodyEnd - b.offset) {
            reason = "a block lies outside the package's blocks";
            return false;
        }
        if (ImpossibleSize(b)) {
            reason = "a block states an impossible size";
            return false;
        }
    }
    return true;
}

void SortSpans(EntrySpan* spans, uint32_t count) { qsort(spans, count, sizeof *spans, BySpanPlace); }

bool SortAndCheckSpans(EntrySpan* spans, uint32_t count, const BlockRecord* blocks, uint32_t blockCount,
                       const char*& reason) {
    SortSpans(spans, count);
    for (uint32_t i = 0; i < count; i++) {
        const EntrySpan& s = spans[i];
        if (s.block >= blockCount) {
            reason = "an entry names a block that does not exist";
            return false;
        }
        if (s.offset > blocks[s.block].unpackedSize || s.size > blocks[s.block].unpackedSize - s.offset) {
            reason = "an entry lies past its block's end";
            return false;
        }
        if (i > 0 && spans[i - 1].block == s.block && spans[i - 1].offset + spans[i - 1].size > s.offset) {
            reason = "two entries overlap";
            return false;
        }
    }
    return true;
}

BlockResult DecodeBlock(const BlockRecord& block, const LzmaStreamIo& read, const EntrySpan* spans, uint32_t count,
                        const SpanSink& sink) {
    Router router = {spans, count, 0, 0, 0, 0, false, false, &sink, &read};
    // Decoded up to the end of the last span only, so the dictionary, which
    // the decoder caps by the size, is never larger than that.
    uint32_t end = 0;
    for (uint32_t i = 0; i < count; i++)
        if (spans[i].offset + spans[i].size > end) end = spans[i].offset + spans[i].size;
    if (block.stored && end > 0) {
        // Copied through a chunk, at the speed of the reads.
        uint8_t* chunk = (uint8_t*)malloc(pf::kChecksumChunk);
        if (!chunk) return kBlockNoMemory;
        for (uint32_t got = 1; router.at < end && got > 0;) {
            uint32_t want = end - router.at < pf::kChecksumChunk ? end - router.at : pf::kChecksumChunk;
            got = read.read(read.context, chunk, want);
            if (got > 0 && !RouteBytes(&router, chunk, got)) break;
        }
        free(chunk);
        if (router.refused) return kBlockStopped;
    } else if (block.unpackedSize != 0 && !block.stored) {
        uint8_t headerBytes[pf::kLzmaHeaderSize];
        LzmaHeader header;
        if (read.read(read.context, headerBytes, sizeof headerBytes) != sizeof headerBytes ||
            !ParseLzmaHeader(headerBytes, header) || header.unpackedSize != block.unpackedSize)
            return kBlockCorrupt;
        uint32_t usable = UsableDictionary(block.packedSize);
        if (header.dictionarySize > usable) header.dictionarySize = usable;
        if (end < header.unpackedSize) header.unpackedSize = end;
        LzmaStreamIo io = {ReadThrough, RouteBytes, &router};
        DecodeResult result = DecodeLzmaStream(header, io);
        // The router refuses more output once the last span is whole.
        if (router.refused) return kBlockStopped;
        if (router.next >= count) return kBlockDecoded;
        if (result == kDecodeWriteError) return kBlockNoMemory;
        if (result != kDecoded) return kBlockCorrupt;
    }
    // Spans at the very end (or in an empty block) are empty: settle them;
    // a stored block that ended short leaves spans unfinished.
    if (!router.Settle()) return kBlockStopped;
    return router.next < count ? kBlockCorrupt : kBlockDecoded;
}
