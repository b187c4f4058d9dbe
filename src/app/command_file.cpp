#include "app/command_file.h"

#include <windows.h>

#include "app/installer_state.h"
#include "app/run_program.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/registry.h"

void WriteCommandFile(const StringList& lines) {
    const WString& path = state.commandFilePath;
    for (int attempt = 0; attempt < 50; attempt++) {
        DiskFile file;
        file.SetPath(path);
        file.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
        if (file.IsOpen()) {
            for (int32_t i = 0; i < lines.Count(); i++) {
                file.Write(lines[i].Text(), (uint32_t)(lines[i].Length() - 1) * sizeof(wchar_t));
                file.Write(L"\r\n", 2 * sizeof(wchar_t));
            }
            break;
        }
        Sleep(100);
    }
    while (PathExists(path)) {
        // A parent that has ended will never delete the file: stop waiting
        // and take the unconsumed batch away.
        if (state.parentProcess && WaitForSingleObject(state.parentProcess, 250) == WAIT_OBJECT_0) {
            DeleteFileRetry(path);
            return;
        }
        if (!state.parentProcess) Sleep(250);
    }
}

void ExecuteCommandFile(const wchar_t* path) {
    // Only a file that is there may still be being written. Looking first
    // spares every install the pause when the child handed nothing back.
    if (!PathExists(path)) return;
    Sleep(500);
    if (!PathExists(path)) return;
    DiskFile file;
    file.SetPath(path);
    file.Open(GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, false);
    if (file.IsOpen()) {
        WString line;
        while (ReadLine(file, line, true)) {
            bool run = Compare(line, L"[run]", false) == 0;
            bool dword = Compare(line, L"[setreg_hkcu_dword]", false) == 0;
            bool text = Compare(line, L"[setreg_hkcu_string]", false) == 0;
            if (!run && !dword && !text) continue;
            WString first, second, third;
            ReadLine(file, first, true);
            ReadLine(file, second, true);
            ReadLine(file, third, true);
            if (run) {
                if (!first.IsEmpty()) RunProgram(first, second, third.ToInt64() != 0, false, nullptr);
            } else if (dword) {
                DWORD value = (DWORD)third.ToInt64();
                WriteValue(&value, sizeof value, REG_DWORD, first, HKEY_CURRENT_USER, second);
            } else {
                WriteString(third, first, HKEY_CURRENT_USER, second);
            }
        }
        file.Close();
    }
    for (int attempt = 0; attempt < 10; attempt++) {
        if (DeleteFileRetry(path) || !PathExists(path)) break;
        Sleep(100);
    }
}
