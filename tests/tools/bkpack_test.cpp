// The package builder as publishers run it: real files in, real installers
// out, and every bad input refused without a trace.
#include <windows.h>
#include <wincrypt.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/folders.h"
#include "package/package_fixture.h"
#include "package/package_format.h"
#include "support/installed_product.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

const char kScript[] =
    "[Project Name]\r\nDemo\r\n[CopyFile]\r\nbin\\app.exe\r\n<Destination>app.exe\r\n"
    "[CopyFile]\r\nreadme.txt\r\n<Destination>readme.txt\r\n"
    "[CopyFile]\r\nREADME.TXT\r\n<Destination>again.txt\r\n"
    "[Registry]\r\nHKLM\r\nSoftware\\Demo\r\nBINARY\r\nBlob\r\nblob.bin\r\n"
    "[Registry]\r\nHKLM\r\nSoftware\\Demo\r\nSTRING\r\nName\r\nnot-an-entry.txt\r\n"
    "[RunFile]\r\n<TempInstall>\\tool.exe\r\n\r\n\r\n"
    "[RunAndWaitFile]\r\n<Destination>app.exe\r\n\r\n\r\n"
    "[Action]\r\n[CopyFile]\r\n"
    "[CreateIcon]\r\n<Destination>app.exe\r\n<DeskTop>App.lnk\r\n\r\n\r\n";

class Publisher {
public:
    Publisher() {
        CreateFolderTree((dir / L"files\\bin").c_str());
        WriteBytes(dir / L"setup.dat", kScript);
        WriteBytes(dir / L"files\\bin\\app.exe", std::string(3000, 'A') + "MZ tail");
        WriteBytes(dir / L"files\\readme.txt", "Read me.\r\n");
        WriteBytes(dir / L"files\\blob.bin", std::string("\x00\x01\x02\x03", 4));
        WriteBytes(dir / L"files\\tool.exe", "tool");
        WriteBytes(dir / L"extra.dll", "extra");
    }
    ProcessResult Run(const std::wstring& args) {
        return RunProcess(L"\"" + BinPath(L"bkpack.exe") + L"\" " + args, {}, 60000, true);
    }
    std::wstring Path(const wchar_t* name) const { return dir / name; }
    std::wstring Quoted(const wchar_t* name) const { return L"\"" + dir / name + L"\""; }
    std::wstring PackArgs(const wchar_t* out) const {
        return L"pack " + Quoted(L"setup.dat") + L" " + Quoted(L"files") + L" -o " + Quoted(out) + L" --quiet";
    }
    ScratchFolder dir;
};

TEST(Bkpack, PacksWhatTheScriptRefersToInOrder) {
    Publisher pub;
    ProcessResult pack = pub.Run(pub.PackArgs(L"out.pkg") + L" --add " + pub.Quoted(L"extra.dll") + L" --add " +
                                 pub.Quoted(L"extra.dll") + L"=Sub\\Renamed.dll");
    ASSERT_EQ(0u, pack.exitCode) << pack.output;
    ProcessResult list = pub.Run(L"list " + pub.Quoted(L"out.pkg"));
    ASSERT_EQ(0u, list.exitCode) << list.output;
    std::vector<std::string> lines = TextLines(list.output);
    std::vector<std::string> names;
    for (const std::string& line : lines) names.push_back(line.substr(0, line.find(' ')));
    std::vector<std::string> expected = {"setup.dat", "bin\\app.exe", "readme.txt", "blob.bin",
                                         "tool.exe",  "extra.dll",   "Sub\\Renamed.dll"};
    EXPECT_EQ(expected, names);
    for (const std::string& line : lines) EXPECT_NE(std::string::npos, line.find(" ok")) << line;
    EXPECT_NE(std::string::npos, lines[1].find(" 3007 ")) << lines[1];

    ProcessResult verify = pub.Run(L"verify " + pub.Quoted(L"out.pkg"));
    EXPECT_EQ(0u, verify.exitCode) << verify.output;
    ProcessResult extract = pub.Run(L"extract " + pub.Quoted(L"out.pkg") + L" " + pub.Quoted(L"x"));
    ASSERT_EQ(0u, extract.exitCode) << extract.output;
    EXPECT_EQ(ReadBytes(pub.Path(L"files\\bin\\app.exe")), ReadBytes(pub.Path(L"x\\bin\\app.exe")));
    EXPECT_EQ(std::string("\x00\x01\x02\x03", 4), ReadBytes(pub.Path(L"x\\blob.bin")));
    EXPECT_EQ("extra", ReadBytes(pub.Path(L"x\\Sub\\Renamed.dll")));
    EXPECT_EQ(kScript, ReadBytes(pub.Path(L"x\\setup.dat")));
}

