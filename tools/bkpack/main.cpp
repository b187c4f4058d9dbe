// bkpack: builds installer packages and reads them back.
#include <stdio.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "files.h"
#include "manifest.h"
#include "language_check.h"
#include "pack_writer.h"
#include "package/package_format.h"
#include "pe_resources.h"
#include "package_view.h"
#include "script_check.h"
#include "script_expand.h"
#include "script_refs.h"
#include "sha256.h"
#include "stub_embed.h"
#include "version_string.h"

namespace {

const char kUsage[] =
    "bkpack: makes installers from an install script and the files it names.\n"
    "\n"
    "  bkpack build SCRIPT FILES_DIR --stub STUB -o OUT [options]   installer (stub + package)\n"
    "  bkpack pack SCRIPT FILES_DIR -o OUT.pkg [options]            bare package\n"
    "  bkpack check SCRIPT [FILES_DIR]                              the script's mistakes\n"
    "  bkpack build|pack SCRIPT FILES_DIR --list-expanded           the script as it is packed\n"
    "  bkpack list FILE                                             one line per entry\n"
    "  bkpack verify FILE                                           exit 0 when sound\n"
    "  bkpack manifest INSTALLER --id ID --url URL                  a package manager's manifest\n"
    "  bkpack extract FILE DIR                                      every entry into DIR\n"
    "\n"
    "FILE is an installer or a bare package. 'bkpack COMMAND --help' tells more.\n";

const char kBuildHelp[] =
    "bkpack build SCRIPT FILES_DIR --stub STUB -o OUT [options]\n"
    "bkpack pack SCRIPT FILES_DIR -o OUT.pkg [options]\n"
    "\n"
    "Packs SCRIPT as setup.dat and every entry it refers to: line 1 of each [CopyFile],\n"
    "the data line of each BINARY [Registry] value, and the entry of a <TempInstall>\n"
    "program in [RunFile] and [RunAndWaitFile]. Entries are found relative to FILES_DIR.\n"
    "A SCRIPT saved as UTF-8 with the byte-order mark may name entries in any language.\n"
    "A [CopyFile] whose entry ends with a backslash (a folder) or holds * or ? (a pattern)\n"
    "is written out as one [CopyFile] per file it names; setup.dat holds only those.\n"
    "Files are packed in solid blocks (several files one LZMA stream), grouped so that an\n"
    "install decodes only the variants it installs; an entry read alone (--add, setup.lng.*,\n"
    "a container's installers) is a block of its own. A group of 8 MiB or more is split for\n"
    "the cores unless a sample shows the parts would cost over 1 % more; block lines say why.\n"
    "'build' embeds the package into a copy of STUB; 'pack' writes the package alone.\n"
    "An install writes the product's uninstaller from the installer itself, without the\n"
    "package; with --uninstaller, 'build' packs that program as setup.uni instead, and\n"
    "the install writes it byte for byte (not for [NoUnInstall] or containers).\n"
    "'build' gives the installer a version resource from the script: product name\n"
    "([Project Name]), product and file version ([ProgramVersion]), company\n"
    "([UninstallSettings]), description \"NAME Installer\".\n"
    "\n"
    "  --banner BMP        the wizard's banner, packed as setup.bmp\n"
    "  --icon ICO          ('build') the installer's icon and its uninstaller's; the stub's\n"
    "                      without it\n"
    "  --licence TXT       the licence text, packed as setup.lic\n"
    "  --add FILE[=NAME]   a further entry (repeatable), named NAME or FILE's own name\n"
    "  --uninstaller EXE   ('build') the program an install leaves as the product's\n"
    "                      uninstaller: STUB signed, for a signed uninstaller (a stub\n"
    "                      of the same build as STUB, by its version resource)\n"
    "  --level N           LZMA preset 0-9 (default 9)\n"
    "  --extreme           slower, sometimes smaller\n"
    "  --threads N         streams compressed at once (default: one per core)\n"
    "  --classic           each entry its own stream, as packages were before blocks\n"
    "  --split SIZE        ('build') the blocks in data files beside OUT (OUT without its\n"
    "                      extension, then -1.bin, -2.bin, ...), each of whole blocks and\n"
    "                      at most SIZE bytes (K, M, G) unless one block is larger; the\n"
    "                      installer checks them all before it installs\n"
    "  --quiet             no progress lines\n"
    "  --strict            the script's mistakes ('bkpack check') stop the build\n"
    "  --list-expanded     print the script as it would be packed, folders written out,\n"
    "                      and build nothing (-o and --stub are not needed)\n"
    "\n"
    "The same inputs always give the same bytes, whatever --threads and whether bkpack\n"
    "runs on Windows or Linux. The output appears only when complete.\n"
    "Blocks that do not compress are stored as they are. A package of 256 MiB or more lies\n"
    "after the installer's image, where a 32-bit loader does not map it; the environment\n"
    "variable BKPACK_OUTSIDE_FROM (bytes) moves that line.\n";

const char kCheckHelp[] =
    "bkpack check SCRIPT [FILES_DIR]\nbkpack check setup.lng.TAG\n\n"
    "Warns of what the installer would pass over in silence: a line that looks like\n"
    "a section header but is none, a section short of lines, an unknown placeholder, a registry root, type\n"
    "or DWORD it cannot use, an entry name it cannot pack (or, with FILES_DIR, that is missing), text outside\n"
    "ASCII in a script without the UTF-8 byte-order mark (read in each machine's code page), and no\n"
    "[Project Name]. With FILES_DIR it checks the script with its folder sections written out, and warns\n"
    "of a folder or pattern that names no file, a destination given twice, and files whose names differ\n"
    "only in letter case. Of a language file (named setup.lng.TAG): lines without '=', unknown identifiers,\n"
    "placeholders other than the English text's, and the identifiers it lacks. Exit 0 when there is nothing\n"
    "to say. 'build' and 'pack' warn the same way first, of the script and of each --add'ed language file.\n";
const char kListHelp[] = "bkpack list FILE\n\nPrints name, packed size, unpacked size and whether the checksum holds.\n";
const char kVerifyHelp[] =
    "bkpack verify FILE\n\nChecks the trailer, the body checksum, the directory's record count and that every\n"
    "entry decodes to its stated size. Exit 0 when sound, 1 with the reason otherwise.\n";
const char kManifestHelp[] =
    "bkpack manifest INSTALLER --id PUBLISHER.PRODUCT --url URL [--scope machine|user]\n"
    "                [--license TEXT] [-o OUT.yaml]\n\n"
    "Writes a package manager's singleton manifest (YAML) for the installer: its SHA-256,\n"
    "the silent and install-location switches, the scope (the script's [Install Scope];\n"
    "'either' gives an installer entry per scope, each with its --scope= switch, unless\n"
    "--scope picks one), the product code (the Uninstall key's name, [Project Name]), the\n"
    "display version ([ProgramVersion], needed) and the exit codes that are not failures\n"
    "of the install. --license defaults to 'Proprietary'. Without -o, to the standard output.\n";
const char kExtractHelp[] = "bkpack extract FILE DIR\n\nWrites every entry into DIR (folders in names are created).\n";

int Fail(const std::string& message) {
    fprintf(stderr, "bkpack: %s\n", message.c_str());
    return 1;
}

bool WantsHelp(int argc, wchar_t** argv) {
    for (int i = 2; i < argc; i++)
        if (!wcscmp(argv[i], L"--help") || !wcscmp(argv[i], L"-h")) return true;
    return false;
}

std::wstring Joined(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    wchar_t last = folder.back();
    return (last == L'\\' || last == L'/') ? folder + name : folder + L"\\" + name;
}

struct Source {
    std::string name;
    std::wstring path;
};

struct BuildArgs {
    std::wstring script, filesDir, stub, out, banner, licence, uninstaller, icon;
    std::vector<std::wstring> adds;
    PackSettings settings;
    bool strict = false;
    bool listExpanded = false;
};

// SIZE in bytes, or with K, M or G (binary multiples), below 4 GiB.
bool ParseSplit(const std::wstring& value, uint64_t& size, std::string& error) {
    wchar_t* end = nullptr;
    size = wcstoull(value.c_str(), &end, 10);
    std::wstring unit = end ? std::wstring(end) : L"";
    int shift = unit == L"K" || unit == L"k" ? 10 : unit == L"M" || unit == L"m" ? 20 : unit == L"G" || unit == L"g" ? 30 : 0;
    if (shift || unit.empty()) size <<= shift;
    if (value.empty() || end == value.c_str() || (!shift && !unit.empty()) || size == 0 || size >= (4ull << 30)) {
        error = "--split takes a size below 4 GiB (bytes, or with K, M or G)";
        return false;
    }
    return true;
}

bool ParseBuildArgs(int argc, wchar_t** argv, bool withStub, BuildArgs& a, std::string& error) {
    std::vector<std::wstring> positional;
    for (int i = 2; i < argc; i++) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--extreme") {
            a.settings.extreme = true;
        } else if (arg == L"--quiet") {
            a.settings.quiet = true;
        } else if (arg == L"--strict") {
            a.strict = true;
        } else if (arg == L"--list-expanded") {
            a.listExpanded = true;
        } else if (arg == L"--classic") {
            a.settings.classic = true;
        } else if (arg == L"--stub" || arg == L"-o" || arg == L"--banner" || arg == L"--licence" ||
                   arg == L"--add" || arg == L"--level" || arg == L"--threads" || arg == L"--uninstaller" ||
                   arg == L"--icon" || arg == L"--split") {
            if (!hasValue) {
                error = Utf8(arg) + " needs a value";
                return false;
            }
            std::wstring value = argv[++i];
            if (arg == L"--stub") a.stub = value;
            if (arg == L"-o") a.out = value;
            if (arg == L"--banner") a.banner = value;
            if (arg == L"--licence") a.licence = value;
            if (arg == L"--add") a.adds.push_back(value);
            if (arg == L"--uninstaller") a.uninstaller = value;
            if (arg == L"--icon") a.icon = value;
            if (arg == L"--level") {
                if (value.size() != 1 || value[0] < L'0' || value[0] > L'9') {
                    error = "--level takes 0 to 9";
                    return false;
                }
                a.settings.level = value[0] - L'0';
            }
            if (arg == L"--split" && !ParseSplit(value, a.settings.split, error)) return false;
            if (arg == L"--threads") {
                wchar_t* end = nullptr;
                unsigned long n = wcstoul(value.c_str(), &end, 10);
                if (value.empty() || *end || n < 1 || n > 256) {
                    error = "--threads takes 1 to 256";
                    return false;
                }
                a.settings.threads = (uint32_t)n;
            }
        } else if (!arg.empty() && arg[0] == L'-') {
            error = "unknown option " + Utf8(arg);
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        error = "give SCRIPT and FILES_DIR (see --help)";
        return false;
    }
    a.script = positional[0];
    a.filesDir = positional[1];
    if (a.listExpanded) return true;
    if (a.out.empty()) error = "-o OUT is missing";
    if (withStub && a.stub.empty()) error = "--stub STUB is missing";
    if (!withStub && !a.uninstaller.empty()) error = "--uninstaller belongs to 'build'";
    if (!withStub && !a.icon.empty()) error = "--icon belongs to 'build'";
    if (!withStub && a.settings.split) error = "--split belongs to 'build'";
    if (a.settings.classic && a.settings.split) error = "--split needs solid blocks; leave out --classic";
    return error.empty();
}

