#include "engine/install_journal.h"

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/run_log.h"
#include "base/text_pool.h"
#include "engine/environment.h"
#include "engine/registration.h"

namespace {

// In ASCII, widened as it is written: half the room in every installer.
const char kMap[] =
    "Brask install journal: undone from its end when the install does not finish.\r\n"
    "Records: a header line, then its lines.\r\n"
    "[Created] path: a file the install made.\r\n"
    "[Folder] path: a folder it made.\r\n"
    "[Replaced] path: a file it replaced or removed; the old one waits as path-BKIOLD.\r\n"
    "[Key] root, view, key: a registry key it made (root and view as numbers).\r\n"
    "[Value] root, view, key, name, type, data in hex: a value as it was; no type: there was none.\r\n"
    "[Registered] path: a component whose DllRegisterServer ran.\r\n"
    "[Environment] root, NAME|kind|VALUE: an element it added to a list.\r\n"
    "[Unregistered] path: a component whose DllUnregisterServer ran.\r\n";

enum Kind { kCreated, kFolder, kReplaced, kKey, kValue, kRegistered, kEnvironment, kUnregistered };
struct Record {
    const wchar_t* header;
    int32_t lines;
};
const Record kRecords[] = {{L"[Created]", 1}, {L"[Folder]", 1}, {L"[Replaced]", 1},
                           {L"[Key]", 3},     {L"[Value]", 6},  {L"[Registered]", 1},
                           {L"[Environment]", 2}, {L"[Unregistered]", 1}};

const wchar_t kAside[] = L"-BKIOLD";

InstallJournal journal;

bool Exists(const WString& path) { return GetFileAttributesW(LongPath(path, 260)) != INVALID_FILE_ATTRIBUTES; }

WString Aside(const WString& path) { return LongPath(WString(path).Append(kAside), 260); }

// Gone now, or at the restart; a file of the product's, left in use, asks
// for the restart (an old file that waited aside does not).
void Remove(const WString& path, bool folder, bool askRestart) {
    WString target = LongPath(path, 260);
    if (!Exists(path)) return;
    SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    if (folder ? RemoveDirectoryW(target) : DeleteFileW(target)) return;
    MoveFileExW(target, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    // A folder that is not empty stays at the restart too.
    if (askRestart) state.rebootRequired = true;
}

void PutBack(const WString& path) {
    WString aside = Aside(path), target = LongPath(path, 260);
    if (GetFileAttributesW(aside) == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExW(aside, target, MOVEFILE_REPLACE_EXISTING)) return;
    MoveFileExW(aside, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
    state.rebootRequired = true;
}

HKEY OpenKeyOnly(HKEY root, REGSAM access, const wchar_t* path) {
    HKEY key = nullptr;
    return RegOpenKeyExW(root, path, 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
}

WString Hex(const BYTE* data, DWORD size) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    WString text;
    wchar_t pair[3] = {0};
    for (DWORD i = 0; i < size; i++) {
        pair[0] = kDigits[data[i] >> 4];
        pair[1] = kDigits[data[i] & 15];
        text.Append(pair);
    }
    return text;
}

int Digit(wchar_t c) { return c <= L'9' ? c - L'0' : c - L'A' + 10; }

void RestoreValue(HKEY root, REGSAM view, const WString& path, const WString& name, const WString& type,
                  const WString& data) {
    HKEY key = OpenKeyOnly(root, KEY_SET_VALUE | view, path);
    if (!key) return;
    if (type.IsEmpty()) {
        RegDeleteValueW(key, name);
    } else {
        int32_t size = (data.Length() - 1) / 2;
        BYTE* bytes = new BYTE[size + 1];
        for (int32_t i = 0; i < size; i++) bytes[i] = (BYTE)(Digit(data.CharAt(2 * i + 1)) * 16 + Digit(data.CharAt(2 * i + 2)));
        RegSetValueExW(key, name, 0, (DWORD)type.ToInt64(), bytes, (DWORD)size);
        delete[] bytes;
    }
    RegCloseKey(key);
}

// A key the install made goes while it is empty: what another program put
// there meanwhile stays.
void RemoveKey(HKEY root, REGSAM view, const WString& path) {
    HKEY key = OpenKeyOnly(root, KEY_QUERY_VALUE | view, path);
    if (!key) return;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    int32_t slash = path.FindLastChar(L'\\');
    HKEY parent = slash ? OpenKeyOnly(root, KEY_ALL_ACCESS | view, path.Left(slash - 1)) : root;
    if (subkeys == 0 && values == 0 && parent) RegDeleteKeyW(parent, path.From(slash + 1));
    if (parent && parent != root) RegCloseKey(parent);
}

// The records of a journal read back: each record's lines, then its kind
// as a number in a slot of its own (a record is always walked from its
// end). The texts lie in one pool: a journal lists every file installed.
struct Records {
    TextPool texts;
    PtrList items;
    int Kind(int32_t at) const { return (int)(uintptr_t)items.At(at); }
    const wchar_t* Text(int32_t at) const { return (const wchar_t*)items.At(at); }
};

// A record cut short by a killed process was not acted on, and is dropped.
bool ReadRecords(const wchar_t* path, Records& records) {
    DiskFile file;
    file.SetPath(path);
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!file.IsOpen()) return false;
    PtrList& items = records.items;
    WString line;
    while (ReadLine(file, line, true)) {
        for (int kind = 0; kind <= kUnregistered; kind++) {
            if (Compare(line, kRecords[kind].header, false) != 0) continue;
            int32_t first = items.Count(), n = 0;
            WString field;
            const wchar_t* copy = L"";
            while (n < kRecords[kind].lines && copy && ReadLine(file, field, true)) {
                copy = records.texts.Copy(field);
                if (copy) items.Push((void*)copy);
                n++;
            }
            if (n < kRecords[kind].lines || !copy) {
                while (items.Count() > first) items.RemoveAt(items.Count() - 1);
                break;
            }
            items.Push((void*)(uintptr_t)kind);
        }
    }
    return true;
}

void Undo(const Records& records, int32_t at) {
    int kind = records.Kind(at);
    int32_t first = at - kRecords[kind].lines;
    WString path(records.Text(first));
    switch (kind) {
        case kCreated: return Remove(path, false, true);
        case kFolder: return Remove(path, true, false);
        case kReplaced: return PutBack(path);
        case kKey:
            return RemoveKey((HKEY)(uintptr_t)path.ToInt64(), (REGSAM)WString(records.Text(first + 1)).ToInt64(),
                             records.Text(first + 2));
        case kValue:
            return RestoreValue((HKEY)(uintptr_t)path.ToInt64(), (REGSAM)WString(records.Text(first + 1)).ToInt64(),
                                records.Text(first + 2), records.Text(first + 3), records.Text(first + 4),
                                records.Text(first + 5));
        case kRegistered:
            if (Exists(path)) SelfRegister(path, true);
            return;
        case kUnregistered:
            // Its file is back by now: the removal came after.
            if (Exists(path)) SelfRegister(path, false);
            return;
        case kEnvironment:
            return RevertEnvironmentChange((HKEY)(uintptr_t)path.ToInt64(), records.Text(first + 1));
    }
}

}  // namespace

InstallJournal& Journal() { return journal; }

WString JournalPath(const WString& recordPath) { return recordPath.StripExtension().Append(L".jnl"); }

bool RollBackJournal(const wchar_t* path, const wchar_t* why) {
    Records records;
    if (!ReadRecords(path, records)) return false;
    int32_t undone = 0;
    for (int32_t at = records.items.Count() - 1; at >= 0; at -= kRecords[records.Kind(at)].lines + 1, undone++)
        Undo(records, at);
    DeleteFileW(path);
    RunLog("%s: rolled back (%d change(s) undone)", why, undone);
    return true;
}

bool InstallJournal::Begin(const WString& path) {
    StringList made;
    CreateFolderTree(path.FolderPart(), &made);
    file_.SetPath(path);
    file_.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!file_.IsOpen()) {
        RunLog("the install journal '%s' cannot be made: nothing can be rolled back", (const wchar_t*)path);
        return false;
    }
    const wchar_t byteOrderMark = 0xFEFF;
    WString map = WString::FromAnsi(kMap, true);
    file_.Write(&byteOrderMark, sizeof byteOrderMark);
    file_.Write((const wchar_t*)map, (uint32_t)(map.Length() - 1) * sizeof(wchar_t));
    replaced_.Clear();
    replacedTexts_.Clear();
    replacedLost_ = false;
    Folders(made);
    return true;
}

