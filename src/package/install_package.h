// InstallPackage: the package of this installer, copied out of the
// executable's resources to a temporary file, verified, and its directory
// read into memory. Entries are extracted one at a time from the copy.
#pragma once

#include <stdint.h>

#include "base/disk_file.h"
#include "base/lists.h"
#include "base/wstring.h"

struct PackageEntry {
    uint32_t offset;
    uint32_t packedSize;
    uint32_t unpackedSize;
    uint32_t checksum;
    uint8_t nameLength;
    char name[260];
};

class InstallPackage {
public:
    // Opens the package in the running executable's resources; sourceFile
    // instead names a bare package file to copy (tests use this). Never fails
    // outright: a package that cannot be read has no entries.
    explicit InstallPackage(const wchar_t* sourceFile = nullptr);
    ~InstallPackage();
    InstallPackage(const InstallPackage&) = delete;
    InstallPackage& operator=(const InstallPackage&) = delete;

    bool FindEntry(const wchar_t* name, PackageEntry* out) const;
    void EntryName(int32_t index, WString& out) const;
    bool ExtractEntry(const wchar_t* name, const wchar_t* destination);

    int32_t EntryCount() const { return entries_.Count(); }
    const PackageEntry& Entry(int32_t index) const { return *static_cast<PackageEntry*>(entries_.At(index)); }
    const WString& CopyPath() const { return copyPath_; }

private:
    void CopySource(const wchar_t* sourceFile);
    void ReadDirectory();
    uint32_t BodyChecksum();
    bool ExtractOne(const PackageEntry& entry, const wchar_t* destination);

    PtrList entries_;
    DiskFile file_;
    WString copyPath_;
};

// Decodes the packed-entry file source into destination; on failure shows one
// message box (read or write error) and returns false.
bool Decompress(const wchar_t* source, const wchar_t* destination);
