#include "engine/file_version.h"

#include <windows.h>

#include "base/lists.h"
#include "base/wstring.h"

uint64_t FileVersion(const wchar_t* path) {
    // Past MAX_PATH only the prefixed form opens; a failed read would make
    // a newer destination look unversioned and be replaced.
    WString systemPath = LongPath(path, 260);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(systemPath, &ignored);
    if (size < 2) return 0;
    ByteBuffer block;
    if (!block.Resize(size, true) || !GetFileVersionInfoW(systemPath, 0, size, block.Data())) return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    // A root block shorter than the fixed structure holds no usable version.
    if (!VerQueryValueW(block.Data(), L"\\", (void**)&info, &length) || !info || length < sizeof(VS_FIXEDFILEINFO))
        return 0;
    return ((uint64_t)info->dwFileVersionMS << 32) | info->dwFileVersionLS;
}
