#include "package/package_format.h"

namespace package_format {

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

}  // namespace package_format
