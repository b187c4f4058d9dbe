// The resources as the built installer carries them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "res/resource_ids.h"
#include "support/process.h"

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

TEST(StubResources, CarriesTemplatesBitmapsAndIcons) {
    StubModule stub;
    ASSERT_TRUE(stub.Handle());
    for (int id : {IDD_INSTALL, IDD_LICENSE, IDD_CONTAINER_INSTALL, IDD_UNINSTALL, IDD_NON_ELEVATE_FOCUS, IDD_REBOOTING})
        EXPECT_TRUE(stub.Has(id, (LPCWSTR)RT_DIALOG)) << id;
    for (int id = 102; id <= 110; ++id) EXPECT_TRUE(stub.Has(id, (LPCWSTR)RT_BITMAP)) << id;
    for (int id : {126, 127, 128, 129, 130, 131}) EXPECT_TRUE(stub.Has(id, (LPCWSTR)RT_BITMAP)) << id;
    for (int id : {IDI_APPLICATION_ICON, 112, 113, 114, 115, 116, 117, 118, 119, 120, 124})
        EXPECT_TRUE(stub.Has(id, (LPCWSTR)RT_GROUP_ICON)) << id;
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

}  // namespace
