// A package built for one test with the publisher's tool (bkpack) and opened
// as the process's package (state.package), as the installer opens its own.
#pragma once

#include <string>
#include <utility>
#include <vector>

class SetupFiles;

class TestPackage {
public:
    // entries: (entry name, file whose bytes it holds); built in folder
    // with script as its setup.dat.
    TestPackage(const std::wstring& folder, const std::vector<std::pair<std::wstring, std::wstring>>& entries,
                const std::string& script = "[Project Name]\r\nTest\r\n");
    ~TestPackage();
    TestPackage(const TestPackage&) = delete;
    TestPackage& operator=(const TestPackage&) = delete;
    // Built and opened, with setup.dat extracted.
    bool Ready() const { return ready_; }

private:
    SetupFiles* previous_;
    SetupFiles* files_ = nullptr;
    bool ready_ = false;
};
