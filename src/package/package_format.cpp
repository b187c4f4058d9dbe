#include "package/package_format.h"

namespace package_format {

namespace {

// Filled by the C runtime before the program starts, while one thread runs:
// 4 KB less in every installer than a table the compiler writes out. Four
// tables take four bytes a step, some three times as fast as one: every
// decoded byte passes through here.
struct CrcTable {
    uint32_t entries[4][256];
    CrcTable() {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; i++)
            for (int t = 1; t < 4; t++) entries[t][i] = (entries[t - 1][i] >> 8) ^ entries[0][entries[t - 1][i] & 0xFF];
    }
};
const CrcTable kCrcTable;

}  // namespace

uint32_t AddBodyChunk(uint32_t sum, const uint8_t* data, uint32_t size) {
    uint32_t words = size / 4;
    for (uint32_t i = 0; i < words; i++) sum += Get32(data + i * 4);
    for (uint32_t i = words * 4; i < size; i++) sum += data[i];
    return sum;
}

uint32_t BodySum(const uint8_t* body, uint32_t size) {
    uint32_t sum = 0;
    for (uint32_t at = 0; at < size; at += kChecksumChunk)
        sum = AddBodyChunk(sum, body + at, size - at < kChecksumChunk ? size - at : kChecksumChunk);
    return FinishBodySum(sum);
}

uint32_t AddEntryBytes(uint32_t sum, const uint8_t* data, uint32_t size) {
    for (uint32_t i = 0; i < size; i++) sum += data[i];
    return sum;
}

uint32_t TrailerSum(const uint8_t* trailer) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < kTrailerSummedSize; i++) sum += (uint32_t)(int32_t)(int8_t)trailer[kTrailerSummedOffset + i];
    return sum;
}

void WriteTrailer(uint8_t* out, uint32_t bodySum, uint32_t directoryOffset, uint32_t entryCount) {
    Put32(out, bodySum);
    Put32(out + 8, directoryOffset);
    Put32(out + 12, entryCount);
    Put32(out + 16, kMagic1);
    Put32(out + 20, kMagic2);
    Put32(out + 4, TrailerSum(out));
}

bool ParseTrailer(const uint8_t* in, Trailer& trailer) {
    trailer.bodySum = Get32(in);
    trailer.trailerSum = Get32(in + 4);
    trailer.directoryOffset = Get32(in + 8);
    trailer.entryCount = Get32(in + 12);
    return Get32(in + 16) == kMagic1 && Get32(in + 20) == kMagic2;
}

bool ParseSolidHeader(const uint8_t* reserved, SolidHeader& out) {
    out.blockCount = Get32(reserved + 4);
    out.blockTableOffset = Get32(reserved + 8);
    out.flags = Get32(reserved + 12);
    out.dataFileCount = Get32(reserved + 16);
    out.dataFileTableOffset = Get32(reserved + 20);
    return Get32(reserved) == kSolidMarker;
}

void WriteSolidHeader(uint8_t* reserved, uint32_t blockCount, uint32_t blockTableOffset, uint32_t flags,
                      uint32_t dataFileCount, uint32_t dataFileTableOffset) {
    Put32(reserved, kSolidMarker);
    Put32(reserved + 4, blockCount);
    Put32(reserved + 8, blockTableOffset);
    Put32(reserved + 12, flags);
    Put32(reserved + 16, dataFileCount);
    Put32(reserved + 20, dataFileTableOffset);
}

uint32_t Crc32(uint32_t crc, const uint8_t* data, uint32_t size) {
    const uint32_t(*t)[256] = kCrcTable.entries;
    crc = ~crc;
    uint32_t i = 0;
    for (; i + 4 <= size; i += 4) {
        crc ^= Get32(data + i);
        crc = t[3][crc & 0xFF] ^ t[2][(crc >> 8) & 0xFF] ^ t[1][(crc >> 16) & 0xFF] ^ t[0][crc >> 24];
    }
    for (; i < size; i++) crc = t[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace package_format