void InstallJournal::Note(const wchar_t* header, const WString& fields) {
    if (!Active()) return;
    WString text(header);
    text.Append(L"\r\n").Append(fields);
    SectionLock lock(lock_);
    file_.Write((const wchar_t*)text, (uint32_t)(text.Length() - 1) * sizeof(wchar_t));
}

void InstallJournal::Created(const wchar_t* path) { Note(L"[Created]", WString(path).Append(L"\r\n")); }

void InstallJournal::BeforeWrite(WString& path, bool exists) {
    if (!Active()) return;
    DWORD attributes = exists ? GetFileAttributesW(LongPath(path, 260)) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) return Created(path);
    // A folder in a file's place is no file to keep: writing fails there.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return;
    wchar_t spelt[1024];
    DWORD n = GetLongPathNameW(path, spelt, 1024);
    if (n > 0 && n < 1024) path = spelt;
    Note(L"[Replaced]", WString(path).Append(L"\r\n"));
    {
        SectionLock lock(lock_);
        const wchar_t* copy = replacedTexts_.Copy(path);
        if (copy)
            replaced_.Push((void*)copy);
        else
            replacedLost_ = true;
    }
    MoveFileExW(LongPath(path, 260), Aside(path), MOVEFILE_REPLACE_EXISTING);
}

