#include "support/process_memory.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <map>

#include "support/process.h"

namespace {

const DWORD kSampleMs = 20;

// Opens newly seen processes of the image (kept open, so their counters can
// be read up to their end) and raises peak to the largest peak seen.
void Sample(const std::wstring& imageName, std::map<DWORD, HANDLE>& open, SIZE_T& peak) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry = {sizeof entry};
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (_wcsicmp(entry.szExeFile, imageName.c_str()) != 0 || open.count(entry.th32ProcessID)) continue;
            HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
            if (h) open[entry.th32ProcessID] = h;
        }
        CloseHandle(snapshot);
    }
    for (auto& known : open) {
        PROCESS_MEMORY_COUNTERS counters = {sizeof counters};
        if (GetProcessMemoryInfo(known.second, &counters, sizeof counters) && counters.PeakWorkingSetSize > peak)
            peak = counters.PeakWorkingSetSize;
    }
}

}  // namespace

WatchedRun RunWatchingMemory(const std::wstring& commandLine, const std::wstring& imageName, DWORD timeoutMs) {
    WatchedRun result;
    std::map<DWORD, HANDLE> open;
    {
        ChildProcess process;
        DWORD start = GetTickCount();
        result.started = process.Start(commandLine);
        if (!result.started) return result;
        for (;;) {
            Sample(imageName, open, result.peakBytes);
            DWORD code = process.Wait(kSampleMs);
            if (code != (DWORD)-1) {
                result.exitCode = code;
                break;
            }
            if (GetTickCount() - start > timeoutMs) {
                result.timedOut = true;
                break;
            }
        }
        result.milliseconds = GetTickCount() - start;
    }
    for (auto& known : open) CloseHandle(known.second);
    return result;
}
