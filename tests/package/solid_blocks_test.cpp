// The routing of one block's bytes to its spans, on a block held in memory.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

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

// A stored block's bytes go to its spans as they are; one cut short or
// changed fails the span it holds, and a stored block is only one the
// header's flag announces.
TEST(SolidBlocks, StoredBlocksAreCopiedAndChecked) {
    const std::string text = "headbodytail";
    const uint32_t bodyCrc = package_format::Crc32(0, (const uint8_t*)"body", 4);
    const EntrySpan spans[] = {{0, 4, 4, bodyCrc, 0}, {0, 8, 4, package_format::Crc32(0, (const uint8_t*)"tail", 4), 1}};
    struct Case {
        std::string bytes;
        BlockResult result;
        std::string log;
    } cases[] = {
        {text, kBlockDecoded, "0[body]1[tail]"},
        {"headbodyta", kBlockCorrupt, "0[body]1[ta"},
        {"headBodytail", kBlockDecoded, "0[Body]!1[tail]"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        uint8_t record[package_format::kBlockRecordSize];
        package_format::Put32(record, 0);
        package_format::Put32(record + 4, (uint32_t)text.size());
        package_format::Put32(record + 8, (uint32_t)text.size());
        BlockRecord block = ReadBlockRecord(record, package_format::kStoredBlocks);
        EXPECT_TRUE(block.stored);
        EXPECT_FALSE(ReadBlockRecord(record, package_format::kUtf8Names).stored);
        Bytes packed(c.bytes.begin(), c.bytes.end());
        Decoding d = {&packed, 0, 0, -1, 0, ""};
        LzmaStreamIo read = {Read, nullptr, &d};
        SpanSink sink = {Begin, Write, End, &d, &d.stop};
        EXPECT_EQ(c.result, DecodeBlock(block, read, spans, 2, sink));
        EXPECT_EQ(c.log, d.log);
    }
}

// The data-file table: the blocks before the first file's lie in the body,
// the rest in the files in order, each inside its file.
TEST(SolidBlocks, DataFilesTakeTheBlocksInOrder) {
    const uint32_t bodyEnd = 1000;
    struct Case {
        const char* what;
        std::vector<DataFileRecord> files;
        bool sound;
        uint32_t fileOfBlock[4];
    } cases[] = {
        {"one in the body, then two files", {{1, 300, 0}, {3, 100, 0}}, true, {0, 1, 1, 2}},
        {"all in files", {{0, 300, 0}, {1, 300, 0}}, true, {1, 2, 2, 2}},
        {"two files from the same block", {{1, 300, 0}, {1, 300, 0}}, false, {}},
        {"a file past the last block", {{1, 300, 0}, {4, 100, 0}}, false, {}},
        {"a block past its file's end", {{1, 150, 0}, {3, 100, 0}}, false, {}},
        {"no files: a file's offsets in the body", {}, false, {}},
        {"a body block of a file's offsets", {{2, 300, 0}}, false, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Block 0 at the body's start; the others at 0, 100 and 0 of 100
        // bytes each, as in their files.
        BlockRecord blocks[4] = {{128, 100, 200, false, 0}, {0, 100, 200, false, 0}, {100, 100, 200, false, 0},
                                 {0, 100, 200, false, 0}};
        const char* reason = "";
        bool sound = AssignDataFiles(blocks, 4, bodyEnd, c.files.data(), (uint32_t)c.files.size(), reason);
        EXPECT_EQ(c.sound, sound) << reason;
        for (uint32_t i = 0; sound && i < 4; i++) EXPECT_EQ(c.fileOfBlock[i], blocks[i].file) << i;
    }
}
