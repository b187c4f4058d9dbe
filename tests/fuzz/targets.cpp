#include "fuzz/targets.h"

#include <windows.h>
#include <string.h>

#include <utility>

#include "app/command_line.h"
#include "app/installer_state.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/message_box.h"
#include "engine/existing_version.h"
#include "engine/path_macros.h"
#include "fuzz/guard.h"
#include "fuzz/seeds.h"
#include "package/install_package.h"
#include "package/lzma_decode.h"
#include "package/package_format.h"
#include "package/setup_files.h"
#include "package/solid_blocks.h"
#include "pack_writer.h"
#include "script_expand.h"
#include "script_refs.h"
#include "uninstall/record_locations.h"

namespace pf = package_format;

const char kFolderScript[] =
    "[Project Name]\r\nF\r\n[CopyFile]\r\napp\\\r\n<Destination>__BKI_WIN64\\\r\n*.dll;lib\\\r\n\r\n"
    "[CopyFile]\r\napp\\**.TXT\r\n<Destination>\r\n[CopyFile]\r\n*\r\n<Destination>top.txt\r";
// Lone CRs, then an empty line ended by a LF after each folder section.
const char kMixedBreaks[] =
    "[Project Name]\rF\r[CopyFile]\rapp\\lib\\\r<Destination>\r\n\n[CopyFile]\rnone\\\r<Destination>\r\n\nend";

