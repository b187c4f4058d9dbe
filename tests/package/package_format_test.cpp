// The package's sums, on the worked examples.
#include <gtest/gtest.h>

#include "package/package_format.h"

namespace pf = package_format;

namespace {

uint32_t BodySumOf(const std::string& body) {
    return pf::FinishBodySum(pf::AddBodyChunk(0, (const uint8_t*)body.data(), (uint32_t)body.size()));
}

TEST(PackageFormat, TrailerSumCountsHighBytesAsNegative) {
    struct {
        uint32_t directoryOffset, entryCount, expected;
    } cases[] = {
        {0, 0, 0x4F},           // the magic numbers alone
        {0x80, 1, 0xFFFFFFD0},  // 0x80 counts as -128
    };
    for (auto& c : cases) {
        uint8_t trailer[pf::kTrailerSize];
        pf::WriteTrailer(trailer, 1, c.directoryOffset, c.entryCount);
        EXPECT_EQ(c.expected, pf::TrailerSum(trailer));
        EXPECT_EQ(c.expected, pf::Get32(trailer + 4));
        pf::Trailer parsed;
        ASSERT_TRUE(pf::ParseTrailer(trailer, parsed));
        EXPECT_EQ(c.directoryOffset, parsed.directoryOffset);
        EXPECT_EQ(c.entryCount, parsed.entryCount);
    }
    uint8_t trailer[pf::kTrailerSize];
    pf::WriteTrailer(trailer, 1, 0, 0);
    uint32_t unsignedSum = 0;
    for (int i = 8; i < 24; i++) unsignedSum += trailer[i];
    EXPECT_EQ(847u, unsignedSum);
    trailer[16] ^= 1;
    pf::Trailer parsed;
    EXPECT_FALSE(pf::ParseTrailer(trailer, parsed));
}

TEST(PackageFormat, BodyAndEntrySums) {
    EXPECT_EQ(0x646362C6u, BodySumOf("abcde"));
    EXPECT_EQ(0x126u, pf::AddEntryBytes(0, (const uint8_t*)"abc", 3));
    EXPECT_EQ(1u, BodySumOf(""));
    // Words that wrap to 0 are stored as 1.
    EXPECT_EQ(1u, BodySumOf(std::string("\x01\x00\x00\x00\xFF\xFF\xFF\xFF", 8)));
}

TEST(PackageFormat, ChunkedBodySumEqualsOnePass) {
    std::string body;
    for (int i = 0; i < 200003; i++) body.push_back((char)(i * 7 + (i >> 5)));
    EXPECT_EQ(BodySumOf(body), pf::BodySum((const uint8_t*)body.data(), (uint32_t)body.size()));
}

// The CRC-32 of the standard's check string, whole and continued from any
// split point (the installer sums each entry in chunks of any length).
TEST(PackageFormat, Crc32) {
    const uint8_t* check = (const uint8_t*)"123456789";
    EXPECT_EQ(0xCBF43926u, pf::Crc32(0, check, 9));
    for (uint32_t split = 0; split <= 9; split++)
        EXPECT_EQ(0xCBF43926u, pf::Crc32(pf::Crc32(0, check, split), check + split, 9 - split)) << split;
    EXPECT_EQ(0u, pf::Crc32(0, check, 0));
    // Every byte value once.
    uint8_t all[256];
    for (int i = 0; i < 256; i++) all[i] = (uint8_t)i;
    EXPECT_EQ(0x29058C73u, pf::Crc32(0, all, 256));
}

}  // namespace
