#include "package/lzma_decode.h"

#include <lzma.h>
#include <string.h>

#include "base/lists.h"
#include "package/package_format.h"

using package_format::Get32;
using package_format::Put32;

namespace {

// Large enough that the per-call costs (a system call per chunk, under Wine
// a few more) vanish beside the decoding; small beside any dictionary.
const uint32_t kInputChunk = 256 * 1024;
const uint32_t kOutputChunk = 1024 * 1024;

uint32_t Smaller(uint32_t a, uint32_t b) { return a < b ? a : b; }

struct MemoryInOut {
    const uint8_t* at;
    uint32_t left;
    ByteBuffer* out;
    uint32_t written;
};

uint32_t ReadMemory(void* context, uint8_t* buffer, uint32_t size) {
    MemoryInOut* io = static_cast<MemoryInOut*>(context);
    size = Smaller(size, io->left);
    memcpy(buffer, io->at, size);
    io->at += size;
    io->left -= size;
    return size;
}

// Into the buffer, sized beforehand to the stated unpacked size.
bool WriteBuffer(void* context, const uint8_t* data, uint32_t size) {
    MemoryInOut* io = static_cast<MemoryInOut*>(context);
    if (size > io->out->Size() - io->written) return false;
    memcpy(io->out->Data() + io->written, data, size);
    io->written += size;
    return true;
}

}  // namespace

bool ParseLzmaHeader(const uint8_t* header, LzmaHeader& out) {
    out.properties = header[0];
    out.dictionarySize = Get32(header + 1);
    out.unpackedSize = Get32(header + 5);
    if (out.unpackedSize == 0xFFFFFFFF) return false;
    for (int i = 9; i < 13; i++)
        if (header[i] != 0) return false;
    return out.properties < package_format::kLzmaPropertiesLimit;
}

uint32_t UsableDictionary(uint64_t packedSize) {
    // No stream refers further back than it has decoded, and none decodes
    // much per input byte: the decoder's probabilities stop at 2017/2048, so
    // each decision costs at least 0.022 bits, and the cheapest output, a
    // repeated 273-byte match, takes 14 decisions. That is under 7,100
    // bytes per input byte; 8,192 leaves room.
    const uint64_t kMostPerByte = 8192;
    uint64_t most = (packedSize + 1) * kMostPerByte;
    return most < 0xFFFFFFFFull ? (uint32_t)most : 0xFFFFFFFF;
}

DecodeResult DecodeLzmaStream(const LzmaHeader& header, const LzmaStreamIo& io) {
    if (header.unpackedSize == 0) return kDecoded;
    ByteBuffer input, output;
    if (!input.Resize(kInputChunk, false) || !output.Resize(Smaller(kOutputChunk, header.unpackedSize), false))
        return kDecodeWriteError;

    // The decoder is told the size is unknown, so an early end marker ends the
    // stream instead of failing it; the count of bytes still wanted caps it at
    // the stated size. The dictionary never needs to exceed the output: a
    // header asking for more would only make the decoder allocate it.
    uint32_t dictionary = Smaller(header.dictionarySize, header.unpackedSize);
    if (dictionary < LZMA_DICT_SIZE_MIN) dictionary = LZMA_DICT_SIZE_MIN;
    uint8_t fed[package_format::kLzmaHeaderSize];
    fed[0] = header.properties;
    Put32(fed + 1, dictionary);
    memset(fed + 5, 0xFF, 8);

    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_ret ret = lzma_alone_decoder(&stream, UINT64_MAX);
    if (ret != LZMA_OK) return ret == LZMA_MEM_ERROR ? kDecodeWriteError : kDecodeReadError;
    stream.next_in = fed;
    stream.avail_in = sizeof fed;
    uint32_t wanted = header.unpackedSize;
    bool inputEnded = false;
    DecodeResult result = kDecodeReadError;
    for (;;) {
        if (stream.avail_in == 0 && !inputEnded) {
            stream.next_in = input.Data();
            stream.avail_in = io.read(io.context, input.Data(), input.Size());
            inputEnded = stream.avail_in == 0;
        }
        uint32_t room = Smaller(output.Size(), wanted);
        stream.next_out = output.Data();
        stream.avail_out = room;
        // Without FINISH at the end of the input the decoder would wait for
        // more; with it, a stream cut short fails instead of ending quietly.
        ret = lzma_code(&stream, inputEnded ? LZMA_FINISH : LZMA_RUN);
        uint32_t produced = room - (uint32_t)stream.avail_out;
        if (produced != 0 && !io.write(io.context, output.Data(), produced)) {
            result = kDecodeWriteError;
            break;
        }
        wanted -= produced;
        if (ret == LZMA_STREAM_END || (ret == LZMA_OK && wanted == 0)) {
            result = kDecoded;
            break;
        }
        if (ret != LZMA_OK) {
            if (ret == LZMA_MEM_ERROR || ret == LZMA_MEMLIMIT_ERROR) result = kDecodeWriteError;
            break;
        }
    }
    lzma_end(&stream);
    return result;
}

bool DecodeLzmaBuffer(const uint8_t* stream, uint32_t size, uint32_t limit, ByteBuffer& out) {
    out.Free();
    LzmaHeader header;
    if (size < package_format::kLzmaHeaderSize || !ParseLzmaHeader(stream, header) || header.unpackedSize > limit)
        return false;
    uint32_t usable = UsableDictionary(size);
    if (header.dictionarySize > usable) header.dictionarySize = usable;
    MemoryInOut memory = {stream + package_format::kLzmaHeaderSize, size - package_format::kLzmaHeaderSize, &out, 0};
    LzmaStreamIo io = {ReadMemory, WriteBuffer, &memory};
    // An early end marker is no error to the stream decoder; here the stated
    // size is what the caller relies on.
    if (!out.Resize(header.unpackedSize, false) || DecodeLzmaStream(header, io) != kDecoded ||
        memory.written != header.unpackedSize) {
        out.Free();
        return false;
    }
    return true;
}