void InstallJournal::Folder(const wchar_t* path) { Note(L"[Folder]", WString(path).Append(L"\r\n")); }

void InstallJournal::Folders(const StringList& made) {
    for (int32_t i = 0; i < made.Count(); i++) Folder(made[i]);
}

void InstallJournal::Value(HKEY root, REGSAM view, const wchar_t* keyPath, const wchar_t* name) {
    if (!Active() || !root) return;
    WString rootText = WString::Formatted(L"%lu\r\n%lu\r\n", (unsigned long)(uintptr_t)root, (unsigned long)view);
    HKEY key = OpenKeyOnly(root, KEY_QUERY_VALUE | view, keyPath);
    if (!key) {
        // The keys the write makes, the highest first: undone last.
        StringList missing;
        for (WString up(keyPath); !up.IsEmpty(); up = up.Left(up.FindLastChar(L'\\') - 1)) {
            HKEY found = OpenKeyOnly(root, KEY_QUERY_VALUE | view, up);
            if (found) {
                RegCloseKey(found);
                break;
            }
            missing.InsertString(0, up);
            if (!up.FindLastChar(L'\\')) break;
        }
        for (int32_t i = 0; i < missing.Count(); i++) Note(L"[Key]", WString(rootText).Append(missing[i]).Append(L"\r\n"));
    }
    DWORD type = 0, size = 0;
    bool had = key && RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    BYTE* data = new BYTE[size + 1];
    had = had && RegQueryValueExW(key, name, nullptr, &type, data, &size) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    WString fields = WString::Formatted(L"%s%s\r\n%s\r\n", (const wchar_t*)rootText, keyPath, name);
    if (had)
        fields.Append(WString::Formatted(L"%lu\r\n", (unsigned long)type)).Append(Hex(data, size)).Append(L"\r\n");
    else
        fields.Append(L"\r\n\r\n");
    delete[] data;
    Note(L"[Value]", fields);
}

void InstallJournal::Registered(const wchar_t* path) { Note(L"[Registered]", WString(path).Append(L"\r\n")); }

void InstallJournal::Unregistered(const wchar_t* path) { Note(L"[Unregistered]", WString(path).Append(L"\r\n")); }

void InstallJournal::Environment(HKEY root, const wchar_t* line) {
    Note(L"[Environment]", WString::Formatted(L"%lu\r\n%s\r\n", (unsigned long)(uintptr_t)root, line));
}

void InstallJournal::Commit() {
    if (!Active()) return;
    WString path = file_.Path();
    file_.Close();
    // The files replaced are known from their notes; only when memory ran
    // out for one is the journal read back for them.
    Records records;
    if (replacedLost_) ReadRecords(path, records);
    for (int32_t i = 0; i < records.items.Count(); i++)
        if (records.Kind(i) == kReplaced && i > 0) replaced_.Push(records.items.At(i - 1));
    for (int32_t i = 0; i < replaced_.Count(); i++)
        Remove(WString((const wchar_t*)replaced_.At(i)).Append(kAside), false, false);
    replaced_.Clear();
    replacedTexts_.Clear();
    DeleteFileW(path);
    // A product without an uninstall record leaves no folder for it.
    RemoveDirectoryW(path.FolderPart());
}

void InstallJournal::RollBack() {
    if (!Active()) return;
    WString path = file_.Path();
    file_.Close();
    RollBackJournal(path, L"the install did not finish");
}
