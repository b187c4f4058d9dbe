// The routing of one block's bytes to its spans, on a block held in memory.
#include <gtest/gtest.h>

#include <string.h>

#include "package/package_fixture.h"
#include "package/package_format.h"
#include "package/solid_blocks.h"

namespace {

// More than the decoder's first output chunk is passed over before the spans.
const uint32_t kSkipped = 2u << 20;

// One decoding: its packed block, the read that sets stop (0: set from the
// start), and what the sink saw: each span's index and "[", its bytes, then
// "]" ("]!" when its CRC-32 failed).
struct Decoding {
    const Bytes* packed;
    size_t at;
    int reads, stopAtRead;
    volatile long stop;
    std::string log;
};

Decoding& Of(void* context) { return *static_cast<Decoding*>(context); }
uint32_t Read(void* context, uint8_t* buffer, uint32_t size) {
    Decoding& d = Of(context);
    if (++d.reads == d.stopAtRead) d.stop = 1;
    uint32_t n = (uint32_t)std::min<size_t>(size, d.packed->size() - d.at);
    memcpy(buffer, d.packed->data() + d.at, n);
    d.at += n;
    return n;
}
bool Begin(void* c, const EntrySpan& span) { return Of(c).log += std::to_string(span.index) + "[", true; }
bool Write(void* c, const uint8_t* data, uint32_t size) { return Of(c).log.append((const char*)data, size), true; }
bool End(void* c, const EntrySpan&, bool crcHolds) { return Of(c).log += crcHolds ? "]" : "]!", true; }

}  // namespace

// An empty span shares its offset with the next: either may come first.
// A stop is seen while the bytes before the spans are passed over.
TEST(SolidBlocks, SpansInEitherOrderAndStopsWhilePassingOver) {
    const std::string text = std::string(kSkipped, 'x') + "bodytail";
    const Bytes packed = Packed(text);
    const BlockRecord block = {0, (uint32_t)packed.size(), (uint32_t)text.size()};
    const EntrySpan body = {0, kSkipped, 4, package_format::Crc32(0, (const uint8_t*)"body", 4), 0};
    const EntrySpan empty = {0, kSkipped, 0, 0, 1};
    struct Case {
        EntrySpan spans[2];
        int stopAtRead;  // -1: never; 2: the decoder's first read of the stream
        BlockResult result;
        std::string log;
    } cases[] = {
        {{body, empty}, -1, kBlockDecoded, "0[body]1[]"},
        {{empty, body}, -1, kBlockDecoded, "1[]0[body]"},
        {{body, empty}, 0, kBlockStopped, ""},
        {{body, empty}, 2, kBlockStopped, ""},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Decoding d = {&packed, 0, 0, c.stopAtRead, c.stopAtRead == 0, ""};
        LzmaStreamIo read = {Read, nullptr, &d};
        SpanSink sink = {Begin, Write, End, &d, &d.stop};
        EXPECT_EQ(c.result, DecodeBlock(block, read, c.spans, 2, sink));
        EXPECT_EQ(c.log, d.log);
        const char* reason = "";
        EXPECT_TRUE(SortAndCheckSpans(c.spans, 2, &block, 1, reason)) << reason;
        EXPECT_EQ(0u, c.spans[0].size);
    }
}
