#include "support/display_dpi.h"

DisplayDpi::DisplayDpi(DWORD dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    DWORD size = sizeof old_;
    hadOld_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, (BYTE*)&old_, &size) == ERROR_SUCCESS;
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, (const BYTE*)&dpi, sizeof dpi);
}

DisplayDpi::~DisplayDpi() {
    if (hadOld_)
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, (const BYTE*)&old_, sizeof old_);
    else
        RegDeleteValueW(key_, L"LogPixels");
    RegCloseKey(key_);
}
