#include "package/lzma_decode.h"

#include <lzma.h>
#include <string.h>

#include "package/package_format.h"

using package_format::Get32;
using package_format::Put32;

bool ParseLzmaHeader(const uint8_t* header, LzmaHeader& out) {
    out.properties = header[0];
    out.dictionarySize = Get32(header + 1);
    out.unpackedSize = Get32(header + 5);
    if (out.unpackedSize == 0xFFFFFFFF) return false;
    for (int i = 9; i < 13; i++)
        if (header[i] != 0) return false;
    return out.properties < package_format::kLzmaPropertiesLimit;
}

DecodeResult DecodeLzma(const LzmaHeader& header, const uint8_t* data, uint32_t size, ByteBuffer& out) {
    if (!out.Resize(header.unpackedSize, false)) return kDecodeWriteError;
    out.Resize(0, false);
    if (header.unpackedSize == 0) return kDecoded;

    // The decoder is told the size is unknown, so an early end marker ends the
    // stream instead of failing it; the output buffer caps it at the stated
    // size. The dictionary never needs to exceed the output: a header asking
    // for more would only make the decoder allocate it.
    uint32_t dictionary = header.dictionarySize;
    if (dictionary > header.unpackedSize) dictionary = header.unpackedSize;
    if (dictionary < LZMA_DICT_SIZE_MIN) dictionary = LZMA_DICT_SIZE_MIN;
    uint8_t fed[package_format::kLzmaHeaderSize];
    fed[0] = header.properties;
    Put32(fed + 1, dictionary);
    memset(fed + 5, 0xFF, 8);

    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_ret ret = lzma_alone_decoder(&stream, UINT64_MAX);
    if (ret != LZMA_OK) return ret == LZMA_MEM_ERROR ? kDecodeWriteError : kDecodeReadError;

    uint8_t* output = out.Data();
    stream.next_out = output;
    stream.avail_out = header.unpackedSize;
    stream.next_in = fed;
    stream.avail_in = sizeof fed;
    ret = lzma_code(&stream, LZMA_RUN);
    if (ret == LZMA_OK && stream.avail_in == 0) {
        stream.next_in = data;
        stream.avail_in = size;
        do {
            ret = lzma_code(&stream, LZMA_FINISH);
        } while (ret == LZMA_OK && stream.avail_out != 0);
    }
    size_t produced = header.unpackedSize - stream.avail_out;
    lzma_end(&stream);

    bool complete = ret == LZMA_STREAM_END || (ret == LZMA_OK && produced == header.unpackedSize);
    if (!complete) return (ret == LZMA_MEM_ERROR || ret == LZMA_MEMLIMIT_ERROR) ? kDecodeWriteError : kDecodeReadError;
    out.Resize((uint32_t)produced, false);
    return kDecoded;
}
