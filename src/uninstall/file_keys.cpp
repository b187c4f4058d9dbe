#include "uninstall/file_keys.h"

#include "base/folders.h"
#include "base/protected_folders.h"

namespace {

WString FolderIdentityText(const wchar_t* folder) {
    FolderIdentity identity;
    if (!IdentifyFolder(folder, identity)) return WString();
    return WString::Hex16(((uint64_t)identity.volume << 32) | identity.indexHigh).Append(WString::Hex16(identity.indexLow));
}

}  // namespace

WString FileKeys::KeyOf(const wchar_t* path) {
    WString full = FullPath(path);
    WString name = full.FileName();
    // A short name ("LONGFI~1.TXT") stands for its long one; a pattern
    // must not find some other file.
    if (name.FindChar(L'~', 1) && !name.FindChar(L'*', 1) && !name.FindChar(L'?', 1)) {
        DirWalker file(full);
        if (file.Next()) name = file.Current().FileName();
    }
    WString folder = full.FolderPart();
    int32_t known = folders_.Find(folder);
    WString key = known >= 0 ? identities_[known] : FolderIdentityText(folder);
    if (known < 0 && folders_.Add(folder, identities_.Count())) identities_.AddString(key);
    if (key.IsEmpty()) return key;
    key.AppendChar(L'\\');
    return key.Append(name);
}
