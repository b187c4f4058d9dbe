#include "fuzz/seeds.h"

#include <string>

#include "pack_writer.h"
#include "package/package_format.h"

namespace {

const char kScript[] =
    "[Project Name]\r\nFuzz\r\n[ProgramVersion]\r\n1.2\r\n[Install To]\r\n<Program Files>Fuzz\\\r\n"
    "[CopyFile]\r\nreadme.txt\r\n<Destination>readme.txt\r\n[CopyFile]\r\ntool.exe\r\n<Destination>tool.exe\r\n"
    "[CopyFile]\r\ntool.exe__BKI_WIN64\r\n<Destination>tool.exe__BKI_WIN64\r\n[Windows Version]\r\n4\r\n";

Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Packed(const Bytes& data) {
    PackSettings settings;
    settings.level = 1;
    settings.quiet = true;
    Bytes out;
    std::string error;
    CompressEntry(data, settings, out, error);
    return out;
}

Bytes Repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; i++) all += text;
    return Of(all);
}

Bytes Package(const std::vector<std::pair<std::string, Bytes>>& files) {
    std::vector<PackedEntry> entries;
    for (const auto& file : files) entries.push_back({file.first, Packed(file.second), (uint32_t)file.second.size()});
    Bytes out;
    std::string error;
    LayOutPackage(entries, out, error);
    return out;
}

// Blocks of (name, bytes), each block one stream.
Bytes SolidPackage(const std::vector<std::vector<std::pair<std::string, Bytes>>>& layout) {
    std::vector<SolidEntry> entries;
    std::vector<SolidBlock> blocks;
    for (const auto& files : layout) {
        Bytes all;
        for (const auto& file : files) {
            entries.push_back(SolidEntry{file.first, (uint32_t)blocks.size(), (uint32_t)all.size(),
                                         (uint32_t)file.second.size(),
                                         package_format::Crc32(0, file.second.data(), (uint32_t)file.second.size())});
            all.insert(all.end(), file.second.begin(), file.second.end());
        }
        blocks.push_back(SolidBlock{Packed(all), (uint32_t)all.size()});
    }
    Bytes out;
    std::string error;
    LayOutSolidPackage(entries, blocks, out, error);
    return out;
}

}  // namespace

std::vector<Bytes> SolidSeeds() {
    Bytes script = Of(kScript);
    return {
        SolidPackage({{{"setup.dat", script}}, {{"readme.txt", Repeated("read me ", 40)}, {"tool.exe", Of("tool")},
                                                {"empty.txt", Bytes()}, {"tool.exe__BKI_WIN64", Repeated("64", 30)}}}),
        SolidPackage({{{"setup.dat", script}}, {{"setup.lic", Of("Licence text\r\n")}}, {{"a", Of("a")}},
                      {{"b", Bytes()}}}),
        SolidPackage({{{"setup.dat", script}, {"setup.dat", Of("[Project Name]\r\nLater\r\n")}}}),
    };
}

std::vector<Bytes> PackageSeeds() {
    Bytes script = Of(kScript);
    return {
        Package({{"setup.dat", script}, {"readme.txt", Repeated("read me ", 40)}}),
        Package({{"setup.dat", script}, {"setup.lic", Of("Licence text\r\n")}, {"setup.bmp", Bytes(70, 0x42)},
                 {"empty.txt", Bytes()}}),
        Package({{"setup.dat", script}, {"setup.dat", Of("[Project Name]\r\nLater\r\n")}}),
    };
}

std::vector<Bytes> StreamSeeds() {
    Bytes noise(300);
    uint32_t x = 7;
    for (auto& b : noise) b = (uint8_t)((x = x * 1103515245 + 12345) >> 16);
    return {Packed(Of(kScript)), Packed(Repeated("abcabcabd", 200)), Packed(noise), Packed(Of("x")), Bytes()};
}

std::vector<Bytes> ScriptSeeds(bool utf16) {
    std::vector<std::string> texts = {kScript, "[Project Name]\nLF only\n[ProgramVersion]\n2.0",
                                      "one\rtwo\r\rthree\r\n\r\nfour", std::string("nul\0inside\r\n", 13)};
    std::vector<Bytes> seeds;
    for (const std::string& text : texts) {
        if (!utf16) {
            seeds.push_back(Of(text));
            continue;
        }
        Bytes wide = {0xFF, 0xFE};
        for (char c : text) {
            wide.push_back((uint8_t)c);
            wide.push_back(0);
        }
        seeds.push_back(wide);
    }
    return seeds;
}

std::vector<Bytes> CommandSeeds() {
    return {
        Of("\"C:\\Program Files\\BraskUninstall\\Uninstall-Fuzz.exe\" --uninstall=\"C:\\Program Files\\"
           "BraskUninstall\\BraskUninstall-Fuzz.dat\" --log=\"C:\\a b\\log.txt\""),
        Of("\"C:\\t\\setup.exe\" --silent -IsElevated=\"C:\\t\\cmd.dat\" -x=1 --y \"quoted\" -"),
        Of("setup.exe <uninstall>C:\\Old\\BraskUninstall-Old.dat --silent"),
        Of("\"unclosed -a=\"b --c= -d"),
    };
}

std::vector<Bytes> MacroSeeds() {
    return {
        Of("<Program Files>Fuzz\\tool.exe"),
        Of("<Destination>\\\\bin\\<System>x.dll<SystemWOW64><Windows><QuickLaunch>a.lnk"),
        Of("\\\\server\\share\\<Destination>\\\\\\<MyDocuments><DeskTop><Startup><Start Programs><Source>"),
        Of("<destination><PROGRAM FILES><Unknown><<Windows>>"),
    };
}
