// Installers whose files are packed in solid blocks, built by the real
// builder and run silently: they install exactly what the classic layout of
// the same inputs installs, decode no more than this machine installs (the
// other variants sit in blocks of their own), and an abort while the blocks
// are being decoded leaves no file behind.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/folders.h"
#include "base/registry.h"
#include "base/temp_files.h"
#include "deploy/deploy_fixture.h"

namespace {

// Bytes that compress but not to nothing: words from a small vocabulary.
std::string Text(uint32_t seed, size_t size) {
    static const char* const kWords[] = {"alpha ", "beta ", "gamma ", "delta\r\n", "epsilon ", "zeta ", "eta ", "theta "};
    std::string text;
    while (text.size() < size) text += kWords[(seed = seed * 1103515245 + 12345) >> 16 & 7];
    text.resize(size);
    return text;
}

struct Product {
    ScratchFolder dir;
    std::map<std::string, std::string> files;  // entry name: bytes
    std::string script;

    void Add(const std::string& name, const std::string& bytes) {
        files[name] = bytes;
        std::wstring wide(name.begin(), name.end());
        WriteBytes(dir / (L"files\\" + wide), bytes);
    }
    void Copy(const std::string& entry, const std::string& destination) {
        script += "[CopyFile]\r\n" + entry + "\r\n<Destination>" + destination + "\r\n";
    }
    // bkpack build, solid or classic; the installer's path.
    std::wstring Build(bool classic, const wchar_t* name, const std::wstring& stub = BinPath(L"bkstub.exe")) {
        WriteBytes(dir / L"setup.dat", script);
        std::wstring out = dir / name;
        ProcessResult built = RunProcess(L"\"" + BinPath(L"bkpack.exe") + L"\" build \"" + (dir / L"setup.dat") +
                                             L"\" \"" + (dir / L"files") + L"\" --stub \"" + stub +
                                             L"\" -o \"" + out + L"\" --level 1 --quiet" + (classic ? L" --classic" : L""),
                                         {}, 120000, true);
        EXPECT_EQ(0u, built.exitCode) << built.output;
        return out;
    }
};

std::string Header(const std::string& name, const ScratchFolder& dir) {
    return "[Project Name]\r\n" + name + "\r\n[NoUnInstall]\r\n[Install To]\r\n" + Narrow(dir / L"dest\\") + "\r\n";
}

// Every file below folder (names relative to it) with its bytes.
void ReadTree(const std::wstring& folder, const std::string& prefix, std::map<std::string, std::string>& out) {
    DirWalker walker(L"*", folder.c_str());
    while (walker.Next()) {
        std::string name = prefix + Narrow(walker.Current().FileName().Text());
        if (walker.IsFolder())
            ReadTree(folder + L"\\" + walker.Current().FileName().Text(), name + "\\", out);
        else
            out[name] = ReadBytes((const wchar_t*)walker.Current());
    }
}

TEST(SolidInstall, InstallsWhatTheClassicLayoutInstallsAndDecodesOnlyThat) {
    Product p;
    p.script = Header("SolidVariants", p.dir);
    CreateFolderTree((p.dir / L"files\\bin").c_str());
    // Two files of 6 MB: the builder splits the product into two blocks.
    p.Add("big1.bin", Text(1, 6000000));
    p.Add("bin\\big2.bin", Text(2, 6000000));
    p.Add("tool32.exe", "tool, plain" + Text(3, 100000));
    p.Add("toolu.exe", "tool, Unicode" + Text(4, 100000));
    p.Add("tool64.exe", "tool, 64-bit" + Text(5, 100000));
    p.Add("lib.dll", "lib, plain");
    p.Add("lib64.dll", "lib, 64-bit" + Text(6, 200000));
    p.Add("readme.txt", "read me");
    p.Copy("big1.bin", "big1.bin");
    p.Copy("tool32.exe", "tool.exe");
    p.Copy("toolu.exe", "tool__BKI_UNICODE.exe");
    p.Copy("tool64.exe", "tool__BKI_WIN64.exe");
    p.Copy("readme.txt", "readme.txt");
    p.Copy("lib.dll", "sub\\lib.dll");
    p.Copy("lib64.dll", "sub\\lib__BKI_WIN64.dll");
    p.Copy("bin\\big2.bin", "big2.bin");
    p.Copy("readme.txt", "sub\\readme again.txt");
    std::map<std::string, std::string> trees[2];
    uint64_t decoded = 0, taken = 0, waited = 0;
    for (int classic = 0; classic < 2; classic++) {
        std::wstring log = p.dir / (classic ? L"classic.log" : L"solid.log");
        std::wstring exe = p.Build(classic != 0, classic ? L"classic.exe" : L"solid.exe");
        ProcessResult run = RunInstaller(exe, L"--silent --log=\"" + log + L"\"");
        EXPECT_EQ(0u, run.exitCode);
        ReadTree(p.dir / L"dest", "", trees[classic]);
        RemoveTree((p.dir / L"dest").c_str(), nullptr, true);
        EXPECT_EQ(classic != 0, !DecodingFigures(log, decoded, taken, waited)) << "solid decodes ahead, classic not";
    }
    // Not removable: its App Paths entry would outlive the test, and be
    // taken for another's by the tests that follow.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", L"tool.exe");
    EXPECT_TRUE(trees[0] == trees[1]) << "the two layouts installed different files";
    bool wow64 = PrefixKind() == L"win64";
    EXPECT_EQ(p.files[wow64 ? "tool64.exe" : "toolu.exe"], trees[0]["tool.exe"]);
    EXPECT_EQ(p.files[wow64 ? "lib64.dll" : "lib.dll"], trees[0]["sub\\lib.dll"]);
    EXPECT_EQ(p.files["readme.txt"], trees[0]["sub\\readme again.txt"]);
    EXPECT_EQ(6u, trees[0].size());
    uint64_t installed = 0;
    for (const auto& file : trees[0]) installed += file.second.size();
    EXPECT_EQ(installed, taken);
    // Each file decoded once (readme.txt is taken twice), and no variant
    // this machine skips.
    EXPECT_EQ(installed - p.files["readme.txt"].size(), decoded);
    EXPECT_LE(waited, (64u << 20) + 6000000u);
}

// The worker stops at its first file (a folder stands where it must go,
// and the silent run cancels the retries) while the decoders are held back
// by the backlog: everything they wrote goes with the run, in the private
// folder and in the destination's, and so do the folders they made.
TEST(SolidInstall, AbortWhileDecodingLeavesNothingBehind) {
    Product p;
    p.script = Header("SolidAbort", p.dir);
    CreateFolderTree((p.dir / L"files").c_str());
    CreateFolderTree((p.dir / L"dest\\first.txt").c_str());
    p.Add("first.txt", "first");
    // Three files of 30 MB, two in one block: more than the 64 MiB the
    // decoders may leave waiting.
    std::string block = Text(7, 65536);
    std::string big;
    for (int i = 0; i < 480; i++) big += block;
    for (const char* name : {"big1.bin", "big2.bin", "big3.bin"}) {
        p.Add(name, big + name);
        p.Copy(name, std::string("sub\\") + name);
    }
    p.script.insert(Header("SolidAbort", p.dir).size(), "[CopyFile]\r\nfirst.txt\r\n<Destination>first.txt\r\n");
    std::wstring exe = p.Build(false, L"abort.exe");
    for (const char* name : {"big1.bin", "big2.bin", "big3.bin"}) {
        std::wstring wide(name, name + strlen(name));
        DeleteFileW((p.dir / (L"files\\" + wide)).c_str());
    }
    int before = CountPrivateFolders();
    std::wstring log = p.dir / L"run.log";
    ProcessResult run = RunInstaller(exe, L"--silent --log=\"" + log + L"\"");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(1603u, run.exitCode);
    uint64_t decoded = 0, taken = 0, waited = 0;
    ASSERT_TRUE(DecodingFigures(log, decoded, taken, waited));
    EXPECT_EQ(5u, taken);
    EXPECT_LT(decoded, 3 * big.size()) << "the decoders ran to the end before the abort";
    EXPECT_LE(waited, 64u << 20);
    EXPECT_EQ(before, CountPrivateFolders());
    std::map<std::string, std::string> left;
    ReadTree(p.dir / L"dest", "", left);
    EXPECT_EQ(0u, left.size()) << left.begin()->first;
    EXPECT_FALSE(PathExists((p.dir / L"dest\\sub").c_str()));
}

// Decoders that cannot write a file, or that never start, leave the files
// to the worker, which extracts each alone: the install still succeeds.
TEST(SolidInstall, FailingDecodersLeaveTheirFilesToTheWorker) {
    Product p;
    p.script = Header("SolidFallback", p.dir);
    CreateFolderTree((p.dir / L"files").c_str());
    p.Add("one.txt", Text(8, 300000));
    p.Add("two.txt", Text(9, 200));
    p.Copy("one.txt", "one.txt");
    p.Copy("two.txt", "sub\\two.txt");
    std::wstring exe = p.Build(false, L"fallback.exe", TestStubPath());
    for (const wchar_t* how : {L"nowrite", L"nothread"}) {
        SCOPED_TRACE(Narrow(how));
        std::wstring log = p.dir / (std::wstring(how) + L".log");
        ProcessResult run =
            RunProcess(L"\"" + exe + L"\" --silent --log=\"" + log + L"\"", {{L"BRASK_TEST_DECODERS", how}}, 60000);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(0u, run.exitCode);
        std::map<std::string, std::string> tree;
        ReadTree(p.dir / L"dest", "", tree);
        EXPECT_EQ(2u, tree.size());
        EXPECT_EQ(p.files["one.txt"], tree["one.txt"]);
        EXPECT_EQ(p.files["two.txt"], tree["sub\\two.txt"]);
        // Each file that could not be written is told of once.
        std::set<std::string> told;
        int lines = 0;
        for (const std::string& line : ReadLogLines(log)) {
            size_t at = line.find("decoding ahead: cannot write");
            if (at != std::string::npos) told.insert(line.substr(at)), lines++;
        }
        EXPECT_EQ(told.size(), (size_t)lines);
        EXPECT_EQ(std::wstring(how) == L"nowrite", lines > 0);
        RemoveTree((p.dir / L"dest").c_str(), nullptr, true);
    }
}

}  // namespace
