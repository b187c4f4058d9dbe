#pragma once

#include <string>

// The Uninstall entry and the uninstaller a product leaves in the prefix,
// removed whatever the test did.
class InstalledProduct {
public:
    explicit InstalledProduct(const wchar_t* name) : name_(name) {}
    ~InstalledProduct();
    InstalledProduct(const InstalledProduct&) = delete;
    InstalledProduct& operator=(const InstalledProduct&) = delete;
    std::wstring Value(const wchar_t* valueName) const;

private:
    std::wstring name_;
};