// A publisher's language file: check names the text whose placeholders
// differ from the English ones; pack warns the same way and packs it.
TEST(Bkpack, LanguageFileWithOtherPlaceholdersIsReported) {
    Publisher pub;
    WriteBytes(pub.Path(L"setup.lng.de"), "InstallButton=Installieren\nRemoveQuestion=%d entfernen?\n");
    ProcessResult check = pub.Run(L"check " + pub.Quoted(L"setup.lng.de"));
    EXPECT_EQ(1u, check.exitCode) << check.output;
    EXPECT_NE(std::string::npos,
              check.output.find("setup.lng.de:2: warning: 'RemoveQuestion' has the placeholders %d but the English "
                                "text has %s"))
        << check.output;
    EXPECT_NE(std::string::npos, check.output.find("'CancelButton' is missing")) << check.output;
    EXPECT_EQ(std::string::npos, check.output.find("'InstallButton'")) << check.output;

    ProcessResult pack = pub.Run(pub.PackArgs(L"out.pkg") + L" --add " + pub.Quoted(L"setup.lng.de"));
    EXPECT_EQ(0u, pack.exitCode) << pack.output;
    EXPECT_NE(std::string::npos, pack.output.find("'RemoveQuestion' has the placeholders %d")) << pack.output;
    EXPECT_NE(std::string::npos, pub.Run(L"list " + pub.Quoted(L"out.pkg")).output.find("setup.lng.de "));
    ProcessResult strict =
        pub.Run(pub.PackArgs(L"strict.pkg") + L" --add " + pub.Quoted(L"setup.lng.de") + L" --strict");
    EXPECT_NE(0u, strict.exitCode) << strict.output;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(pub.Path(L"strict.pkg").c_str()));
}

TEST(Bkpack, SameInputsGiveTheSameBytes) {
    Publisher pub;
    std::wstring common = L" " + pub.Quoted(L"setup.dat") + L" " + pub.Quoted(L"files") + L" --licence " +
                          pub.Quoted(L"extra.dll") + L" --quiet --stub \"" + BinPath(L"bkstub.exe") + L"\" -o ";
    ASSERT_EQ(0u, pub.Run(L"build" + common + pub.Quoted(L"one.exe")).exitCode);
    ASSERT_EQ(0u, pub.Run(L"build" + common + pub.Quoted(L"two.exe")).exitCode);
    std::string one = ReadBytes(pub.Path(L"one.exe")), two = ReadBytes(pub.Path(L"two.exe"));
    EXPECT_GT(one.size(), 1000u);
    EXPECT_TRUE(one == two) << "installers differ";
    ASSERT_EQ(0u, pub.Run(pub.PackArgs(L"a.pkg")).exitCode);
    ASSERT_EQ(0u, pub.Run(pub.PackArgs(L"b.pkg")).exitCode);
    EXPECT_TRUE(ReadBytes(pub.Path(L"a.pkg")) == ReadBytes(pub.Path(L"b.pkg")));
    // The installer carries the package: reading it back gives the bare one.
    ProcessResult verify = pub.Run(L"verify " + pub.Quoted(L"one.exe"));
    EXPECT_EQ(0u, verify.exitCode) << verify.output;
    ProcessResult list = pub.Run(L"list " + pub.Quoted(L"one.exe"));
    EXPECT_EQ(0u, list.exitCode);
    EXPECT_EQ(0u, list.output.find("setup.dat ")) << list.output;
    EXPECT_NE(std::string::npos, list.output.find("setup.lic ")) << list.output;
}

struct Refusal {
    const char* what;
    std::wstring args;
    const char* reason;  // a word the message must hold
};