// Whether an install of this script leaves an uninstaller: not with
// "[NoUnInstall]", nor when it runs other installers.
bool NeedsUninstaller(const Bytes& script) {
    for (const std::string& line : ScriptLines(script))
        if (line == "[NoUnInstall]" || line == "[InstallContainer]") return false;
    return true;
}

// The uninstaller given must be a stub of the installer's build: one of
// other sources would replay the record by other rules.
bool AddUninstaller(const BuildArgs& a, std::vector<Source>& sources, std::string& error) {
    Bytes bytes, stub;
    if (!ReadWholeFile(a.uninstaller, bytes, error) || !ReadWholeFile(a.stub, stub, error)) return false;
    if (!IsPeFile(bytes)) {
        error = "the uninstaller '" + Utf8(a.uninstaller) + "' is not a Windows program (no PE header)";
        return false;
    }
    std::string build, stubBuild;
    if (!ReadVersionString(stub, kBuildKey, stubBuild)) {
        error = "the stub '" + Utf8(a.stub) + "' names no build (no " + kBuildKey + " in its version resource)";
        return false;
    }
    if (!ReadVersionString(bytes, kBuildKey, build) || build != stubBuild) {
        error = "the uninstaller '" + Utf8(a.uninstaller) + "' is not a stub of the same build as '" + Utf8(a.stub) +
                "' (" + kBuildKey + " " + (build.empty() ? "none" : build) + ", not " + stubBuild + ")";
        return false;
    }
    sources.push_back({package_format::kUninstallerEntry, a.uninstaller});
    return true;
}

