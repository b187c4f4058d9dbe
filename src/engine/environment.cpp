#include "engine/environment.h"

#include <wchar.h>

#include "app/installer_state.h"
#include "base/registry.h"
#include "base/run_log.h"
#include "engine/install_journal.h"
#include "engine/install_scope.h"

namespace {

const wchar_t* const kKinds[] = {L"append", L"prepend", L"set"};

const wchar_t* KeyOf(HKEY root) {
    return root == HKEY_CURRENT_USER ? L"Environment"
                                     : L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
}

// The value as stored (REG_EXPAND_SZ unexpanded) and its type; false when
// there is none. A value that is no text is left alone: type is then 0.
bool ReadVariable(HKEY root, const wchar_t* name, WString& text, DWORD& type) {
    RegKey key(KEY_QUERY_VALUE, root, KeyOf(root));
    type = 0;
    if (!key.IsOpen() || RegQueryValueExW(key.Handle(), name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) type = 0;
    text = ReadStringValue(name, root, KeyOf(root));
    return true;
}

// Its length without the backslashes it ends in.
int32_t Bare(const wchar_t* text, int32_t length) {
    while (length > 0 && text[length - 1] == L'\\') length--;
    return length;
}

// The first (or last) element of the ;-list equal to entry (ignoring
// letter case and a trailing backslash), as the positions of its first and
// last character; false when none is.
bool FindEntry(const WString& list, const WString& entry, bool last, int32_t& start, int32_t& end) {
    int32_t length = Bare(entry, entry.Length() - 1);
    bool found = false;
    for (int32_t at = 1;;) {
        int32_t semicolon = list.FindChar(L';', at);
        int32_t stop = semicolon ? semicolon - 1 : list.Length() - 1;
        const wchar_t* element = (const wchar_t*)list + at - 1;
        if (Bare(element, stop - at + 1) == length && !_wcsnicmp(element, entry, length) && (last || !found)) {
            start = at;
            end = stop;
            found = true;
        }
        if (!semicolon) return found;
        at = semicolon + 1;
    }
}

void Write(HKEY root, const wchar_t* name, const WString& text, DWORD type) {
    WriteValue((const wchar_t*)text, (uint32_t)text.Length() * sizeof(wchar_t), type, name, root, KeyOf(root));
    state.environmentChanged = true;
}

}  // namespace

bool EnvironmentChange::Parse(const WString& line) {
    int32_t first = line.FindChar(L'|', 1);
    int32_t second = first ? line.FindChar(L'|', first + 1) : 0;
    if (first <= 1 || !second) return false;
    name = line.Left(first - 1);
    value = line.From(second + 1);
    WString word = line.Substring(first + 1, second - 1);
    for (int k = 0; k <= kSet; k++) {
        if (Compare(word, kKinds[k], true) != 0) continue;
        kind = (Kind)k;
        // A list element holds no separator; a name no "=".
        return !value.IsEmpty() && !name.FindChar(L'=', 1) && (kind == kSet || !value.FindChar(L';', 1));
    }
    return false;
}

WString EnvironmentChange::Line() const {
    return WString::Formatted(L"%s|%s|%s", (const wchar_t*)name, kKinds[kind], (const wchar_t*)value);
}

bool ApplyEnvironmentChange(const EnvironmentChange& change) {
    HKEY root = ScopeRoot();
    WString text;
    DWORD type = 0;
    bool had = ReadVariable(root, change.name, text, type);
    int32_t start = 0, end = 0;
    bool set = change.kind == EnvironmentChange::kSet;
    // A value that is no text is not touched.
    bool as = (had && !type) || (set ? had && Compare(text, change.value, false) == 0
                                     : had && FindEntry(text, change.value, false, start, end));
    RunLog("environment: %s%s", (const wchar_t*)change.Line(), as ? L": left as it was" : L"");
    if (as) return false;
    if (set) {
        if (!had) type = change.value.FindChar(L'%', 1) ? REG_EXPAND_SZ : REG_SZ;
        Journal().Value(root, 0, KeyOf(root), change.name);
        text = change.value;
    } else {
        if (!had) type = REG_EXPAND_SZ;
        Journal().Environment(root, change.Line());
        // A list ending in a separator keeps it last, so that taking the
        // element out gives the same text again.
        if (text.IsEmpty()) {
            text = change.value;
        } else if (change.kind == EnvironmentChange::kPrepend) {
            text.InsertText(L";", 1);
            text.InsertText(change.value, 1);
        } else if (text.CharAt(WString::kLast) == L';') {
            text.Append(change.value).Append(L";");
        } else {
            text.Append(L";").Append(change.value);
        }
    }
    Write(root, change.name, text, type);
    return true;
}

void RevertEnvironmentChange(HKEY root, const WString& line) {
    EnvironmentChange change;
    WString text;
    DWORD type = 0;
    if (!change.Parse(line) || !ReadVariable(root, change.name, text, type) || !type) return;
    int32_t start = 0, end = 0;
    bool set = change.kind == EnvironmentChange::kSet;
    // Changed since: the user's, or another program's, now.
    if (set ? Compare(text, change.value, false) != 0
            : !FindEntry(text, change.value, change.kind == EnvironmentChange::kAppend, start, end))
        return;
    Journal().Value(root, 0, KeyOf(root), change.name);
    // The element goes with the separator after it, or the one before it.
    if (!set && text.CharAt(end + 1) == L';')
        text.DeleteRange(start, end + 1);
    else if (!set)
        text.DeleteRange(start > 1 ? start - 1 : start, end);
    if (!set && !text.IsEmpty()) return Write(root, change.name, text, type);
    RegKey key(KEY_SET_VALUE, root, KeyOf(root));
    if (key.IsOpen()) RegDeleteValueW(key.Handle(), change.name);
    state.environmentChanged = true;
}

void BroadcastEnvironmentChange() {
    if (!state.environmentChanged) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, (LPARAM)L"Environment", SMTO_ABORTIFHUNG, 5000, &result);
    state.environmentChanged = false;
}
