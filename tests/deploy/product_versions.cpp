#include "deploy/product_versions.h"

#include "base/registry.h"

const wchar_t kVersionsKey[] = L"Software\\BraskVersionsTest";

void ProductVersions::TearDown() { DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software", L"BraskVersionsTest"); }

std::string ProductVersions::Body(const char* version) const {
    return "[Project Name]\r\n" + Narrow(name_) + "\r\n[ProgramVersion]\r\n" + version + "\r\n[Install To]\r\n" +
           Narrow(dir_ / L"dest\\") + "\r\n" + Value("Version", version);
}

std::string ProductVersions::Copy(const char* entry, const char* destination) {
    return std::string("[CopyFile]\r\n") + entry + "\r\n<Destination>" + destination + "\r\n";
}

std::string ProductVersions::Value(const char* name, const char* data) {
    return std::string("[Registry]\r\nHKLM\r\nSoftware\\BraskVersionsTest\r\nSTRING\r\n") + name + "\r\n" + data +
           "\r\n";
}

std::wstring ProductVersions::RecordPath() const {
    std::wstring uninstall = product_.Value(L"UninstallString");
    size_t record = uninstall.find(L"--uninstall=\"");
    return record == std::wstring::npos ? std::wstring() : uninstall.substr(record + 13, uninstall.size() - record - 14);
}

DWORD ProductVersions::Uninstall() const {
    return RunProcess(product_.Value(L"QuietUninstallString"), {}, 60000).exitCode;
}