// UTF-16 for the version resource, whatever the host's wide characters.
std::u16string Utf16(const std::wstring& text) {
    std::u16string out;
    for (wchar_t c : text) {
        uint32_t u = (uint32_t)c;
        if (u < 0x10000) {
            out += (char16_t)u;
        } else {
            out += (char16_t)(0xD800 + ((u - 0x10000) >> 10));
            out += (char16_t)(0xDC00 + ((u - 0x10000) & 0x3FF));
        }
    }
    return out;
}

// What the script says of its product, as the installer reads its
// settings: the last of each section wins; an unnamed product is "Setup".
struct ProductSettings {
    std::wstring name = L"Setup", version, publisher, scope = L"machine";
};

ProductSettings ReadProductSettings(const Bytes& script) {
    std::vector<std::string> lines = ScriptLines(script);
    bool utf8 = IsUtf8Script(script);
    ProductSettings p;
    for (size_t i = 0; i + 1 < lines.size(); i++) {
        std::wstring* field = lines[i] == "[Project Name]"          ? &p.name
                              : lines[i] == "[ProgramVersion]"      ? &p.version
                              : lines[i] == "[UninstallSettings]" ? &p.publisher
                              : lines[i] == "[Install Scope]"     ? &p.scope
                                                                    : nullptr;
        if (field) NameToWide(lines[i] == "[Install Scope]" ? Trimmed(lines[i + 1]) : lines[i + 1], utf8, *field);
        if (field) i++;
    }
    return p;
}

