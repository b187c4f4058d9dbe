#pragma once

#include <string>

// The Uninstall entry and the uninstaller a product leaves in the prefix,
// removed whatever the test did.
class InstalledProduct {
public:
    // userScope: installed for this user only (HKCU, the user's folders).
    explicit InstalledProduct(const wchar_t* name, bool userScope = false) : name_(name), userScope_(userScope) {}
    ~InstalledProduct();
    InstalledProduct(const InstalledProduct&) = delete;
    InstalledProduct& operator=(const InstalledProduct&) = delete;
    std::wstring Value(const wchar_t* valueName) const;

private:
    std::wstring name_;
    bool userScope_;
};

