#include "package/image_resource.h"

bool ImageFileOffset(HMODULE module, const void* data, uint32_t size, uint32_t& offset) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const BYTE* at = static_cast<const BYTE*>(data);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!base || at < base || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
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