// The installer's face in the shell.
InstallerLook LookOf(const Bytes& script, const std::wstring& icon) {
    ProductSettings p = ReadProductSettings(script);
    InstallerLook look;
    look.version.productName = Utf16(p.name);
    look.version.productVersion = Utf16(p.version);
    look.version.companyName = Utf16(p.publisher);
    look.version.fileDescription = Utf16(p.name + L" Installer");
    look.icon = icon;
    return look;
}

// What an entry name must be text of: UTF-8 for a UTF-8 script, otherwise
// the ANSI code page.
const char* NameEncoding(bool utf8) { return utf8 ? "UTF-8" : "the ANSI code page"; }

// Every entry with its name checked: representable in the script's
// encoding, at most 254 bytes, and unique as the installer looks names up.
bool CollectSources(const BuildArgs& a, const std::wstring& scriptPath, const Bytes& script,
                    std::vector<Source>& sources, std::string& error) {
    bool utf8 = IsUtf8Script(script);
    sources.push_back({"setup.dat", scriptPath});
    if (!a.banner.empty()) sources.push_back({"setup.bmp", a.banner});
    if (!a.licence.empty()) sources.push_back({"setup.lic", a.licence});
    for (const std::string& name : ScriptReferences(script)) {
        std::wstring wide;
        if (!NameToWide(name, utf8, wide)) {
            error = "the entry name '" + name + "' is not text of " + NameEncoding(utf8);
            return false;
        }
        sources.push_back({name, Joined(a.filesDir, wide)});
    }
    for (const std::wstring& add : a.adds) {
        size_t eq = add.find(L'=');
        std::wstring path = add.substr(0, eq);
        std::wstring name = eq == std::wstring::npos ? path.substr(path.find_last_of(L"\\/") + 1) : add.substr(eq + 1);
        std::string stored;
        if (!WideToName(name, utf8, stored)) {
            error = "the entry name '" + Utf8(name) + "' cannot be written in the ANSI code page";
            return false;
        }
        sources.push_back({stored, path});
    }
    for (size_t i = 0; i < sources.size(); i++) {
        const std::string& name = sources[i].name;
        if (name.empty()) {
            error = "the script names an empty entry";
            return false;
        }
        if (name.size() > kMaxEntryName) {
            error = "the entry name '" + name.substr(0, 40) + "...' is longer than 254 bytes";
            return false;
        }
        for (size_t j = 0; j < i; j++)
            if (SameEntryName(sources[j].name, name)) {
                error = "the entry name '" + name + "' is given twice";
                return false;
            }
    }
    return true;
}

