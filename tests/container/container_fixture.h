// Containers for the tests: packages whose installer entries are copies of
// test_helper, which records each run in a log and sleeps and exits as its
// entry name says ("b_sleep2000_exit1603.exe").
#pragma once

#include <string>
#include <vector>

#include "support/scratch.h"

class ContainerFolder {
public:
    ContainerFolder();
    ~ContainerFolder();
    ContainerFolder(const ContainerFolder&) = delete;
    ContainerFolder& operator=(const ContainerFolder&) = delete;

    // The (entry name, file) pairs of installers named so, in this order.
    std::vector<std::pair<std::wstring, std::wstring>> Installers(const std::vector<std::wstring>& names);
    // Command lines the installers recorded, in the order they ran.
    std::vector<std::string> Runs() const;
    // The entry name each run was started as (the copy keeps it).
    std::vector<std::string> RunNames() const;
    const std::wstring& Log() const { return log_; }

    ScratchFolder dir;

private:
    std::wstring log_;
};
