// Packages for the reader's tests, laid out with the builder's own code, and
// the edits that break them in one place at a time.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "pack_writer.h"

Bytes ToBytes(const std::string& text);
std::string ToString(const Bytes& bytes);
// One LZMA-alone stream of text, its header stating the size.
Bytes Packed(const std::string& text);
PackedEntry Entry(const std::string& name, const std::string& text);
Bytes LayOut(const std::vector<PackedEntry>& entries);
// A solid package: each inner list one block of (name, text), in order.
typedef std::vector<std::vector<std::pair<std::string, std::string>>> SolidLayout;
Bytes LayOutSolid(const SolidLayout& blocks, uint32_t flags = 0);
// Where a directory record and a block record start.
size_t RecordAt(const Bytes& package, int index);
size_t BlockRecordAt(const Bytes& package, int index);

// Offsets inside a laid-out package.
uint32_t DirectoryOffset(const Bytes& package);
uint32_t EntryOffset(const Bytes& package, int index);
void Poke32(Bytes& package, size_t at, uint32_t value);

// Writes the package to a file in folder and returns its path.
std::wstring SavePackage(const std::wstring& folder, const Bytes& package, const wchar_t* name = L"test.pkg");
