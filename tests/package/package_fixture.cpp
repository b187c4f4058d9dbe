#include "package/package_fixture.h"

#include "package/package_format.h"
#include "support/scratch.h"

namespace pf = package_format;

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string ToString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes Packed(const std::string& text) {
    Bytes out;
    std::string error;
    PackSettings settings;
    settings.level = 6;
    CompressEntry(ToBytes(text), settings, out, error);
    return out;
}

PackedEntry Entry(const std::string& name, const std::string& text) {
    return PackedEntry{name, Packed(text), (uint32_t)text.size()};
}

Bytes LayOut(const std::vector<PackedEntry>& entries) {
    Bytes out;
    std::string error;
    LayOutPackage(entries, out, error);
    return out;
}

Bytes LayOutSolid(const SolidLayout& layout, uint32_t flags) {
    std::vector<SolidEntry> entries;
    std::vector<SolidBlock> blocks;
    for (const auto& files : layout) {
        std::string all;
        for (const auto& file : files) {
            const Bytes bytes = ToBytes(file.second);
            entries.push_back(SolidEntry{file.first, (uint32_t)blocks.size(), (uint32_t)all.size(),
                                         (uint32_t)bytes.size(), pf::Crc32(0, bytes.data(), (uint32_t)bytes.size())});
            all += file.second;
        }
        blocks.push_back(SolidBlock{Packed(all), (uint32_t)all.size()});
    }
    Bytes out;
    std::string error;
    LayOutSolidPackage(entries, blocks, out, error, flags);
    return out;
}

size_t RecordAt(const Bytes& package, int index) {
    size_t at = DirectoryOffset(package);
    for (int i = 0; i < index; i++) at += pf::kRecordFixedSize + package[at + 16];
    return at;
}

size_t BlockRecordAt(const Bytes& package, int index) { return pf::Get32(&package[8]) + index * pf::kBlockRecordSize; }

uint32_t DirectoryOffset(const Bytes& package) { return pf::Get32(&package[package.size() - pf::kTrailerSize + 8]); }

uint32_t EntryOffset(const Bytes& package, int index) {
    uint32_t at = DirectoryOffset(package);
    for (int i = 0; i < index; i++) at += pf::kRecordFixedSize + package[at + 16];
    return pf::Get32(&package[at]);
}

void Poke32(Bytes& package, size_t at, uint32_t value) { pf::Put32(&package[at], value); }

std::wstring SavePackage(const std::wstring& folder, const Bytes& package, const wchar_t* name) {
    std::wstring path = folder + name;
    WriteBytes(path, ToString(package));
    return path;
}
