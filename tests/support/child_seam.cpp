#include "support/child_seam.h"

#include <windows.h>

#include <string>

#include "app/command_file.h"
#include "app/command_line.h"
#include "app/installer_state.h"
#include "app/relaunch.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "support/scratch.h"

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return (n > 0 && n < 1024) ? std::wstring(buffer) : std::wstring();
}

}  // namespace

bool IsRelaunchedChild() { return wcsstr(GetCommandLineW(), L"--IsElevated=") != nullptr; }

int RunAsChild() {
    WString line(GetCommandLineW());
    CommandLineOptions options;
    options.Parse(line, OptionsStart(line));
    ReadElevationOption(options);
    state.parentProcess = OpenParentProcess();
    std::wstring log = Env(L"BRASK_TEST_CHILD_LOG");
    if (!log.empty()) WriteBytes(log, std::string(WString(GetCommandLineW()).ToAnsi()));
    std::wstring batch = Env(L"BRASK_TEST_CHILD_BATCH");
    if (!batch.empty()) {
        DiskFile file;
        file.SetPath(batch.c_str());
        file.Open(GENERIC_READ, OPEN_EXISTING, false);
        StringList lines;
        WString text;
        while (ReadLine(file, text, false)) lines.AddString(text);
        if (Env(L"BRASK_TEST_CHILD_DIRECT") == L"1") {
            std::wstring utf16;
            for (int32_t i = 0; i < lines.Count(); i++) utf16 += std::wstring(lines[i].Text()) + L"\r\n";
            WriteBytes(state.commandFilePath.Text(), std::string((const char*)utf16.data(), utf16.size() * 2));
        } else {
            WriteCommandFile(lines);
        }
    }
    Sleep(_wtoi(Env(L"BRASK_TEST_CHILD_SLEEP").c_str()));
    return _wtoi(Env(L"BRASK_TEST_CHILD_EXIT").c_str());
}
