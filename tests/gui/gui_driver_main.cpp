// gui_driver: the GUI test helpers from the command line, for looking at a
// running toolkit window by hand.
//   gui_driver find <class|-> <caption|-> <timeout ms>   prints the handle
//   gui_driver list <handle>                             id, class, text, visible, enabled
//   gui_driver click <handle> <id> [command]
//   gui_driver keys <handle> <virtual key>...
//   gui_driver mouse <handle> <x> <y>
//   gui_driver shot <handle> <file.bmp>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "gui/driver.h"

namespace {

const wchar_t* OrNull(const wchar_t* arg) { return wcscmp(arg, L"-") == 0 ? nullptr : arg; }
HWND ParseHandle(const wchar_t* arg) { return (HWND)(UINT_PTR)wcstoul(arg, nullptr, 16); }

int Usage() {
    fwprintf(stderr, L"usage: gui_driver find|list|click|keys|mouse|shot ...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return Usage();
    const wchar_t* verb = argv[1];
    if (wcscmp(verb, L"find") == 0 && argc == 5) {
        HWND window = WaitForWindow(OrNull(argv[2]), OrNull(argv[3]), wcstoul(argv[4], nullptr, 10));
        if (!window) return 1;
        wprintf(L"%lx\n", (unsigned long)(UINT_PTR)window);
        return 0;
    }
    HWND window = ParseHandle(argv[2]);
    if (!IsWindow(window)) return 1;
    if (wcscmp(verb, L"list") == 0) {
        for (const ControlInfo& c : ListControls(window))
            wprintf(L"%d\t%ls\t%ls\t%d\t%d\n", c.id, c.className.c_str(), c.text.c_str(), c.visible, c.enabled);
        return 0;
    }
    if (wcscmp(verb, L"click") == 0 && argc >= 4)
        return ClickButton(window, _wtoi(argv[3]), argc > 4 && wcscmp(argv[4], L"command") == 0) ? 0 : 1;
    if (wcscmp(verb, L"keys") == 0) {
        std::vector<WORD> keys;
        for (int i = 3; i < argc; ++i) keys.push_back((WORD)_wtoi(argv[i]));
        SendKeys(window, keys);
        return 0;
    }
    if (wcscmp(verb, L"mouse") == 0 && argc == 5) {
        MoveMouse(window, _wtoi(argv[3]), _wtoi(argv[4]));
        return 0;
    }
    if (wcscmp(verb, L"shot") == 0 && argc == 4) return SaveBitmap(Capture(window), argv[3]) ? 0 : 1;
    return Usage();
}
