#include "files.h"

#include <windows.h>

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}

std::string SystemMessage(unsigned long code) {
    wchar_t buffer[512] = {0};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                             512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) buffer[--n] = 0;
    return n ? Utf8(buffer) : "error " + std::to_string(code);
}

void* OpenEntryInput(const std::wstring& path, DWORD flags, uint64_t& size, std::string& error) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot open '" + Utf8(path) + "': " + SystemMessage(GetLastError());
        return nullptr;
    }
    LARGE_INTEGER length = {};
    GetFileSizeEx(h, &length);
    // The package stores 32-bit sizes; the installer refuses 4 GiB and more.
    if (length.QuadPart >= 0xFFFFFFFFLL) {
        CloseHandle(h);
        error = "'" + Utf8(path) + "' is 4 GiB or larger; a package entry must be smaller";
        return nullptr;
    }
    size = (uint64_t)length.QuadPart;
    return h;
}

bool ReadWholeFile(const std::wstring& path, Bytes& out, std::string& error) {
    uint64_t size = 0;
    HANDLE h = OpenEntryInput(path, FILE_ATTRIBUTE_NORMAL, size, error);
    if (!h) return false;
    out.resize((size_t)size);
    DWORD got = 0;
    bool ok = out.empty() || (ReadFile(h, out.data(), (DWORD)out.size(), &got, nullptr) && got == out.size());
    CloseHandle(h);
    if (!ok) error = "cannot read '" + Utf8(path) + "'";
    return ok;
}

std::wstring PartialName(const std::wstring& path) { return path + L".partial"; }

bool RenameIntoPlace(const std::wstring& from, const std::wstring& to, std::string& error) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    error = "cannot write '" + Utf8(to) + "': " + SystemMessage(GetLastError());
    DeleteFileW(from.c_str());
    return false;
}

bool WriteFileAtomically(const std::wstring& path, const Bytes& data, std::string& error) {
    std::wstring partial = PartialName(path);
    HANDLE h = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot write '" + Utf8(partial) + "': " + SystemMessage(GetLastError());
        return false;
    }
    DWORD written = 0;
    bool ok = data.empty() || (WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr) && written == data.size());
    CloseHandle(h);
    if (!ok) {
        error = "cannot write '" + Utf8(partial) + "'";
        DeleteFileW(partial.c_str());
        return false;
    }
    return RenameIntoPlace(partial, path, error);
}
