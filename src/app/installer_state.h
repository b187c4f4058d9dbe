// The process-wide installer state: settings read from the command line and
// the script, and the run state the worker, the wizard and the parent share.
// Plain fields; only the progress fields are guarded, by progressLock.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "base/sync.h"
#include "base/wstring.h"

class SetupFiles;

struct InstallerState {
    InstallerState();
    // The script's "[Project Name]": the product, and "%s Installer" as the
    // caption of every box and window.
    void SetProjectName(const WString& name);

    bool silent = false;
    bool autoReboot = true;
    BOOL isWow64 = 0;
    SetupFiles* package = nullptr;
    WString commandFilePath;
    EventHandle rerunEvent;
    // The elevated child's SYNCHRONIZE handle on its parent: a writer of the
    // command file stops waiting once the parent has ended.
    HANDLE parentProcess = nullptr;

    WString projectName;
    WString caption;
    WString installPath;
    WString programVersion;
    WString uninstallSettings;
    bool saveInstallPath = false;
    WString saveInstallPathValue;
    bool allowUninstall = true;
    bool offerUninstallOld = true;
    int64_t requiredKB = 0;
    bool use64BitLocations = false;
    // For this user only: the user's own folders and HKCU, no elevation.
    bool userScope = false;
    // The ready page offers both scopes ("either", shown, first process);
    // "for everyone" chosen there makes this process relaunch itself
    // elevated, and the elevated child then installs at once.
    bool scopeOffered = false;
    bool everyoneChosen = false;
    bool installAtOnce = false;

    // The uninstaller: the UninstallLog it replays, and whether a file could
    // only be scheduled for deletion at the next restart.
    WString uninstallLogPath;
    bool uninstallRebootRequired = false;
    // The uninstaller found no record to replay and removed nothing.
    bool uninstallFailed = false;

    bool installAborted = false;
    // The abort was the user's choice, not an error.
    bool installCancelled = false;
    // Who ended the install, claimed once (InterlockedCompareExchange): the
    // worker as it commits, or the user's cancel; whichever comes first.
    enum { kEndOpen, kEndCommitting, kEndCancelled };
    volatile LONG endClaim = kEndOpen;
    PtrList finishShortcuts;
    PtrList finishPrograms;
    HWND finishOwnerWindow = nullptr;

    // Guarded by progressLock.
    WString actionText;
    bool actionChanged = false;
    int32_t progressTotal = 0;
    int32_t progressDone = 0;
    MutexHandle progressLock;

    WString statusText;
    bool rebootRequired = false;
    // An environment variable was changed: the running programs are told
    // once, at the end.
    bool environmentChanged = false;
    // The uninstall record is written at most once per process.
    bool uninstallRecordWritten = false;
    int32_t finishActionsDone = 0;
};

extern InstallerState state;

// Signalled by an uninstaller that restarts Windows so that setup runs again
// afterwards; the waiting parent then leaves the command file alone.
#define RERUN_EVENT_NAME L"evtReRunInstallAsUninstallReboot"