// The folders of FILES_DIR, their names in the script's encoding.
FolderLister FilesDirLister(const std::wstring& filesDir, bool utf8) {
    return [filesDir, utf8](const std::string& folder, std::vector<ListedItem>& items) {
        std::wstring wide;
        std::vector<FolderListing> found;
        if (!NameToWide(folder, utf8, wide) || !ListFolder(Joined(filesDir, wide), found)) return false;
        for (const FolderListing& f : found) {
            ListedItem item;
            item.folder = f.folder;
            item.spelled = WideToName(f.name, utf8, item.name);
            if (!item.spelled) item.name = Utf8(f.name);
            items.push_back(item);
        }
        return true;
    };
}

// The script's findings on the standard error; how many there were. With
// FILES_DIR, packed becomes the script with its folder sections written out.
size_t CheckScriptFile(const std::wstring& path, const Bytes& script, const std::wstring* filesDir, bool strict,
                       Bytes& packed) {
    ScriptCheckHost host;
    bool utf8 = IsUtf8Script(script);
    host.isNameText = [utf8](const std::string& name) {
        std::wstring wide;
        return NameToWide(name, utf8, wide);
    };
    if (!filesDir) {
        packed = script;
        return PrintFindings(Utf8(path), CheckScript(script, host), strict);
    }
    host.entryExists = [filesDir, utf8](const std::string& name) {
        std::wstring wide;
        NameToWide(name, utf8, wide);
        return IsRegularFile(Joined(*filesDir, wide));
    };
    ExpandedScript expanded = ExpandScript(script, FilesDirLister(*filesDir, utf8));
    packed = expanded.bytes;
    return PrintFindings(Utf8(path), CheckExpandedScript(expanded, host), strict);
}

// A language file's findings on the standard error; how many there were.
size_t CheckLanguageFileAt(const std::wstring& path, bool strict, std::string& error) {
    Bytes file;
    if (!ReadWholeFile(path, file, error)) return 1;
    return PrintFindings(Utf8(path), CheckLanguageFile(file), strict);
}

