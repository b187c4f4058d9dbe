// The package: one RT_RCDATA resource (24356) of the installer, or a bare
// file of the same bytes, or the same bytes after the installer's image. All
// integers are little-endian, unsigned 32-bit.
//
// After the image: a package too large for the loader to map with the
// program lies outside every section, at a multiple of the file alignment
// and before a certificate table, and RT_RCDATA 24357, the locator, says
// where: +0 the package's file offset  +4 its size. A size of 0 is no
// package (an uninstaller's copy of the installer).
//
//   0                  128 zero bytes (reserved; part of the checksummed body)
//   128                each entry's packed bytes, in directory order
//   directory offset   entry-count records:
//                        +0 offset  +4 packed size  +8 unpacked size
//                        +12 entry sum (packed bytes as unsigned bytes)
//                        +16 name length (NUL counted)  +17 name, NUL:
//                        ANSI, or UTF-8 where the solid header says so
//   size - 24          trailer:
//                        +0 body sum (every byte before the trailer)
//                        +4 trailer sum (bytes +8..+23 as signed bytes)
//                        +8 directory offset  +12 entry count
//                        +16 0x03345283  +20 0x0EFFF343
//
// An entry is one LZMA stream in the LZMA-alone layout: properties byte,
// 32-bit dictionary size, 64-bit unpacked size (known, below 4 GiB), data.
// A packed size of 0 is an empty file with no header at all.
//
// The solid layout keeps the frame (header, trailer, both sums) and packs
// several entries into one stream, a block. Its reserved header says so (a
// classic package's is all zero):
//   0                  +0 "BKSB" (0x42534B42)  +4 block count
//                      +8 block table offset  +12 flags (bit 0: the
//                      directory's names are UTF-8, not ANSI; bit 1: a
//                      block whose packed size is its unpacked size is
//                      stored, its entries' bytes as they are, no stream;
//                      bit 2: the blocks lie in data files; bit 3: the
//                      directory is packed, below)
//                      +16 data-file count  +20 data-file table offset
//                      (both 0 without data files); the rest zero
//   128                each block's stream (LZMA-alone, size known), or
//                      its bytes stored: its entries' bytes back to back,
//                      in package order
//   block table        block-count records of 12 bytes:
//                        +0 offset  +4 packed size  +8 unpacked size
//   directory offset   records as above, but +0 the entry's block, +4 its
//                      offset in the block's unpacked bytes, +8 its size,
//                      +12 the CRC-32 of its bytes
//   data-file table    data-file-count records of 12 bytes, after the
//                      block table: +0 the file's first block  +4 its size
//                      +8 the CRC-32 of its bytes
//   packed directory   with flags bit 3, the bytes from the directory
//                      offset to the trailer are one LZMA-alone stream (size
//                      known) of the records above: a product of many small
//                      files would otherwise carry tens of bytes a file.
// Entries of a block lie inside it and do not overlap; a reader refuses
// a map that says otherwise as a corrupted package.
//
// Data files: a product too large for one file (4 GiB, the reach of a
// 32-bit offset) keeps its blocks beside the installer in NAME-1.bin,
// NAME-2.bin, ... (NAME: the installer's file name without its extension).
// Each file holds whole blocks, in order: the first file from the first
// record's block, the next from the next's, to the last block; a block
// record's +0 offset counts from the start of its data file. The blocks
// before the first file's lie in the body (those read at start: setup.dat,
// setup.bmp, setup.lic).
#pragma once

#include <stdint.h>

namespace package_format {

const uint16_t kResourceId = 24356;
const uint16_t kLocatorId = 24357;
const uint32_t kLocatorSize = 8;
// The entry holding the program an install writes as the product's
// uninstaller when the publisher gives one (a signed stub); installers
// without it write themselves without their package.
const char kUninstallerEntry[] = "setup.uni";
const uint32_t kReservedSize = 128;
const uint32_t kRecordFixedSize = 17;
const uint32_t kMaxNameLength = 255;  // NUL included
const uint32_t kTrailerSize = 24;
const uint32_t kTrailerSummedOffset = 8;
const uint32_t kTrailerSummedSize = 16;
const uint32_t kMagic1 = 0x03345283;
const uint32_t kMagic2 = 0x0EFFF343;
const uint32_t kChecksumChunk = 65536;
const uint32_t kLzmaHeaderSize = 13;
const uint32_t kLzmaPropertiesLimit = 225;  // 9 * 5 * 5: lc < 9, lp < 5, pb < 5
const uint32_t kSolidMarker = 0x42534B42;
const uint32_t kBlockRecordSize = 12;
// The solid header's flag for entry names in UTF-8 (a UTF-8 script's).
const uint32_t kUtf8Names = 1;
// The solid header's flag for stored blocks (data that does not compress).
const uint32_t kStoredBlocks = 2;
// The solid header's flag for blocks in data files beside the installer.
const uint32_t kDataFiles = 4;
const uint32_t kDataFileRecordSize = 12;
// The solid header's flag for a directory packed as one LZMA stream.
const uint32_t kPackedDirectory = 8;

// Always inlined: one load or store once optimised, in the loops over every
// byte of a package, but weighed as four byte moves by the inliner.
__attribute__((always_inline)) inline uint32_t Get32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
__attribute__((always_inline)) inline void Put32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

// Body sum of one chunk: its complete words, then its last 0-3 bytes as
// unsigned bytes. Every chunk but the last must be a multiple of 4 long,
// so that chunking does not change the result.
uint32_t AddBodyChunk(uint32_t sum, const uint8_t* data, uint32_t size);
// A body sum of 0 is stored as 1.
inline uint32_t FinishBodySum(uint32_t sum) { return sum == 0 ? 1 : sum; }
// The stored body sum of a body held in memory.
uint32_t BodySum(const uint8_t* body, uint32_t size);
// Entry sum: every packed byte as an unsigned value.
uint32_t AddEntryBytes(uint32_t sum, const uint8_t* data, uint32_t size);
// Sum of the 16 bytes at trailer offsets 8-23, each a signed byte.
uint32_t TrailerSum(const uint8_t* trailer);

struct Trailer {
    uint32_t bodySum;
    uint32_t trailerSum;
    uint32_t directoryOffset;
    uint32_t entryCount;
};
// Writes the 24 trailer bytes, computing the trailer sum.
void WriteTrailer(uint8_t* out, uint32_t bodySum, uint32_t directoryOffset, uint32_t entryCount);
// False unless both magic numbers match.
bool ParseTrailer(const uint8_t* in, Trailer& trailer);

// The reserved header of a solid package; false for any other header,
// which makes the package classic.
struct SolidHeader {
    uint32_t blockCount;
    uint32_t blockTableOffset;
    uint32_t flags;
    uint32_t dataFileCount;
    uint32_t dataFileTableOffset;
};
bool ParseSolidHeader(const uint8_t* reserved, SolidHeader& out);
void WriteSolidHeader(uint8_t* reserved, uint32_t blockCount, uint32_t blockTableOffset, uint32_t flags,
                      uint32_t dataFileCount = 0, uint32_t dataFileTableOffset = 0);

// The CRC-32 of IEEE 802.3 (reflected 0xEDB88320), continued over data:
// start from 0.
uint32_t Crc32(uint32_t crc, const uint8_t* data, uint32_t size);

}  // namespace package_format
