#include "engine/shortcuts.h"

#include <objbase.h>
#include <shlobj.h>

#include "base/folders.h"
#include "base/run_log.h"
#include "engine/path_macros.h"

namespace {

// Releases a COM interface pointer when the scope ends.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p) p->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* p = nullptr;
};

HRESULT CreateLink(ComPtr<IShellLinkW>& link) {
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link.p);
}

WString Expanded(const WString& text) {
    WString copy(text);
    ExpandPathMacros(copy);
    return copy;
}

}  // namespace

HRESULT CreateShortcut(const wchar_t* linkPathText, const ShortcutDefinition& shortcut) {
    WString linkPath = Expanded(linkPathText);
    CreateFolderTree(linkPath.FolderPart());
    ComPtr<IShellLinkW> link;
    HRESULT result = CreateLink(link);
    if (FAILED(result)) return result;
    link.p->SetPath(Expanded(shortcut.target));
    if (shortcut.mask & ShortcutDefinition::kArguments) link.p->SetArguments(Expanded(shortcut.arguments));
    if (shortcut.mask & ShortcutDefinition::kDescription) link.p->SetDescription(shortcut.description);
    if (shortcut.mask & ShortcutDefinition::kIcon) link.p->SetIconLocation(Expanded(shortcut.iconPath), shortcut.iconIndex);
    if (shortcut.mask & ShortcutDefinition::kWorkingFolder) link.p->SetWorkingDirectory(Expanded(shortcut.workingFolder));
    if (shortcut.mask & ShortcutDefinition::kShowCommand) link.p->SetShowCmd(shortcut.showCommand);
    if (shortcut.mask & ShortcutDefinition::kHotkey) link.p->SetHotkey(shortcut.hotkey);
    ComPtr<IPersistFile> file;
    result = link.p->QueryInterface(IID_IPersistFile, (void**)&file.p);
    if (FAILED(result)) return result;
    result = file.p->Save(linkPath, TRUE);
    RunLog(SUCCEEDED(result) ? "shortcut '%s' to '%s'" : "shortcut '%s' to '%s' could not be saved",
           (const wchar_t*)linkPath, (const wchar_t*)Expanded(shortcut.target));
    return result;
}

bool ShortcutTarget(const wchar_t* linkPathText, WString& target) {
    target = L"";
    WString linkPath = Expanded(linkPathText);
    if (!PathExists(linkPath)) return false;
    ComPtr<IShellLinkW> link;
    if (FAILED(CreateLink(link))) return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, (void**)&file.p))) return false;
    file.p->Load(linkPath, STGM_WRITE);
    wchar_t buffer[260] = {0};
    link.p->GetPath(buffer, 260, nullptr, 0);
    target = buffer;
    return true;
}