TEST(Bkpack, RefusesBadInputAndLeavesNoOutput) {
    Publisher pub;
    WriteBytes(pub.Path(L"missing.dat"), "[CopyFile]\r\nnot-there.txt\r\n<Destination>x\r\n");
    WriteBytes(pub.Path(L"long.dat"), "[CopyFile]\r\n" + std::string(255, 'n') + "\r\n<Destination>x\r\n");
    WriteBytes(pub.Path(L"reserved.dat"), "[CopyFile]\r\nSETUP.DAT\r\n<Destination>x\r\n");
    WriteBytes(pub.Path(L"empty.dat"), "[CopyFile]\r\n\r\n<Destination>x\r\n");
    WriteBytes(pub.Path(L"notpe.exe"), std::string(512, 'M'));
    // A stub of other sources: its build identity differs in one character.
    std::string other = ReadBytes(BinPath(L"bkstub.exe"));
    std::string key("B\0r\0a\0s\0k\0B\0u\0i\0l\0d\0\0\0", 22);
    ASSERT_NE(std::string::npos, other.find(key));
    other[other.find(key) + key.size()] ^= 1;
    WriteBytes(pub.Path(L"other.exe"), other);
    // 4 GiB, sparse: only its size is ever looked at.
    HANDLE huge = CreateFileW(pub.Path(L"files\\huge.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, huge) << GetLastError();
    LARGE_INTEGER size;
    size.QuadPart = 0x100000000LL;
    EXPECT_TRUE(SetFilePointerEx(huge, size, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(huge)) << GetLastError();
    CloseHandle(huge);
    WriteBytes(pub.Path(L"huge.dat"), "[CopyFile]\r\nhuge.bin\r\n<Destination>x\r\n");

    std::wstring files = L" " + pub.Quoted(L"files") + L" -o " + pub.Quoted(L"out.exe");
    std::wstring stub = L" --stub \"" + BinPath(L"bkstub.exe") + L"\"";
    std::vector<Refusal> refusals = {
        {"missing file", L"build " + pub.Quoted(L"missing.dat") + files + stub, "not-there.txt"},
        {"long name", L"build " + pub.Quoted(L"long.dat") + files + stub, "254"},
        {"reserved name", L"build " + pub.Quoted(L"reserved.dat") + files + stub, "twice"},
        {"empty name", L"build " + pub.Quoted(L"empty.dat") + files + stub, "empty"},
        {"duplicate --add", L"build " + pub.Quoted(L"setup.dat") + files + stub + L" --add " +
                                pub.Quoted(L"extra.dll") + L"=readme.txt", "twice"},
        {"non-ANSI name", L"build " + pub.Quoted(L"setup.dat") + files + stub + L" --add " +
                              pub.Quoted(L"extra.dll") + L"=\u4e2d\u6587.dll", "ANSI"},
        {"4 GiB entry", L"build " + pub.Quoted(L"huge.dat") + files + stub, "4 GiB"},
        {"stub not PE", L"build " + pub.Quoted(L"setup.dat") + files + L" --stub " + pub.Quoted(L"notpe.exe"), "PE"},
        {"no stub", L"build " + pub.Quoted(L"setup.dat") + files, "--stub"},
        {"bad level", L"build " + pub.Quoted(L"setup.dat") + files + stub + L" --level 10", "level"},
        {"no threads", L"build " + pub.Quoted(L"setup.dat") + files + stub + L" --threads 0", "threads"},
        {"uninstaller not PE", L"build " + pub.Quoted(L"setup.dat") + files + stub + L" --uninstaller " +
                                   pub.Quoted(L"notpe.exe"), "PE"},
        {"uninstaller of other sources", L"build " + pub.Quoted(L"setup.dat") + files + stub + L" --uninstaller " +
                                             pub.Quoted(L"other.exe"), "same build"},
        {"uninstaller of no build", L"build " + pub.Quoted(L"setup.dat") + files + stub + L" --uninstaller \"" +
                                        BinPath(L"test_helper.exe") + L"\"", "same build"},
        {"uninstaller of a bare package", L"pack " + pub.Quoted(L"setup.dat") + files + L" --uninstaller \"" +
                                              BinPath(L"bkstub.exe") + L"\"", "build"},
    };
    for (const Refusal& r : refusals) {
        ProcessResult run = pub.Run(r.args);
        EXPECT_NE(0u, run.exitCode) << r.what;
        EXPECT_NE(std::string::npos, run.output.find(r.reason)) << r.what << ": " << run.output;
        EXPECT_FALSE(PathExists(pub.Path(L"out.exe").c_str())) << r.what;
        EXPECT_FALSE(PathExists(pub.Path(L"out.exe.partial").c_str())) << r.what;
        EXPECT_FALSE(PathExists(pub.Path(L"out.exe.partial.partial").c_str())) << r.what;
    }
}

// 'build' packs the uninstaller given (a stub of the same build the
// publisher signed), byte for byte; none without one (the install writes
// itself without the package) or for a product that leaves no uninstaller.
TEST(Bkpack, BuildPacksTheUninstaller) {
    Publisher pub;
    std::wstring stub = BinPath(L"bkstub.exe"), other = BinPath(L"bkstub_test.exe");
    WriteBytes(pub.Path(L"none.dat"), std::string(kScript) + "[NoUnInstall]\r\n");
    struct {
        const wchar_t* script;
        std::wstring options;
        std::wstring uninstaller;  // empty: none packed
    } cases[] = {
        {L"setup.dat", L"", L""},
        {L"setup.dat", L" --uninstaller \"" + other + L"\"", other},
        {L"none.dat", L" --uninstaller \"" + other + L"\"", L""},
    };
    for (auto& c : cases) {
        std::wstring out = pub.Path(L"out.exe"), folder = pub.Path(L"x");
        RemoveTree(folder.c_str(), nullptr, true);
        ProcessResult build = pub.Run(L"build " + pub.Quoted(c.script) + L" " + pub.Quoted(L"files") + L" --stub \"" +
                                      stub + L"\" -o \"" + out + L"\" --quiet" + c.options);
        ASSERT_EQ(0u, build.exitCode) << build.output;
        ASSERT_EQ(0u, pub.Run(L"extract \"" + out + L"\" \"" + folder + L"\"").exitCode);
        std::wstring packed = folder + L"\\" + WString::FromAnsi(package_format::kUninstallerEntry, false).Text();
        if (c.uninstaller.empty())
            EXPECT_FALSE(PathExists(packed.c_str()));
        else
            EXPECT_TRUE(ReadBytes(packed) == ReadBytes(c.uninstaller)) << build.output;
    }
}

TEST(Bkpack, VerifyNamesTheFault) {
    Publisher pub;
    Bytes good = LayOut({Entry("a.txt", "alpha alpha alpha"), Entry("b.txt", "beta")});
    Bytes flipped = good;
    flipped[EntryOffset(good, 1) + 15] ^= 0x20;
    SealPackage(flipped);
    Bytes body = good;
    body[130] ^= 1;
    std::string text = "truncated stream text, truncated stream text";
    Bytes stream = Packed(text);
    stream.resize(stream.size() - 8);
    Bytes truncated = LayOut({PackedEntry{"t.txt", stream, (uint32_t)text.size()}});
    Bytes early = Packed("early");
    Poke32(early, 5, 50);
    // Solid: a CRC-32 that does not match names its entry; a map that does
    // not hold is refused before anything is decoded.
    Bytes solid = LayOutSolid({{{"a.txt", "alpha alpha"}, {"b.txt", "beta beta"}}, {{"c.txt", "gamma"}}});
    Bytes badCrc = solid;
    badCrc[RecordAt(solid, 1) + 12] ^= 1;
    SealPackage(badCrc);
    Bytes overlap = solid;
    Poke32(overlap, RecordAt(solid, 1) + 4, 3);
    SealPackage(overlap);
    struct {
        const char* what;
        Bytes bytes;
        bool sound;
        const char* reason;
    } cases[] = {
        {"sound", good, true, "sound"},
        {"flipped packed byte", flipped, false, "checksum"},
        {"body sum", body, false, "body checksum"},
        {"truncated stream", truncated, false, "corrupt or truncated"},
        {"early end marker", LayOut({PackedEntry{"e.txt", early, 50}}), true, "sound"},
        {"not a package", ToBytes(std::string(100, 'x')), false, "magic"},
        {"solid", solid, true, "2 blocks"},
        {"solid, wrong CRC-32", badCrc, false, "entry 'b.txt': its bytes do not match their CRC-32 (block 0"},
        {"solid, overlapping entries", overlap, false, "two entries overlap"},
    };
    for (auto& c : cases) {
        SavePackage(pub.dir.Path(), c.bytes, L"v.pkg");
        ProcessResult run = pub.Run(L"verify " + pub.Quoted(L"v.pkg"));
        EXPECT_EQ(c.sound ? 0u : 1u, run.exitCode) << c.what << ": " << run.output;
        EXPECT_NE(std::string::npos, run.output.find(c.reason)) << c.what << ": " << run.output;
    }
}

// --classic writes the layout of one stream per entry, as the writer always
// has: the same bytes as the classic layout of the same streams.
TEST(Bkpack, ClassicLayoutIsOneStreamPerEntry) {
    Publisher pub;
    WriteBytes(pub.Path(L"files\\two.txt"), "two two two");
    WriteBytes(pub.Path(L"two.dat"), "[Project Name]\r\nTwo\r\n[CopyFile]\r\ntwo.txt\r\n<Destination>two.txt\r\n");
    ProcessResult run = pub.Run(L"pack " + pub.Quoted(L"two.dat") + L" " + pub.Quoted(L"files") + L" -o " +
                                pub.Quoted(L"c.pkg") + L" --quiet --classic --level 6");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    Bytes expected = LayOut({Entry("setup.dat", ReadBytes(pub.Path(L"two.dat"))), Entry("two.txt", "two two two")});
    EXPECT_TRUE(ToBytes(ReadBytes(pub.Path(L"c.pkg"))) == expected);
    ASSERT_EQ(0u, pub.Run(pub.PackArgs(L"s.pkg") + L" --level 6").exitCode);
    EXPECT_FALSE(ToBytes(ReadBytes(pub.Path(L"s.pkg"))) == expected) << "the default layout is solid";
    ProcessResult list = pub.Run(L"list " + pub.Quoted(L"s.pkg"));
    // A solid entry lists its block where a classic one lists its packed size.
    for (const std::string& line : TextLines(list.output))
        if (line.compare(0, 11, "readme.txt ") == 0) {
            EXPECT_NE(std::string::npos, line.find(" #")) << line;
        }
}

// Which entries share a block: those every machine installs; each variant
// that only one kind of machine installs, the plain file its twins replace,
// and the entries taken by name are apart, as the script is packed (folder
// sections written out). Entries no install takes in script order (added,
// language files, a container's installers) are read alone: a block each.
TEST(Bkpack, BlocksHoldWhatOneKindOfMachineInstalls) {
    Publisher pub;
    CreateFolderTree(pub.Path(L"files\\d").c_str());
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"t.exe", L"tu.exe", L"t64.exe", L"l.dll", L"l64.dll", L"v.bin",
                                L"i.exe", L"j.exe", L"d\\c.txt", L"d\\w.dll", L"d\\w__BKI_WIN64.dll"})
        WriteBytes(pub.Path((std::wstring(L"files\\") + name).c_str()), std::string(name, name + wcslen(name)) + " bytes");
    WriteBytes(pub.Path(L"setup.lng.de"), "InstallButton=Installieren\n");
    const char copyAB[] = "[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CopyFile]\r\nb.txt\r\n<Destination>b.txt\r\n";
    std::wstring add = L" --add " + pub.Quoted(L"files\\i.exe"), language = L" --add " + pub.Quoted(L"setup.lng.de");
    struct Case {
        std::string script;
        std::wstring adds;
        std::vector<std::vector<std::string>> together;  // each list one block, in block order
    } cases[] = {
        {"[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CopyFile]\r\nt.exe\r\n<Destination>t.exe\r\n"
         "[CopyFile]\r\ntu.exe\r\n<Destination>t__BKI_UNICODE.exe\r\n[CopyFile]\r\nt64.exe\r\n<Destination>"
         "t__BKI_WIN64.exe\r\n[CopyFile]\r\nl.dll\r\n<Destination>l.dll\r\n[CopyFile]\r\nl64.dll\r\n<Destination>"
         "l__BKI_WIN64.dll\r\n[Registry]\r\nHKLM\r\nSoftware\\T\r\nBINARY\r\nV\r\nv.bin\r\n[CopyFile]\r\nb.txt\r\n"
         "<Destination>b.txt\r\n", L"",
         {{"setup.dat"}, {"a.txt", "b.txt"}, {"t.exe"}, {"tu.exe", "l.dll"}, {"t64.exe", "l64.dll"}, {"v.bin"}}},
        {"[CopyFile]\r\nd\\\r\n<Destination>d\\\r\n\r\n" + std::string(copyAB), L"",
         {{"setup.dat"}, {"d\\c.txt", "a.txt", "b.txt"}, {"d\\w.dll"}, {"d\\w__BKI_WIN64.dll"}}},
        {copyAB, add + language, {{"setup.dat"}, {"a.txt", "b.txt"}, {"i.exe"}, {"setup.lng.de"}}},
        {"[InstallContainer]\r\n", add + L" --add " + pub.Quoted(L"files\\j.exe") + add + L"=i__BKI_WIN64.exe" +
         language, {{"setup.dat"}, {"i.exe"}, {"j.exe"}, {"i__BKI_WIN64.exe"}, {"setup.lng.de"}}},
    };
    for (const Case& c : cases) {
        WriteBytes(pub.Path(L"blocks.dat"), "[Project Name]\r\nBlocks\r\n" + c.script);
        ProcessResult pack = pub.Run(L"pack " + pub.Quoted(L"blocks.dat") + L" " + pub.Quoted(L"files") + L" -o " +
                                     pub.Quoted(L"b.pkg") + L" --quiet" + c.adds);
        ASSERT_EQ(0u, pack.exitCode) << pack.output;
        ProcessResult list = pub.Run(L"list " + pub.Quoted(L"b.pkg"));
        std::map<std::string, std::vector<std::string>> blocks;
        for (const std::string& line : TextLines(list.output)) {
            std::vector<std::string> words;
            for (size_t at = 0, end; at < line.size(); at = end + 1) {
                end = line.find(' ', at);
                if (end == std::string::npos) end = line.size();
                if (end > at) words.push_back(line.substr(at, end - at));
            }
            if (words.size() == 4) blocks[words[1]].push_back(words[0]);
        }
        std::vector<std::vector<std::string>> found;
        for (size_t b = 0; b < blocks.size(); b++) found.push_back(blocks["#" + std::to_string(b)]);
        EXPECT_EQ(c.together, found) << list.output;
    }
}

std::wstring VersionText(const std::wstring& program, const wchar_t* name) {
    std::string info(GetFileVersionInfoSizeW(program.c_str(), nullptr), '\0');
    if (info.empty() || !GetFileVersionInfoW(program.c_str(), 0, (DWORD)info.size(), &info[0])) return L"(none)";
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\000004b0\\") + name;
    if (!VerQueryValueW(&info[0], path.c_str(), (void**)&value, &length)) return L"(absent)";
    return value;
}

// The colour the shell's 16-pixel icon of program draws at its middle.
COLORREF ShellIconColour(const std::wstring& program) {
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HICON icon = module ? (HICON)LoadImageW(module, MAKEINTRESOURCEW(100), IMAGE_ICON, 16, 16, 0) : nullptr;
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (icon) DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    COLORREF colour = icon ? GetPixel(dc, 8, 8) : CLR_INVALID;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    if (icon) DestroyIcon(icon);
    if (module) FreeLibrary(module);
    return colour;
}

// A one-image icon file: 16 x 16 pixels of one colour, 32 bits each.
std::string SolidIcon(uint32_t bgra) {
    std::string image(40 + 16 * 16 * 4 + 16 * 4, '\0');
    uint32_t header[10] = {40, 16, 32, 1 | (32u << 16), 0, 16 * 16 * 4 + 16 * 4, 0, 0, 0, 0};
    memcpy(&image[0], header, 40);
    for (int i = 0; i < 256; i++) memcpy(&image[40 + 4 * i], &bgra, 4);
    uint16_t file[11] = {0, 1, 1, 16 | (16 << 8), 0, 1, 32, (uint16_t)image.size(), 0, 22, 0};
    return std::string((const char*)file, 22) + image;
}

// What Explorer shows of the installer and of the uninstaller it writes:
// the script's name, version and publisher, and the publisher's icon;
// the stub's build identity stays.
TEST(Bkpack, InstallerCarriesTheProductsVersionAndIcon) {
    Publisher pub;
    InstalledProduct product(L"Look Demo");
    WriteBytes(pub.Path(L"look.dat"), "[Project Name]\r\nLook Demo\r\n[ProgramVersion]\r\n2.1.3 beta\r\n"
                                      "[UninstallSettings]\r\nExample Ltd\r\n[Install To]\r\n" +
                                          std::string(WString(pub.Path(L"dest\\").c_str()).ToAnsi()) +
                                          "\r\n[CopyFile]\r\nreadme.txt\r\n<Destination>readme.txt\r\n");
    WriteBytes(pub.Path(L"look.ico"), SolidIcon(0xFF00C000));
    std::wstring out = pub.Path(L"look.exe"), stub = BinPath(L"bkstub.exe");
    ProcessResult build = pub.Run(L"build " + pub.Quoted(L"look.dat") + L" " + pub.Quoted(L"files") + L" --stub \"" +
                                  stub + L"\" -o \"" + out + L"\" --quiet --icon " + pub.Quoted(L"look.ico"));
    ASSERT_EQ(0u, build.exitCode) << build.output;
    ASSERT_EQ(0u, RunProcess(L"\"" + out + L"\" --silent", {}, 60000).exitCode);
    std::wstring uninstaller = product.Value(L"DisplayIcon");
    for (const std::wstring& program : {out, uninstaller}) {
        std::string name = WString(program.c_str()).ToAnsi();
        EXPECT_EQ(L"Look Demo", VersionText(program, L"ProductName")) << name;
        EXPECT_EQ(L"2.1.3 beta", VersionText(program, L"ProductVersion")) << name;
        EXPECT_EQ(L"2.1.3 beta", VersionText(program, L"FileVersion")) << name;
        EXPECT_EQ(L"Example Ltd", VersionText(program, L"CompanyName")) << name;
        EXPECT_EQ(L"Look Demo Installer", VersionText(program, L"FileDescription")) << name;
        EXPECT_EQ(VersionText(stub, L"BraskBuild"), VersionText(program, L"BraskBuild")) << name;
        EXPECT_EQ(RGB(0, 0xC0, 0), ShellIconColour(program)) << name;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        std::string info(GetFileVersionInfoSizeW(program.c_str(), nullptr), '\0');
        ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, (DWORD)info.size(), &info[0])) << name;
        ASSERT_TRUE(VerQueryValueW(&info[0], L"\\", (void**)&fixed, &length)) << name;
        EXPECT_EQ(0x00020001u, fixed->dwFileVersionMS) << name;
        EXPECT_EQ(0x00030000u, fixed->dwFileVersionLS) << name;
    }
    EXPECT_NE(ShellIconColour(stub), ShellIconColour(out)) << "the stub's own icon is gone";
    EXPECT_EQ(0u, RunProcess(product.Value(L"QuietUninstallString"), {}, 60000).exitCode);
}

