#include "package/image_resource.h"

#include "base/byte_buffer.h"
#include "package/package_format.h"

IMAGE_NT_HEADERS* ImageHeaders(const void* image) {
    const BYTE* base = static_cast<const BYTE*>(image);
    return (IMAGE_NT_HEADERS*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew);
}

bool ImageFileOffset(HMODULE module, const void* data, uint32_t size, uint32_t& offset) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const BYTE* at = static_cast<const BYTE*>(data);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!base || at < base || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const IMAGE_NT_HEADERS* nt = ImageHeaders(base);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
    uint32_t rva = (uint32_t)(at - base);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; i++, section++) {
        if (rva < section->VirtualAddress) continue;
        uint32_t into = rva - section->VirtualAddress;
        if (into >= section->SizeOfRawData || size > section->SizeOfRawData - into) continue;
        offset = section->PointerToRawData + into;
        return true;
    }
    return false;
}

bool CopyFileRange(const wchar_t* path, uint32_t offset, uint32_t size, DiskFile& copy, uint32_t* bodySum) {
    namespace pf = package_format;
    DiskFile source;
    source.SetPath(path);
    source.Open(GENERIC_READ, OPEN_EXISTING, false);
    ByteBuffer chunk;
    if (!source.IsOpen() || !source.Seek(offset, DiskFile::kFromStart) ||
        !chunk.Resize(pf::kChecksumChunk, false))
        return false;
    if (size == kToEnd) size = (uint32_t)(source.Size() - offset);
    uint32_t body = size > pf::kTrailerSize ? size - pf::kTrailerSize : 0, sum = 0;
    while (size > 0) {
        uint32_t got = source.Read(chunk.Data(), size < chunk.Size() ? size : chunk.Size());
        if (got == 0 || !copy.Write(chunk.Data(), got)) return false;
        uint32_t summed = got < body ? got : body;
        sum = pf::AddBodyChunk(sum, chunk.Data(), summed);
        body -= summed;
        size -= got;
    }
    if (bodySum) *bodySum = pf::FinishBodySum(sum);
    return true;
}
