#include "package/resource_stream.h"

#include <windows.h>

#include "package/lzma_decode.h"

const uint8_t* OwnResource(uint16_t id, uint32_t& size, HRSRC* found) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), (LPCWSTR)RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const uint8_t* data = loaded ? (const uint8_t*)LockResource(loaded) : nullptr;
    size = data ? SizeofResource(nullptr, resource) : 0;
    if (found) *found = resource;
    return data;
}

bool DecodeResourceStream(int id, ByteBuffer& out) {
    uint32_t size;
    const uint8_t* data = OwnResource((uint16_t)id, size);
    return data && DecodeLzmaBuffer(data, size, 0xFFFFFFFF, out) && out.Size() != 0;
}
