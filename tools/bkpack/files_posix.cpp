// The builder's files on Linux: wide paths become UTF-8, and the
// backslashes of names taken from an install script become slashes.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files.h"

namespace {

std::string Native(const std::wstring& path) {
    std::string out = Utf8(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

// Windows-1252 at 0x80-0x9F; the rest of the page is Latin-1. The five
// holes map to the C1 controls of the same value, as Windows maps them.
const uint16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

wchar_t From1252(uint8_t c) { return c >= 0x80 && c < 0xA0 ? (wchar_t)kHigh1252[c - 0x80] : (wchar_t)c; }

}  // namespace

InputFile::~InputFile() {
    if (handle_ != -1) close((int)handle_);
}

bool InputFile::Open(const std::wstring& path, uint64_t& size, std::string& error) {
    int fd = open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        error = "cannot open '" + Utf8(path) + "': " + strerror(fd < 0 ? errno : EISDIR);
        if (fd >= 0) close(fd);
        return false;
    }
    handle_ = fd;
    // The package stores 32-bit sizes; the installer refuses 4 GiB and more.
    if ((uint64_t)info.st_size >= 0xFFFFFFFFull) {
        error = "'" + Utf8(path) + "' is 4 GiB or larger; a package entry must be smaller";
        return false;
    }
    size = (uint64_t)info.st_size;
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

int64_t InputFile::Read(uint8_t* buffer, size_t size) {
    for (;;) {
        ssize_t got = read((int)handle_, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

bool InputFile::Seek(uint64_t offset) { return lseek((int)handle_, (off_t)offset, SEEK_SET) == (off_t)offset; }

bool OutputFile::Create(const std::wstring& path, std::string& error) {
    Close();
    int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot write '" + Utf8(path) + "': " + strerror(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

bool OutputFile::Write(const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = write((int)handle_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= (size_t)n;
    }
    return true;
}

bool OutputFile::Close() {
    if (handle_ == -1) return true;
    bool ok = close((int)handle_) == 0;
    handle_ = -1;
    return ok;
}

bool WriteWholeFile(const std::wstring& path, const Bytes& data, std::string& error) {
    int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot write '" + Utf8(path) + "': " + strerror(errno);
        return false;
    }
    size_t at = 0;
    while (at < data.size()) {
        ssize_t n = write(fd, data.data() + at, data.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        at += (size_t)n;
    }
    bool ok = at == data.size();
    if (!ok) error = "cannot write '" + Utf8(path) + "': " + strerror(errno);
    if (close(fd) != 0 && ok) {
        error = "cannot write '" + Utf8(path) + "': " + strerror(errno);
        ok = false;
    }
    return ok;
}

bool RenameIntoPlace(const std::wstring& from, const std::wstring& to, std::string& error) {
    if (rename(Native(from).c_str(), Native(to).c_str()) == 0) return true;
    error = "cannot write '" + Utf8(to) + "': " + strerror(errno);
    unlink(Native(from).c_str());
    return false;
}

void RemoveFile(const std::wstring& path) { unlink(Native(path).c_str()); }

bool IsRegularFile(const std::wstring& path) {
    struct stat info;
    return stat(Native(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void MakeParentFolders(const std::wstring& path) {
    std::string native = Native(path);
    for (size_t at = native.find('/', 1); at != std::string::npos; at = native.find('/', at + 1))
        mkdir(native.substr(0, at).c_str(), 0777);
}

bool ListFolder(const std::wstring& path, std::vector<FolderListing>& items) {
    std::string native = Native(path);
    DIR* dir = opendir(native.c_str());
    if (!dir) return false;
    if (native.empty() || native.back() != '/') native += '/';
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        struct stat info;
        if (name == "." || name == ".." || stat((native + name).c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode) || S_ISREG(info.st_mode)) items.push_back({FromUtf8(name), S_ISDIR(info.st_mode)});
    }
    closedir(dir);
    return true;
}

bool WriteStandardOutput(const Bytes& data) {
    return fwrite(data.data(), 1, data.size(), stdout) == data.size() && fflush(stdout) == 0;
}

bool AnsiToWide(const std::string& name, std::wstring& out) {
    out.clear();
    for (char c : name) out += From1252((uint8_t)c);
    return true;
}

bool WideToAnsi(const std::wstring& name, std::string& out) {
    out.clear();
    for (wchar_t w : name) {
        int found = -1;
        for (int c = 0; c < 256 && found < 0; c++)
            if (From1252((uint8_t)c) == w) found = c;
        if (found < 0) return false;
        out += (char)found;
    }
    return true;
}
