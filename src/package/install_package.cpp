#include "package/install_package.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "app/installer_state.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/temp_files.h"
#include "base/texts.h"
#include "package/image_resource.h"
#include "package/lzma_decode.h"
#include "package/package_format.h"

namespace pf = package_format;

namespace {

void ShowCorrupted() {
    ShowMessage(nullptr, Text(kCorrupted), state.caption, MB_ICONERROR);
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return a && b && GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace

InstallPackage::InstallPackage(const wchar_t* sourceFile) {
    CopySource(sourceFile);
    if (packagePath_.IsEmpty() || !file_.OpenPath(packagePath_, GENERIC_READ)) return;
    if (!copyPath_.IsEmpty()) size_ = file_.Size() < 0xFFFFFFFF ? (uint32_t)file_.Size() : 0;
    ReadDirectory();
}

InstallPackage::~InstallPackage() {
    FreeEntries();
    file_.Close();
    if (!copyPath_.IsEmpty()) DeleteTempFile(copyPath_);
}

bool InstallPackage::At(DiskFile& file, uint32_t offset) const {
    return file.Seek((int64_t)base_ + offset, DiskFile::kFromStart);
}

void InstallPackage::CopySource(const wchar_t* sourceFile) {
    HMODULE self = GetModuleHandleW(nullptr);
    wchar_t program[1000];
    DWORD length = GetModuleFileNameW(self, program, 1000);
    bool named = length > 0 && length < 1000;
    uint32_t size, offset;
    // A package after the image is read where it lies: the file of a running
    // program cannot be written, so what is checked stays what is installed.
    const uint8_t* locator = sourceFile ? nullptr : OwnResource(pf::kLocatorId, size);
    if (locator) {
        dataBase_ = packagePath_ = named ? program : L"";
        base_ = size >= pf::kLocatorSize ? pf::Get32(locator) : 0;
        size_ = size >= pf::kLocatorSize ? pf::Get32(locator + 4) : 0;
        if (size_ == 0) packagePath_ = L"";
        return;
    }
    MakeTempFile(copyPath_, "bki", nullptr);
    packagePath_ = copyPath_;
    DiskFile copy;
    copy.SetPath(copyPath_);
    copy.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!copy.IsOpen()) return;
    if (sourceFile) {
        dataBase_ = sourceFile;
        copySummed_ = CopyFileRange(sourceFile, 0, kToEnd, copy, &copySum_);
        return;
    }
    if (named) dataBase_ = program;
    const uint8_t* data = OwnResource(pf::kResourceId, size);
    if (!data) return;
    // Read from the program's file, so the package's pages of the image
    // are never touched; through the image only when that cannot be done.
    if (named && ImageFileOffset(self, data, size, offset) &&
        (copySummed_ = CopyFileRange(program, offset, size, copy, &copySum_)))
        return;
    copy.Seek(0, DiskFile::kFromStart);
    SetEndOfFile(copy.Handle());
    copy.Write(data, size);
}

void InstallPackage::FreeEntries() {
    for (int32_t i = 0; i < entries_.Count(); i++) free(entries_.At(i));
    entries_.Clear();
    names_.Clear();
    free(nextSame_);
    nextSame_ = nullptr;
    free(blocks_);
    blocks_ = nullptr;
    blockCount_ = 0;
    for (uint32_t k = 0; held_ && k < dataFileCount_; k++)
        if (held_[k] != INVALID_HANDLE_VALUE) CloseHandle(held_[k]);
    free(held_);
    held_ = nullptr;
    dataChecked_ = false;
    free(dataFiles_);
    dataFiles_ = nullptr;
    dataFileCount_ = 0;
    utf8Names_ = false;
    packedDirectory_ = false;
}

// The directory's records from the copy, unpacked where the header says it
// is packed. No record is longer than the fixed part and the longest name,
// which bounds what is read or decoded by the count the trailer promises.
bool InstallPackage::ReadDirectoryBytes(uint32_t directoryOffset, uint32_t entryCount, ByteBuffer& out) {
    uint32_t body = size_ - pf::kTrailerSize;
    uint32_t stored = directoryOffset < body ? body - directoryOffset : 0;
    uint64_t most = (uint64_t)entryCount * (pf::kRecordFixedSize + pf::kMaxNameLength);
    if (!packedDirectory_ && most < stored) stored = (uint32_t)most;
    ByteBuffer read;
    ByteBuffer& bytes = packedDirectory_ ? read : out;
    if (!bytes.Resize(stored, false) || !At(file_, directoryOffset) ||
        file_.Read(bytes.Data(), stored) != stored)
        return false;
    return !packedDirectory_ ||
           DecodeLzmaBuffer(read.Data(), stored, most < 0xFFFFFFFF ? (uint32_t)most : 0xFFFFFFFF, out);
}

// The block table of a solid package, which the header announces; false
// for a table that cannot be read or lies outside the blocks.
bool InstallPackage::ReadBlocks(uint32_t directoryOffset) {
    uint8_t reserved[pf::kReservedSize];
    pf::SolidHeader header;
    if (!At(file_, 0) || file_.Read(reserved, sizeof reserved) != sizeof reserved) return false;
    if (!pf::ParseSolidHeader(reserved, header)) return true;
    utf8Names_ = (header.flags & pf::kUtf8Names) != 0;
    packedDirectory_ = (header.flags & pf::kPackedDirectory) != 0;
    // The table lies before the directory, and the directory in the body:
    // the table's size (and each block's) is bounded by the file's before
    // anything is allocated for it.
    if (directoryOffset > size_ - pf::kTrailerSize || header.blockTableOffset > directoryOffset ||
        (directoryOffset - header.blockTableOffset) / pf::kBlockRecordSize < header.blockCount)
        return false;
    blocks_ = (BlockRecord*)malloc(header.blockCount ? header.blockCount * sizeof(BlockRecord) : 1);
    if (!blocks_ || !At(file_, header.blockTableOffset)) return false;
    blockCount_ = header.blockCount;
    for (uint32_t i = 0; i < blockCount_; i++) {
        uint8_t record[pf::kBlockRecordSize];
        if (file_.Read(record, sizeof record) != sizeof record) return false;
        blocks_[i] = ReadBlockRecord(record, header.flags);
    }
    const char* reason = "";
    bool sound = (header.flags & pf::kDataFiles) ? ReadDataFiles(header, directoryOffset, reason)
                                                 : CheckBlocks(blocks_, blockCount_, header.blockTableOffset, reason);
    if (!sound) RunLog("package check: %S", reason);
    return sound;
}

// The data-file table, which lies before the directory like the blocks'.
bool InstallPackage::ReadDataFiles(const pf::SolidHeader& header, uint32_t directoryOffset, const char*& reason) {
    reason = "the data-file table cannot be read";
    if (header.dataFileTableOffset > directoryOffset ||
        (directoryOffset - header.dataFileTableOffset) / pf::kDataFileRecordSize < header.dataFileCount)
        return false;
    dataFiles_ = (DataFileRecord*)malloc(header.dataFileCount ? header.dataFileCount * sizeof(DataFileRecord) : 1);
    if (!dataFiles_ || !At(file_, header.dataFileTableOffset)) return false;
    dataFileCount_ = header.dataFileCount;
    for (uint32_t i = 0; i < dataFileCount_; i++) {
        uint8_t record[pf::kDataFileRecordSize];
        if (file_.Read(record, sizeof record) != sizeof record) return false;
        dataFiles_[i] = ReadDataFileRecord(record);
    }
    return AssignDataFiles(blocks_, blockCount_, header.blockTableOffset, dataFiles_, dataFileCount_, reason);
}

void InstallPackage::DataFilePath(uint32_t file, WString& out) const {
    int32_t dot = dataBase_.FindLastChar(L'.');
    WString base = dot > dataBase_.FindLastChar(L'\\') ? dataBase_.Left(dot - 1) : dataBase_;
    out = WString::Formatted(L"%s-%u.bin", (const wchar_t*)base, file);
}

bool InstallPackage::CheckDataFiles() {
    if (dataChecked_) return true;
    ByteBuffer chunk;
    if (!held_ && (held_ = (HANDLE*)malloc((dataFileCount_ ? dataFileCount_ : 1) * sizeof(HANDLE))) != nullptr)
        for (uint32_t k = 0; k < dataFileCount_; k++) held_[k] = INVALID_HANDLE_VALUE;
    if (!held_ || (dataFileCount_ && !chunk.Resize(pf::kChecksumChunk, false))) return false;
    for (uint32_t k = 0; k < dataFileCount_; k++) {
        WString path;
        DataFilePath(k + 1, path);
        // Held, sharing reads only, while the package is open: no one writes
        // the file after its check.
        if (held_[k] == INVALID_HANDLE_VALUE)
            held_[k] = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
        DiskFile file(held_[k]);
        if (!file.IsOpen()) {
            RunLog("package check: the data file '%s' is missing", (const wchar_t*)path);
            ShowMessage(nullptr, WString::Formatted(Text(kUnableToOpen), (const wchar_t*)path), state.caption,
                        MB_ICONERROR);
            return false;
        }
        uint32_t crc = 0, got = 1;
        uint64_t size = file.Size();
        for (uint64_t left = size; left > 0 && got > 0; left -= got) {
            got = file.Read(chunk.Data(), left < chunk.Size() ? (uint32_t)left : chunk.Size());
            crc = pf::Crc32(crc, chunk.Data(), got);
        }
        if (size != dataFiles_[k].size || got == 0 || crc != dataFiles_[k].crc) {
            RunLog("package check: the data file '%s' is damaged (%I64u bytes, %u expected)", (const wchar_t*)path,
                   size, dataFiles_[k].size);
            ShowMessage(nullptr, WString(Text(kCorrupted)).Append(L"\r\n\r\n").Append(path), state.caption,
                        MB_ICONERROR);
            return false;
        }
    }
    dataChecked_ = true;
    if (dataFileCount_) RunLog("package check: %u data files, sizes and CRC-32s correct", dataFileCount_);
    return true;
}

// Every entry of a solid package inside its block, none overlapping.
bool InstallPackage::CheckMap() {
    uint32_t count = (uint32_t)entries_.Count();
    EntrySpan* spans = (EntrySpan*)malloc(count ? count * sizeof(EntrySpan) : 1);
    if (!spans) return false;
    for (uint32_t i = 0; i < count; i++) {
        const PackageEntry& e = Entry((int32_t)i);
        spans[i] = EntrySpan{e.block, e.offset, e.unpackedSize, e.checksum, i};
    }
    const char* reason = "";
    bool sound = SortAndCheckSpans(spans, count, blocks_, blockCount_, reason);
    if (!sound) RunLog("package check: %S", reason);
    free(spans);
    return sound;
}

void InstallPackage::ReadDirectory() {
    uint32_t size = size_;
    uint8_t trailer[pf::kTrailerSize];
    pf::Trailer parsed;
    if (size < pf::kTrailerSize || !At(file_, size - pf::kTrailerSize) ||
        file_.Read(trailer, sizeof trailer) != sizeof trailer || !pf::ParseTrailer(trailer, parsed) ||
        pf::TrailerSum(trailer) != parsed.trailerSum) {
        RunLog("package check: no valid trailer in %u bytes", size);
        return;
    }
    // Summed as it was copied, unless it came through the image.
    if ((copySummed_ ? copySum_ : BodyChecksum()) != parsed.bodySum) {
        RunLog("package check: the body's checksum does not match");
        ShowCorrupted();
        return;
    }
    ByteBuffer directory;
    if (!ReadBlocks(parsed.directoryOffset) || !ReadDirectoryBytes(parsed.directoryOffset, parsed.entryCount, directory)) {
        RunLog("package check: the block table or the directory cannot be read");
        FreeEntries();
        ShowCorrupted();
        return;
    }
    RunLog("package check: %u bytes, checksum correct, %u entries", size, parsed.entryCount);
    const uint8_t* at = directory.Data();
    uint32_t left = directory.Size();
    for (uint32_t i = 0; i < parsed.entryCount; i++) {
        PackageEntry* entry = (PackageEntry*)calloc(1, sizeof(PackageEntry));
        // Out of memory: the entries read so far still go through the map
        // check below, or overlapping ones would be taken unchecked.
        if (!entry) break;
        // A record cut short ends the directory: every further one would be
        // too, and a count of 4 billion must not keep the installer looping.
        if (left < pf::kRecordFixedSize || left - pf::kRecordFixedSize < at[16]) {
            free(entry);
            break;
        }
        entry->offset = pf::Get32(at);
        entry->packedSize = pf::Get32(at + 4);
        entry->unpackedSize = pf::Get32(at + 8);
        entry->checksum = pf::Get32(at + 12);
        entry->nameLength = at[16];
        if (IsSolid()) {
            entry->block = entry->offset;
            entry->offset = entry->packedSize;
            entry->packedSize = 0;
        }
        // The name is taken as stored; one whose NUL is missing must still
        // end inside the buffer.
        memcpy(entry->name, at + pf::kRecordFixedSize, entry->nameLength);
        entry->name[sizeof entry->name - 1] = 0;
        at += pf::kRecordFixedSize + entry->nameLength;
        left -= pf::kRecordFixedSize + entry->nameLength;
        entries_.Push(entry);
    }
    // A solid map that does not hold is a damaged package: no entry is safe.
    // A packed directory's stream carries no sum of its own, so it must hold
    // exactly the records promised.
    bool whole = !packedDirectory_ || (left == 0 && (uint32_t)entries_.Count() == parsed.entryCount);
    if (IsSolid() && (!whole || !CheckMap())) {
        FreeEntries();
        ShowCorrupted();
        return;
    }
    IndexNames();
}

void InstallPackage::IndexNames() {
    int32_t count = entries_.Count();
    nextSame_ = (int32_t*)malloc((count ? count : 1) * 2 * sizeof(int32_t));
    if (!nextSame_) {
        RunLog("package check: no memory to index %d entries", count);
        FreeEntries();
        return;
    }
    // lastSame: for the first entry of each name, the last one.
    int32_t* lastSame = nextSame_ + count;
    for (int32_t i = 0; i < count; i++) {
        WString name = NameOf(Entry(i));
        int32_t first = names_.Find(name);
        nextSame_[i] = -1;
        lastSame[i] = i;
        if (first < 0) {
            names_.Add(name, i);
        } else {
            nextSame_[lastSame[first]] = i;
            lastSame[first] = i;
        }
    }
}

uint32_t InstallPackage::BodyChecksum() {
    DiskFile reader(file_.Handle());
    if (!At(reader, 0)) return 0;
    uint64_t size = size_;
    uint64_t body = size >= pf::kTrailerSize ? size - pf::kTrailerSize : 0;
    if (body == 0) return 1;
    ByteBuffer buffer;
    if (!buffer.Resize(body < pf::kChecksumChunk ? (uint32_t)body : pf::kChecksumChunk, false)) return 1;
    uint32_t sum = 0;
    while (body > 0) {
        uint32_t chunk = body < pf::kChecksumChunk ? (uint32_t)body : pf::kChecksumChunk;
        if (reader.Read(buffer.Data(), chunk) != chunk) return 0;
        sum = pf::AddBodyChunk(sum, buffer.Data(), chunk);
        body -= chunk;
    }
    return pf::FinishBodySum(sum);
}

WString InstallPackage::NameOf(const PackageEntry& entry) const { return WString::FromAnsi(entry.name, utf8Names_); }

bool InstallPackage::FindEntry(const wchar_t* name, PackageEntry* out) const {
    if (out) memset(out, 0, sizeof *out);
    int32_t first = names_.Find(name);
    if (first >= 0 && out) *out = Entry(first);
    return first >= 0;
}

void InstallPackage::EntryName(int32_t index, WString& out) const {
    if (index >= 0 && index < entries_.Count())
        out = NameOf(Entry(index));
    else
        out = L"";
}

int32_t InstallPackage::LastEntryIndex(const wchar_t* name) const {
    int32_t first = names_.Find(name);
    return first >= 0 ? nextSame_[entries_.Count() + first] : -1;
}

bool InstallPackage::ExtractEntry(const wchar_t* name, const wchar_t* destination) {
    bool extracted = false;
    // Every match is extracted, not only the first: a name listed twice
    // leaves the later entry in place.
    for (int32_t i = names_.Find(name); i >= 0; i = nextSame_[i])
        if (ExtractOne(Entry(i), destination)) extracted = true;
    return extracted;
}

bool InstallPackage::ExtractOne(const PackageEntry& entry, const wchar_t* destination) {
    if (IsSolid()) return ExtractFromBlock(entry, destination);
    // A record's bytes must lie in the body, before the trailer: checked
    // before any temporary file or buffer is made for them.
    uint64_t body = size_ >= pf::kTrailerSize ? size_ - pf::kTrailerSize : 0;
    if ((uint64_t)entry.offset + entry.packedSize > body) {
        RunLog("entry '%s': its %u bytes at %u lie outside the package", (const wchar_t*)NameOf(entry),
               entry.packedSize, entry.offset);
        return false;
    }
    bool result = false;
    At(file_, entry.offset);
    WString packedPath;
    MakeTempFile(packedPath, "Ext", nullptr);
    DiskFile packed;
    packed.SetPath(packedPath);
    packed.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    // Copied through one chunk, summed on the way: the packed bytes of a
    // large entry are never held whole.
    ByteBuffer buffer;
    uint32_t chunk = entry.packedSize < pf::kChecksumChunk ? entry.packedSize : pf::kChecksumChunk;
    bool copied = packed.IsOpen() && buffer.Resize(chunk, false);
    uint32_t sum = 0;
    for (uint32_t left = entry.packedSize; copied && left > 0;) {
        uint32_t n = left < chunk ? left : chunk;
        copied = file_.Read(buffer.Data(), n) == n && packed.Write(buffer.Data(), n);
        sum = pf::AddEntryBytes(sum, buffer.Data(), n);
        left -= n;
    }
    if (!copied) {
        RunLog("entry '%s': its %u bytes could not be read or copied", (const wchar_t*)NameOf(entry), entry.packedSize);
    } else if (sum != entry.checksum) {
        RunLog("entry '%s': its checksum does not match", (const wchar_t*)NameOf(entry));
    } else {
        packed.Close();
        result = Decompress(packedPath, destination);
        if (!result) RunLog("entry '%s' could not be uncompressed", (const wchar_t*)NameOf(entry));
    }
    buffer.Free();
    packed.Close();
    DeleteTempFile(packedPath);
    return result;
}

namespace {

struct Reader {
    DiskFile* file;
    uint32_t left;
};

uint32_t ReadBlockBytes(void* context, uint8_t* buffer, uint32_t size) {
    Reader& r = *static_cast<Reader*>(context);
    uint32_t got = r.file->Read(buffer, size < r.left ? size : r.left);
    r.left -= got;
    return got;
}

// One entry of a block into its destination.
struct OneEntry {
    DiskFile out;
    bool crcHolds = false;
};

bool IgnoreBegin(void*, const EntrySpan&) { return true; }

bool WriteToFile(void* context, const uint8_t* data, uint32_t size) {
    return static_cast<OneEntry*>(context)->out.Write(data, size);
}

bool NoteCrc(void* context, const EntrySpan&, bool crcHolds) {
    static_cast<OneEntry*>(context)->crcHolds = crcHolds;
    return true;
}

}  // namespace

// The block is decoded from its start up to the end of the entry: the bytes
// before it are decoded and passed over.
bool InstallPackage::ExtractFromBlock(const PackageEntry& entry, const wchar_t* destination) {
    // An entry read before the install (a language file) checks the data
    // files first.
    if (entry.block < blockCount_ && blocks_[entry.block].file && !CheckDataFiles()) return false;
    OneEntry one;
    one.out.SetPath(destination);
    one.out.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!one.out.IsOpen()) {
        RunLog("entry '%s': cannot write '%s'", (const wchar_t*)NameOf(entry), destination);
        return false;
    }
    EntrySpan span = {entry.block, entry.offset, entry.unpackedSize, entry.checksum, 0};
    SpanSink sink = {IgnoreBegin, WriteToFile, NoteCrc, &one, nullptr};
    BlockResult result = DecodeSpans(entry.block, &span, 1, sink);
    if (result == kBlockDecoded && one.crcHolds) return true;
    RunLog(result == kBlockDecoded ? "entry '%s': its bytes do not match their CRC-32 (block %u is damaged)"
                                   : "entry '%s': block %u cannot be decoded",
           (const wchar_t*)NameOf(entry), entry.block);
    return false;
}

BlockResult InstallPackage::DecodeSpans(uint32_t block, const EntrySpan* spans, uint32_t count,
                                        const SpanSink& sink) const {
    WString path(packagePath_);
    bool beside = block < blockCount_ && blocks_[block].file;
    if (beside) DataFilePath(blocks_[block].file, path);
    DiskFile file;
    file.SetPath(path);
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    // The file checked, not one put in its place since: data files only
    // once checked.
    HANDLE checked = beside ? (dataChecked_ ? held_[blocks_[block].file - 1] : nullptr) : file_.Handle();
    if (block >= blockCount_ || !file.IsOpen() || !SameFile(file.Handle(), checked) ||
        !(beside ? file.Seek(blocks_[block].offset, DiskFile::kFromStart) : At(file, blocks_[block].offset)))
        return kBlockCorrupt;
    Reader reader = {&file, blocks_[block].packedSize};
    LzmaStreamIo read = {ReadBlockBytes, nullptr, &reader};
    return DecodeBlock(blocks_[block], read, spans, count, sink);
}