std::string BaseName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return Utf8(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

int Check(int argc, wchar_t** argv) {
    if (WantsHelp(argc, argv)) return printf("%s", kCheckHelp), 0;
    if (argc != 3 && argc != 4) return Fail("give SCRIPT and, optionally, FILES_DIR (see --help)");
    for (int i = 2; i < argc; i++)
        if (argv[i][0] == L'-') return Fail("unknown option " + Utf8(argv[i]));
    std::wstring path = argv[2];
    std::wstring filesDir = argc == 4 ? argv[3] : L"";
    Bytes script, packed;
    std::string error;
    if (argc == 3 && IsLanguageFileName(BaseName(path))) {
        size_t found = CheckLanguageFileAt(path, false, error);
        return error.empty() ? (found ? 1 : 0) : Fail(error);
    }
    if (!ReadWholeFile(path, script, error)) return Fail(error);
    return CheckScriptFile(path, script, argc == 4 ? &filesDir : nullptr, false, packed) ? 1 : 0;
}

int Build(int argc, wchar_t** argv, bool withStub) {
    if (WantsHelp(argc, argv)) return printf("%s", kBuildHelp), 0;
    BuildArgs a;
    std::string error;
    if (!ParseBuildArgs(argc, argv, withStub, a, error)) return Fail(error);
    Bytes script, packed;
    if (!ReadWholeFile(a.script, script, error)) return Fail(error);
    if (CheckScriptFile(a.script, script, &a.filesDir, a.strict, packed) && a.strict)
        return Fail("the script has mistakes (see above); nothing written");
    if (a.listExpanded) return WriteStandardOutput(packed) ? 0 : Fail("cannot write the standard output");
    // The written-out script is packed from a file beside the output while
    // the package is built.
    ScratchFile expanded;
    if (packed != script && !expanded.Create(a.out + L".setup.dat", packed, error)) return Fail(error);
    std::vector<Source> sources;
    if (!CollectSources(a, packed != script ? expanded.Path() : a.script, packed, sources, error)) return Fail(error);
    size_t languageFindings = 0;
    for (const Source& source : sources)
        if (IsLanguageFileName(source.name)) languageFindings += CheckLanguageFileAt(source.path, a.strict, error);
    if (!error.empty()) return Fail(error);
    if (languageFindings && a.strict) return Fail("a language file has mistakes (see above); nothing written");
    if (!a.uninstaller.empty() && NeedsUninstaller(packed) && !AddUninstaller(a, sources, error)) return Fail(error);
    std::vector<PackInput> inputs(sources.size());
    for (size_t i = 0; i < sources.size(); i++) inputs[i] = {sources[i].name, sources[i].path};
    Bytes package;
    std::vector<Bytes> dataFiles;
    a.settings.utf8Names = IsUtf8Script(packed);
    if (!BuildPackage(inputs, packed, a.settings, package, error, a.settings.split ? &dataFiles : nullptr))
        return Fail(error);
    InstallerLook look = LookOf(packed, a.icon);
    // The data files first: the installer appears only with all of them.
    bool ok = true;
    for (size_t k = 0; ok && k < dataFiles.size(); k++) {
        ok = WriteFileAtomically(DataFileName(a.out, k + 1), dataFiles[k], error);
        if (ok && !a.settings.quiet) printf("bkpack: wrote %s\n", Utf8(DataFileName(a.out, k + 1)).c_str());
    }
    ok = ok && (withStub ? EmbedPackage(a.stub, package, a.out, error, &look) : WriteFileAtomically(a.out, package, error));
    if (!ok) return Fail(error);
    if (!a.settings.quiet) printf("bkpack: wrote %s\n", Utf8(a.out).c_str());
    return 0;
}

bool OpenView(const wchar_t* path, PackageView& view, std::string& error) {
    return LoadPackage(path, view.bytes, error) && ParsePackage(view, error) && LoadDataFiles(path, view, error);
}

int List(int argc, wchar_t** argv) {
    if (WantsHelp(argc, argv)) return printf("%s", kListHelp), 0;
    if (argc != 3) return Fail("give FILE (see --help)");
    PackageView view;
    std::string error;
    if (!OpenView(argv[2], view, error)) return Fail(error);
    // A solid entry's check is its CRC-32, known only once its block is decoded.
    std::vector<std::string> faults(view.entries.size());
    if (view.solid) {
        EntryVisitor visitor;
        visitor.begin = [](const ViewEntry&) { return false; };
        visitor.write = [](const uint8_t*, uint32_t) { return true; };
        visitor.done = [&](const ViewEntry& e, const std::string& fault) { faults[&e - &view.entries[0]] = fault; };
        DecodeAllEntries(view, visitor);
    }
    for (size_t i = 0; i < view.entries.size(); i++) {
        const ViewEntry& e = view.entries[i];
        std::string packed = view.solid ? "#" + std::to_string(e.block) : std::to_string(e.packedSize);
        printf("%-40s %10s %10u %s\n", e.name.c_str(), packed.c_str(), e.unpackedSize,
               view.solid ? (faults[i].empty() ? "ok" : "BAD-CRC") : e.checksumHolds ? "ok" : "BAD-CHECKSUM");
    }
    return 0;
}

int Verify(int argc, wchar_t** argv) {
    if (WantsHelp(argc, argv)) return printf("%s", kVerifyHelp), 0;
    if (argc != 3) return Fail("give FILE (see --help)");
    PackageView view;
    std::string error;
    if (!OpenView(argv[2], view, error)) return Fail(error);
    std::string first;
    EntryVisitor visitor;
    visitor.begin = [](const ViewEntry&) { return false; };
    visitor.write = [](const uint8_t*, uint32_t) { return true; };
    visitor.done = [&](const ViewEntry& e, const std::string& fault) {
        if (!fault.empty() && first.empty()) first = "entry '" + e.name + "': " + fault;
    };
    if (!DecodeAllEntries(view, visitor)) return Fail(first);
    printf("bkpack: %s is sound (%u entries%s)\n", Utf8(argv[2]).c_str(), (unsigned)view.entries.size(),
           view.solid ? (", " + std::to_string(view.blocks.size()) + " blocks").c_str() : "");
    return 0;
}

// Entry names come from the package: never let one climb out of DIR.
bool SafeRelativeName(const std::string& name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) return false;
    std::string padded = "\\" + name + "\\";
    for (char& c : padded)
        if (c == '/') c = '\\';
    return padded.find("\\..\\") == std::string::npos;
}

