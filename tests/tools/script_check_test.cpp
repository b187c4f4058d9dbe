// bkpack check as publishers run it: each kind of mistake the installer
// would pass over in silence is named with its line and what to do, and
// --strict makes build refuse the script.
#include <gtest/gtest.h>

#include <string>

#include "base/folders.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

const char kNamed[] = "[Project Name]\r\nT\r\n";

struct Mistake {
    const char* what;
    std::string script;
    unsigned line;
    const char* says;  // a part of the one message, at that line
};

int CountWarnings(const std::string& output) {
    int count = 0;
    for (size_t at = output.find(": warning: "); at != std::string::npos; at = output.find(": warning: ", at + 1))
        count++;
    return count;
}

ProcessResult RunBkpack(const std::wstring& args) {
    return RunProcess(L"\"" + BinPath(L"bkpack.exe") + L"\" " + args, {}, 60000, true);
}

TEST(ScriptCheck, NamesEachMistakeWithItsLine) {
    ScratchFolder dir;
    CreateFolderTree((dir / L"files").c_str());
    WriteBytes(dir / L"files\\a.txt", "a");
    const std::string named = kNamed;
    const std::string registry = named + "[Registry]\r\nHKLM\r\nSoftware\\T\r\n";
    std::vector<Mistake> mistakes = {
        {"letter case", named + "[copyfile]\r\na.txt\r\n<Destination>a.txt\r\n", 3,
         "'[copyfile]' differs from '[CopyFile]' in letter case"},
        {"trailing space", named + "[CopyFile] \r\na.txt\r\n<Destination>a.txt\r\n", 3,
         "'[CopyFile] ' has spaces or tabs around it"},
        {"unknown header", named + "[Install Folder]\r\nC:\\T\r\n", 3,
         "'[Install Folder]' is not a section the installer knows, so it skips it and its lines; the nearest known "
         "header is '[Install To]'"},
        {"marked UTF-8, a mistake on its first line", "\xEF\xBB\xBF[copyfile]\r\n" + named, 1,
         "'[copyfile]' differs from '[CopyFile]'"},
        {"outside ASCII without the mark", named + "[Message]\r\nCaf\xE9\r\nx\r\n", 4,
         "reads them in the ANSI code page of the machine it runs on"},
        {"into the next header", named + "[CopyFile]\r\na.txt\r\n[Action]\r\nx\r\n", 3,
         "'[CopyFile]' needs 2 lines after it (entry name; destination), but line 5 is the header '[Action]'"},
        {"off the end", named + "[CreateIcon]\r\n<Destination>a.txt\r\n", 3,
         "'[CreateIcon]' needs 4 lines after it (target; shortcut path; arguments; options), but the file ends "
         "after 1 of them; add the missing lines"},
        {"unknown placeholder", named + "[CopyFile]\r\na.txt\r\n<Destinaton>a.txt\r\n", 5,
         "'<Destinaton>' is not a path placeholder, so it stays in the path as written; the nearest is "
         "'<Destination>'"},
        {"<TempInstall> outside a program", named + "[CopyFile]\r\na.txt\r\n<TempInstall>a.txt\r\n", 5,
         "'<TempInstall>' names a package entry only in the program line"},
        {"registry root", named + "[Registry]\r\nHKEY_CURRENT_USER\r\nSoftware\\T\r\nSTRING\r\nv\r\nd\r\n", 4,
         "'HKEY_CURRENT_USER' is not a registry root the installer knows"},
        {"registry type", registry + "REG_SZ\r\nv\r\nd\r\n", 6, "'REG_SZ' is not a registry type"},
        {"DWORD in hex", registry + "DWORD\r\nv\r\n0x20\r\n", 8,
         "the DWORD data '0x20' is not a decimal number of 32 bits, so the installer writes 0"},
        {"DWORD too large", registry + "DWORD\r\nv\r\n4294967297\r\n", 8, "so the installer writes 1"},
        {"missing file", named + "[CopyFile]\r\nb.txt\r\n<Destination>b.txt\r\n", 4,
         "the entry 'b.txt' is not in FILES_DIR"},
        {"missing BINARY data", registry + "BINARY\r\nv\r\nblob.bin\r\n", 8, "the entry 'blob.bin' is not in FILES_DIR"},
        {"long name", named + "[CopyFile]\r\n" + std::string(300, 'n') + "\r\n<Destination>n\r\n", 4,
         "is 300 bytes long"},
        {"UTF-8 name", named + "[CopyFile]\r\ncaf\xC3\xA9.txt\r\n<Destination>cafe.txt\r\n", 4,
         "is written in UTF-8 (its first character outside ASCII is on this line) but has no UTF-8 byte-order mark"},
        {"user scope writes <System>",
         named + "[Install Scope]\r\nuser\r\n[CopyFile]\r\na.txt\r\n<System>a.txt\r\n", 7,
         "an install for this user only cannot write '<System>a.txt'"},
        {"either scope writes HKLM", named + "[Install Scope]\r\neither\r\n[Registry]\r\nHKLM\r\nSoftware\\T\r\n" +
                                         "STRING\r\nv\r\nd\r\n", 6,
         "an install for this user only cannot write 'HKLM'"},
        {"unknown scope", named + "[Install Scope]\r\nusers\r\n", 4,
         "'users' is not a scope, so the product installs for everyone; write machine, user or either"},
        {"environment kind", named + "[Environment]\r\nPATH|add|<Destination>bin\r\n", 4,
         "skips the environment change 'PATH|add|<Destination>bin': 'add' is not append, prepend or set"},
        {"two list elements", named + "[Environment]\r\nPATH|append|<Destination>a;b\r\n", 4,
         "an element of a list holds no ';'"},
        {"no product name", "[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n", 1, "the script has no '[Project Name]'"},
    };
    for (const Mistake& m : mistakes) {
        WriteBytes(dir / L"setup.dat", m.script);
        ProcessResult run = RunBkpack(L"check \"" + dir / L"setup.dat\" \"" + dir / L"files\"");
        std::string where = "setup.dat:" + std::to_string(m.line) + ": warning: ";
        EXPECT_EQ(1u, run.exitCode) << m.what;
        EXPECT_NE(std::string::npos, run.output.find(where)) << m.what << ": " << run.output;
        EXPECT_NE(std::string::npos, run.output.find(m.says)) << m.what << ": " << run.output;
        EXPECT_EQ(1, CountWarnings(run.output)) << m.what << ": " << run.output;
    }
    // HKSCOPE and <User Programs> are both scopes' own.
    WriteBytes(dir / L"setup.dat", named + "[Install Scope]\r\nuser\r\n[CopyFile]\r\na.txt\r\n<User Programs>a.txt\r\n" +
                                       "[Registry]\r\nHKSCOPE\r\nSoftware\\T\r\nSTRING\r\nv\r\nd\r\n" +
                                       "[Environment]\r\nPATH|Append|<Destination>bin\r\n");
    ProcessResult clean = RunBkpack(L"check \"" + dir / L"setup.dat\" \"" + dir / L"files\"");
    EXPECT_EQ(0u, clean.exitCode) << clean.output;
    EXPECT_EQ(0, CountWarnings(clean.output)) << clean.output;
}

TEST(ScriptCheck, BuildWarnsAndStrictRefuses) {
    ScratchFolder dir;
    CreateFolderTree((dir / L"files").c_str());
    WriteBytes(dir / L"files\\a.txt", "a");
    WriteBytes(dir / L"setup.dat", std::string(kNamed) + "[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[copyfile]\r\n");
    std::wstring common = L"pack \"" + dir / L"setup.dat\" \"" + dir / L"files\" --quiet -o ";
    ProcessResult warned = RunBkpack(common + L"\"" + dir / L"warned.pkg\"");
    EXPECT_EQ(0u, warned.exitCode) << warned.output;
    EXPECT_NE(std::string::npos, warned.output.find("setup.dat:6: warning: '[copyfile]'")) << warned.output;
    EXPECT_TRUE(PathExists((dir / L"warned.pkg").c_str()));
    ProcessResult refused = RunBkpack(common + L"\"" + dir / L"refused.pkg\" --strict");
    EXPECT_EQ(1u, refused.exitCode) << refused.output;
    EXPECT_NE(std::string::npos, refused.output.find("setup.dat:6: error: '[copyfile]'")) << refused.output;
    EXPECT_FALSE(PathExists((dir / L"refused.pkg").c_str()));
}

}  // namespace
