// The package reader and extractor on real package files: sound ones, and
// each way a package can be broken.
#include <gtest/gtest.h>

#include <string.h>

#include "app/installer_state.h"
#include "base/folders.h"
#include "package/image_resource.h"
#include "package/install_package.h"
#include "package/package_fixture.h"
#include "package/package_format.h"
#include "package/setup_files.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

namespace pf = package_format;

namespace {

const wchar_t kCorrupted[] = L"This installation is corrupted, please obtain a new copy.";
const wchar_t kUnableToExtract[] =
    L"Unable to extract a file from install, possibly your security software is blocking the install.";

struct Opened {
    ScratchFolder dir;
    MessageRecorder boxes;
    InstallPackage* package = nullptr;
    explicit Opened(const Bytes& bytes) { package = new InstallPackage(SavePackage(dir.Path(), bytes).c_str()); }
    ~Opened() { delete package; }
    std::wstring Out(const wchar_t* name) const { return dir / name; }
};

TEST(InstallPackage, RoundTripAndLookup) {
    std::string big;
    for (int i = 0; i < 100000; i++) big += std::to_string(i * 31 % 977) + ",";
    Opened p(LayOut({Entry("Setup.dat", "[Project Name]\r\nDemo\r\n"), Entry("bin\\big.csv", big),
                     PackedEntry{"empty.txt", {}, 0}}));
    ASSERT_EQ(3, p.package->EntryCount());
    PackageEntry found;
    for (const wchar_t* name : {L"setup.dat", L"SETUP.DAT", L"Setup.dat"}) {
        EXPECT_TRUE(p.package->FindEntry(name, &found)) << name;
        EXPECT_STREQ("Setup.dat", found.name);
    }
    EXPECT_FALSE(p.package->FindEntry(L"setup.da", &found));
    EXPECT_EQ(0u, found.offset);
    EXPECT_EQ(0, found.name[0]);
    EXPECT_TRUE(p.package->FindEntry(L"BIN\\BIG.CSV", nullptr));

    WString name;
    p.package->EntryName(1, name);
    EXPECT_STREQ(L"bin\\big.csv", name.Text());
    p.package->EntryName(3, name);
    EXPECT_TRUE(name.IsEmpty());

    ASSERT_TRUE(p.package->ExtractEntry(L"bin\\BIG.csv", p.Out(L"big.csv").c_str()));
    EXPECT_EQ(big, ReadBytes(p.Out(L"big.csv")));
    // Packed size 0: an empty file, no stream to decode.
    ASSERT_TRUE(p.package->ExtractEntry(L"empty.txt", p.Out(L"empty.txt").c_str()));
    EXPECT_TRUE(PathExists(p.Out(L"empty.txt").c_str()));
    EXPECT_EQ("", ReadBytes(p.Out(L"empty.txt")));
    EXPECT_FALSE(p.package->ExtractEntry(L"missing", p.Out(L"missing").c_str()));
    EXPECT_TRUE(p.boxes.Shown().empty());
}

TEST(InstallPackage, TemporaryCopyIsRemoved) {
    std::wstring copy;
    {
        Opened p(LayOut({Entry("a", "b")}));
        copy = p.package->CopyPath().Text();
        EXPECT_TRUE(PathExists(copy.c_str()));
    }
    EXPECT_FALSE(PathExists(copy.c_str()));
}

TEST(InstallPackage, NameListedTwiceLeavesTheLaterEntry) {
    Opened p(LayOut({Entry("twice.txt", "first"), Entry("other", "x"), Entry("TWICE.txt", "second")}));
    ASSERT_TRUE(p.package->ExtractEntry(L"twice.txt", p.Out(L"t.txt").c_str()));
    EXPECT_EQ("second", ReadBytes(p.Out(L"t.txt")));
}

TEST(InstallPackage, BrokenTrailersGiveNoEntriesSilently) {
    Bytes sound = LayOut({Entry("a.txt", "alpha")});
    size_t trailer = sound.size() - pf::kTrailerSize;
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    Bytes wrongMagic = sound;
    wrongMagic[trailer + 16] ^= 0x40;
    cases.push_back({"first magic", wrongMagic});
    Bytes wrongMagic2 = sound;
    wrongMagic2[trailer + 23] ^= 0x01;
    cases.push_back({"second magic", wrongMagic2});
    Bytes wrongSum = sound;
    Poke32(wrongSum, trailer + 4, pf::Get32(&sound[trailer + 4]) + 1);
    cases.push_back({"trailer sum", wrongSum});
    Bytes unsignedSum = sound;
    uint32_t sum = 0;
    for (int i = 8; i < 24; i++) sum += sound[trailer + i];
    Poke32(unsignedSum, trailer + 4, sum);
    cases.push_back({"unsigned trailer sum", unsignedSum});
    cases.push_back({"short file", Bytes(sound.end() - 20, sound.end())});
    cases.push_back({"empty file", Bytes()});
    for (Case& c : cases) {
        Opened p(c.bytes);
        EXPECT_EQ(0, p.package->EntryCount()) << c.what;
        EXPECT_TRUE(p.boxes.Shown().empty()) << c.what;
    }
}

TEST(InstallPackage, WrongBodySumShowsTheCorruptionMessage) {
    Bytes bytes = LayOut({Entry("a.txt", "alpha")});
    bytes[3] = 1;  // inside the reserved bytes, which are summed too
    Opened p(bytes);
    EXPECT_EQ(0, p.package->EntryCount());
    ASSERT_EQ(1u, p.boxes.Shown().size());
    EXPECT_EQ(kCorrupted, p.boxes.Shown()[0].text);
    EXPECT_EQ(L"Setup", p.boxes.Shown()[0].caption);
    EXPECT_EQ((UINT)MB_ICONERROR, p.boxes.Shown()[0].style);
}

TEST(InstallPackage, DirectoryPromisingMoreRecordsYieldsTheCompleteOnes) {
    for (uint32_t promised : {3u, 0xFFFFFFFFu}) {
        Bytes bytes = LayOut({Entry("one", "1"), Entry("two", "22")});
        // A new trailer promising more: the next record would run into it.
        Bytes cut(bytes.begin(), bytes.end() - pf::kTrailerSize);
        uint32_t directory = DirectoryOffset(bytes);
        cut.resize(cut.size() + pf::kTrailerSize);
        Poke32(cut, cut.size() - 16, directory);
        Poke32(cut, cut.size() - 12, promised);
        SealPackage(cut);
        Opened p(cut);
        ASSERT_EQ(2, p.package->EntryCount()) << promised;
        EXPECT_TRUE(p.boxes.Shown().empty());
    }
}

TEST(InstallPackage, FlippedPackedByteExtractsNothingWithoutMessage) {
    Bytes bytes = LayOut({Entry("a.txt", "alpha beta gamma")});
    bytes[EntryOffset(bytes, 0) + 20] ^= 0x10;
    SealPackage(bytes);
    Opened p(bytes);
    ASSERT_EQ(1, p.package->EntryCount());
    EXPECT_FALSE(p.package->ExtractEntry(L"a.txt", p.Out(L"a.txt").c_str()));
    EXPECT_TRUE(p.boxes.Shown().empty());
    EXPECT_FALSE(PathExists(p.Out(L"a.txt").c_str()));
}

// Streams the extractor must refuse with its read-error message.
TEST(Decompress, RefusedHeadersAndDataGiveTheReadError) {
    Bytes good = Packed("some text to pack, some text to pack");
    struct Case {
        const char* what;
        Bytes stream;
    };
    std::vector<Case> cases;
    Bytes unknownSize = good;
    Poke32(unknownSize, 5, 0xFFFFFFFF);
    cases.push_back({"size 0xFFFFFFFF", unknownSize});
    Bytes highBits = good;
    highBits[9] = 1;
    cases.push_back({"high size bits", highBits});
    Bytes highByte = good;
    highByte[12] = 0x80;
    cases.push_back({"top size byte", highByte});
    Bytes properties = good;
    properties[0] = 225;
    cases.push_back({"properties 225", properties});
    cases.push_back({"truncated data", Bytes(good.begin(), good.begin() + good.size() / 2)});
    cases.push_back({"header cut short", Bytes(good.begin(), good.begin() + 9)});
    Bytes corrupt = good;
    for (size_t i = 14; i < corrupt.size(); i++) corrupt[i] = 0xFF;
    cases.push_back({"corrupt data", corrupt});
    for (Case& c : cases) {
        PackedEntry entry{"x.txt", c.stream, 36};
        Opened p(LayOut({entry}));
        EXPECT_FALSE(p.package->ExtractEntry(L"x.txt", p.Out(L"x.txt").c_str())) << c.what;
        ASSERT_EQ(1u, p.boxes.Shown().size()) << c.what;
        const ShownMessage& box = p.boxes.Shown()[0];
        EXPECT_EQ(0u, box.text.find(L"Error whilst uncompressing '" + p.Out(L"x.txt") + L"', unable to read '"))
            << c.what;
        EXPECT_NE(std::wstring::npos, box.text.find(L"Ext")) << "the source is the Ext temporary file";
        EXPECT_EQ((UINT)(MB_TOPMOST | MB_ICONERROR), box.style);
    }
}

TEST(Decompress, EarlyEndMarkerAndProperties) {
    // The builder's streams end with a marker; a header stating more than
    // the stream holds gives the shorter file.
    Bytes stream = Packed("short");
    EXPECT_EQ(93, stream[0]) << "lc 3, lp 0, pb 2";
    Poke32(stream, 5, 5000);
    Opened p(LayOut({PackedEntry{"s.txt", stream, 5000}}));
    ASSERT_TRUE(p.package->ExtractEntry(L"s.txt", p.Out(L"s.txt").c_str()));
    EXPECT_EQ("short", ReadBytes(p.Out(L"s.txt")));
    // A header stating less caps the output at the stated size.
    Bytes capped = Packed("0123456789");
    Poke32(capped, 5, 4);
    Opened q(LayOut({PackedEntry{"c.txt", capped, 4}}));
    ASSERT_TRUE(q.package->ExtractEntry(L"c.txt", q.Out(L"c.txt").c_str()));
    EXPECT_EQ("0123", ReadBytes(q.Out(L"c.txt")));
    EXPECT_TRUE(p.boxes.Shown().empty());
}

TEST(Decompress, StreamFromTheXzTool) {
    // xz writes "size unknown" and an end marker; the stated size goes in.
    std::string original = ReadBytes(BinPath(L"fixtures\\foreign.txt"));
    Bytes stream = ToBytes(ReadBytes(BinPath(L"fixtures\\foreign.txt.lzma")));
    ASSERT_GT(original.size(), 1000u);
    ASSERT_GT(stream.size(), 13u);
    EXPECT_EQ(0xFFFFFFFFu, pf::Get32(&stream[5]));
    Poke32(stream, 5, (uint32_t)original.size());
    Poke32(stream, 9, 0);
    Opened p(LayOut({PackedEntry{"foreign.txt", stream, (uint32_t)original.size()}}));
    ASSERT_TRUE(p.package->ExtractEntry(L"foreign.txt", p.Out(L"foreign.txt").c_str()));
    EXPECT_EQ(original, ReadBytes(p.Out(L"foreign.txt")));
}

TEST(Decompress, UnwritableDestinationGivesTheWriteError) {
    Opened p(LayOut({Entry("a.txt", "alpha")}));
    std::wstring destination = p.Out(L"no such folder\\a.txt");
    EXPECT_FALSE(p.package->ExtractEntry(L"a.txt", destination.c_str()));
    ASSERT_EQ(1u, p.boxes.Shown().size());
    EXPECT_EQ(L"Error whilst uncompressing '" + destination + L"', unable to write '" + destination + L"'",
              p.boxes.Shown()[0].text);
    EXPECT_EQ((UINT)(MB_TOPMOST | MB_ICONERROR), p.boxes.Shown()[0].style);
}

TEST(SetupFiles, ExtractsTheScriptBannerAndLicence) {
    ScratchFolder dir;
    MessageRecorder boxes;
    std::wstring folder;
    {
        SetupFiles files;
        bool failed = true;
        std::wstring path = SavePackage(dir.Path(), LayOut({Entry("setup.dat", "[Action]\r\nHi\r\n"),
                                                            Entry("Setup.BMP", "BM.."), Entry("SETUP.lic", "Terms")}));
        files.Create(failed, path.c_str());
        EXPECT_FALSE(failed);
        EXPECT_TRUE(files.HasLicence());
        folder = files.Folder().Text();
        EXPECT_EQ(L'\\', folder.back());
        EXPECT_EQ("[Action]\r\nHi\r\n", ReadBytes(folder + L"setup.dat"));
        EXPECT_EQ("BM..", ReadBytes(folder + L"setup.bmp"));
        EXPECT_EQ("Terms", ReadBytes(folder + L"setup.lic"));
    }
    EXPECT_FALSE(PathExists(folder.c_str())) << "the private folder goes with the package";
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(SetupFiles, WithoutOptionalFilesAndWithoutScript) {
    ScratchFolder dir;
    MessageRecorder boxes;
    SetupFiles plain;
    bool failed = true;
    plain.Create(failed, SavePackage(dir.Path(), LayOut({Entry("setup.dat", "x")}), L"a.pkg").c_str());
    EXPECT_FALSE(failed);
    EXPECT_FALSE(plain.HasLicence());
    EXPECT_FALSE(PathExists(WString(plain.Folder()).Append(L"setup.bmp")));
    EXPECT_TRUE(boxes.Shown().empty());

    SetupFiles scriptless;
    scriptless.Create(failed, SavePackage(dir.Path(), LayOut({Entry("other.dat", "x")}), L"b.pkg").c_str());
    EXPECT_TRUE(failed);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(kUnableToExtract, boxes.Shown()[0].text);
    EXPECT_EQ((UINT)MB_ICONERROR, boxes.Shown()[0].style);
}

// Bytes of this test program's own image found in its file: constant data
// lies at the offset found; what no section's file part holds is refused.
const char kInFile[] = "constant data, stored in the program's file";

TEST(ImageFileOffset, FindsImageBytesInTheProgramFile) {
    HMODULE self = GetModuleHandleW(nullptr);
    wchar_t program[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(self, program, MAX_PATH));
    std::string file = ReadBytes(program);
    uint32_t offset = 0;
    ASSERT_TRUE(ImageFileOffset(self, kInFile, sizeof kInFile, offset));
    ASSERT_LE(offset + sizeof kInFile, file.size());
    EXPECT_EQ(std::string(kInFile, sizeof kInFile), file.substr(offset, sizeof kInFile));

    const char* header = reinterpret_cast<const char*>(self);
    EXPECT_FALSE(ImageFileOffset(self, header, 2, offset)) << "the headers belong to no section";
    EXPECT_FALSE(ImageFileOffset(self, kInFile, 0x7FFFFFFF, offset)) << "runs past its section";
}

}  // namespace

namespace {

const SolidLayout kSolid = {
    {{"setup.dat", "[Project Name]\r\nSolid\r\n"}},
    {{"a.txt", "alpha alpha alpha"}, {"empty.txt", ""}, {"b.txt", "beta beta"}, {"c.txt", "gamma"}},
    {{"d.txt", "delta delta delta delta"}},
};

}  // namespace

TEST(SolidPackage, EveryEntryIsFoundAndExtracted) {
    Opened p(LayOutSolid(kSolid));
    ASSERT_EQ(6, p.package->EntryCount());
    EXPECT_TRUE(p.package->IsSolid());
    EXPECT_EQ(3u, p.package->BlockCount());
    for (const auto& block : kSolid)
        for (const auto& file : block) {
            std::wstring name(file.first.begin(), file.first.end());
            ASSERT_TRUE(p.package->ExtractEntry(name.c_str(), p.Out(L"x").c_str())) << file.first;
            EXPECT_EQ(file.second, ReadBytes(p.Out(L"x"))) << file.first;
        }
    PackageEntry found;
    ASSERT_TRUE(p.package->FindEntry(L"B.TXT", &found));
    EXPECT_EQ(9u, found.unpackedSize);
    EXPECT_EQ(1u, found.block);
    EXPECT_TRUE(p.boxes.Shown().empty());
}

// A packed directory reads as the plain one; damaged (the sum made to
// match), or stating more bytes than its stream holds, it is refused whole.
TEST(SolidPackage, PackedDirectoryReadsAsThePlainOne) {
    Bytes sound = LayOutSolid(kSolid, pf::kPackedDirectory);
    ASSERT_LT(sound.size(), LayOutSolid(kSolid).size() + 13);
    uint32_t directory = DirectoryOffset(sound);
    Bytes damaged = sound, longer = sound;
    damaged[directory + 20] ^= 0x40;
    longer[directory + 5] += 1;
    for (Bytes* bytes : {&sound, &damaged, &longer}) {
        SealPackage(*bytes);
        Opened p(*bytes);
        if (bytes != &sound) {
            EXPECT_EQ(0, p.package->EntryCount());
            ASSERT_EQ(1u, p.boxes.Shown().size());
            EXPECT_EQ(kCorrupted, p.boxes.Shown()[0].text);
            continue;
        }
        ASSERT_EQ(6, p.package->EntryCount());
        ASSERT_TRUE(p.package->ExtractEntry(L"b.txt", p.Out(L"b").c_str()));
        EXPECT_TRUE(p.boxes.Shown().empty());
    }
}

// Each way a solid package can be damaged where the body sum still holds
// (a builder's fault, or bytes made to match): a map that does not hold is
// refused whole as corrupted; a damaged stream fails its own entries only.
TEST(SolidPackage, DamageIsRefusedWhereItLies) {
    Bytes sound = LayOutSolid(kSolid);
    struct Case {
        const char* what;
        size_t at;        // the 32-bit field changed
        uint32_t value;
        bool opens;       // false: the corruption message and no entries
        const char* fails;  // with opens: the entry that no longer extracts
    };
    size_t a = RecordAt(sound, 1), b = RecordAt(sound, 3), block1 = BlockRecordAt(sound, 1);
    uint32_t blockSize = pf::Get32(&sound[block1 + 8]);
    std::vector<Case> cases = {
        {"an entry past its block's end", a + 4, blockSize - 3, false, nullptr},
        {"an entry's size past its block's end", RecordAt(sound, 5) + 8, 1000, false, nullptr},
        {"two entries overlapping", b + 4, 10, false, nullptr},
        {"a block that does not exist", a, 7, false, nullptr},
        {"a block outside the body", block1, (uint32_t)sound.size(), false, nullptr},
        {"a block table outside the body", 8, (uint32_t)sound.size(), false, nullptr},
        {"a wrong CRC-32", b + 12, pf::Get32(&sound[b + 12]) ^ 1, true, "b.txt"},
        {"a block's stream damaged", pf::Get32(&sound[block1]) + 16, pf::Get32(&sound[pf::Get32(&sound[block1]) + 16]) ^ 0x00100000, true, "a.txt"},
    };
    for (const Case& c : cases) {
        Bytes bytes = sound;
        Poke32(bytes, c.at, c.value);
        SealPackage(bytes);
        Opened p(bytes);
        if (!c.opens) {
            EXPECT_EQ(0, p.package->EntryCount()) << c.what;
            ASSERT_EQ(1u, p.boxes.Shown().size()) << c.what;
            EXPECT_EQ(kCorrupted, p.boxes.Shown()[0].text) << c.what;
            continue;
        }
        ASSERT_EQ(6, p.package->EntryCount()) << c.what;
        std::wstring failing(c.fails, c.fails + strlen(c.fails));
        EXPECT_FALSE(p.package->ExtractEntry(failing.c_str(), p.Out(L"x").c_str())) << c.what;
        // The other blocks are untouched.
        EXPECT_TRUE(p.package->ExtractEntry(L"d.txt", p.Out(L"d").c_str())) << c.what;
        EXPECT_TRUE(p.boxes.Shown().empty()) << c.what;
    }
}

// From the given count on, entry records fail to allocate (the test links
// with calloc wrapped): memory running out while the directory is read.
static int g_entriesUntilFailure = -1;
extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __wrap_calloc(size_t count, size_t size) {
    if (size == sizeof(PackageEntry) && g_entriesUntilFailure >= 0 && g_entriesUntilFailure-- == 0) return nullptr;
    return __real_calloc(count, size);
}

TEST(SolidPackage, EntriesReadBeforeMemoryRanOutAreStillChecked) {
    Bytes bytes = LayOutSolid({{{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}}});
    Poke32(bytes, RecordAt(bytes, 1) + 4, 2);  // b.txt overlaps a.txt
    SealPackage(bytes);
    g_entriesUntilFailure = 2;
    Opened p(bytes);
    g_entriesUntilFailure = -1;
    EXPECT_EQ(0, p.package->EntryCount());
}
