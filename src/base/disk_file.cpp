#include "base/disk_file.h"

#include <stdlib.h>
#include <string.h>

#include "base/byte_buffer.h"
#include "base/message_box.h"
#include "base/texts.h"

namespace {

bool AskRetry(TextId what, const WString& path, const wchar_t* caption) {
    WString text = WString::Formatted(Text(what), (const wchar_t*)path);
    return ShowMessage(nullptr, text, caption, MB_ICONINFORMATION | MB_RETRYCANCEL) == IDRETRY;
}

}  // namespace

DiskFile::DiskFile(HANDLE borrowed) : handle_(borrowed) {}

void DiskFile::Open(uint32_t access, uint32_t creation, bool showErrors) {
    for (;;) {
        handle_ = INVALID_HANDLE_VALUE;
        ownsHandle_ = true;
        showErrors_ = showErrors;
        encoding_ = kUnknownText;
        WString systemPath = LongPath(path_, 260);
        if (!systemPath.IsEmpty()) {
            handle_ = CreateFileW(systemPath, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, creation,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (handle_ != INVALID_HANDLE_VALUE || !showErrors) return;
        const wchar_t* caption = (access & GENERIC_WRITE) ? Text(kFileWriteError) : Text(kFileReadError);
        if (!AskRetry(kUnableToOpen, path_, caption)) return;
    }
}

bool DiskFile::OpenPath(const wchar_t* path, uint32_t access) {
    Close();
    path_ = path;
    Open(access, OPEN_ALWAYS, true);
    return IsOpen();
}

void DiskFile::Close() {
    if (handle_ != INVALID_HANDLE_VALUE && ownsHandle_) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    free(ahead_);
    ahead_ = nullptr;
    aheadAt_ = aheadEnd_ = 0;
    encoding_ = kUnknownText;
}

namespace {

const uint32_t kReadAhead = 32 * 1024;

}  // namespace

bool DiskFile::ReadByte(uint8_t& byte) {
    if (aheadAt_ == aheadEnd_) {
        if (!ahead_) ahead_ = (uint8_t*)malloc(kReadAhead);
        if (!ahead_) return ReadFromHandle(&byte, 1) == 1;
        aheadAt_ = 0;
        aheadEnd_ = ReadFromHandle(ahead_, kReadAhead);
        if (aheadEnd_ == 0) return false;
    }
    byte = ahead_[aheadAt_++];
    return true;
}

bool DiskFile::DropReadAhead() {
    uint32_t unread = aheadEnd_ - aheadAt_;
    aheadAt_ = aheadEnd_ = 0;
    if (unread == 0) return true;
    LONG high = -1;
    SetLastError(0);
    DWORD low = SetFilePointer(handle_, -(LONG)unread, &high, FILE_CURRENT);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

uint32_t DiskFile::Read(void* buffer, uint32_t count) {
    uint32_t taken = aheadEnd_ - aheadAt_ < count ? aheadEnd_ - aheadAt_ : count;
    if (taken > 0) {
        memcpy(buffer, ahead_ + aheadAt_, taken);
        aheadAt_ += taken;
    }
    if (taken == count) return count;
    return taken + ReadFromHandle((uint8_t*)buffer + taken, count - taken);
}

uint32_t DiskFile::ReadFromHandle(void* buffer, uint32_t count) {
    if (!IsOpen()) return 0;
    for (;;) {
        DWORD got = 0;
        SetLastError(0);
        BOOL ok = ReadFile(handle_, buffer, count, &got, nullptr);
        DWORD error = GetLastError();
        // A short read at the end of the file is no failure.
        if ((ok && got == count) || error == 0 || error == ERROR_HANDLE_EOF) return got;
        if (!showErrors_ || !AskRetry(kUnableToRead, path_, Text(kFileReadError))) return got;
    }
}

bool DiskFile::Write(const void* buffer, uint32_t count) {
    if (!buffer) {
        if (count == 0) return true;
        if (showErrors_)
            ShowMessage(nullptr, Text(kNullBufferWrite), Text(kFileWriteError), MB_ICONINFORMATION);
        return false;
    }
    if (IsOpen() && !DropReadAhead()) return false;
    for (;;) {
        if (IsOpen()) {
            DWORD written = 0;
            if (WriteFile(handle_, buffer, count, &written, nullptr) && written == count) return true;
        }
        if (!showErrors_ || !AskRetry(kUnableToWrite, path_, Text(kFileWriteError))) return false;
    }
}

bool DiskFile::WriteText(const char* text, bool newline) {
    bool ok = Write(text, (uint32_t)strlen(text));
    if (newline) Write("\r\n", 2);
    return ok;
}

bool DiskFile::Seek(int64_t offset, Origin origin) {
    if (!IsOpen()) return false;
    if (origin == kFromStart && offset == 0) encoding_ = kUnknownText;
    // A line reader's step back over the byte after a CR stays in the buffer.
    if (origin == kFromCurrent && aheadEnd_ > 0 && offset <= (int64_t)(aheadEnd_ - aheadAt_) &&
        offset >= -(int64_t)aheadAt_) {
        aheadAt_ = (uint32_t)((int64_t)aheadAt_ + offset);
        return true;
    }
    if (origin == kFromCurrent) offset -= aheadEnd_ - aheadAt_;
    aheadAt_ = aheadEnd_ = 0;
    LONG high = (LONG)(offset >> 32);
    SetLastError(0);
    DWORD low = SetFilePointer(handle_, (LONG)(uint32_t)offset, &high, (DWORD)origin);
    // A low half of 0xFFFFFFFF is a valid position; only the error code tells.
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

uint64_t DiskFile::Position() const {
    if (!IsOpen()) return 0;
    LONG high = 0;
    DWORD low = SetFilePointer(handle_, 0, &high, FILE_CURRENT);
    return ((((uint64_t)(uint32_t)high << 32) | low)) - (aheadEnd_ - aheadAt_);
}

uint64_t DiskFile::Size() const {
    if (!IsOpen()) return 0;
    DWORD high = 0;
    SetLastError(0);
    DWORD low = GetFileSize(handle_, &high);
    return ((uint64_t)high << 32) | low;
}

bool ReadWholeFile(const wchar_t* path, ByteBuffer& out, uint32_t limit) {
    DiskFile file;
    file.SetPath(path);
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!file.IsOpen()) return false;
    uint64_t size = file.Size();
    if (size > limit || !out.Resize((uint32_t)size, false)) return false;
    return file.Read(out.Data(), (uint32_t)size) == size;
}
