// An entry far larger than any buffer the installer may hold: a file of
// 1.5 GiB and a little more, packed by the real builder (in the win64
// prefix as a solid block, decoded ahead on its own thread; in win32 as a
// classic stream, which keeps the time under an emulator bearable) and
// installed by a silent run of the real installer, then checked and taken
// out again by the builder. The file must arrive whole each time, and the
// memory of the installer and of the builder must grow, over the same
// programs' peaks with a tiny entry in the same layout, by no more than
// chunks and dictionary: a baseline taken in the same run, as an emulator
// running the programs adds its own code cache.
#include <gtest/gtest.h>

#include <stdint.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/process.h"
#include "support/process_memory.h"
#include "support/scratch.h"

namespace {

// Not a multiple of any chunk size, so the last chunk of every stage is short.
const uint64_t kSize = 1610612736ull + 12345;
const uint32_t kBlock = 65536;
const uint32_t kChunk = 1 << 20;
// The level-1 dictionary (1 MiB) holds a whole block, so the file packs to
// a few hundred kilobytes. The growth allowed over the tiny entry's peak: the
// largest dictionary and a chunk; decoding the whole entry at once needs
// more than twenty times that.
const SIZE_T kGrowthBound = (64u << 20) + (1u << 20);

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// 64-bit FNV-1a over whole 32-bit words, then the last 0 to 3 bytes; chunks
// passed to it must be multiples of 4 except the last.
uint64_t Hash(uint64_t h, const uint8_t* data, size_t size) {
    size_t words = size / 4;
    for (size_t i = 0; i < words; i++) h = (h ^ (data[4 * i] | data[4 * i + 1] << 8 | data[4 * i + 2] << 16 |
                                                 (uint32_t)data[4 * i + 3] << 24)) * 0x100000001B3ull;
    for (size_t i = words * 4; i < size; i++) h = (h ^ data[i]) * 0x100000001B3ull;
    return h;
}

// The file: one pseudo-random 64 KiB block over and over, each copy
// starting with its own number, so a lost, doubled or misplaced chunk
// changes the hash. Returns the hash, 0 when the file cannot be written.
uint64_t WriteLargeFile(const std::wstring& path) {
    std::vector<uint8_t> block(kBlock);
    uint32_t seed = 12345;
    for (uint8_t& b : block) b = (uint8_t)((seed = seed * 1103515245 + 12345) >> 16);
    std::vector<uint8_t> chunk(kChunk);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    uint64_t hash = 0xCBF29CE484222325ull;
    uint32_t number = 0;
    for (uint64_t done = 0; done < kSize;) {
        for (uint32_t at = 0; at < kChunk; at += kBlock, number++) {
            memcpy(&chunk[at], block.data(), kBlock);
            memcpy(&chunk[at], &number, 4);
        }
        DWORD n = (DWORD)(kSize - done < kChunk ? kSize - done : kChunk), written = 0;
        if (!WriteFile(h, chunk.data(), n, &written, nullptr) || written != n) {
            CloseHandle(h);
            return 0;
        }
        hash = Hash(hash, chunk.data(), n);
        done += n;
    }
    CloseHandle(h);
    return hash;
}

// The size and hash of a file, read in chunks.
uint64_t HashFile(const std::wstring& path, uint64_t& size) {
    size = 0;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    std::vector<uint8_t> chunk(kChunk);
    uint64_t hash = 0xCBF29CE484222325ull;
    DWORD got = 0;
    while (ReadFile(h, chunk.data(), kChunk, &got, nullptr) && got > 0) {
        hash = Hash(hash, chunk.data(), got);
        size += got;
    }
    CloseHandle(h);
    return hash;
}

// Peaks of one installer's silent run, its verify and its extract.
struct Peaks {
    SIZE_T install = 0, verify = 0, extract = 0;
};

// The layout this prefix tests.
const wchar_t* Layout() {
    const char* kind = getenv("BRASK_PREFIX_KIND");
    return kind && strcmp(kind, "win32") == 0 ? L"classic" : L"solid";
}

// Builds dir\LAYOUT-setup.exe from dir\setup.dat and dir\files.
void Build(const std::wstring& dir, const wchar_t* layout) {
    std::wstring bkpack = L"\"" + BinPath(L"bkpack.exe") + L"\" ";
    ProcessResult build = RunProcess(bkpack + L"build \"" + dir + L"setup.dat\" \"" + dir + L"files\" --stub \"" +
                                         BinPath(L"bkstub.exe") + L"\" -o \"" + dir + layout +
                                         L"-setup.exe\" --level 1 --quiet" +
                                         (wcscmp(layout, L"classic") ? L"" : L" --classic"),
                                     {}, 600000, true);
    EXPECT_FALSE(build.timedOut);
    EXPECT_EQ(0u, build.exitCode) << build.output;
}

// Runs the installer, the verify and the extract of one layout, watching
// each one's memory.
Peaks RunLayout(const std::wstring& dir, const wchar_t* layout) {
    Peaks peaks;
    std::wstring bkpack = L"\"" + BinPath(L"bkpack.exe") + L"\" ";
    std::wstring exe = std::wstring(layout) + L"-setup.exe";
    WatchedRun run = RunWatchingMemory(L"\"" + dir + exe + L"\" --silent", exe.c_str(), 600000);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_GT(run.peakBytes, 0u) << "the installer's memory was never read";
    // The builder's own checks decode the entry as a stream too.
    WatchedRun verify = RunWatchingMemory(bkpack + L"verify \"" + dir + exe + L"\"", L"bkpack.exe", 600000);
    EXPECT_EQ(0u, verify.exitCode);
    WatchedRun extract = RunWatchingMemory(bkpack + L"extract \"" + dir + exe + L"\" \"" + dir + L"out\"",
                                           L"bkpack.exe", 600000);
    EXPECT_EQ(0u, extract.exitCode);
    printf("%ls%ls: installed in %lu ms; peak working sets: install %lu MiB, verify %lu MiB, extract %lu MiB\n",
           dir.c_str(), layout, run.milliseconds, (unsigned long)(run.peakBytes >> 20),
           (unsigned long)(verify.peakBytes >> 20), (unsigned long)(extract.peakBytes >> 20));
    peaks.install = run.peakBytes;
    peaks.verify = verify.peakBytes;
    peaks.extract = extract.peakBytes;
    return peaks;
}

void ExpectGrowthBounded(const char* what, SIZE_T large, SIZE_T tiny) {
    EXPECT_LT(large, tiny + kGrowthBound) << what << ": " << (large >> 20) << " MiB with the large entry, "
                                          << (tiny >> 20) << " MiB with a tiny one";
}

TEST(LargeEntry, InstallsWholeInBoundedMemory) {
    ScratchFolder tiny, large;
    Peaks peaks[2];  // tiny, large
    uint64_t hash = 0;
    const wchar_t* layout = Layout();
    for (int i = 0; i < 2; i++) {
        const std::wstring& dir = i ? large.Path() : tiny.Path();
        CreateDirectoryW((dir + L"files").c_str(), nullptr);
        std::wstring input = dir + L"files\\large.bin";
        if (i) {
            hash = WriteLargeFile(input);
            ASSERT_NE(0u, hash) << "cannot write the input; is the disk full?";
        } else {
            ASSERT_TRUE(WriteBytes(input, "tiny"));
        }
        ASSERT_TRUE(WriteBytes(dir + L"setup.dat", "[Project Name]\r\nLargeEntry\r\n[NoUnInstall]\r\n[Install To]\r\n" +
                                                         Narrow(dir + L"dest\\") +
                                                         "\r\n[CopyFile]\r\nlarge.bin\r\n<Destination>large.bin\r\n"));
        Build(dir, layout);
        // The large input should not sit on the disk twice.
        DeleteFileW(input.c_str());
        peaks[i] = RunLayout(dir, layout);
    }
    // The file arrived whole from the installer and from the extract.
    for (const wchar_t* out : {L"dest\\large.bin", L"out\\large.bin"}) {
        uint64_t size = 0;
        EXPECT_EQ(hash, HashFile(large / out, size)) << Narrow(out) << " " << Narrow(layout);
        EXPECT_EQ(kSize, size) << Narrow(out);
        DeleteFileW((large / out).c_str());
    }
    std::string name = Narrow(layout);
    ExpectGrowthBounded((name + " installer").c_str(), peaks[1].install, peaks[0].install);
    ExpectGrowthBounded((name + " bkpack verify").c_str(), peaks[1].verify, peaks[0].verify);
    ExpectGrowthBounded((name + " bkpack extract").c_str(), peaks[1].extract, peaks[0].extract);
}

}  // namespace