// SHA-256 by the system's own provider, to check bkpack's.
std::string SystemSha256(const std::string& bytes) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[32];
    DWORD size = sizeof digest;
    std::string hex;
    if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
        CryptHashData(hash, (const BYTE*)bytes.data(), (DWORD)bytes.size(), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0))
        for (BYTE b : digest) hex += std::string(1, "0123456789ABCDEF"[b >> 4]) + "0123456789ABCDEF"[b & 15];
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
    return hex;
}

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) n++;
    return n;
}

// The manifest a package manager installs the product by: the installer's
// digest, an installer entry per scope the script allows (with the switch
// that picks it where there is a choice), the Uninstall entry it makes,
// and the exit codes; what cannot be described is refused.
TEST(Bkpack, ManifestDescribesTheInstaller) {
    Publisher pub;
    struct {
        const char* scope;  // the script's [Install Scope]; "" for none, "-" for no [ProgramVersion]
        const wchar_t* options;
        DWORD exitCode;
        size_t machine, user, switches;
    } cases[] = {
        {"", L"", 0, 1, 0, 0},
        {"user", L"", 0, 0, 1, 0},
        {"either", L"", 0, 1, 1, 2},
        {"either", L" --scope user", 0, 0, 1, 1},
        {"machine", L" --scope user", 1, 0, 0, 0},
        {"-", L"", 1, 0, 0, 0},
    };
    std::wstring stub = BinPath(L"bkstub.exe");
    for (auto& c : cases) {
        std::string scope = c.scope, name = scope + WString(c.options).ToAnsi();
        std::string script = "[Project Name]\r\nMani 'Fest'\r\n[UninstallSettings]\r\nPub\r\n[CopyFile]\r\nreadme.txt\r\n"
                             "<Destination>readme.txt\r\n";
        if (scope != "-") script += "[ProgramVersion]\r\n3.2.1\r\n";
        if (!scope.empty() && scope != "-") script += "[Install Scope]\r\n" + scope + "\r\n";
        WriteBytes(pub.Path(L"m.dat"), script);
        ProcessResult build = pub.Run(L"build " + pub.Quoted(L"m.dat") + L" " + pub.Quoted(L"files") + L" --stub \"" +
                                      stub + L"\" -o " + pub.Quoted(L"m.exe") + L" --quiet --level 0");
        ASSERT_EQ(0u, build.exitCode) << build.output;
        std::wstring yaml = pub.Path(L"m.yaml");
        DeleteFileW(yaml.c_str());
        ProcessResult run = pub.Run(L"manifest " + pub.Quoted(L"m.exe") +
                                    L" --id Pub.Mani --url https://x.test/m.exe -o " + pub.Quoted(L"m.yaml") + c.options);
        EXPECT_EQ(c.exitCode, run.exitCode) << name << ": " << run.output;
        std::string text = ReadBytes(yaml);
        EXPECT_EQ(c.exitCode != 0, text.empty()) << name;
        if (c.exitCode) continue;
        size_t entries = c.machine + c.user;
        std::string sha = SystemSha256(ReadBytes(pub.Path(L"m.exe")));
        EXPECT_EQ(entries, Occurrences(text, "  InstallerSha256: " + sha + "\n")) << name << ": " << text;
        EXPECT_EQ(c.machine, Occurrences(text, "  Scope: machine\n")) << name;
        EXPECT_EQ(c.user, Occurrences(text, "  Scope: user\n")) << name;
        EXPECT_EQ(c.switches, Occurrences(text, "    Custom: --scope=")) << name;
        EXPECT_EQ(entries, Occurrences(text, "\n  ProductCode: 'Mani ''Fest'''\n")) << name;
        EXPECT_EQ(entries, Occurrences(text, "    DisplayVersion: '3.2.1'\n")) << name;
        for (const char* code : {"1602", "1603", "1633", "1641", "3010"})
            EXPECT_EQ(entries, Occurrences(text, std::string("InstallerReturnCode: ") + code + "\n")) << name;
    }
}