namespace {

std::wstring g_input, g_output;

// Boxes are counted, the last text kept in a fixed buffer: the hook must
// not allocate, or the count of live allocations would move.
int g_boxes = 0;
wchar_t g_lastBox[512];

int CountBox(HWND, const wchar_t* text, const wchar_t*, UINT style) {
    ++g_boxes;
    lstrcpynW(g_lastBox, text, 512);
    return DefaultAnswer(style);
}

bool WriteInput(const Bytes& input) {
    HANDLE h = CreateFileW(g_input.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = input.empty() || WriteFile(h, input.data(), (DWORD)input.size(), &written, nullptr);
    CloseHandle(h);
    return ok && written == input.size();
}

uint64_t OutputSize() {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(g_output.c_str(), GetFileExInfoStandard, &data)) return 0;
    return ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// Command-line and path text from bytes: each byte one character, and
// 0xFF followed by two bytes any UTF-16 unit. No NUL, as in a real line.
WString TextOf(const Bytes& input, size_t from) {
    WString text;
    for (size_t i = from; i < input.size(); i++) {
        wchar_t unit = input[i];
        if (input[i] == 0xFF && i + 2 < input.size()) {
            unit = (wchar_t)(input[i + 1] | (input[i + 2] << 8));
            i += 2;
        }
        if (unit != 0) text.AppendChar(unit);
    }
    return text;
}

bool Within(const WString& part, const WString& whole) {
    return part.IsEmpty() || wcsstr(whole.Text(), part.Text()) != nullptr;
}

// Every character of part in whole, in order: what is left of a piece of
// the line once quotes and escaping backslashes are read away.
bool DrawnFrom(const WString& part, const WString& whole) {
    const wchar_t* w = whole.Text();
    for (const wchar_t* p = part.Text(); *p; ++p) {
        while (*w && *w != *p) ++w;
        if (!*w++) return false;
    }
    return true;
}

bool operator==(const WString& a, const WString& b) { return Compare(a, b, true) == 0; }

WString NameOf(const InstallPackage& package, int32_t index) {
    WString name;
    package.EntryName(index, name);
    return name;
}

// Every entry listed, found by its name and extracted, as the installer
// does with the files of its script.
std::string ListAndExtract(InstallPackage& package, size_t inputSize) {
    int32_t count = package.EntryCount();
    if ((uint64_t)count * pf::kRecordFixedSize > inputSize) return "more entries than the package holds";
    for (int32_t i = 0; i < count && i < 12; i++) {
        if (!memchr(package.Entry(i).name, 0, sizeof package.Entry(i).name))
            return "an entry's name runs past its buffer";
        WString name;
        package.EntryName(i, name);
        if (!package.FindEntry(name, nullptr)) return "a listed entry is not found by its name";
        // Each name once: extraction takes every entry of that name.
        bool seen = false;
        for (int32_t j = 0; j < i && !seen; j++) seen = NameOf(package, j) == name;
        if (seen) continue;
        package.ExtractEntry(name, g_output.c_str());
        DeleteFileW(g_output.c_str());
    }
    return std::string();
}

std::string RunPackage(const Bytes& input) {
    if (!WriteInput(input)) return "the input could not be written";
    InstallPackage package(g_input.c_str());
    return ListAndExtract(package, input.size());
}

// Every block of a solid package decoded whole, as the install's decoders
// do: each entry's bytes into one file, no more of them than it states.
struct BlockOutput {
    HANDLE file;
    uint64_t written;
    uint32_t size;
    bool tooMuch;
};

bool BlockBegin(void* context, const EntrySpan& span) {
    BlockOutput& out = *static_cast<BlockOutput*>(context);
    out.file = CreateFileW(g_output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    out.written = 0;
    out.size = span.size;
    return out.file != INVALID_HANDLE_VALUE;
}

bool BlockWrite(void* context, const uint8_t* data, uint32_t size) {
    BlockOutput& out = *static_cast<BlockOutput*>(context);
    DWORD done = 0;
    out.written += size;
    if (out.written > out.size) out.tooMuch = true;
    return WriteFile(out.file, data, size, &done, nullptr) && done == size;
}

bool BlockEnd(void* context, const EntrySpan&, bool) {
    BlockOutput& out = *static_cast<BlockOutput*>(context);
    CloseHandle(out.file);
    out.file = INVALID_HANDLE_VALUE;
    return out.written == out.size;
}

std::string RunSolid(const Bytes& input) {
    if (!WriteInput(input)) return "the input could not be written";
    InstallPackage package(g_input.c_str());
    std::string problem = ListAndExtract(package, input.size());
    if (!problem.empty() || !package.IsSolid()) return problem;
    BlockOutput out = {INVALID_HANDLE_VALUE, 0, 0, false};
    SpanSink sink = {BlockBegin, BlockWrite, BlockEnd, &out, nullptr};
    for (uint32_t b = 0; b < package.BlockCount() && b < 8; b++) {
        // The reader sorted nothing for us: its entries by offset.
        std::vector<EntrySpan> spans;
        for (int32_t i = 0; i < package.EntryCount(); i++) {
            const PackageEntry& e = package.Entry(i);
            if (e.block != b) continue;
            EntrySpan span = {b, e.offset, e.unpackedSize, e.checksum, (uint32_t)i};
            size_t at = spans.size();
            spans.push_back(span);
            for (; at > 0 && spans[at - 1].offset > span.offset; at--) std::swap(spans[at], spans[at - 1]);
        }
        if (spans.empty()) continue;
        package.DecodeSpans(b, spans.data(), (uint32_t)spans.size(), sink);
        if (out.file != INVALID_HANDLE_VALUE) CloseHandle(out.file);
        out.file = INVALID_HANDLE_VALUE;
        DeleteFileW(g_output.c_str());
        if (out.tooMuch) return "an entry got more bytes than it states";
    }
    return std::string();
}

// The same through the process's package: its private folder, setup.dat,
// the banner and the licence. Slower (the folder is made and removed).
std::string RunSetupFiles(const Bytes& input) {
    if (!WriteInput(input)) return "the input could not be written";
    std::string problem;
    SetupFiles* files = new SetupFiles();
    bool failed = true;
    files->Create(failed, g_input.c_str());
    SetupFiles* previous = state.package;
    state.package = files;
    if (files->Package()) problem = ListAndExtract(*files->Package(), input.size());
    state.package = previous;
    delete files;
    return problem;
}

std::string RunDecompress(const Bytes& input) {
    if (!WriteInput(input)) return "the input could not be written";
    g_boxes = 0;
    bool decoded = Decompress(g_input.c_str(), g_output.c_str());
    std::string problem;
    LzmaHeader header;
    if (decoded && g_boxes != 0) problem = "success with a message";
    if (!decoded && g_boxes != 1) problem = "a failure without exactly one message";
    // The destination is always writable here: every failure is the input's.
    if (!decoded && !wcsstr(g_lastBox, L"unable to read")) problem = "a bad input reported as a write error";
    if (input.size() >= pf::kLzmaHeaderSize && ParseLzmaHeader(input.data(), header) &&
        OutputSize() > header.unpackedSize)
        problem = "more output than the header states";
    DeleteFileW(g_output.c_str());
    return problem;
}

std::string ReadLines(const Bytes& input, bool utf16) {
    if (!WriteInput(input)) return "the input could not be written";
    DiskFile file;
    if (!file.OpenPath(g_input.c_str(), GENERIC_READ)) return "the input could not be opened";
    const uint64_t unit = utf16 ? 2 : 1;
    uint64_t before = 0, lines = 0;
    WString line;
    while (ReadLine(file, line, utf16)) {
        uint64_t at = file.Position();
        if (at <= before) return "a line read without moving on";
        if (at > input.size()) return "the position past the end";
        if ((uint64_t)line.Length() - 1 > (at - before) / unit) return "a line longer than its bytes";
        for (int32_t i = 0; i < line.Length() - 1; i++) {
            wchar_t c = line.Text()[i];
            if (c == 0 || c == L'\r' || c == L'\n') return "a NUL or a line break inside a line";
        }
        before = at;
        if (++lines > input.size()) return "more lines than bytes";
    }
    if (ReadLine(file, line, utf16) || !line.IsEmpty()) return "a line after the end";
    return std::string();
}

std::string RunReadLine8(const Bytes& input) { return ReadLines(input, false); }
std::string RunReadLine16(const Bytes& input) { return ReadLines(input, true); }

// A position a search returned must lie in the text, at or after the start,
// and hold what was searched for.
bool FoundInRange(const WString& text, const wchar_t* needle, int32_t start) {
    int32_t at = needle[1] ? text.Find(needle, start) : text.FindChar(needle[0], start);
    if (at == 0) return true;
    int32_t n = (int32_t)wcslen(needle);
    return at >= start && at >= 1 && at <= text.Length() - n && wcsncmp(text.Text() + at - 1, needle, n) == 0;
}

// The first byte at 0xF8 or above picks an extreme start position for the
// option scan; any other first byte is part of the line, scanned from
// OptionsStart as the program does.
std::string RunOptions(const Bytes& input) {
    const int32_t kStarts[] = {0, -1, INT32_MIN, INT32_MAX, INT32_MAX - 1, INT32_MAX - 3, WString::kLast, 2};
    bool extreme = !input.empty() && input[0] >= 0xF8;
    WString line = TextOf(input, extreme ? 1 : 0);
    int32_t start = OptionsStart(line);
    if (start < 1 || start > line.Length()) return "OptionsStart out of the line";
    if (extreme) start = kStarts[input[0] - 0xF8];
    if (extreme && input[0] == 0xFF) start = line.Length() + 1;
    for (const wchar_t* needle : {L"-", L"\"", L" ", L"=", L"--", L"--uninstall="})
        if (!FoundInRange(line, needle, start)) return "a search found a position outside the text";
    CommandLineOptions options;
    options.Parse(line, start);
    if (options.names.Count() != options.values.Count()) return "names and values do not pair";
    if (options.names.Count() > line.Length()) return "more options than characters";
    for (int32_t i = 0; i < options.names.Count(); i++) {
        if (options.names[i].IsEmpty()) return "an empty option name";
        if (!DrawnFrom(options.names[i], line) || !DrawnFrom(options.values[i], line))
            return "an option not drawn from the line";
    }
    int32_t found = options.Lookup(L"IsElevated");
    if (found < -1 || found >= options.names.Count()) return "Lookup out of range";
    if (!Within(RestOfCommandLine(line), line)) return "the rest of the line is not in it";
    return std::string();
}

std::string RunLogPath(const Bytes& input) {
    WString command = TextOf(input, 0);
    WString path = UninstallLogPathFromCommand(command);
    if (!DrawnFrom(path, command)) return "the log path is not drawn from the command";
    return std::string();
}

std::string RunMacros(const Bytes& input) {
    WString text = TextOf(input, 0);
    int32_t placeholders = 0;
    for (int32_t i = 0; i < text.Length() - 1; i++)
        if (text.Text()[i] == L'<') placeholders++;
    WString before(text);
    WString savedPath(state.installPath);
    // Longer than its placeholder, so that each replacement grows the text.
    state.installPath = L"C:\\Program Files\\Fuzz Destination";
    uint64_t allocated = guard::AllocatedBytes();
    ExpandPathMacros(text);
    allocated = guard::AllocatedBytes() - allocated;
    state.installPath = savedPath;
    // Each placeholder gives at most a folder path with its tail.
    if (text.Length() > before.Length() + placeholders * (MAX_PATH + 64)) return "the expansion grew beyond its values";
    if (placeholders == 0 && before.Find(L"\\\\", 1) == 0 && Compare(text, before, false) != 0)
        return "a text without placeholders was changed";
    // A pass over the text copies it a few times; copying it again for every
    // placeholder is quadratic.
    if (allocated > 64 * sizeof(wchar_t) * (uint64_t)text.Length() + (1u << 20))
        return "the expansion copied the text " + std::to_string(allocated / (2 * text.Length())) + " times";
    return std::string();
}

// The uninstaller's readers of a record: which program folders it used,
// and the version it names.
std::string RunRecord(const Bytes& input) {
    if (!WriteInput(input)) return "the input could not be written";
    BOOL savedWow64 = state.isWow64;
    state.isWow64 = input.size() % 2;
    RecordUses64BitLocations(g_input.c_str());
    state.isWow64 = savedWow64;
    WString version = ReadLogVersion(g_input.c_str());
    if ((uint64_t)version.Length() - 1 > input.size() && Compare(version, L"[Unkonwn]", false) != 0)
        return "a version longer than the record";
    return std::string();
}

// A small FILES_DIR for the builder's folder sections: letter case, a name
// the code page cannot spell, and a link back to a folder's own parent.
bool ListFakeTree(const std::string& folder, std::vector<ListedItem>& items) {
    if (folder.empty()) {
        items = {{"app", true, true}, {"top.txt", false, true}};
    } else if (folder == "app") {
        items = {{"b.dll", false, true}, {"B.DLL", false, true}, {"lib", true, true}, {"\u20ac", false, false}};
    } else if (folder == "app\\lib" || (folder.compare(0, 8, "app\\lib\\") == 0 && folder.size() >= 13 &&
                                       folder.compare(folder.size() - 5, 5, "\\loop") == 0)) {
        items = {{"x.txt", false, true}, {"loop", true, true}};
    } else {
        return false;
    }
    return true;
}

// The builder writing folder sections out: it ends, every line it writes is
// told at a line of the script, and what it writes holds no folder section.
std::string RunExpand(const Bytes& input) {
    ExpandedScript out = ExpandScript(input, ListFakeTree);
    size_t lines = ScriptLines(input).size();
    std::vector<std::string> written = ScriptLines(out.bytes);
    if (written.size() != out.origin.size()) return "a written line told at no line of the script";
    for (size_t origin : out.origin)
        if (origin >= lines) return "a written line told past the script's end";
    for (const ScriptFinding& f : CheckExpandedScript(out, ScriptCheckHost()))
        if (f.line < 1 || f.line > (lines ? lines : 1)) return "a finding past the script's end";
    for (size_t i = 0; i < written.size(); i++) {
        const ScriptSection* section = FindSection(written[i], kWorkerReader);
        if (!section) continue;
        if (std::string(section->header) == "[CopyFile]" && i + 2 < written.size() && IsFolderEntry(written[i + 1]))
            return "a folder section left in what is packed";
        i += section->lines;
    }
    return std::string();
}

// Entry sums of the records that lie in the body, then the body sum and the
// trailer, as the writer would have made them.
void ResealPackage(Bytes& package, Random& random) {
    if (package.size() < pf::kTrailerSize || random.OneIn(8)) return;
    size_t body = package.size() - pf::kTrailerSize;
    pf::SolidHeader solid;
    // A solid package's records hold no sums of packed bytes.
    if (package.size() >= pf::kReservedSize && pf::ParseSolidHeader(package.data(), solid)) return SealPackage(package);
    uint32_t directory = pf::Get32(&package[body + 8]);
    uint32_t count = pf::Get32(&package[body + 12]);
    size_t at = directory;
    for (uint32_t i = 0; i < count && at + pf::kRecordFixedSize <= body; i++) {
        uint8_t* record = &package[at];
        uint64_t offset = pf::Get32(record), packed = pf::Get32(record + 4);
        if (offset + packed <= body) pf::Put32(record + 12, pf::AddEntryBytes(0, &package[offset], (uint32_t)packed));
        at += pf::kRecordFixedSize + record[16];
    }
    SealPackage(package);
}

// Most mutated streams state a size the decoder never gets near.
void RepairHeader(Bytes& stream, Random& random) {
    if (stream.size() < pf::kLzmaHeaderSize || random.OneIn(3)) return;
    pf::Put32(&stream[5], random.Below(random.OneIn(4) ? 0xFFFFFFFF : 70000));
    pf::Put32(&stream[9], 0);
    if (random.OneIn(4)) stream[0] = 0x5D;
}

}  // namespace

std::vector<FuzzTarget> MakeTargets(const std::wstring& work) {
    g_input = work + L"input.bin";
    g_output = work + L"output.bin";
    SetMessageBoxHook(CountBox);
    const std::vector<std::string> scriptTokens = {
        "\r\n", "\n", "\r", "[CopyFile]\r\n", "[Windows Version]\r\n4\r\n", "[ProgramVersion]\r\n",
        "[Install To]\r\n", "__BKI_WIN64", ".exe\r\n", ".dll\r\n", "<Destination>", "<Program Files>"};
    const std::vector<std::string> lineTokens = {
        "-", "--", "\"", "=", " ", "--uninstall=", "<uninstall>", "--silent", "-IsElevated=", "--log=",
        "<System>", "<SystemWOW64>", "<Windows>", "<Destination>", "<Program Files>", "<Startup>",
        "<Start Programs>", "<DeskTop>", "<QuickLaunch>", "<MyDocuments>", "<Source>", "\\\\", "\\"};
    std::vector<FuzzTarget> targets;
    const std::vector<std::string> entryNames = {"setup.dat", "setup.lic", "setup.bmp"};
    targets.push_back({"package", 16384, 20000, 1, PackageSeeds(), entryNames, ResealPackage, RunPackage});
    targets.push_back({"solid", 16384, 20000, 2, SolidSeeds(), entryNames, ResealPackage, RunSolid});
    targets.push_back({"setupfiles", 16384, 20000, 8, PackageSeeds(), entryNames, ResealPackage, RunSetupFiles});
    targets.push_back({"decompress", 4096, 10000, 1, StreamSeeds(), {}, RepairHeader, RunDecompress});
    targets.push_back({"readline8", 512, 5000, 1, ScriptSeeds(false), scriptTokens, nullptr, RunReadLine8});
    const std::vector<std::string> wideTokens = {"\xFF\xFE", std::string("\r\0\n\0", 4), std::string("\r\0", 2),
                                                 std::string("\n\0", 2)};
    targets.push_back({"readline16", 512, 5000, 1, ScriptSeeds(true), wideTokens, nullptr, RunReadLine16});
    targets.push_back({"options", 2048, 2000, 1, CommandSeeds(), lineTokens, nullptr, RunOptions});
    targets.push_back({"logpath", 2048, 2000, 1, CommandSeeds(), lineTokens, nullptr, RunLogPath});
    targets.push_back({"macros", 65536, 2000, 1, MacroSeeds(), lineTokens, nullptr, RunMacros});
    targets.push_back({"record", 512, 5000, 1, ScriptSeeds(false), scriptTokens, nullptr, RunRecord});
    std::vector<Bytes> folderSeeds = ScriptSeeds(false);
    folderSeeds.push_back(Bytes(kFolderScript, kFolderScript + sizeof kFolderScript - 1));
    folderSeeds.push_back(Bytes(kMixedBreaks, kMixedBreaks + sizeof kMixedBreaks - 1));
    const std::vector<std::string> folderTokens = {"\r\n", "\r", "\n", "[CopyFile]\r\n", "app\\", "*", "?", "**",
                                                   "\\", ";", "__BKI_WIN64\\", "<Destination>", "[Action]\r\n"};
    targets.push_back({"expand", 512, 5000, 1, folderSeeds, folderTokens, nullptr, RunExpand});
    return targets;
}
