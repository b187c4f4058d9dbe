// Reading a package back in the builder: from an installer's resource or a
// bare package file, with the checks the installer makes and a few more.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "files.h"
#include "package/solid_blocks.h"

// Classic: offset and packed size of the entry's stream, the sum of its
// packed bytes. Solid: its block, offset there, and CRC-32 (packedSize 0).
struct ViewEntry {
    uint32_t offset;
    uint32_t packedSize;
    uint32_t unpackedSize;
    uint32_t checksum;
    std::string name;
    bool checksumHolds;  // solid: the map holds; the CRC-32 is checked by decoding
    uint32_t block;
};

struct PackageView {
    Bytes bytes;
    std::vector<ViewEntry> entries;
    uint32_t promised = 0;
    bool solid = false;
    bool utf8Names = false;  // the solid header's flag: names in UTF-8, not ANSI
    std::vector<BlockRecord> blocks;
    std::vector<DataFileRecord> dataFileRecords;  // of blocks beside the installer
    std::vector<Bytes> dataFiles;                 // their bytes, once loaded
};

// Where an installer's data file number k (from 1) lies: beside it, named
// after it without its extension.
std::wstring DataFileName(const std::wstring& installer, size_t k);
// The data files of a view parsed from path, each checked against its
// record; false with the reason naming the first missing or damaged one.
bool LoadDataFiles(const std::wstring& path, PackageView& view, std::string& error);

// FILE is an installer when it starts with "MZ": its resource is read.
bool LoadPackage(const std::wstring& path, Bytes& out, std::string& error);
// Trailer, body sum and directory; false with the reason for the first fault.
bool ParsePackage(PackageView& view, std::string& error);
// Takes decoded bytes as they come; false refuses them (and ends decoding).
typedef std::function<bool(const uint8_t* data, uint32_t size)> EntrySink;
// Decodes one entry as the installer would, as a stream into sink (so an
// entry of any size needs no more memory than the decoder's); false with
// the reason. A refusal by sink reads as "the output refused it".
bool DecodeEntry(const PackageView& view, const ViewEntry& entry, const EntrySink& sink, std::string& error);

// Every entry decoded once, a solid package's block by block: begin says
// whether the entry's bytes are wanted (for write), done gets each entry's
// fault, empty when it decoded whole and sound. False when any failed.
struct EntryVisitor {
    std::function<bool(const ViewEntry& entry)> begin;
    EntrySink write;
    std::function<void(const ViewEntry& entry, const std::string& fault)> done;
};
bool DecodeAllEntries(const PackageView& view, const EntryVisitor& visitor);
