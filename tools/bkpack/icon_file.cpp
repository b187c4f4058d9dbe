// The icon file, little-endian:
//   +0 0  +2 type (1: icon)  +4 image count
//   +6 count entries of 16 bytes: +0 width  +1 height  +2 colours  +3 0
//        +4 planes  +6 bits per pixel  +8 image size  +12 image offset
//   the images (a BMP without its file header, or a PNG)
// An RT_GROUP_ICON is the same 6-byte header and entries of 14 bytes: the
// entry's first 12 bytes, then the RT_ICON id in place of the offset.
#include "icon_file.h"

namespace {

const size_t kHeader = 6, kFileEntry = 16, kGroupEntry = 14;

uint32_t Get16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }

}  // namespace

bool ReadIconFile(const Bytes& file, uint16_t firstId, IconResources& out, std::string& error) {
    error = "not an icon file (.ico)";
    if (file.size() < kHeader || Get16(file, 0) != 0 || Get16(file, 2) != 1) return false;
    uint32_t count = Get16(file, 4);
    if (count == 0 || kHeader + (size_t)count * kFileEntry > file.size() || firstId + count > 0xFFFF) return false;
    out.group.assign(file.begin(), file.begin() + kHeader);
    out.images.clear();
    for (uint32_t i = 0; i < count; i++) {
        size_t entry = kHeader + i * kFileEntry;
        uint64_t size = Get32(file, entry + 8), offset = Get32(file, entry + 12);
        if (size == 0 || offset + size > file.size()) {
            error = "the icon file's image " + std::to_string(i + 1) + " lies outside the file";
            return false;
        }
        out.images.emplace_back(file.begin() + offset, file.begin() + offset + size);
        out.group.insert(out.group.end(), file.begin() + entry, file.begin() + entry + 12);
        uint16_t id = (uint16_t)(firstId + i);
        out.group.insert(out.group.end(), {(uint8_t)id, (uint8_t)(id >> 8)});
    }
    error.clear();
    return true;
}

std::vector<uint16_t> GroupIconIds(const Bytes& group) {
    std::vector<uint16_t> ids;
    if (group.size() < kHeader) return ids;
    for (size_t at = kHeader, i = 0; i < Get16(group, 4) && at + kGroupEntry <= group.size(); i++, at += kGroupEntry)
        ids.push_back((uint16_t)Get16(group, at + 12));
    return ids;
}
