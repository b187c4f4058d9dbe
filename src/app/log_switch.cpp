#include "app/log_switch.h"

#include "base/run_log.h"

namespace {

const wchar_t* RoleTag(const CommandLineOptions& options) {
    bool elevated = options.Lookup(L"IsElevated") >= 0;
    if (HasSwitch(L"<uninstall>") || HasSwitch(L"--uninstall="))
        return elevated ? L"elevated uninstaller" : L"uninstaller";
    return elevated ? L"elevated child" : L"parent";
}

}  // namespace

void StartRunLog(const CommandLineOptions& options) {
    int32_t at = options.Lookup(L"log");
    if (at < 0 || options.values[at].IsEmpty()) return;
    OpenRunLog(options.values[at], RoleTag(options));
    RunLog("started: %s", GetCommandLineW());
}

WString LogSwitch() {
    if (!RunLogActive()) return WString();
    return WString::Formatted(L" --log=\"%s\"", RunLogPath());
}
