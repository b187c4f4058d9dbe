// Whole-buffer decoding of one packed entry. Shared by the installer's
// extraction and by the package builder's checks, so both accept exactly
// the same streams.
#pragma once

#include <stdint.h>

#include "base/lists.h"

struct LzmaHeader {
    uint8_t properties;
    uint32_t dictionarySize;
    uint32_t unpackedSize;
};

// False for a header the installer refuses: a size of 0xFFFFFFFF (unknown),
// non-zero high size bits, or a properties byte of 225 or more.
bool ParseLzmaHeader(const uint8_t* header, LzmaHeader& out);

enum DecodeResult { kDecoded, kDecodeReadError, kDecodeWriteError };

// Decodes the data after the header into out, at most header.unpackedSize
// bytes. An end marker before that size ends the output early and is no
// error; running out of input first, or corrupt data, is a read error; no
// memory is a write error.
DecodeResult DecodeLzma(const LzmaHeader& header, const uint8_t* data, uint32_t size, ByteBuffer& out);
