// Reading a package back in the builder: from an installer's resource or a
// bare package file, with the checks the installer makes and a few more.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "files.h"

struct ViewEntry {
    uint32_t offset;
    uint32_t packedSize;
    uint32_t unpackedSize;
    uint32_t checksum;
    std::string name;
    bool checksumHolds;
};

struct PackageView {
    Bytes bytes;
    std::vector<ViewEntry> entries;
    uint32_t promised = 0;
};

// FILE is an installer when it starts with "MZ": its resource is read.
bool LoadPackage(const std::wstring& path, Bytes& out, std::string& error);
// Trailer, body sum and directory; false with the reason for the first fault.
bool ParsePackage(PackageView& view, std::string& error);
// Decodes one entry as the installer would; false with the reason.
bool DecodeEntry(const PackageView& view, const ViewEntry& entry, Bytes& out, std::string& error);
