// Starting the real programs from a test, always with a time-out.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// The build folder as Windows sees it, from BRASK_BIN_DIR.
std::wstring BinDir();
std::wstring BinPath(const wchar_t* name);
// The test build of the installer (bkstub_test.exe): its message boxes are
// recorded and answered through BRASK_TEST_MSGBOX and BRASK_TEST_ANSWERS,
// which the shipped bkstub.exe ignores.
std::wstring TestStubPath();
// "win64" or "win32": the prefix this run of the test program uses.
std::wstring PrefixKind();

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::string output;  // standard output and error, when captured
};

// Runs a command line with extra environment variables and waits up to
// timeoutMs; a process that outlives it is killed.
ProcessResult RunProcess(const std::wstring& commandLine,
                         const std::vector<std::pair<std::wstring, std::wstring>>& env, DWORD timeoutMs,
                         bool captureOutput = false);

// Wine's restart (wineboot -r): carries out the deletions and renames
// scheduled for the next boot, in the order they were scheduled.
bool RestartWindows();

// A process the test keeps running; killed on destruction if still alive.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool Start(const std::wstring& commandLine);
    DWORD Wait(DWORD timeoutMs);
    DWORD Id() const { return pi_.dwProcessId; }

private:
    PROCESS_INFORMATION pi_ = {};
};

// Keeps a file in use from another process (test_helper), until Release or
// the end of the object's life. how: "hold" (open without sharing), "load"
// (a DLL loaded) or "map" (a writable view mapped).
class FileHolder {
public:
    explicit FileHolder(const std::wstring& path, const wchar_t* how = L"hold");
    ~FileHolder() { Release(); }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    bool Held() const { return held_; }
    // Lets the helper close the file and waits for it to end.
    void Release();

private:
    std::wstring name_;
    HANDLE release_ = nullptr;
    ChildProcess process_;
    bool held_ = false;
};

// The program an unquoted command line "C:\Program Files\..." would start
// instead: test_helper as "C:\Program.exe", which only leaves a marker.
class DecoyProgram {
public:
    DecoyProgram();
    ~DecoyProgram();
    DecoyProgram(const DecoyProgram&) = delete;
    DecoyProgram& operator=(const DecoyProgram&) = delete;
    bool Placed() const { return placed_; }
    bool Ran() const;
    // A folder under "C:\Program Files\" whose name has a space, created.
    std::wstring SpacedFolder() const;

private:
    std::wstring path_;
    bool placed_ = false;
};