TEST(Bkpack, ExtractKeepsNamesInsideTheFolder) {
    Publisher pub;
    SavePackage(pub.dir.Path(), LayOut({Entry("..\\escape.txt", "no"), Entry("ok.txt", "yes")}), L"e.pkg");
    ProcessResult run = pub.Run(L"extract " + pub.Quoted(L"e.pkg") + L" " + pub.Quoted(L"out"));
    EXPECT_NE(0u, run.exitCode);
    EXPECT_EQ("yes", ReadBytes(pub.Path(L"out\\ok.txt")));
    EXPECT_FALSE(PathExists(pub.Path(L"escape.txt").c_str()));
}

TEST(Bkpack, HelpDescribesTheCommands) {
    Publisher pub;
    ProcessResult help = pub.Run(L"--help");
    EXPECT_EQ(0u, help.exitCode);
    for (const char* command : {"build", "pack", "check", "list", "verify", "extract", "manifest"})
        EXPECT_NE(std::string::npos, help.output.find(std::string("bkpack ") + command)) << command;
    ProcessResult buildHelp = pub.Run(L"build --help");
    EXPECT_EQ(0u, buildHelp.exitCode);
    EXPECT_NE(std::string::npos, buildHelp.output.find("--extreme"));
    EXPECT_NE(0u, pub.Run(L"frobnicate").exitCode);
}

}  // namespace
