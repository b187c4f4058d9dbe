// File helpers of the package builder: whole files in memory, entry inputs
// read in chunks, and outputs that appear only when complete. The shared
// part is plain C++ (files.cpp); files_win.cpp and files_posix.cpp hold
// what differs between Windows and Linux.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// A file read as a package entry, closed by the destructor.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False with the error when it cannot be opened or is 4 GiB or larger.
    bool Open(const std::wstring& path, uint64_t& size, std::string& error);
    // Up to size bytes; 0 at the end, -1 on failure.
    int64_t Read(uint8_t* buffer, size_t size);
    // The next read starts offset bytes into the file.
    bool Seek(uint64_t offset);

private:
    intptr_t handle_ = -1;
};

// A file written in pieces, closed by the destructor.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates path, or empties what is there; false with the error.
    bool Create(const std::wstring& path, std::string& error);
    // False when not all of it could be written.
    bool Write(const uint8_t* data, size_t size);
    // False when the last writes could not be flushed.
    bool Close();

private:
    intptr_t handle_ = -1;
};

bool ReadWholeFile(const std::wstring& path, Bytes& out, std::string& error);
// Writes to a temporary name beside path, then renames it over path, so an
// interrupted or failed build never leaves a half-written output.
bool WriteFileAtomically(const std::wstring& path, const Bytes& data, std::string& error);
// The same of parts written one after another.
bool WriteFileAtomically(const std::wstring& path, const std::vector<const Bytes*>& parts, std::string& error);
// The name an output is assembled under before it is renamed into place.
std::wstring PartialName(const std::wstring& path);
// Renames from over to; on failure from is deleted.
bool RenameIntoPlace(const std::wstring& from, const std::wstring& to, std::string& error);
// Creates path, or replaces what is there, with exactly data.
bool WriteWholeFile(const std::wstring& path, const Bytes& data, std::string& error);
void RemoveFile(const std::wstring& path);
// True when path names a file (not a folder) that exists.
bool IsRegularFile(const std::wstring& path);
// Creates every missing folder on the way to the file path.
void MakeParentFolders(const std::wstring& path);

struct FolderListing {
    std::wstring name;
    bool folder;
};
// What lies directly in the folder path, in no order, without "." and "..";
// links are followed. False when path is no folder that can be read.
bool ListFolder(const std::wstring& path, std::vector<FolderListing>& items);

// A file that exists while its owner lives: written by Create, deleted by
// the destructor or the next Create.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile() { Remove(); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    bool Create(const std::wstring& path, const Bytes& data, std::string& error);
    const std::wstring& Path() const { return path_; }

private:
    void Remove();
    std::wstring path_;
};

// Writes data to the standard output unchanged (no line-break translation).
bool WriteStandardOutput(const Bytes& data);

// Entry names are stored in the ANSI code page: the system's on Windows,
// Windows-1252 (Western European) elsewhere. False for text it cannot hold.
bool AnsiToWide(const std::string& name, std::wstring& out);
bool WideToAnsi(const std::wstring& name, std::string& out);

// UTF-16 (Windows) or UTF-32 (Linux) wide text to UTF-8 and back.
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// An entry name as the package stores it: UTF-8 in a UTF-8 script's
// package, otherwise ANSI. False for text that encoding cannot hold.
bool NameToWide(const std::string& name, bool utf8, std::wstring& out);
bool WideToName(const std::wstring& name, bool utf8, std::string& out);
