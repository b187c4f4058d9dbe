#include "engine/install_worker.h"

#include <windows.h>
#include <objbase.h>

#include "app/command_file.h"
#include "app/installer_state.h"
#include "app/run_program.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/message_box.h"
#include "base/registry.h"
#include "base/run_log.h"
#include "base/string_index.h"
#include "base/text_pool.h"
#include "base/temp_files.h"
#include "base/texts.h"
#include "engine/disk_space.h"
#include "engine/environment.h"
#include "engine/existing_version.h"
#include "engine/file_install.h"
#include "engine/finish_items.h"
#include "engine/install_journal.h"
#include "engine/install_scope.h"
#include "engine/path_macros.h"
#include "engine/registration.h"
#include "engine/script_message.h"
#include "engine/shortcuts.h"
#include "engine/uninstall_record.h"
#include "package/decode_ahead.h"
#include "package/setup_files.h"
#include "uninstall/upgrade_leftovers.h"

const wchar_t kWin64Marker[] = L"__BKI_WIN64";

namespace {

const wchar_t kUnicode[] = L"__BKI_UNICODE";
CommitHook g_commitHook = nullptr;
const wchar_t kOptional[] = L"Optional - ";
const int32_t kOptionalLength = 11;
// A program's "installed, restart needed".
const DWORD kExitCodeRestart = 3010;

const wchar_t* TextAt(const PtrList& texts, int32_t i) { return (const wchar_t*)texts.At(i); }

void JournalDecoderMade(const wchar_t* path, bool folder) {
    if (folder)
        Journal().Folder(path);
    else
        Journal().Created(path);
}

class Worker {
public:
    Worker(EventHandle* stop, HWND owner) : stop_(stop), owner_(owner), files_(owner) {}
    void Run();

private:
    WString Next() {
        WString line;
        ReadLine(script_, line, false);
        return line;
    }
    bool Stopping() const { return (stop_ && stop_->IsSignalled()) || state.installAborted; }
    void SetAction(const WString& text);
    bool CopySection();
    void CreateIcon();
    bool RunFile(bool wait);
    bool Message();
    void Registry();
    void Environment();
    void HandToParent(const wchar_t* tag, const WString& name, const WString& key, const WString& data);
    void Plan();
    void StartDecodingAhead(const PtrList& entries, const PtrList& destinations);
    bool InstallDecoded(const WString& entryName, const WString& target, bool& failed);
    void ShowProgress(bool now);

