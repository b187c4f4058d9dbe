// Lays out a package from named files (see package_format.h): solid, the
// files in blocks of several compressed as one LZMA-alone stream each; or
// classic, each file its own stream. Then the directory and the trailer.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "files.h"

struct PackInput {
    std::string name;  // ANSI or UTF-8 (utf8Names), as stored in the directory
    std::wstring path;  // read in chunks while it is compressed
};

struct PackSettings {
    uint32_t level = 9;
    bool extreme = false;
    bool quiet = false;
    uint32_t threads = 0;  // entries compressed at once; 0: one per core
    bool classic = false;  // one stream per entry, as packages were before blocks
    uint32_t dictionary = 0;  // largest dictionary; 0: the level's (either way no larger than the input)
    // The names are UTF-8 (a UTF-8 script's), which the solid header says;
    // a classic package has no place to say it, so holds only ASCII names.
    bool utf8Names = false;
    uint64_t split = 0;  // most bytes of a data file; 0: the blocks in the package
};

// Compresses data into one LZMA-alone stream whose header states its size.
// An empty input gives an empty output: the package stores no stream.
bool CompressEntry(const Bytes& data, const PackSettings& settings, Bytes& out, std::string& error);
// The same from a source of chunks: read fills up to size bytes and returns
// the count, 0 at the end, -1 on failure. sizeHint (the expected length)
// sizes the dictionary; unpackedSize is what was actually read.
typedef std::function<int64_t(uint8_t* buffer, size_t size)> ChunkReader;
bool CompressChunks(const ChunkReader& read, uint64_t sizeHint, const PackSettings& settings, Bytes& out,
                    uint32_t& unpackedSize, std::string& error);
// The chunks as they are, for a stored block; false past 4 GiB or when a
// read fails.
bool StoreChunks(const ChunkReader& read, uint64_t sizeHint, Bytes& out, uint32_t& size, std::string& error);
// The same from an opened file of size bytes, read in chunks, so its size
// does not bound memory.
bool CompressFile(InputFile& file, uint64_t size, const PackSettings& settings, Bytes& out, uint32_t& unpackedSize,
                  std::string& error);
// What the encoder of an input of sizeHint bytes allocates, for planning
// how many run at once.
uint64_t EncoderMemory(const PackSettings& settings, uint64_t sizeHint);
struct PackedEntry {
    std::string name;
    Bytes packed;
    uint32_t unpackedSize;
};

// Lays out already packed entries: reserved bytes, the streams, the
// directory and the trailer with both sums.
bool LayOutPackage(const std::vector<PackedEntry>& entries, Bytes& out, std::string& error);
// An entry of a solid package: where its bytes lie in which block.
struct SolidEntry {
    std::string name;
    uint32_t block;
    uint32_t offset;
    uint32_t size;
    uint32_t crc;
};
struct SolidBlock {
    Bytes packed;  // one LZMA-alone stream stating unpackedSize; empty when that is 0
    uint32_t unpackedSize;
    bool stored;   // packed holds the bytes as they are
};
// Lays out a solid package: the marked header (with flags, see
// package_format.h), the blocks, the block table, the directory (entries in
// the order given) and the trailer.
// With dataFiles, the blocks go there instead, a new file each time one
// would pass split bytes, and the package lists the files.
bool LayOutSolidPackage(const std::vector<SolidEntry>& entries, const std::vector<SolidBlock>& blocks, Bytes& out,
                        std::string& error, uint32_t flags = 0, uint64_t split = 0,
                        std::vector<Bytes>* dataFiles = nullptr);
// Recomputes the body sum and the trailer after the body was edited.
void SealPackage(Bytes& package);
// The whole package, printing each entry's or block's sizes and a summary
// line. script is the install script (setup.dat), whose sections decide
// which entries share a block.
// dataFiles, for settings.split, receives the data files' bytes.
bool BuildPackage(const std::vector<PackInput>& inputs, const Bytes& script, const PackSettings& settings, Bytes& out,
                  std::string& error, std::vector<Bytes>* dataFiles = nullptr);
