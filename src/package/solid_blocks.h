// The blocks of a solid package (see package_format.h): checking its map,
// and decoding one block as a stream, handing each wanted entry its bytes.
// Plain C++ over liblzma, shared by the installer and the package builder so
// both accept exactly the same packages.
#pragma once

#include <stdint.h>

#include "package/lzma_decode.h"

struct BlockRecord {
    uint32_t offset;
    uint32_t packedSize;
    uint32_t unpackedSize;
    bool stored;    // its bytes as they are, not a stream
    uint32_t file;  // the data file holding it, from 1; 0: the package
};

// A data file of a package whose blocks lie beside the installer.
struct DataFileRecord {
    uint32_t firstBlock;
    uint32_t size;
    uint32_t crc;
};
DataFileRecord ReadDataFileRecord(const uint8_t* record);
// Gives each block its data file, checking that the files take the blocks
// in order and that each block lies inside its file, or, before the first
// file's, in the body as CheckBlocks checks. reason names the first fault.
bool AssignDataFiles(BlockRecord* blocks, uint32_t count, uint32_t bodyEnd, const DataFileRecord* files,
                     uint32_t fileCount, const char*& reason);

// The block table's record at record, of a package whose solid header has
// these flags.
BlockRecord ReadBlockRecord(const uint8_t* record, uint32_t flags);

// One entry's place: its block, offset and size there, its CRC-32; index is
// the caller's (the entry's place in the directory).
struct EntrySpan {
    uint32_t block;
    uint32_t offset;
    uint32_t size;
    uint32_t crc;
    uint32_t index;
};

// Every block lies in the body after the reserved header and before the
// block table (bodyEnd), and states a size below 4 GiB. reason names the
// first fault.
bool CheckBlocks(const BlockRecord* blocks, uint32_t count, uint32_t bodyEnd, const char*& reason);
// Sorts spans by block, offset and size (an empty span before the one it
// shares an offset with), then by index.
void SortSpans(EntrySpan* spans, uint32_t count);
// Sorts spans as SortSpans, then checks that each names a block,
// lies inside it and overlaps no other.
bool SortAndCheckSpans(EntrySpan* spans, uint32_t count, const BlockRecord* blocks, uint32_t blockCount,
                       const char*& reason);

// Where a block's entries go. begin comes before an entry's first byte,
// write with its bytes, end after its last with whether they match its
// CRC-32. Any of them returning false stops the decoding; so does *stop
// turning non-zero (null: never), seen at every chunk, also those passed
// over, where no function of the sink is called: a stop need not wait for
// the next wanted entry.
struct SpanSink {
    bool (*begin)(void* context, const EntrySpan& span);
    bool (*write)(void* context, const uint8_t* data, uint32_t size);
    bool (*end)(void* context, const EntrySpan& span, bool crcHolds);
    void* context;
    const volatile long* stop;
};

enum BlockResult { kBlockDecoded, kBlockCorrupt, kBlockNoMemory, kBlockStopped };

// Decodes block from read (its packed bytes, header first; a stored one's
// bytes are copied as they are) up to the end of
// the last of spans (all of this block, sorted by SortSpans; out of that
// order each is still begun and ended, and one whose bytes were passed fails
// its CRC-32; bytes of other entries are decoded and passed over). A header
// that disagrees with the record, a corrupt or short stream: kBlockCorrupt;
// a sink's refusal or stop: kBlockStopped. A span whose CRC-32 fails is
// reported to end and the decoding goes on.
BlockResult DecodeBlock(const BlockRecord& block, const LzmaStreamIo& read, const EntrySpan* spans, uint32_t count,
                        const SpanSink& sink);
