#include "package/resource_stream.h"

#include <windows.h>

#include "package/lzma_decode.h"

bool DecodeResourceStream(int id, ByteBuffer& out) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), (LPCWSTR)RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const uint8_t* data = loaded ? (const uint8_t*)LockResource(loaded) : nullptr;
    uint32_t size = found ? SizeofResource(nullptr, found) : 0;
    return data && DecodeLzmaBuffer(data, size, 0xFFFFFFFF, out) && out.Size() != 0;
}
