// InstallPackage: the package of this installer, copied out of the
// executable's resources to a temporary file (or read in place after the
// image), verified, and its directory read into memory. Entries are extracted one at a time from the copy; the
// blocks of a solid package can also be decoded whole, each entry on its
// way (the install's decoding ahead does that).
#pragma once

#include <stdint.h>

#include "base/byte_buffer.h"
#include "base/disk_file.h"
#include "base/lists.h"
#include "base/string_index.h"
#include "base/wstring.h"
#include "package/package_format.h"
#include "package/solid_blocks.h"

// Classic: offset, packed size and sum of the entry's own stream. Solid:
// offset in its block, packed size 0, checksum its CRC-32, and block.
struct PackageEntry {
    uint32_t offset;
    uint32_t packedSize;
    uint32_t unpackedSize;
    uint32_t checksum;
    uint8_t nameLength;
    char name[260];
    uint32_t block;
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
    // The entry ExtractEntry leaves in place for name (the last of that
    // name); -1 when there is none.
    int32_t LastEntryIndex(const wchar_t* name) const;

    bool IsSolid() const { return blocks_ != nullptr; }
    uint32_t BlockCount() const { return blockCount_; }
    const BlockRecord& Block(uint32_t index) const { return blocks_[index]; }
    // Decodes block through a reader of its own (so blocks can be decoded
    // on several threads at once), handing spans (sorted by offset, of this
    // block) to sink. Shows no message.
    BlockResult DecodeSpans(uint32_t block, const EntrySpan* spans, uint32_t count, const SpanSink& sink) const;

    // Each data file beside the installer there, of its size and CRC-32,
    // read once; false after a message naming the first that is not. The
    // install asks before its first file (a process that installs nothing
    // reads none); the entries' own CRC-32s catch a file changed later.
    bool CheckDataFiles();

    int32_t EntryCount() const { return entries_.Count(); }
    const PackageEntry& Entry(int32_t index) const { return *static_cast<PackageEntry*>(entries_.At(index)); }
    const WString& CopyPath() const { return copyPath_; }

private:
    // Finds the package: in place after the image, else copied.
    void CopySource(const wchar_t* sourceFile);
    // Seeks file to offset in the package.
    bool At(DiskFile& file, uint32_t offset) const;
    void ReadDirectory();
    bool ReadBlocks(uint32_t directoryOffset);
    bool ReadDirectoryBytes(uint32_t directoryOffset, uint32_t entryCount, ByteBuffer& out);
    bool ReadDataFiles(const package_format::SolidHeader& header, uint32_t directoryOffset, const char*& reason);
    // Data file number file (from 1): beside the installer, its name's.
    void DataFilePath(uint32_t file, WString& out) const;
    bool CheckMap();
    uint32_t BodyChecksum();
    bool ExtractOne(const PackageEntry& entry, const wchar_t* destination);
    bool ExtractFromBlock(const PackageEntry& entry, const wchar_t* destination);
    void IndexNames();
    void FreeEntries();
    // An entry's name as the script and the log write it.
    WString NameOf(const PackageEntry& entry) const;

    PtrList entries_;
    // Entry names to the first entry of that name, and each entry to the
    // next of its name (-1 at the last): lookups cost the same whatever
    // the entry count.
    StringIndex names_;
    int32_t* nextSame_ = nullptr;
    BlockRecord* blocks_ = nullptr;
    uint32_t blockCount_ = 0;
    DataFileRecord* dataFiles_ = nullptr;
    uint32_t dataFileCount_ = 0;
    // The data files, open from their check on; dataChecked_ once all held.
    HANDLE* held_ = nullptr;
    bool dataChecked_ = false;
    // The installer's path (or the bare package's), which names the data files.
    WString dataBase_;
    // Names in UTF-8 (a solid header's flag), else in the ANSI code page.
    bool utf8Names_ = false;
    bool packedDirectory_ = false;
    DiskFile file_;
    WString copyPath_;     // the temporary copy; empty when read in place
    WString packagePath_;  // the copy, or this program's file
    uint32_t base_ = 0;    // the package's offset there
    uint32_t size_ = 0;
    // The body sum of the bytes copied, when they were read from a file.
    uint32_t copySum_ = 0;
    bool copySummed_ = false;
};

// Decodes the packed-entry file source into destination; on failure shows one
// message box (read or write error) and returns false.
bool Decompress(const wchar_t* source, const wchar_t* destination);
