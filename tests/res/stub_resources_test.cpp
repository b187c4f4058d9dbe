// The resources as the built installer carries them.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

class StubModule {
public:
    StubModule() {
        module_ = LoadLibraryExW(BinPath(L"bkstub.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~StubModule() {
        if (module_) FreeLibrary(module_);
    }
    StubModule(const StubModule&) = delete;
    StubModule& operator=(const StubModule&) = delete;
    bool Has(int id, LPCWSTR type) const { return FindResourceW(module_, MAKEINTRESOURCEW(id), type) != nullptr; }
    std::string Text(int id, LPCWSTR type) const {
        HRSRC info = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (!info) return std::string();
        return std::string((const char*)LockResource(LoadResource(module_, info)), SizeofResource(module_, info));
    }
    HMODULE Handle() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

// The dialogs' bitmaps and drawings are packed in one stream (their own
// tests load each); the shell's icon stays an icon group.
TEST(StubResources, CarriesTemplatesPicturesAndItsIcon) {
    StubModule stub;
    ASSERT_TRUE(stub.Handle());
    for (int id : {IDD_INSTALL, IDD_LICENSE, IDD_CONTAINER_INSTALL, IDD_UNINSTALL, IDD_NON_ELEVATE_FOCUS, IDD_REBOOTING})
        EXPECT_TRUE(stub.Has(id, (LPCWSTR)RT_DIALOG)) << id;
    EXPECT_TRUE(stub.Has(IDR_PICTURES, (LPCWSTR)RT_RCDATA));
    EXPECT_TRUE(stub.Has(IDI_APPLICATION_ICON, (LPCWSTR)RT_GROUP_ICON));
}

TEST(StubResources, ManifestAsksForWhatTheProgramNeeds) {
    StubModule stub;
    std::string manifest = stub.Text(1, (LPCWSTR)RT_MANIFEST);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>"));
    size_t entries = 0;
    for (size_t at = manifest.find("<supportedOS"); at != std::string::npos; at = manifest.find("<supportedOS", at + 1))
        ++entries;
    EXPECT_EQ(5u, entries);
}

// The names in the executable's import table, read from the file itself.
std::vector<std::string> ImportedDlls(const std::string& image) {
    std::vector<std::string> names;
    if (image.size() < sizeof(IMAGE_DOS_HEADER)) return names;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)image.data();
    if ((size_t)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32) > image.size()) return names;
    const IMAGE_NT_HEADERS32* nt = (const IMAGE_NT_HEADERS32*)(image.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    auto offset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    EXPECT_EQ(0u, nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress);
    size_t at = offset(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; at && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= image.size(); at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const IMAGE_IMPORT_DESCRIPTOR* d = (const IMAGE_IMPORT_DESCRIPTOR*)(image.data() + at);
        if (!d->Name) break;
        size_t name = offset(d->Name);
        if (!name || name >= image.size()) break;
        names.push_back(std::string(image.c_str() + name));
    }
    return names;
}

// A DLL outside this set, imported statically, would be loaded from the
// installer's download folder if one of that name lay there.
TEST(StubImports, OnlyDllsTheLoaderAlwaysTakesFromSystem32) {
    const std::set<std::string> known = {"kernel32.dll", "user32.dll",  "gdi32.dll",  "advapi32.dll", "shell32.dll",
                                         "ole32.dll",    "oleaut32.dll", "msvcrt.dll", "comdlg32.dll", "shlwapi.dll"};
    std::vector<std::string> imports = ImportedDlls(ReadBytes(BinPath(L"bkstub.exe")));
    EXPECT_GE(imports.size(), 5u);
    for (std::string name : imports) {
        for (char& c : name) c = (char)tolower((unsigned char)c);
        EXPECT_TRUE(known.count(name)) << name;
    }
}

}  // namespace
