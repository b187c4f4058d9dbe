// peak_memory IMAGE COMMAND...: runs COMMAND, watching the processes of
// IMAGE, and prints "exit CODE peak BYTES ms MILLISECONDS" (the benchmark's
// view of the installer from inside Wine).
#include <stdio.h>

#include "support/process_memory.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: peak_memory IMAGE COMMAND...\n");
        return 2;
    }
    std::wstring line;
    // Quoted only where needed: a switch such as --log= is not found in quotes.
    for (int i = 2; i < argc; i++) {
        std::wstring arg = argv[i];
        if (arg.find(L' ') != std::wstring::npos) arg = L"\"" + arg + L"\"";
        line += (i > 2 ? L" " : L"") + arg;
    }
    WatchedRun run = RunWatchingMemory(line, argv[1], 30 * 60 * 1000);
    if (!run.started) {
        fprintf(stderr, "peak_memory: cannot start the command\n");
        return 2;
    }
    printf("exit %lu peak %lu ms %lu%s\n", run.exitCode, (unsigned long)run.peakBytes, run.milliseconds,
           run.timedOut ? " timed-out" : "");
    return run.timedOut ? 3 : 0;
}
