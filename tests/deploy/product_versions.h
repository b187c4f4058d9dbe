// Versions of one product, each a real installer built for a test and
// installed over the one before it. Their scripts write values under
// kVersionsKey, which goes after the test with the product's entry.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "deploy/deploy_fixture.h"

extern const wchar_t kVersionsKey[];

class ProductVersions : public ::testing::Test {
protected:
    explicit ProductVersions(const wchar_t* name) : name_(name), product_(name) {}
    void TearDown() override;

    // The script's header: the product, its version, dir_\dest\ as its
    // folder, and the value "Version".
    std::string Body(const char* version) const;
    static std::string Copy(const char* entry, const char* destination);
    static std::string Value(const char* name, const char* data);
    std::wstring Build(const wchar_t* exe, const std::vector<PackedEntry>& entries) const {
        return EmbedInstaller(dir_, entries, exe);
    }
    // The uninstall record the product's entry names; empty without one.
    std::wstring RecordPath() const;
    // The quiet uninstall the entry names; its exit code.
    DWORD Uninstall() const;

    std::wstring name_;
    ScratchFolder dir_;
    InstalledProduct product_;
};