// Each entry decoded straight into a partial file, renamed into place when
// whole: an entry of any size passes through in chunks, and a solid block is
// decoded once for all its entries.
int Extract(int argc, wchar_t** argv) {
    if (WantsHelp(argc, argv)) return printf("%s", kExtractHelp), 0;
    if (argc != 4) return Fail("give FILE and DIR (see --help)");
    PackageView view;
    std::string error;
    if (!OpenView(argv[2], view, error)) return Fail(error);
    int status = 0;
    OutputFile out;
    std::wstring path, partial;
    bool writeFailed = false;
    EntryVisitor visitor;
    visitor.begin = [&](const ViewEntry& e) {
        std::wstring wide;
        if (!SafeRelativeName(e.name) || !NameToWide(e.name, view.utf8Names, wide)) {
            status = Fail("entry '" + e.name + "' is not a name inside DIR; skipped");
            return false;
        }
        path = Joined(argv[3], wide);
        partial = PartialName(path);
        MakeParentFolders(path);
        writeFailed = false;
        if (out.Create(partial, error)) return true;
        status = Fail("entry '" + e.name + "': " + error);
        partial.clear();
        return false;
    };
    visitor.write = [&](const uint8_t* data, uint32_t size) {
        writeFailed = !out.Write(data, size);
        return !writeFailed;
    };
    visitor.done = [&](const ViewEntry& e, const std::string& fault) {
        if (partial.empty()) {
            if (!fault.empty()) status = Fail("entry '" + e.name + "': " + fault);
            return;
        }
        bool closed = out.Close();
        std::string reason = fault;
        if (writeFailed || !closed) reason = "cannot write '" + Utf8(partial) + "'";
        if (reason.empty() && !RenameIntoPlace(partial, path, reason)) status = Fail("entry '" + e.name + "': " + reason);
        else if (!reason.empty()) {
            RemoveFile(partial);
            status = Fail("entry '" + e.name + "': " + reason);
        }
        partial.clear();
    };
    DecodeAllEntries(view, visitor);
    return status;
}

// The script packed in an installer or package, decoded.
bool PackedScript(const std::wstring& path, Bytes& script, std::string& error) {
    PackageView view;
    if (!OpenView(path.c_str(), view, error)) return false;
    for (const ViewEntry& e : view.entries)
        if (SameEntryName(e.name, "setup.dat"))
            return DecodeEntry(view, e, [&](const uint8_t* data, uint32_t size) {
                script.insert(script.end(), data, data + size);
                return true;
            }, error);
    error = "it holds no setup.dat";
    return false;
}

