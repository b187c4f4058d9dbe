#include "deploy/deploy_fixture.h"

#include "app/installer_state.h"
#include "base/registry.h"
#include "engine/uninstall_record.h"
#include "package/package_fixture.h"
#include "stub_embed.h"
#include "support/machine_registry.h"

#include <gtest/gtest.h>
#include <stdio.h>

std::string Narrow(const std::wstring& text) { return std::string(WString(text.c_str()).ToAnsi()); }

std::wstring EmbedInstaller(const ScratchFolder& dir, const std::vector<PackedEntry>& entries, const wchar_t* name) {
    std::string error;
    std::wstring out = dir / name;
    EXPECT_TRUE(EmbedPackage(BinPath(L"bkstub.exe"), LayOut(entries), out, error)) << error;
    return out;
}

PackedEntry BrokenEntry(const std::string& name) {
    // 0xFF is no valid properties byte of an LZMA header.
    return PackedEntry{name, ToBytes(std::string(29, '\xff')), 29};
}

std::string ProductScript(const std::string& name, const ScratchFolder& dir, bool removable) {
    return "[Project Name]\r\n" + name + "\r\n" + (removable ? "" : "[NoUnInstall]\r\n") + "[Install To]\r\n" +
           Narrow(dir / L"dest\\") + "\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CreateIcon]\r\n" +
           "<Destination>a.txt\r\n" + Narrow(dir / L"links\\A.lnk") + "\r\n\r\n\r\n";
}

std::wstring LogSwitch(const std::wstring& log) { return L" --log=\"" + log + L"\""; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

ProcessResult RunInstaller(const std::wstring& exe, const std::wstring& arguments) {
    return RunProcess(L"\"" + exe + L"\" " + arguments, {}, 60000);
}

std::vector<std::string> ReadLogLines(const std::wstring& path) {
    std::string text = ReadBytes(path);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

int CountLines(const std::vector<std::string>& lines, const char* role, const std::string& text) {
    int count = 0;
    for (const std::string& line : lines)
        if (line.find(std::string(" ") + role + "] ") != std::string::npos && line.find(text) != std::string::npos)
            ++count;
    return count;
}

bool DecodingFigures(const std::wstring& log, uint64_t& decoded, uint64_t& taken, uint64_t& waited) {
    bool found = false;
    for (const std::string& line : ReadLogLines(log)) {
        size_t at = line.find("decoding ahead: ");
        unsigned long long d, t, w;
        if (at != std::string::npos &&
            sscanf(line.c_str() + at, "decoding ahead: %llu bytes decoded for %llu bytes taken; at most %llu", &d, &t,
                   &w) == 3) {
            decoded = d, taken = t, waited = w, found = true;
        }
    }
    return found;
}