    EventHandle* stop_;
    HWND owner_;
    DiskFile script_;
    // The script's destinations, for the variant rule's look-ups.
    StringIndex destinationIndex_;
    DecodeAhead decodeAhead_;
    FileInstaller files_;
    UpgradeLeftovers upgrade_;
    int32_t copyCount_ = 0;
    int32_t copyIndex_ = 0;
    DWORD shownAt_ = 0;
};

void Worker::SetAction(const WString& text) {
    MutexLock lock(state.progressLock);
    state.actionText = text;
    state.actionChanged = true;
}

// The dialogs poll four times a second: a file's progress is shown when a
// tenth of a second has passed since the last, and for the last file.
void Worker::ShowProgress(bool now) {
    DWORD tick = GetTickCount();
    if (!now && tick - shownAt_ < 100) return;
    shownAt_ = tick;
    MutexLock lock(state.progressLock);
    state.progressDone = copyIndex_;
    state.progressTotal = copyCount_;
    state.actionChanged = true;
}

bool Worker::CopySection() {
    WString entry = Next();
    WString destination = Next();
    copyIndex_++;
    ShowProgress(copyIndex_ == 1 || copyIndex_ == copyCount_);
    WString target;
    if (!SelectVariant(destination, destinationIndex_, state.isWow64 != 0, target)) return true;
    bool failed = false;
    if (!decodeAhead_.Active() || !InstallDecoded(entry, target, failed)) files_.Install(entry, target, failed);
    if (failed) return false;
    RegisterAppPath(target);
    return true;
}

// A solid package's files are decoded ahead, in the order the sections
// below take them: only those this machine's variants select.
void Worker::StartDecodingAhead(const PtrList& entries, const PtrList& destinations) {
    InstallPackage* package = state.package ? state.package->Package() : nullptr;
    if (!package || !package->IsSolid() || destinations.Count() == 0) return;
    int32_t* order = new int32_t[destinations.Count()];
    TextPool texts;
    PtrList folders;
    WString target;
    for (int32_t i = 0; i < destinations.Count(); i++) {
        if (!SelectVariant(TextAt(destinations, i), destinationIndex_, state.isWow64 != 0, target)) continue;
        WString entry(TextAt(entries, i));
        ExpandPathMacros(entry);
        int32_t index = package->LastEntryIndex(entry);
        if (index < 0) continue;
        ExpandPathMacros(target);
        const wchar_t* folder = texts.Copy(target.FolderPart());
        if (!folder) break;
        order[folders.Count()] = index;
        folders.Push((void*)folder);
    }
    decodeAhead_.TellMade(JournalDecoderMade);
    decodeAhead_.Start(*package, state.package->Folder(), order, folders);
    delete[] order;
}

// Installs the file decoded ahead; false when it was not planned (the
// caller then extracts it as from a classic package). failed: the file
// failed, or the worker was asked to stop while it waited for it.
bool Worker::InstallDecoded(const WString& entryName, const WString& target, bool& failed) {
    WString entry(entryName);
    ExpandPathMacros(entry);
    int32_t index = state.package->Package()->LastEntryIndex(entry);
    WString decoded;
    bool last = false, moved = false;
    DecodeAhead::Outcome outcome = decodeAhead_.Take(index, decoded, last, stop_);
    // A file no decoder could write is extracted alone, which reports
    // what stands in its way.
    if (outcome == DecodeAhead::kNotPlanned || outcome == DecodeAhead::kFailed) return false;
    failed = outcome == DecodeAhead::kStopped;
    if (!failed) files_.InstallDecoded(decoded, last, target, failed, moved);
    decodeAhead_.Release(index, moved);
    return true;
}

void Worker::CreateIcon() {
    WString target = Next(), link = Next(), arguments = Next(), options = Next();
    if (options.Find(kOptional, 1) != 0) {
        if (state.silent) return;
        FinishShortcut* item = new FinishShortcut();
        item->linkPath = link;
        item->target = target;
        item->arguments = arguments;
        item->displayName = options.From(kOptionalLength + 1);
        state.finishShortcuts.Push(item);
        return;
    }
    ShortcutDefinition shortcut;
    shortcut.target = target;
    shortcut.arguments = arguments;
    int32_t slash = target.FindLastChar(L'\\');
    shortcut.workingFolder = slash ? target.Left(slash) : WString();
    shortcut.mask = ShortcutDefinition::kArguments | ShortcutDefinition::kWorkingFolder;
    WString linkPath(link);
    ExpandPathMacros(linkPath);
    StringList made;
    CreateFolderTree(linkPath.FolderPart(), &made);
    Journal().Folders(made);
    Journal().BeforeWrite(linkPath, true);
    CreateShortcut(link, shortcut);
}

// False when the program's exit code was to count and tells of a failure.
bool Worker::RunFile(bool wait) {
    WString program = Next(), parameters = Next(), options = Next();
    if (options.Find(kOptional, 1) != 0) {
        if (state.silent) return true;
        FinishProgram* item = new FinishProgram();
        item->program = program;
        item->parameters = parameters;
        item->displayName = options.From(kOptionalLength + 1);
        item->wait = wait;
        state.finishPrograms.Push(item);
        return true;
    }
    // The product is removable before any program of it runs.
    if (copyIndex_ != 0) WriteUninstallRecord();
    bool checked = wait && parameters.Find(kCheckExitCode, 1) != 0;
    ProgramWait details;
    RunProgram(program, parameters, wait, copyIndex_ != 0, owner_, &details);
    if (!checked) return true;
    if (details.finished && details.exitCode == kExitCodeRestart) state.rebootRequired = true;
    if (details.finished && (details.exitCode == 0 || details.exitCode == kExitCodeRestart)) return true;
    if (details.finished)
        RunLog("program '%s' ended with %lu, a failure: the install fails", (const wchar_t*)program,
               details.exitCode);
    else
        RunLog("program '%s' did not run to its end: the install fails", (const wchar_t*)program);
    return false;
}

bool Worker::Message() {
    WString text = Next();
    ExpandPathMacros(text);
    WString kind = Next();
    return ShowScriptMessage(owner_, text, kind);
}

void Worker::HandToParent(const wchar_t* tag, const WString& name, const WString& key, const WString& data) {
    StringList lines;
    lines.AddString(tag);
    lines.AddString(name);
    lines.AddString(key);
    lines.AddString(data);
    WriteCommandFile(lines);
}

void Worker::Registry() {
    WString rootText = Next(), key = Next(), type = Next(), name = Next(), data = Next();
    HKEY root = ScriptRegistryRoot(rootText);
    ExpandPathMacros(key);
    // HKCU belongs to the user who started the installer, whose hive the
    // elevated copy may not see: the parent writes it. Without a parent
    // (started elevated by hand) there is nobody to hand it to.
    bool toParent = root == HKEY_CURRENT_USER && !state.commandFilePath.IsEmpty();
    if (Compare(type, L"DWORD", false) == 0) {
        if (toParent) return HandToParent(L"[setreg_hkcu_dword]", name, key, data);
        Journal().Value(root, 0, key, name);
        DWORD value = (DWORD)data.ToInt64();
        if (root) WriteValue(&value, sizeof value, REG_DWORD, name, root, key);
    } else if (Compare(type, L"BINARY", false) == 0) {
        WString temporary;
        MakeTempFile(temporary, "Ins", nullptr);
        if (!state.package || !state.package->Package()->ExtractEntry(data, temporary)) {
            ShowMessage(owner_, WString::Formatted(Text(kUnableToExtract), (const wchar_t*)data), state.caption,
                        MB_OK | MB_ICONERROR);
            DeleteTempFile(temporary);
            return;
        }
        DiskFile file;
        file.SetPath(temporary);
        file.Open(GENERIC_READ, OPEN_EXISTING, false);
        ByteBuffer bytes;
        if (file.IsOpen() && bytes.Resize((uint32_t)file.Size(), false) &&
            file.Read(bytes.Data(), bytes.Size()) == bytes.Size() && root) {
            Journal().Value(root, 0, key, name);
            WriteValue(bytes.Data(), bytes.Size(), REG_BINARY, name, root, key);
        }
        file.Close();
        DeleteTempFile(temporary);
    } else {
        ExpandPathMacros(data);
        if (toParent) return HandToParent(L"[setreg_hkcu_string]", name, key, data);
        Journal().Value(root, 0, key, name);
        if (root) WriteString(data, name, root, key);
    }
}

void Worker::Environment() {
    WString line = Next();
    EnvironmentChange change;
    if (!change.Parse(line)) {
        RunLog("environment: '%s' is no NAME|kind|VALUE: skipped", (const wchar_t*)line);
        return;
    }
    ExpandPathMacros(change.value);
    // An upgrade finds its earlier version's entry there: it stays, and is
    // this version's to take out.
    if (ApplyEnvironmentChange(change) || upgrade_.OwnsEnvironment(change.Line()))
        RecordAddedEnvironment(change.Line());
}

// The file sections, read before the first: their count for the progress,
// the destinations for the variant rule, the order for the decoders. The
// sections' texts are not kept: the run reads them again as it goes.
void Worker::Plan() {
    TextPool texts;
    PtrList entries, destinations;
    WString line;
    while (ReadLine(script_, line, false)) {
        if (Compare(line, L"[CopyFile]", false) != 0) continue;
        WString entry = Next(), destination = Next();
        destinationIndex_.Add(destination, copyCount_++);
        // A file left out of the plan, for want of memory, is extracted alone.
        const wchar_t* entryCopy = texts.Copy(entry);
        const wchar_t* destinationCopy = texts.Copy(destination);
        if (entryCopy && destinationCopy) {
            entries.Push((void*)entryCopy);
            destinations.Push((void*)destinationCopy);
        }
    }
    script_.Seek(0, DiskFile::kFromStart);
    StartDecodingAhead(entries, destinations);
}

void Worker::Run() {
    // A killed install of this product is undone before anything looks at
    // what is installed.
    WString journal = JournalPath(UninstallLogPath());
    RollBackJournal(journal, L"an unfinished install of this product");
    if (state.offerUninstallOld && !state.silent && !CheckExistingVersion(owner_)) {
        RunLog("the existing version stays: nothing installed");
        return;
    }
    upgrade_.ReadInstalled();
    uint64_t needed = (uint64_t)state.requiredKB * 1024, available;
    if (state.package && state.package->Package() && !state.package->Package()->CheckDataFiles()) {
        RunLog("the data files are not all there and sound: nothing installed");
        state.installAborted = true;
        return;
    }
    if (!HasRoomFor(state.installPath, needed, available)) {
        RunLog("disk space: %I64u bytes needed on '%s', %I64u free: nothing installed", needed,
               (const wchar_t*)state.installPath, available);
        ShowMessage(owner_, WString::Formatted(Text(kCannotInstall), (const wchar_t*)state.installPath), state.caption,
                    MB_ICONERROR);
        state.installAborted = true;
        return;
    }
    Journal().Begin(journal);
    bool succeeded = true;
    if (state.package) {
        script_.SetPath(WString(state.package->Folder()).Append(L"setup.dat"));
        script_.Open(GENERIC_READ, OPEN_EXISTING, false);
    }
    if (script_.IsOpen()) {
        Plan();
        WString line;
        while (ReadLine(script_, line, false)) {
            if (Stopping()) {
                RunLog("install stopped");
                state.installAborted = true;
                succeeded = false;
                break;
            }
            if (line.CharAt(1) == L'[' && line.CharAt(WString::kLast) == L']') RunLog("section %s", (const wchar_t*)line);
            if (Compare(line, L"[Action]", false) == 0) {
                SetAction(Next());
            } else if (Compare(line, L"[CopyFile]", false) == 0) {
                if (!CopySection()) {
                    RunLog("install failed");
                    state.installAborted = true;
                    succeeded = false;
                    break;
                }
            } else if (Compare(line, L"[CreateIcon]", false) == 0) {
                CreateIcon();
            } else if (Compare(line, L"[RunAndWaitFile]", false) == 0) {
                if (!RunFile(true)) {
                    state.installAborted = true;
                    succeeded = false;
                    break;
                }
            } else if (Compare(line, L"[RunFile]", false) == 0) {
                RunFile(false);
            } else if (Compare(line, L"[Message]", false) == 0 && !state.silent) {
                if (!Message()) {
                    succeeded = false;
                    break;
                }
            } else if (Compare(line, L"[Registry]", false) == 0) {
                Registry();
            } else if (Compare(line, L"[Environment]", false) == 0) {
                Environment();
            }
        }
    }
    // Whatever ended the run, the decoders stop and their files go.
    decodeAhead_.Stop();
    if (succeeded) {
        SetAction(Text(kRegisteringDlls));
        RegisterQueuedComponents();
    }
    script_.Close();
    // Cancelled meanwhile too: the install did not finish. Otherwise the
    // record comes first, so that nothing is ever installed unrecorded. A
    // cancel answered from here on is too late: the end is claimed.
    if (!state.installAborted &&
        InterlockedCompareExchange(&state.endClaim, InstallerState::kEndCommitting, InstallerState::kEndOpen) !=
            InstallerState::kEndOpen)
        state.installAborted = true;
    if (state.installAborted) {
        Journal().RollBack();
        return;
    }
    if (g_commitHook) g_commitHook();
    WriteUninstallRecord();
    upgrade_.RemoveDropped();
    Journal().Commit();
    upgrade_.Tidy();
}

}  // namespace

