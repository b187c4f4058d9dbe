// DiskFile: one Win32 file handle with the path it came from; on request it
// offers Retry/Cancel boxes when opening, reading or writing fails.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/wstring.h"

class ByteBuffer;

class DiskFile {
public:
    enum Origin { kFromStart = FILE_BEGIN, kFromCurrent = FILE_CURRENT };

    DiskFile() = default;
    explicit DiskFile(HANDLE borrowed);
    ~DiskFile() { Close(); }
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    void SetPath(const wchar_t* path) { path_ = path; }
    const WString& Path() const { return path_; }
    HANDLE Handle() const { return handle_; }

    void Open(uint32_t access, uint32_t creation, bool showErrors);
    bool OpenPath(const wchar_t* path, uint32_t access);
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close();

    uint32_t Read(void* buffer, uint32_t count);
    // The next byte, through a read-ahead buffer of the file's own: line
    // readers take a byte at a time, and a system call per byte costs more
    // than the rest of their work. Read, Write and Seek see the position
    // the bytes taken so far leave, as if none were read ahead.
    bool ReadByte(uint8_t& byte);
    bool Write(const void* buffer, uint32_t count);
    bool WriteText(const char* text, bool newline);
    bool Seek(int64_t offset, Origin origin);
    uint64_t Size() const;
    // Where the next Read or ReadByte reads.
    uint64_t Position() const;

    // The 8-bit line reader's finding at the start of the file, which holds
    // for every later line: unknown again after a seek to the start.
    enum TextEncoding { kUnknownText, kAnsiText, kUtf8Text };
    TextEncoding Encoding() const { return encoding_; }
    void SetEncoding(TextEncoding encoding) { encoding_ = encoding; }

private:
    uint32_t ReadFromHandle(void* buffer, uint32_t count);
    // Moves the handle back to the logical position: before a write, and
    // before a seek from the current position.
    bool DropReadAhead();

    WString path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool showErrors_ = false;
    bool ownsHandle_ = false;
    uint8_t* ahead_ = nullptr;
    uint32_t aheadAt_ = 0;
    uint32_t aheadEnd_ = 0;
    TextEncoding encoding_ = kUnknownText;
};

// The whole file at path into out; false when it does not open, is larger
// than limit bytes or cannot be read whole.
bool ReadWholeFile(const wchar_t* path, ByteBuffer& out, uint32_t limit);
