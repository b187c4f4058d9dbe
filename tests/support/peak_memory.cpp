// peak_memory IMAGE COMMAND...: runs COMMAND, watching the processes of
// IMAGE, and prints "exit CODE peak BYTES ms MILLISECONDS started TIME" (the
// benchmark's view of the installer from inside Wine). TIME is the local
// time just before the start, as the run log writes it (with a T for the
// space), so that the log's lines can be timed from the start.
// peak_memory IMAGE --line "COMMAND LINE": the command line as it stands,
// as a deployment tool runs an "UninstallString".
#include <stdio.h>

#include "support/process_memory.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: peak_memory IMAGE COMMAND... | IMAGE --line \"COMMAND LINE\"\n");
        return 2;
    }
    std::wstring line;
    if (argc == 4 && std::wstring(argv[2]) == L"--line") {
        line = argv[3];
    } else {
        // Quoted only where needed: a switch such as --log= is not found in quotes.
        for (int i = 2; i < argc; i++) {
            std::wstring arg = argv[i];
            if (arg.find(L' ') != std::wstring::npos) arg = L"\"" + arg + L"\"";
            line += (i > 2 ? L" " : L"") + arg;
        }
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    WatchedRun run = RunWatchingMemory(line, argv[1], 30 * 60 * 1000);
    if (!run.started) {
        fprintf(stderr, "peak_memory: cannot start the command\n");
        return 2;
    }
    printf("exit %lu peak %lu ms %lu started %04u-%02u-%02uT%02u:%02u:%02u.%03u%s\n", run.exitCode,
           (unsigned long)run.peakBytes, run.milliseconds, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond, now.wMilliseconds, run.timedOut ? " timed-out" : "");
    return run.timedOut ? 3 : 0;
}
