#include "base/temp_files.h"

#include <windows.h>

#include "base/disk_file.h"
#include "base/folders.h"
#include "base/random.h"

namespace {

const WString* g_privateFolder = nullptr;

}  // namespace

void SetPrivateTempFolder(const WString* folder) { g_privateFolder = folder; }

WString TempFolder() {
    if (g_privateFolder && !g_privateFolder->IsEmpty()) return *g_privateFolder;
    wchar_t buffer[260];
    DWORD n = GetTempPathW(260, buffer);
    WString folder = (n > 0 && n < 260) ? WString(buffer) : WString(L"C:\\Temp");
    folder.EnsureTrailingBackslash();
    return folder;
}

void MakeTempFile(WString& name, const char* prefix, const char* suffix) {
    if (!name.IsEmpty()) DeleteFileRetry(name);
    WString folder = TempFolder();
    WString widePrefix;
    if (prefix)
        widePrefix.AssignAnsi(prefix);
    else
        widePrefix = L"TMP";
    wchar_t buffer[260] = {0};
    if (GetTempFileNameW(folder, widePrefix, 0, buffer) != 0 && buffer[0] != 0) {
        name = buffer;
    } else {
        name.Format(L"%s%s%d.tmp", (const wchar_t*)folder, (const wchar_t*)widePrefix, (int)RandomBelow(9999));
    }
    if (suffix) {
        DeleteFileRetry(name);
        name.Append(WString().AssignAnsi(suffix));
    }
    DiskFile file;
    file.SetPath(name);
    file.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!file.IsOpen()) {
        CreateFolderTree(folder);
        file.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    }
}

bool MakeTempFolder(WString& folder) {
    if (!folder.IsEmpty()) RemoveTree(folder, nullptr, true);
    WString name;
    MakeTempFile(name, "BKI", nullptr);
    folder = name;
    DeleteTempFile(name);
    folder.EnsureTrailingBackslash();
    return CreateFolderTree(folder);
}

void DeleteTempFile(WString& name) {
    if (name.IsEmpty()) return;
    DeleteFileRetry(name);
    name = L"";
}