HKEY ScriptRegistryRoot(const wchar_t* line) {
    struct Root {
        const wchar_t* name;
        HKEY root;
    };
    static const Root kRoots[] = {{L"HKCR", HKEY_CLASSES_ROOT},   {L"HKCU", HKEY_CURRENT_USER},
                                  {L"HKLM", HKEY_LOCAL_MACHINE},  {L"HKCC", HKEY_CURRENT_CONFIG},
                                  {L"HKU", HKEY_USERS}};
    for (const Root& r : kRoots)
        if (Compare(line, r.name, false) == 0) return r.root;
    // One script for both scopes: the machine's values or the user's.
    if (Compare(line, L"HKSCOPE", false) == 0) return ScopeRoot();
    return nullptr;
}

void RemoveVariantMarkers(WString& destination) {
    destination.Replace(kWin64Marker, L"", false);
    destination.Replace(kUnicode, L"", false);
}

bool SelectVariant(const WString& destination, const StringIndex& destinations, bool isWow64, WString& target) {
    enum { kPlain, kUnicodeVariant, kWin64Variant } variant = kPlain;
    target = destination;
    if (target.Find(kWin64Marker, 1) != 0) {
        target.Replace(kWin64Marker, L"", false);
        variant = kWin64Variant;
    } else if (target.Find(kUnicode, 1) != 0) {
        target.Replace(kUnicode, L"", false);
        variant = kUnicodeVariant;
    }
    if (variant == kWin64Variant) return isWow64;
    WString base = target, extension(L".");
    int32_t dot = target.FindLastChar(L'.');
    if (dot != 0 && dot > target.FindLastChar(L'\\')) {
        base = target.Left(dot - 1);
        extension = target.From(dot);
    }
    StringList candidates;
    if (isWow64) candidates.AddString(WString(base).Append(kWin64Marker).Append(extension));
    if (variant == kPlain) candidates.AddString(WString(base).Append(kUnicode).Append(extension));
    for (int32_t i = 0; i < candidates.Count(); i++)
        if (destinations.Contains(candidates[i])) return false;
    return true;
}

void SetCommitHook(CommitHook hook) { g_commitHook = hook; }

void InstallWorker(EventHandle* stop, void* context) {
    // Open to whichever claims it first; a cancel before this point has
    // set installAborted already.
    state.endClaim = InstallerState::kEndOpen;
    CoInitialize(nullptr);
    // On the heap: its files and indexes would make a frame of pages.
    Worker* worker = new Worker(stop, (HWND)context);
    worker->Run();
    delete worker;
    CoUninitialize();
}
