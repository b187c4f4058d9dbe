#include "package/resource_stream.h"

#include <windows.h>
#include <string.h>

#include "package/lzma_decode.h"
#include "package/package_format.h"

namespace {

struct MemoryInOut {
    const uint8_t* at;
    uint32_t left;
    ByteBuffer* out;
    uint32_t written;
};

uint32_t ReadMemory(void* context, uint8_t* buffer, uint32_t size) {
    MemoryInOut* io = static_cast<MemoryInOut*>(context);
    if (size > io->left) size = io->left;
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

bool DecodeResourceStream(int id, ByteBuffer& out) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), (LPCWSTR)RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const uint8_t* data = loaded ? (const uint8_t*)LockResource(loaded) : nullptr;
    uint32_t size = found ? SizeofResource(nullptr, found) : 0;
    out.Free();
    LzmaHeader header;
    if (!data || size < package_format::kLzmaHeaderSize || !ParseLzmaHeader(data, header)) return false;
    uint32_t usable = UsableDictionary(size);
    if (header.dictionarySize > usable) header.dictionarySize = usable;
    MemoryInOut memory = {data + package_format::kLzmaHeaderSize, size - package_format::kLzmaHeaderSize, &out, 0};
    LzmaStreamIo io = {ReadMemory, WriteBuffer, &memory};
    if (!out.Resize(header.unpackedSize, false) || DecodeLzmaStream(header, io) != kDecoded) {
        out.Free();
        return false;
    }
    out.Resize(memory.written, false);
    return out.Size() != 0;
}
