#include "package/install_package.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "app/installer_state.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/temp_files.h"
#include "base/texts.h"
#include "package/image_resource.h"
#include "package/package_format.h"

namespace pf = package_format;

namespace {

void ShowCorrupted() {
    ShowMessage(nullptr, Text(kCorrupted), state.caption, MB_ICONERROR);
}

bool NameMatches(const PackageEntry& entry, const wchar_t* name) {
    return Compare(WString::FromAnsi(entry.name, false), name, true) == 0;
}

}  // namespace

InstallPackage::InstallPackage(const wchar_t* sourceFile) {
    MakeTempFile(copyPath_, "bki", nullptr);
    CopySource(sourceFile);
    if (!file_.OpenPath(copyPath_, GENERIC_READ)) return;
    ReadDirectory();
}

InstallPackage::~InstallPackage() {
    for (int32_t i = 0; i < entries_.Count(); i++) free(entries_.At(i));
    entries_.Clear();
    file_.Close();
    DeleteTempFile(copyPath_);
}

namespace {

// Copies size bytes from offset of the file at path (the rest of the file
// for kToEnd) through one chunk; true when every byte was copied.
const uint32_t kToEnd = 0xFFFFFFFF;

bool CopyFileRange(const wchar_t* path, uint32_t offset, uint32_t size, DiskFile& copy) {
    DiskFile source;
    source.SetPath(path);
    source.Open(GENERIC_READ, OPEN_EXISTING, false);
    ByteBuffer chunk;
    if (!source.IsOpen() || !source.Seek(offset, DiskFile::kFromStart) || !chunk.Resize(pf::kChecksumChunk, false))
        return false;
    if (size == kToEnd) size = (uint32_t)(source.Size() - offset);
    while (size > 0) {
        uint32_t got = source.Read(chunk.Data(), size < chunk.Size() ? size : chunk.Size());
        if (got == 0 || !copy.Write(chunk.Data(), got)) return false;
        size -= got;
    }
    return true;
}

}  // namespace

void InstallPackage::CopySource(const wchar_t* sourceFile) {
    DiskFile copy;
    copy.SetPath(copyPath_);
    copy.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!copy.IsOpen()) return;
    if (sourceFile) {
        CopyFileRange(sourceFile, 0, kToEnd, copy);
        return;
    }
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(pf::kResourceId), MAKEINTRESOURCEW(10));
    HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return;
    uint32_t size = SizeofResource(self, found), offset;
    // Read from the program's file, so the package's pages of the image
    // are never touched; through the image only when that cannot be done.
    wchar_t program[1000];
    DWORD length = GetModuleFileNameW(self, program, 1000);
    if (length > 0 && length < 1000 && ImageFileOffset(self, data, size, offset) &&
        CopyFileRange(program, offset, size, copy))
        return;
    copy.Seek(0, DiskFile::kFromStart);
    SetEndOfFile(copy.Handle());
    copy.Write(data, size);
}

void InstallPackage::ReadDirectory() {
    uint32_t size = (uint32_t)file_.Size();
    uint8_t trailer[pf::kTrailerSize];
    pf::Trailer parsed;
    if (!file_.Seek((int64_t)size - pf::kTrailerSize, DiskFile::kFromStart) ||
        file_.Read(trailer, sizeof trailer) != sizeof trailer || !pf::ParseTrailer(trailer, parsed) ||
        pf::TrailerSum(trailer) != parsed.trailerSum) {
        RunLog(L"package check: no valid trailer in %u bytes", size);
        return;
    }
    if (BodyChecksum() != parsed.bodySum || !file_.Seek(parsed.directoryOffset, DiskFile::kFromStart)) {
        RunLog(L"package check: the body's checksum does not match");
        ShowCorrupted();
        return;
    }
    RunLog(L"package check: %u bytes, checksum correct, %u entries", size, parsed.entryCount);
    for (uint32_t i = 0; i < parsed.entryCount; i++) {
        PackageEntry* entry = (PackageEntry*)calloc(1, sizeof(PackageEntry));
        if (!entry) return;
        uint8_t fixed[pf::kRecordFixedSize];
        bool complete = file_.Read(fixed, sizeof fixed) == sizeof fixed;
        if (complete) {
            entry->offset = pf::Get32(fixed);
            entry->packedSize = pf::Get32(fixed + 4);
            entry->unpackedSize = pf::Get32(fixed + 8);
            entry->checksum = pf::Get32(fixed + 12);
            entry->nameLength = fixed[16];
            complete = file_.Read(entry->name, entry->nameLength) == entry->nameLength;
        }
        // The name is read as stored; a record whose NUL is missing must still
        // end inside the buffer.
        entry->name[sizeof entry->name - 1] = 0;
        if (!complete) {
            // Short reads only happen at the end of the copy, where every
            // further record would fall short too; a count of 4 billion must
            // not keep the installer looping.
            free(entry);
            return;
        }
        entries_.Push(entry);
    }
}

