// The uninstaller an install leaves: the program without its package, which
// runs every uninstaller role, with its dialog and without, or the program
// the package brings, when that one starts.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "deploy/deploy_fixture.h"
#include "gui/driver.h"
#include "package/package_fixture.h"
#include "package/package_format.h"
#include "pe_resources.h"

namespace {

// Clicks through the uninstall dialog as a user does: Uninstall, then Finish.
DWORD UninstallWithTheDialog(const std::wstring& commandLine) {
    ChildProcess process;
    if (!process.Start(commandLine)) return (DWORD)-1;
    HWND window = WaitForProcessWindow(process.Id(), 30000);
    if (!window || !ClickButton(window, IDOK, false)) return (DWORD)-1;
    for (DWORD waited = 0; waited < 30000; waited += 100) {
        for (const ControlInfo& c : ListControls(window))
            if (c.id == IDCANCEL && c.text == L"Finish") {
                ClickButton(window, IDCANCEL, false);
                return process.Wait(30000);
            }
        Sleep(100);
    }
    return (DWORD)-1;
}

// Without a program of the publisher's, the uninstaller is this installer
// cut before its package; one packed as setup.uni is written as it is, and
// one that would not start is not registered: the cut takes its place.
TEST(SmallUninstaller, IsTheProgramAloneAndRemovesTheProduct) {
    ScratchFolder dir;
    InstalledProduct product(L"DeploySmall");
    std::string stub = ReadBytes(BinPath(L"bkstub.exe")), otherStub = ReadBytes(BinPath(L"bkstub_test.exe"));
    std::string cutShort(stub, 0, stub.size() - 512), otherMachine = stub;
    otherMachine[*(const uint32_t*)&stub[0x3C] + 4] = '\x64';  // 0x8664, a 64-bit image
    otherMachine[*(const uint32_t*)&stub[0x3C] + 5] = '\x86';
    // A product far larger than the program: its copy would show.
    std::string payload;
    for (uint32_t i = 0, x = 1; i < (1u << 20); i++) payload += (char)((x = x * 1103515245u + 12345u) >> 24);
    struct {
        const char* what;
        const std::string* packed;  // setup.uni, or none
        bool quiet;
        bool written;    // the copy is setup.uni
        bool retouched;  // another tool rewrote the resources: the copy is the installer
        bool outside;    // the package lies after the image
    } cases[] = {
        {"none, dialog", nullptr, false, false, false, false},
        {"none, quiet", nullptr, true, false, false, false},
        {"another stub", &otherStub, true, true, false, false},
        {"not a program", &payload, true, false, false, false},
        {"cut short", &cutShort, true, false, false, false},
        {"another machine", &otherMachine, true, false, false, false},
        {"resources rewritten", nullptr, true, false, true, false},
        {"after the image, dialog", nullptr, false, false, false, true},
        {"after the image, another stub", &otherStub, true, true, false, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        _putenv(c.outside ? "BKPACK_OUTSIDE_FROM=0" : "BKPACK_OUTSIDE_FROM=");
        std::vector<PackedEntry> entries = {Entry("setup.dat", ProductScript("DeploySmall", dir, true)),
                                            Entry("a.txt", payload)};
        if (c.packed) entries.push_back(Entry(package_format::kUninstallerEntry, *c.packed));
        std::wstring installer = EmbedInstaller(dir, entries);
        HANDLE update = c.retouched ? BeginUpdateResourceW(installer.c_str(), FALSE) : nullptr;
        if (update) UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(7), 0, (void*)"seven", 5);
        ASSERT_TRUE(!c.retouched || (update && EndUpdateResourceW(update, FALSE)));
        ASSERT_EQ(0u, RunInstaller(installer, L"--silent").exitCode);
        std::wstring copy = product.Value(L"DisplayIcon");
        ASSERT_FALSE(copy.empty());
        std::string written = ReadBytes(copy);
        // Else the stub, its resources laid out again, without the package.
        bool cut = !c.written && !c.retouched;
        EXPECT_TRUE(c.written     ? written == *c.packed
                    : c.retouched ? written == ReadBytes(installer)
                                  : written.size() < stub.size() + 8192)
            << written.size();
        Bytes package;
        std::string error;
        // The cut holds an empty package, or a locator of none.
        EXPECT_TRUE(!cut || (ReadPeResource(ToBytes(written), 10,
                                            c.outside ? package_format::kLocatorId : package_format::kResourceId,
                                            package, error) &&
                             package == (c.outside ? Bytes(package_format::kLocatorSize, 0) : Bytes())))
            << error;
        ASSERT_TRUE(GetFileAttributesW((dir / L"dest\\a.txt").c_str()) != INVALID_FILE_ATTRIBUTES);
        DWORD code = c.quiet ? RunProcess(product.Value(L"QuietUninstallString"), {}, 60000).exitCode
                             : UninstallWithTheDialog(product.Value(L"UninstallString"));
        EXPECT_EQ(0u, code);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"dest\\a.txt").c_str()));
        EXPECT_TRUE(product.Value(L"UninstallString").empty());
    }
    _putenv("BKPACK_OUTSIDE_FROM=");
    EXPECT_TRUE(RestartWindows());
}

}  // namespace
