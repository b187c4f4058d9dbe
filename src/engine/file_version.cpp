#include "engine/file_version.h"

#include <windows.h>

#include "base/lists.h"
#include "base/system_library.h"
#include "base/wstring.h"

namespace {

// version.dll is not one of the DLLs the loader always takes from System32:
// reached through its System32 path, never imported statically.
typedef DWORD(WINAPI* SizeFn)(const wchar_t*, DWORD*);
typedef BOOL(WINAPI* InfoFn)(const wchar_t*, DWORD, DWORD, void*);
typedef BOOL(WINAPI* QueryFn)(const void*, const wchar_t*, void**, UINT*);

struct VersionProcedures {
    SizeFn getSize;
    InfoFn getInfo;
    QueryFn query;
};

// Looked up on first use; threads racing here find the same addresses.
const VersionProcedures& Procedures() {
    static VersionProcedures p;
    if (!p.query) {
        p.getSize = (SizeFn)(void*)SystemProcedure(L"version.dll", "GetFileVersionInfoSizeW");
        p.getInfo = (InfoFn)(void*)SystemProcedure(L"version.dll", "GetFileVersionInfoW");
        p.query = (QueryFn)(void*)SystemProcedure(L"version.dll", "VerQueryValueW");
    }
    return p;
}

}  // namespace

uint64_t FileVersion(const wchar_t* path) {
    const VersionProcedures& v = Procedures();
    if (!v.getSize || !v.getInfo || !v.query) return 0;
    // Past MAX_PATH only the prefixed form opens; a failed read would make
    // a newer destination look unversioned and be replaced.
    WString systemPath = LongPath(path, 260);
    DWORD ignored = 0;
    DWORD size = v.getSize(systemPath, &ignored);
    if (size < 2) return 0;
    ByteBuffer block;
    if (!block.Resize(size, true) || !v.getInfo(systemPath, 0, size, block.Data())) return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    // A root block shorter than the fixed structure holds no usable version.
    if (!v.query(block.Data(), L"\\", (void**)&info, &length) || !info || length < sizeof(VS_FIXEDFILEINFO))
        return 0;
    return ((uint64_t)info->dwFileVersionMS << 32) | info->dwFileVersionLS;
}