uint32_t InstallPackage::BodyChecksum() {
    DiskFile reader(file_.Handle());
    if (!reader.Seek(0, DiskFile::kFromStart)) return 0;
    uint64_t size = file_.Size();
    uint64_t body = size >= pf::kTrailerSize ? size - pf::kTrailerSize : 0;
    if (body == 0) return 1;
    ByteBuffer buffer;
    if (!buffer.Resize(body < pf::kChecksumChunk ? (uint32_t)body : pf::kChecksumChunk, false)) return 1;
    uint32_t sum = 0;
    while (body > 0) {
        uint32_t chunk = body < pf::kChecksumChunk ? (uint32_t)body : pf::kChecksumChunk;
        if (reader.Read(buffer.Data(), chunk) != chunk) return 0;
        sum = pf::AddBodyChunk(sum, buffer.Data(), chunk);
        body -= chunk;
    }
    return pf::FinishBodySum(sum);
}

bool InstallPackage::FindEntry(const wchar_t* name, PackageEntry* out) const {
    if (out) memset(out, 0, sizeof *out);
    for (int32_t i = 0; i < entries_.Count(); i++) {
        if (!NameMatches(Entry(i), name)) continue;
        if (out) *out = Entry(i);
        return true;
    }
    return false;
}

void InstallPackage::EntryName(int32_t index, WString& out) const {
    if (index >= 0 && index < entries_.Count())
        out = WString::FromAnsi(Entry(index).name, false);
    else
        out = L"";
}

bool InstallPackage::ExtractEntry(const wchar_t* name, const wchar_t* destination) {
    bool extracted = false;
    // Every match is extracted, not only the first: a name listed twice
    // leaves the later entry in place.
    for (int32_t i = 0; i < entries_.Count(); i++)
        if (NameMatches(Entry(i), name) && ExtractOne(Entry(i), destination)) extracted = true;
    return extracted;
}

bool InstallPackage::ExtractOne(const PackageEntry& entry, const wchar_t* destination) {
    // A record's bytes must lie in the body, before the trailer: checked
    // before any temporary file or buffer is made for them.
    uint64_t body = file_.Size() >= pf::kTrailerSize ? file_.Size() - pf::kTrailerSize : 0;
    if ((uint64_t)entry.offset + entry.packedSize > body) {
        RunLog(L"entry '%S': its %u bytes at %u lie outside the package", entry.name, entry.packedSize, entry.offset);
        return false;
    }
    bool result = false;
    file_.Seek(entry.offset, DiskFile::kFromStart);
    WString packedPath;
    MakeTempFile(packedPath, "Ext", nullptr);
    DiskFile packed;
    packed.SetPath(packedPath);
    packed.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    // Copied through one chunk, summed on the way: the packed bytes of a
    // large entry are never held whole.
    ByteBuffer buffer;
    uint32_t chunk = entry.packedSize < pf::kChecksumChunk ? entry.packedSize : pf::kChecksumChunk;
    bool copied = packed.IsOpen() && buffer.Resize(chunk, false);
    uint32_t sum = 0;
    for (uint32_t left = entry.packedSize; copied && left > 0;) {
        uint32_t n = left < chunk ? left : chunk;
        copied = file_.Read(buffer.Data(), n) == n && packed.Write(buffer.Data(), n);
        sum = pf::AddEntryBytes(sum, buffer.Data(), n);
        left -= n;
    }
    if (!copied) {
        RunLog(L"entry '%S': its %u bytes could not be read or copied", entry.name, entry.packedSize);
    } else if (sum != entry.checksum) {
        RunLog(L"entry '%S': its checksum does not match", entry.name);
    } else {
        packed.Close();
        result = Decompress(packedPath, destination);
        if (!result) RunLog(L"entry '%S' could not be uncompressed", entry.name);
    }
    buffer.Free();
    packed.Close();
    DeleteTempFile(packedPath);
    return result;
}
