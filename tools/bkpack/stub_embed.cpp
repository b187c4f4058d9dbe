#include "stub_embed.h"

#include <windows.h>

#include "package/package_format.h"

bool IsPeFile(const Bytes& file) {
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return false;
    uint32_t pe = package_format::Get32(&file[0x3C]);
    return pe <= file.size() - 4 && file[pe] == 'P' && file[pe + 1] == 'E' && file[pe + 2] == 0 && file[pe + 3] == 0;
}

bool EmbedPackage(const std::wstring& stub, const Bytes& package, const std::wstring& out, std::string& error) {
    Bytes stubBytes;
    if (!ReadWholeFile(stub, stubBytes, error)) return false;
    if (!IsPeFile(stubBytes)) {
        error = "the stub '" + Utf8(stub) + "' is not a Windows program (no PE header)";
        return false;
    }
    std::wstring partial = PartialName(out);
    if (!WriteFileAtomically(partial, stubBytes, error)) return false;
    HANDLE update = BeginUpdateResourceW(partial.c_str(), FALSE);
    bool ok = update != nullptr;
    if (ok)
        ok = UpdateResourceW(update, MAKEINTRESOURCEW(10), MAKEINTRESOURCEW(package_format::kResourceId),
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), (void*)package.data(),
                             (DWORD)package.size()) != 0;
    if (update && !EndUpdateResourceW(update, !ok)) ok = false;
    if (!ok) {
        error = "cannot add the package to '" + Utf8(partial) + "': " + SystemMessage(GetLastError());
        DeleteFileW(partial.c_str());
        return false;
    }
    return RenameIntoPlace(partial, out, error);
}
