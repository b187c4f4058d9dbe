// The routing of one block's bytes to its spans, on a block held in memory.
#include <gtest/gtest.h>

#include <string.h>

#include "package/package_fixture.h"
#include "package/package_format.h"
#include "package/solid_blocks.h"

namespace {

// More than the decoder's first output chunk is passed over before the spans.
const uint32_t kSkipped = 2u << 20;

struct Decoding {
    Bytes packed;
    size_t at = 0;
    int reads = 0, stopAtRead;  // the read that sets stop; 0: set from the start
    volatile long stop;
    std::vector<std::string> got;  // each span's "[", bytes, "]" (or "]!" for a CRC-32 failed)
    uint32_t current = 0;
};

uint32_t Read(void* context, uint8_t* buffer, uint32_t size) {
    Decoding& r = *static_cast<Decoding*>(context);
    if (++r.reads == r.stopAtRead) r.stop = 1;
    uint32_t n = (uint32_t)std::min<size_t>(size, r.packed.size() - r.at);
    memcpy(buffer, r.packed.data() + r.at, n);
    r.at += n;
    return n;
}
bool Begin(void* context, const EntrySpan& span) {
    Decoding& r = *static_cast<Decoding*>(context);
    r.got[r.current = span.index] += "[";
    return true;
}
bool Write(void* context, const uint8_t* data, uint32_t size) {
    Decoding& r = *static_cast<Decoding*>(context);
    r.got[r.current].append((const char*)data, size);
    return true;
}
bool End(void* context, const EntrySpan& span, bool crcHolds) {
    static_cast<Decoding*>(context)->got[span.index] += crcHolds ? "]" : "]!";
    return true;
}

}  // namespace

// An empty span shares its offset with the next: either may come first.
// A stop is seen while the bytes before the spans are passed over.
TEST(SolidBlocks, SpansInEitherOrderAndStopsWhilePassingOver) {
    const std::string text = std::string(kSkipped, 'x') + "bodytail";
    const EntrySpan body = {0, kSkipped, 4, package_format::Crc32(0, (const uint8_t*)"body", 4), 0};
    const EntrySpan empty = {0, kSkipped, 0, 0, 1};
    struct Case {
        std::vector<EntrySpan> spans;
        int stopAtRead;  // -1: never; 2: the decoder's first read of the stream
        BlockResult result;
        std::vector<std::string> got;
    };
    const Case cases[] = {
        {{body, empty}, -1, kBlockDecoded, {"[body]", "[]"}},
        {{empty, body}, -1, kBlockDecoded, {"[body]", "[]"}},
        {{body, empty}, 0, kBlockStopped, {"", ""}},
        {{body, empty}, 2, kBlockStopped, {"", ""}},
    };
    const Bytes packed = Packed(text);
    const BlockRecord block = {0, (uint32_t)packed.size(), (uint32_t)text.size()};
    for (const Case& c : cases) {
        int i = (int)(&c - cases);
        Decoding r;
        r.packed = packed;
        r.stopAtRead = c.stopAtRead;
        r.stop = c.stopAtRead == 0;
        r.got.resize(c.spans.size());
        LzmaStreamIo read = {Read, nullptr, &r};
        SpanSink sink = {Begin, Write, End, &r, &r.stop};
        EXPECT_EQ(c.result, DecodeBlock(block, read, c.spans.data(), (uint32_t)c.spans.size(), sink)) << i;
        EXPECT_EQ(c.got, r.got) << i;
        std::vector<EntrySpan> sorted = c.spans;
        const char* reason = "";
        EXPECT_TRUE(SortAndCheckSpans(sorted.data(), (uint32_t)sorted.size(), &block, 1, reason)) << reason;
        EXPECT_EQ(0u, sorted[0].size);
    }
}
