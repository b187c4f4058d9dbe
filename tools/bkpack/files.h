// File helpers of the package builder: whole files in memory, and outputs
// that appear only when complete.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// A file for reading as a package entry: its handle (a HANDLE) and size,
// or null with the error (it cannot be opened, or is 4 GiB or larger).
void* OpenEntryInput(const std::wstring& path, unsigned long flags, uint64_t& size, std::string& error);
bool ReadWholeFile(const std::wstring& path, Bytes& out, std::string& error);
// Writes to a temporary name beside path, then renames it over path, so an
// interrupted or failed build never leaves a half-written output.
bool WriteFileAtomically(const std::wstring& path, const Bytes& data, std::string& error);
// The name an output is assembled under before it is renamed into place.
std::wstring PartialName(const std::wstring& path);
bool RenameIntoPlace(const std::wstring& from, const std::wstring& to, std::string& error);

std::string Utf8(const std::wstring& text);
std::string SystemMessage(unsigned long code);
