// Decoding of one packed entry, as a stream: input and output pass through
// in chunks, so memory stays at the decoder's dictionary and two chunk
// buffers whatever the entry's size. Shared by the installer's extraction
// and by the package builder's checks, so both accept exactly the same
// streams.
#pragma once

#include <stdint.h>

#include "base/byte_buffer.h"

struct LzmaHeader {
    uint8_t properties;
    uint32_t dictionarySize;
    uint32_t unpackedSize;
};

// False for a header the installer refuses: a size of 0xFFFFFFFF (unknown),
// non-zero high size bits, or a properties byte of 225 or more.
bool ParseLzmaHeader(const uint8_t* header, LzmaHeader& out);

// The largest dictionary a stream of packedSize bytes can make use of.
// Lower a header's dictionary size to it before decoding: the header is
// read from the input, and a few bytes stating a dictionary of gigabytes
// would otherwise have that much allocated, and its failure reported as
// no memory.
uint32_t UsableDictionary(uint64_t packedSize);

enum DecodeResult { kDecoded, kDecodeReadError, kDecodeWriteError };

// Where the decoder takes its input and puts its output. read fills up to
// size bytes and returns how many it gave, 0 when the input has ended;
// write returns false when the output cannot take the bytes.
struct LzmaStreamIo {
    uint32_t (*read)(void* context, uint8_t* buffer, uint32_t size);
    bool (*write)(void* context, const uint8_t* data, uint32_t size);
    void* context;
};

// Decodes the data after the header, at most header.unpackedSize bytes. An
// end marker before that size ends the output early and is no error;
// running out of input first, or corrupt data, is a read error; no memory,
// or output refused, is a write error.
DecodeResult DecodeLzmaStream(const LzmaHeader& header, const LzmaStreamIo& io);

// One whole stream in memory (header included) decoded into out, sized to
// what its header states; false, with out empty, for a header refused
// above, a stated size over limit, or data that does not decode to it.
bool DecodeLzmaBuffer(const uint8_t* stream, uint32_t size, uint32_t limit, ByteBuffer& out);
