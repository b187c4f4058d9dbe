// The LZMA decoder on streams liblzma encodes, and on damaged ones.
#include <gtest/gtest.h>
#include <lzma.h>
#include <string.h>

#include "package/lzma_decode.h"
#include "package/package_format.h"

namespace pf = package_format;

namespace {

// The header, stating the size, then the stream, with or without the marker;
// the properties as lc + 10 * lp + 100 * pb.
// A preset dictionary makes its first matches reach before the output.
std::string Encode(const std::string& data, uint32_t lclppb = 203, uint32_t dictionary = 1 << 20, bool marker = true,
                   const std::string& preset = "") {
    lzma_options_lzma o;
    lzma_lzma_preset(&o, 6);
    o.lc = lclppb % 10, o.lp = lclppb / 10 % 10, o.pb = lclppb / 100, o.dict_size = dictionary;
    o.ext_flags = marker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    if (!preset.empty()) o.preset_dict = (const uint8_t*)preset.data(), o.preset_dict_size = (uint32_t)preset.size();
    lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::string out(pf::kLzmaHeaderSize + data.size() * 2 + 1024, '\0');
    out[0] = (char)(o.lc + 9 * (o.lp + 5 * o.pb));
    pf::Put32((uint8_t*)&out[1], dictionary);
    pf::Put32((uint8_t*)&out[5], (uint32_t)data.size());
    size_t end = pf::kLzmaHeaderSize;
    EXPECT_EQ(LZMA_OK, lzma_raw_buffer_encode(filters, nullptr, (const uint8_t*)data.data(), data.size(),
                                              (uint8_t*)&out[0], &end, out.size()));
    return out.substr(0, end);
}

// The input in reads of at most step bytes, the output taken a chunk at a
// time, or refused.
struct Run { const std::string& stream; size_t at, step; bool refuse; std::string out; };
DecodeResult Decode(const std::string& stream, std::string& out, size_t step = 777, bool refuse = false) {
    LzmaHeader header;
    EXPECT_TRUE(ParseLzmaHeader((const uint8_t*)stream.data(), header));
    Run run = {stream, pf::kLzmaHeaderSize, step, refuse, ""};
    LzmaStreamIo io = {[](void* c, uint8_t* buffer, uint32_t size) -> uint32_t {
                           Run& r = *static_cast<Run*>(c);
                           size_t n = std::min({size_t(size), r.step, r.stream.size() - r.at});
                           memcpy(buffer, r.stream.data() + r.at, n);
                           return r.at += n, (uint32_t)n;
                       },
                       [](void* c, const uint8_t* data, uint32_t size) {
                           EXPECT_LE(size, 1u << 20);
                           Run& r = *static_cast<Run*>(c);
                           return r.out.append((const char*)data, size), !r.refuse;
                       },
                       &run};
    DecodeResult result = DecodeLzmaStream(header, io);
    return out = run.out, result;
}

// Of kind 0 random bytes, 1 pieces of four random blocks in turn (repeated
// distances, long matches), 2 numbered lines, 3 one byte over and over.
std::string Data(size_t size, uint32_t seed, uint32_t kind) {
    std::string s, blocks = kind == 1 ? Data(4096, seed, 0) : "";
    for (; s.size() < size; seed = seed * 1103515245 + 12345)
        s += kind == 0   ? std::string(1, (char)(seed >> 23))
             : kind == 1 ? blocks.substr((seed >> 8) % 4 * 1024, 1 + (seed >> 20) % 700)
             : kind == 2 ? "line " + std::to_string(s.size()) + ", " + std::to_string(seed % 99) + " times\n"
                         : std::string(1000, 'a');
    return s.substr(0, size);
}

TEST(LzmaDecode, DecodesWhatLiblzmaEncodes) {
    // Size, kind, lc + 10 * lp + 100 * pb, dictionary, end marker. Then
    // windows that wrap, in a match too and unevenly to the positions, and
    // a dictionary larger than a chunk.
    const uint32_t cases[][5] = {
        {0, 0, 203, 1 << 20, 1},     {1, 0, 203, 1 << 20, 1},      {300000, 3, 203, 1 << 20, 1},
        {200000, 0, 203, 1 << 20, 0}, {400000, 1, 203, 1 << 20, 0}, {60000, 2, 20, 1 << 20, 1},
        {60000, 1, 404, 1 << 20, 0},  {30000, 2, 131, 1 << 20, 1},  {100000, 2, 203, 4096, 1},
        {300000, 1, 313, 5001, 0},    {3 << 20, 1, 203, 4 << 20, 1},
    };
    std::string out;
    for (const auto& c : cases) {
        const std::string data = Data(c[0], 5, c[1]), stream = Encode(data, c[2], c[3], c[4]);
        EXPECT_EQ(kDecoded, Decode(stream, out)) << c[0];
        EXPECT_TRUE(out == data) << out.size() << " bytes of " << c[0];
    }
    // A header's huge dictionary costs only the output's size.
    std::string huge = Encode(Data(5000, 1, 2));
    pf::Put32((uint8_t*)&huge[1], 0xFFFFFFF0);
    EXPECT_EQ(kDecoded, Decode(huge, out, 1));
}

TEST(LzmaDecode, DamagedStreamsFailCleanly) {
    // Cut short (without the marker, which a decoding that stops at the
    // stated size never reads); a first byte not 0; distances past the
    // window, and before the output; lc + lp 5.
    const std::string good = Encode(Data(20000, 1, 1), 203, 65536, false);
    std::string first = good, far = Encode(Data(8000, 1, 0) + Data(8000, 1, 0)), wide = good, out;
    first[13] = 1;
    pf::Put32((uint8_t*)&far[1], 4096);
    wide[0] = 4 + 9 * 1;
    const std::string before = Encode(Data(3000, 1, 0), 203, 1 << 20, true, Data(3000, 1, 0));
    for (const std::string& bad : {good.substr(0, 14), good.substr(0, good.size() - 1), first, far, before, wide})
        EXPECT_EQ(kDecodeReadError, Decode(bad, out)) << bad.size();
    // With a larger size stated, the code after the marker not 0, its last
    // byte read before the marker ends or only after.
    for (size_t size = 5000; size < 5040; size++) {
        std::string tail = Encode(Data(size, 1, 2));
        pf::Put32((uint8_t*)&tail[5], 100000);
        tail.back() ^= 1;
        EXPECT_EQ(kDecodeReadError, Decode(tail, out)) << size;
    }
    EXPECT_EQ(kDecodeWriteError, Decode(good, out, 777, true));
}

}  // namespace