bool FileSha256(const std::wstring& path, std::string& hex, std::string& error) {
    InputFile file;
    uint64_t size = 0;
    if (!file.Open(path, size, error)) return false;
    Sha256 sha;
    std::vector<uint8_t> buffer(1 << 20);
    for (int64_t got; (got = file.Read(buffer.data(), buffer.size())) != 0;) {
        if (got < 0) {
            error = "cannot read '" + Utf8(path) + "'";
            return false;
        }
        sha.Add(buffer.data(), (size_t)got);
    }
    hex = sha.HexDigest();
    return true;
}

int Manifest(int argc, wchar_t** argv) {
    if (WantsHelp(argc, argv)) return printf("%s", kManifestHelp), 0;
    std::wstring installer, out, scope;
    ManifestFacts facts;
    facts.license = "Proprietary";
    for (int i = 2; i < argc; i++) {
        std::wstring arg = argv[i];
        if (arg == L"--id" || arg == L"--url" || arg == L"--scope" || arg == L"--license" || arg == L"-o") {
            if (i + 1 >= argc) return Fail(Utf8(arg) + " needs a value");
            std::wstring value = argv[++i];
            if (arg == L"--id") facts.id = Utf8(value);
            if (arg == L"--url") facts.url = Utf8(value);
            if (arg == L"--scope") scope = value;
            if (arg == L"--license") facts.license = Utf8(value);
            if (arg == L"-o") out = value;
        } else if (!arg.empty() && arg[0] == L'-') {
            return Fail("unknown option " + Utf8(arg));
        } else if (installer.empty()) {
            installer = arg;
        } else {
            return Fail("give one INSTALLER (see --help)");
        }
    }
    if (installer.empty() || facts.id.empty() || facts.url.empty()) return Fail("give INSTALLER, --id and --url (see --help)");
    if (facts.id.find('.') == std::string::npos) return Fail("--id is PUBLISHER.PRODUCT");
    if (!scope.empty() && scope != L"machine" && scope != L"user") return Fail("--scope takes machine or user");
    Bytes script;
    std::string error;
    if (!PackedScript(installer, script, error)) return Fail("'" + Utf8(installer) + "': " + error);
    ProductSettings p = ReadProductSettings(script);
    const std::wstring &name = p.name, &version = p.version, &publisher = p.publisher, &allowed = p.scope;
    if (version.empty()) return Fail("the installer's script has no [ProgramVersion]: a manifest needs a version");
    if (allowed != L"machine" && allowed != L"user" && allowed != L"either")
        return Fail("the installer's script has an unknown [Install Scope] '" + Utf8(allowed) + "'");
    if (!scope.empty() && allowed != L"either" && scope != allowed)
        return Fail("the installer installs for '" + Utf8(allowed) + "' only, not for '" + Utf8(scope) + "'");
    facts.name = Utf8(name);
    facts.version = Utf8(version);
    facts.publisher = Utf8(publisher.empty() ? name : publisher);
    facts.scopeSwitch = allowed == L"either";
    if (!scope.empty()) facts.scopes = {Utf8(scope)};
    else if (allowed == L"either") facts.scopes = {"user", "machine"};
    else facts.scopes = {Utf8(allowed)};
    if (!FileSha256(installer, facts.sha256, error)) return Fail(error);
    std::string yaml = WriteManifest(facts);
    Bytes bytes(yaml.begin(), yaml.end());
    if (out.empty()) return WriteStandardOutput(bytes) ? 0 : Fail("cannot write the standard output");
    return WriteFileAtomically(out, bytes, error) ? 0 : Fail(error);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || !wcscmp(argv[1], L"--help") || !wcscmp(argv[1], L"-h") || !wcscmp(argv[1], L"help")) {
        printf("%s", kUsage);
        return argc < 2 ? 2 : 0;
    }
    std::wstring command = argv[1];
    if (command == L"build") return Build(argc, argv, true);
    if (command == L"pack") return Build(argc, argv, false);
    if (command == L"check") return Check(argc, argv);
    if (command == L"list") return List(argc, argv);
    if (command == L"verify") return Verify(argc, argv);
    if (command == L"extract") return Extract(argc, argv);
    if (command == L"manifest") return Manifest(argc, argv);
    Fail("unknown command '" + Utf8(command) + "'");
    printf("%s", kUsage);
    return 2;
}
