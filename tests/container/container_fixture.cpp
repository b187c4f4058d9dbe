#include "container/container_fixture.h"

#include <windows.h>

#include "support/process.h"

ContainerFolder::ContainerFolder() : log_(dir / L"installers.log") {
    SetEnvironmentVariableW(L"BRASK_TEST_INSTALLER_LOG", log_.c_str());
}

ContainerFolder::~ContainerFolder() { SetEnvironmentVariableW(L"BRASK_TEST_INSTALLER_LOG", nullptr); }

std::vector<std::pair<std::wstring, std::wstring>> ContainerFolder::Installers(
    const std::vector<std::wstring>& names) {
    std::vector<std::pair<std::wstring, std::wstring>> entries;
    CreateDirectoryW((dir / L"installers").c_str(), nullptr);
    for (auto& name : names) {
        std::wstring copy = dir / (L"installers\\" + name);
        CopyFileW(BinPath(L"test_helper.exe").c_str(), copy.c_str(), FALSE);
        entries.push_back({name, copy});
    }
    return entries;
}

std::vector<std::string> ContainerFolder::Runs() const {
    std::vector<std::string> lines;
    std::string text = ReadBytes(log_);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::vector<std::string> ContainerFolder::RunNames() const {
    std::vector<std::string> names;
    for (auto& line : Runs()) {
        // "PATH\BKIxxxx.tmp-NAME" PARAMETERS: the copy's name ends in the entry's.
        size_t close = line.find('"', 1);
        std::string path = line.substr(1, close - 1);
        std::string file = path.substr(path.find_last_of('\\') + 1);
        names.push_back(file.substr(file.find(".tmp-") + 5));
    }
    return names;
}
