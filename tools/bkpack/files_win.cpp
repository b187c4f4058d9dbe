// The builder's files on Windows: wide paths as they are given.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "files.h"

namespace {

std::string SystemMessage(DWORD code) {
    wchar_t buffer[512] = {0};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                             512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) buffer[--n] = 0;
    return n ? Utf8(buffer) : "error " + std::to_string(code);
}

}  // namespace

InputFile::~InputFile() {
    if (handle_ != -1) CloseHandle((HANDLE)handle_);
}

bool InputFile::Open(const std::wstring& path, uint64_t& size, std::string& error) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot open '" + Utf8(path) + "': " + SystemMessage(GetLastError());
        return false;
    }
    handle_ = (intptr_t)h;
    LARGE_INTEGER length = {};
    GetFileSizeEx(h, &length);
    // The package stores 32-bit sizes; the installer refuses 4 GiB and more.
    if (length.QuadPart >= 0xFFFFFFFFLL) {
        error = "'" + Utf8(path) + "' is 4 GiB or larger; a package entry must be smaller";
        return false;
    }
    size = (uint64_t)length.QuadPart;
    return true;
}

int64_t InputFile::Read(uint8_t* buffer, size_t size) {
    DWORD got = 0;
    DWORD asked = size > 0x40000000 ? 0x40000000 : (DWORD)size;
    return ReadFile((HANDLE)handle_, buffer, asked, &got, nullptr) ? (int64_t)got : -1;
}

bool InputFile::Seek(uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)offset;
    return SetFilePointerEx((HANDLE)handle_, to, nullptr, FILE_BEGIN) != 0;
}

bool OutputFile::Create(const std::wstring& path, std::string& error) {
    Close();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot write '" + Utf8(path) + "': " + SystemMessage(GetLastError());
        return false;
    }
    handle_ = (intptr_t)h;
    return true;
}

bool OutputFile::Write(const uint8_t* data, size_t size) {
    DWORD written = 0;
    return WriteFile((HANDLE)handle_, data, (DWORD)size, &written, nullptr) && written == size;
}

bool OutputFile::Close() {
    if (handle_ == -1) return true;
    bool ok = CloseHandle((HANDLE)handle_) != 0;
    handle_ = -1;
    return ok;
}

bool WriteWholeFile(const std::wstring& path, const Bytes& data, std::string& error) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot write '" + Utf8(path) + "': " + SystemMessage(GetLastError());
        return false;
    }
    DWORD written = 0;
    bool ok = data.empty() || (WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr) && written == data.size());
    if (!ok) error = "cannot write '" + Utf8(path) + "': " + SystemMessage(GetLastError());
    CloseHandle(h);
    return ok;
}

bool RenameIntoPlace(const std::wstring& from, const std::wstring& to, std::string& error) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    error = "cannot write '" + Utf8(to) + "': " + SystemMessage(GetLastError());
    DeleteFileW(from.c_str());
    return false;
}

void RemoveFile(const std::wstring& path) { DeleteFileW(path.c_str()); }

bool IsRegularFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeParentFolders(const std::wstring& path) {
    for (size_t at = path.find_first_of(L"\\/", 3); at != std::wstring::npos; at = path.find_first_of(L"\\/", at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
}

bool ListFolder(const std::wstring& path, std::vector<FolderListing>& items) {
    std::wstring pattern = path;
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((pattern + L"*").c_str(), &found);
    // A folder without even "." and ".." (a drive's empty root) is empty.
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            items.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return true;
}

bool WriteStandardOutput(const Bytes& data) {
    fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    return fwrite(data.data(), 1, data.size(), stdout) == data.size() && fflush(stdout) == 0;
}

bool AnsiToWide(const std::string& name, std::wstring& out) {
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.c_str(), (int)name.size(), nullptr, 0);
    if (n <= 0 && !name.empty()) return false;
    out.assign(n, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.c_str(), (int)name.size(), &out[0], n);
    return true;
}

bool WideToAnsi(const std::wstring& name, std::string& out) {
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), (int)name.size(), nullptr, 0, nullptr,
                                &lossy);
    if ((n <= 0 && !name.empty()) || lossy) return false;
    out.assign(n, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), (int)name.size(), &out[0], n, nullptr,
                                   &lossy);
    return !lossy;
}
