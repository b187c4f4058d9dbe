#include "package/image_cut.h"

#include <windows.h>

#include "base/byte_buffer.h"
#include "base/disk_file.h"
#include "package/image_resource.h"
#include "package/package_format.h"

namespace {

uint32_t AlignUp(uint32_t value, uint32_t to) { return (value + to - 1) / to * to; }


// Ends the image whose headers these are at the file offset cut, where the
// package begins; false unless the package is the last data of its section
// and no section lies after it.
bool EndImageAt(uint8_t* headers, uint32_t cut, uint32_t packageEnd) {
    IMAGE_NT_HEADERS* nt = ImageHeaders(headers);
    IMAGE_OPTIONAL_HEADER& optional = nt->OptionalHeader;
    IMAGE_DATA_DIRECTORY& resources = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    uint32_t end = 0;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; i++, section++) {
        uint32_t raw = section->PointerToRawData;
        if (section->SizeOfRawData && raw + section->SizeOfRawData > cut) {
            if (raw > cut || (cut - raw) % optional.FileAlignment ||
                raw + section->SizeOfRawData > AlignUp(packageEnd, optional.FileAlignment))
                return false;
            optional.SizeOfInitializedData -= section->SizeOfRawData - (cut - raw);
            section->SizeOfRawData = section->Misc.VirtualSize = cut - raw;
            uint32_t kept = section->VirtualAddress + (cut - raw);
            if (resources.VirtualAddress >= section->VirtualAddress && resources.VirtualAddress <= kept &&
                resources.VirtualAddress + resources.Size > kept)
                resources.Size = kept - resources.VirtualAddress;
        }
        uint32_t size = section->Misc.VirtualSize > section->SizeOfRawData ? section->Misc.VirtualSize
                                                                           : section->SizeOfRawData;
        if (section->VirtualAddress + size > end) end = section->VirtualAddress + size;
    }
    optional.SizeOfImage = AlignUp(end, optional.SectionAlignment);
    optional.CheckSum = 0;
    optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY] = IMAGE_DATA_DIRECTORY{0, 0};
    return true;
}

}  // namespace

bool WriteImageWithoutPackage(const wchar_t* destination) {
    namespace pf = package_format;
    HMODULE self = GetModuleHandleW(nullptr);
    uint32_t size, patchAt, cut, packageEnd;
    HRSRC found = nullptr;
    const BYTE* located = OwnResource(pf::kLocatorId, size);
    const BYTE* data = located ? nullptr : OwnResource(pf::kResourceId, size, &found);
    // A found resource's handle is its data entry in the image: checked
    // against the data before its place in the file is taken.
    const IMAGE_RESOURCE_DATA_ENTRY* entry = reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(found);
    if (located) {
        // After the image: the copy's locator says there is no package.
        if (size < pf::kLocatorSize || !ImageFileOffset(self, located, pf::kLocatorSize, patchAt)) return false;
        cut = packageEnd = pf::Get32(located);
    } else if (!data || !ImageFileOffset(self, entry, sizeof *entry, patchAt) ||
               entry->OffsetToData != (DWORD)(data - (const BYTE*)self) ||
               !ImageFileOffset(self, data, entry->Size, cut)) {
        return false;
    } else {
        packageEnd = cut + entry->Size;
    }
    wchar_t program[1000];
    DWORD length = GetModuleFileNameW(self, program, 1000);
    DiskFile source;
    source.SetPath(program);
    source.Open(GENERIC_READ, OPEN_EXISTING, false);
    // The headers as the file holds them: the loader may have rewritten the
    // image base in the mapped ones.
    uint32_t headersSize = ImageHeaders(self)->OptionalHeader.SizeOfHeaders;
    ByteBuffer headers;
    if (length == 0 || length >= 1000 || !source.IsOpen() || headersSize > patchAt || patchAt + 16 > cut ||
        !headers.Resize(headersSize, false) || source.Read(headers.Data(), headersSize) != headersSize ||
        !EndImageAt(headers.Data(), cut, packageEnd))
        return false;
    DiskFile copy;
    copy.SetPath(destination);
    copy.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    // The resource entry's data: none, at the start of the resources, which
    // remain. The locator: no package.
    const IMAGE_DATA_DIRECTORY* directories = ImageHeaders(headers.Data())->OptionalHeader.DataDirectory;
    DWORD empty[2] = {located ? 0 : directories[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress, 0};
    return copy.IsOpen() && copy.Write(headers.Data(), headersSize) &&
           CopyFileRange(program, headersSize, cut - headersSize, copy) &&
           copy.Seek(patchAt, DiskFile::kFromStart) && copy.Write(empty, sizeof empty);
}
