// Wine takes the display's DPI from the user's LogPixels value when a
// process starts: processes started while a DisplayDpi lives see its DPI,
// and the previous value comes back afterwards.
#pragma once

#include <windows.h>

class DisplayDpi {
public:
    explicit DisplayDpi(DWORD dpi);
    ~DisplayDpi();
    DisplayDpi(const DisplayDpi&) = delete;
    DisplayDpi& operator=(const DisplayDpi&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool hadOld_ = false;
};
