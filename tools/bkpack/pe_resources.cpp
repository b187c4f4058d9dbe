// The resource section as this writer lays it out (the reader takes any
// layout). Integers little-endian; offsets inside the tree count from the
// start of the section, data entries hold RVAs.
//
//   directory tables, breadth first: the root (types), each type's table
//   (names), each name's table (languages); each one:
//     +0 characteristics  +4 time stamp  +8 version (all 0)
//     +12 named entries (16 bits)  +14 id entries (16 bits)
//     +16 entries of 8 bytes, the named ones first:
//           +0 id, or 0x80000000 | offset of the name string
//           +4 0x80000000 | offset of a table, or offset of a data entry
//   data entries, 16 bytes each, in the order their tables list them:
//     +0 RVA of the data  +4 size  +8 code page  +12 0
//   name strings: 16-bit length, then UTF-16 without a NUL, 2-aligned
//   the resources' data, each at a multiple of 8, in data-entry order,
//   but the data written, which comes last, at a multiple of the file
//   alignment: cutting the file there leaves the image without it (the
//   installer writes its uninstaller so)
//
// The image around it:
//   - the section is laid out anew, whole, as the last section; sections
//     after the old one may only be the base relocations (which nothing
//     addresses but the data directory), and they move before the new one;
//   - it starts at a page-aligned file offset (4096), so that a loader that
//     maps sections from the file (Wine maps those, and reads the others
//     whole into memory) maps it instead of reading the package in;
//   - section table, SizeOfImage, SizeOfInitializedData, the resource and
//     relocation directories and the checksum follow; a certificate table
//     is dropped (its signature no longer holds); other bytes after the
//     last section follow it.
#include "pe_resources.h"

#include <string.h>

#include <algorithm>
#include <vector>

namespace {

const uint32_t kPage = 4096;
const uint32_t kSectionHeaderSize = 40;
const uint32_t kDirResource = 2, kDirCertificate = 4, kDirRelocation = 5;
const uint32_t kHighBit = 0x80000000u;
const uint32_t kInitializedData = 0x40;
const int kMaxDepth = 3;

uint16_t Get16(const Bytes& b, size_t at) { return (uint16_t)(b[at] | (b[at + 1] << 8)); }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | ((uint32_t)Get16(b, at + 2) << 16); }
void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}
uint32_t Align(uint32_t v, uint32_t to) { return (v + to - 1) / to * to; }

struct Section {
    uint32_t virtualSize, rva, rawSize, rawOffset;
    size_t header;  // offset of its header in the image
};

// The headers of an image, checked so every later read is in bounds.
struct Image {
    const Bytes* bytes;
    size_t coff, optional, directories, sectionTable;
    uint32_t directoryCount, fileAlignment, sectionAlignment, headersSize;
    std::vector<Section> sections;

    uint32_t DirRva(uint32_t i) const { return i < directoryCount ? Get32(*bytes, directories + 8 * i) : 0; }
    uint32_t DirSize(uint32_t i) const { return i < directoryCount ? Get32(*bytes, directories + 8 * i + 4) : 0; }
    int SectionOf(uint32_t rva) const {
        for (size_t i = 0; i < sections.size(); i++) {
            const Section& s = sections[i];
            uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
            if (rva >= s.rva && rva - s.rva < span) return (int)i;
        }
        return -1;
    }
    // The file bytes at rva, size long, or false when they are not all there.
    bool Span(uint32_t rva, uint32_t size, size_t& offset) const {
        int i = SectionOf(rva);
        if (i < 0) return false;
        const Section& s = sections[i];
        uint64_t inSection = rva - s.rva;
        if (inSection + size > s.rawSize || (uint64_t)s.rawOffset + inSection + size > bytes->size()) return false;
        offset = s.rawOffset + (size_t)inSection;
        return true;
    }
};

bool ParseImage(const Bytes& b, Image& image, std::string& error) {
    error = "not a sound Windows program (PE headers)";
    if (!IsPeFile(b)) return false;
    image.bytes = &b;
    image.coff = Get32(b, 0x3C) + 4;
    if (image.coff + 20 > b.size()) return false;
    uint32_t count = Get16(b, image.coff + 2);
    uint32_t optionalSize = Get16(b, image.coff + 16);
    image.optional = image.coff + 20;
    image.sectionTable = image.optional + optionalSize;
    if (image.sectionTable + (uint64_t)count * kSectionHeaderSize > b.size() || optionalSize < 2) return false;
    uint16_t magic = Get16(b, image.optional);
    size_t dirs = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
    if (!dirs || optionalSize < dirs) return false;
    image.directories = image.optional + dirs;
    image.directoryCount = Get32(b, image.optional + dirs - 4);
    if (image.directoryCount > (optionalSize - dirs) / 8) image.directoryCount = (uint32_t)(optionalSize - dirs) / 8;
    image.sectionAlignment = Get32(b, image.optional + 32);
    image.fileAlignment = Get32(b, image.optional + 36);
    image.headersSize = Get32(b, image.optional + 60);
    if (image.fileAlignment == 0 || image.sectionAlignment == 0 || image.fileAlignment > 0x10000) return false;
    image.sections.clear();
    for (uint32_t i = 0; i < count; i++) {
        size_t h = image.sectionTable + i * kSectionHeaderSize;
        image.sections.push_back({Get32(b, h + 8), Get32(b, h + 12), Get32(b, h + 16), Get32(b, h + 20), h});
    }
    error.clear();
    return true;
}

// One node of the resource tree: a table of children, or a leaf of data.
struct Node {
    bool named = false;
    std::u16string name;
    uint32_t id = 0;
    bool leaf = false;
    Bytes data;
    uint32_t codePage = 0;
    size_t fileOffset = 0;  // of a leaf's data, as read
    std::vector<Node> children;
};

class TreeReader {
public:
    TreeReader(const Image& image, size_t base, uint32_t size) : image_(image), b_(*image.bytes), base_(base), size_(size) {}

    bool Read(uint32_t offset, int depth, Node& node) {
        if (depth > kMaxDepth || !Fits(offset, 16)) return false;
        uint32_t count = (uint32_t)Get16(b_, base_ + offset + 12) + Get16(b_, base_ + offset + 14);
        if (!Fits(offset + 16, count * 8)) return false;
        for (uint32_t i = 0; i < count; i++) {
            size_t entry = base_ + offset + 16 + i * 8;
            Node child;
            uint32_t name = Get32(b_, entry), target = Get32(b_, entry + 4);
            child.named = (name & kHighBit) != 0;
            if (child.named && !ReadName(name & ~kHighBit, child.name)) return false;
            if (!child.named) child.id = name;
            if (target & kHighBit) {
                if (!Read(target & ~kHighBit, depth + 1, child)) return false;
            } else if (!ReadLeaf(target, child)) {
                return false;
            }
            node.children.push_back(std::move(child));
        }
        return true;
    }

private:
    bool Fits(uint64_t offset, uint64_t size) const { return offset + size <= size_; }

    bool ReadName(uint32_t offset, std::u16string& out) {
        if (!Fits(offset, 2)) return false;
        uint32_t length = Get16(b_, base_ + offset);
        if (!Fits(offset + 2, length * 2)) return false;
        for (uint32_t i = 0; i < length; i++) out += (char16_t)Get16(b_, base_ + offset + 2 + i * 2);
        return true;
    }

    bool ReadLeaf(uint32_t offset, Node& node) {
        if (!Fits(offset, 16)) return false;
        uint32_t rva = Get32(b_, base_ + offset), size = Get32(b_, base_ + offset + 4);
        size_t at = 0;
        if (!image_.Span(rva, size, at)) return false;
        node.leaf = true;
        node.fileOffset = at;
        node.data.assign(b_.begin() + at, b_.begin() + at + size);
        node.codePage = Get32(b_, base_ + offset + 8);
        return true;
    }

    const Image& image_;
    const Bytes& b_;
    size_t base_;
    uint32_t size_;
};

bool ReadTree(const Image& image, Node& root, std::string& error) {
    uint32_t rva = image.DirRva(kDirResource);
    if (rva == 0) return true;  // no resources at all
    int i = image.SectionOf(rva);
    size_t base = 0;
    if (i < 0 || !image.Span(rva, 16, base)) {
        error = "the resource directory lies outside the program's sections";
        return false;
    }
    const Section& s = image.sections[i];
    uint32_t available = s.rawSize - (rva - s.rva);
    if ((uint64_t)s.rawOffset + (rva - s.rva) + available > image.bytes->size())
        available = (uint32_t)(image.bytes->size() - (s.rawOffset + (rva - s.rva)));
    TreeReader reader(image, base, available);
    if (!reader.Read(0, 1, root)) {
        error = "the program's resource tree is damaged";
        return false;
    }
    return true;
}

// The child with this id, inserted among the id entries in ascending order
// when it is not there yet.
Node& ChildWithId(Node& node, uint32_t id) {
    size_t at = 0;
    for (; at < node.children.size(); at++) {
        Node& child = node.children[at];
        if (!child.named && child.id == id) return child;
        if (!child.named && child.id > id) break;
    }
    Node fresh;
    fresh.id = id;
    return *node.children.insert(node.children.begin() + at, std::move(fresh));
}

const Node* FindChild(const Node& node, uint32_t id) {
    for (const Node& child : node.children)
        if (!child.named && child.id == id) return &child;
    return nullptr;
}

// The leaf of type/id in the first language listed, or null with the reason.
const Node* FindLeaf(const Node& root, uint16_t type, uint16_t id, std::string& error) {
    const Node* t = FindChild(root, type);
    const Node* n = t ? FindChild(*t, id) : nullptr;
    const Node* leaf = n && !n->children.empty() ? &n->children[0] : nullptr;
    if (leaf && leaf->leaf) return leaf;
    error = "it holds no resource " + std::to_string(id) + " of type " + std::to_string(type);
    return nullptr;
}

// Lays out the tree as the map above says, for a section at rva, the data
// of last at the end, at a multiple of lastAlign.
Bytes WriteTree(const Node& root, uint32_t rva, const Node* last, uint32_t lastAlign) {
    std::vector<const Node*> tables = {&root}, leaves;
    for (size_t i = 0; i < tables.size(); i++)
        for (const Node& child : tables[i]->children) (child.leaf ? leaves : tables).push_back(&child);
    uint32_t size = 0;
    std::vector<uint32_t> tableAt;
    for (const Node* t : tables) {
        tableAt.push_back(size);
        size += 16 + 8 * (uint32_t)t->children.size();
    }
    uint32_t leavesAt = size;
    size += 16 * (uint32_t)leaves.size();
    std::vector<uint32_t> nameAt;  // for every named child, in table order
    for (const Node* t : tables)
        for (const Node& child : t->children)
            if (child.named) {
                nameAt.push_back(size);
                size = Align(size + 2 + 2 * (uint32_t)child.name.size(), 2);
            }
    std::vector<uint32_t> dataAt(leaves.size());
    for (int pass = 0; pass < 2; pass++)
        for (size_t i = 0; i < leaves.size(); i++)
            if ((leaves[i] == last) == (pass == 1)) {
                size = Align(size, pass ? lastAlign : 8);
                dataAt[i] = size;
                size += (uint32_t)leaves[i]->data.size();
            }
    Bytes out(size, 0);
    size_t nextTable = 1, nextLeaf = 0, nextName = 0;
    for (size_t t = 0; t < tables.size(); t++) {
        uint32_t at = tableAt[t];
        uint32_t named = 0;
        for (const Node& child : tables[t]->children) named += child.named;
        Put16(out, at + 12, named);
        Put16(out, at + 14, (uint32_t)tables[t]->children.size() - named);
        at += 16;
        for (const Node& child : tables[t]->children) {
            if (child.named) {
                uint32_t s = nameAt[nextName++];
                Put32(out, at, kHighBit | s);
                Put16(out, s, (uint32_t)child.name.size());
                for (size_t c = 0; c < child.name.size(); c++) Put16(out, s + 2 + 2 * c, child.name[c]);
            } else {
                Put32(out, at, child.id);
            }
            Put32(out, at + 4, child.leaf ? leavesAt + 16 * (uint32_t)nextLeaf++ : kHighBit | tableAt[nextTable++]);
            at += 8;
        }
    }
    for (size_t i = 0; i < leaves.size(); i++) {
        uint32_t entry = leavesAt + 16 * (uint32_t)i;
        Put32(out, entry, rva + dataAt[i]);
        Put32(out, entry + 4, (uint32_t)leaves[i]->data.size());
        Put32(out, entry + 8, leaves[i]->codePage);
        if (!leaves[i]->data.empty()) memcpy(&out[dataAt[i]], leaves[i]->data.data(), leaves[i]->data.size());
    }
    return out;
}

// The checksum the loader checks for drivers and ImageHlp computes: 16-bit
// words added with end-around carry, the checksum field left out, plus the
// file's length.
// A tail (bytes after the image) continues the words of b, whose size is
// then even.
uint32_t ImageChecksum(const Bytes& b, size_t checksumAt, const Bytes* tail = nullptr) {
    uint64_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2) continue;
        sum += b[i] | (i + 1 < b.size() ? b[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    size_t tailSize = tail ? tail->size() : 0;
    for (size_t i = 0; i < tailSize; i += 2) {
        sum += (*tail)[i] | (i + 1 < tailSize ? (*tail)[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint32_t)(sum + b.size() + tailSize);
}

}  // namespace

bool IsPeFile(const Bytes& file) {
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return false;
    uint32_t pe = Get32(file, 0x3C);
    return pe <= file.size() - 4 && file[pe] == 'P' && file[pe + 1] == 'E' && file[pe + 2] == 0 && file[pe + 3] == 0;
}

bool ReadPeResource(const Bytes& image, uint16_t type, uint16_t id, Bytes& out, std::string& error) {
    Image parsed;
    Node root;
    if (!ParseImage(image, parsed, error) || !ReadTree(parsed, root, error)) return false;
    const Node* leaf = FindLeaf(root, type, id, error);
    if (leaf) out = leaf->data;
    return leaf != nullptr;
}

bool PlaceAfterImage(Bytes& image, uint16_t type, uint16_t id, const Bytes& tail, std::string& error) {
    Image parsed;
    Node root;
    if (!ParseImage(image, parsed, error) || !ReadTree(parsed, root, error)) return false;
    const Node* leaf = FindLeaf(root, type, id, error);
    if (!leaf) return false;
    if (leaf->data.size() < 8) {
        error = "its resource " + std::to_string(id) + " is too small to locate data";
        return false;
    }
    image.resize(Align((uint32_t)image.size(), parsed.fileAlignment), 0);
    if ((uint64_t)image.size() + tail.size() > 0xFFFFFFFFu) {
        error = "the program and its data would pass the 4 GiB a file offset can address";
        return false;
    }
    Put32(image, leaf->fileOffset, (uint32_t)image.size());
    Put32(image, leaf->fileOffset + 4, (uint32_t)tail.size());
    Put32(image, parsed.optional + 64, ImageChecksum(image, parsed.optional + 64, &tail));
    return true;
}

std::vector<uint16_t> PeResourceIds(const Bytes& in, uint16_t type) {
    Image image;
    Node root;
    std::string error;
    std::vector<uint16_t> ids;
    if (!ParseImage(in, image, error) || !ReadTree(image, root, error)) return ids;
    const Node* t = FindChild(root, type);
    if (t)
        for (const Node& child : t->children)
            if (!child.named) ids.push_back((uint16_t)child.id);
    return ids;
}

bool WritePeResource(const Bytes& in, uint16_t type, uint16_t id, uint16_t language, const Bytes& data, Bytes& out,
                     std::string& error) {
    return WritePeResources(in, {{type, id, language, data, false}}, out, error);
}

bool WritePeResources(const Bytes& in, const std::vector<ResourceChange>& changes, Bytes& out, std::string& error) {
    Image image;
    Node root;
    if (!ParseImage(in, image, error) || !ReadTree(image, root, error)) return false;
    // The last set is found again after the others: inserting children
    // moves nodes.
    const ResourceChange* lastSet = nullptr;
    for (const ResourceChange& c : changes) {
        Node& typeNode = ChildWithId(root, c.type);
        if (typeNode.leaf) {
            error = "the program's resource tree is damaged";
            return false;
        }
        if (c.remove) {
            auto& names = typeNode.children;
            for (size_t i = 0; i < names.size(); i++)
                if (!names[i].named && names[i].id == c.id) names.erase(names.begin() + i--);
            if (names.empty()) root.children.erase(root.children.begin() + (&typeNode - &root.children[0]));
            continue;
        }
        Node& nameNode = ChildWithId(typeNode, c.id);
        Node& leaf = nameNode.leaf ? nameNode : ChildWithId(nameNode, c.language);
        if (nameNode.leaf || !leaf.children.empty()) {
            error = "the program's resource tree is damaged";
            return false;
        }
        leaf.leaf = true;
        leaf.data = c.data;
        leaf.codePage = 0;
        lastSet = &c;
    }
    Node* found = nullptr;
    if (lastSet) {
        Node& t = ChildWithId(root, lastSet->type);
        found = &ChildWithId(ChildWithId(t, lastSet->id), lastSet->language);
    }
    if (!found) {
        error = "no resource is written";
        return false;
    }
    Node& leaf = *found;

    // Which sections stay, and where the resources go.
    size_t count = image.sections.size();
    int old = image.DirRva(kDirResource) ? image.SectionOf(image.DirRva(kDirResource)) : -1;
    if (old >= 0 && image.sections[old].rva != image.DirRva(kDirResource)) {
        error = "the resources share their section with other data; cannot lay them out";
        return false;
    }
    size_t first = old >= 0 ? (size_t)old : count;  // first section laid out anew
    uint32_t relocations = image.DirRva(kDirRelocation);
    while (old < 0 && first > 0 && image.SectionOf(relocations) == (int)first - 1 && relocations) first--;
    for (size_t i = first + (old >= 0); i < count; i++)
        if (image.SectionOf(relocations) != (int)i || !relocations) {
            error = "a section other than the base relocations follows the resources; cannot lay them out";
            return false;
        }
    uint32_t keptEnd = image.headersSize, vaEnd = Align(image.headersSize, image.sectionAlignment);
    for (size_t i = 0; i < first; i++) {
        const Section& s = image.sections[i];
        if (s.rawSize) keptEnd = std::max(keptEnd, s.rawOffset + s.rawSize);
        vaEnd = std::max(vaEnd, Align(s.rva + std::max(s.virtualSize, s.rawSize), image.sectionAlignment));
    }
    uint32_t fileEnd = keptEnd;
    for (const Section& s : image.sections)
        if (s.rawSize) fileEnd = std::max(fileEnd, s.rawOffset + s.rawSize);
    if (fileEnd > in.size() || keptEnd > in.size()) {
        error = "the program's sections run past its end";
        return false;
    }
    size_t newCount = old >= 0 ? count : count + 1;
    if (image.sectionTable + newCount * kSectionHeaderSize > image.headersSize) {
        error = "the program's headers have no room for a resource section";
        return false;
    }

    // The headers and the sections before the resources, as they were; the
    // base relocations after them, moved.
    out.assign(in.begin(), in.begin() + keptEnd);
    out.resize(Align((uint32_t)out.size(), image.fileAlignment), 0);
    std::vector<Section> placed;
    std::vector<size_t> from;  // index in the input's table
    uint32_t nextRva = vaEnd;
    for (size_t i = first; i < count; i++) {
        if ((int)i == old) continue;
        const Section& s = image.sections[i];
        Section moved = {s.virtualSize, nextRva, s.rawSize, s.rawSize ? (uint32_t)out.size() : 0, 0};
        out.insert(out.end(), in.begin() + s.rawOffset, in.begin() + s.rawOffset + s.rawSize);
        placed.push_back(moved);
        from.push_back(i);
        nextRva = Align(nextRva + std::max(s.virtualSize, s.rawSize), image.sectionAlignment);
    }
    uint32_t rsrcRva = nextRva;
    Bytes tree = WriteTree(root, rsrcRva, &leaf, image.fileAlignment);
    out.resize(Align((uint32_t)out.size(), std::max(kPage, image.fileAlignment)), 0);
    uint32_t rsrcOffset = (uint32_t)out.size();
    out.insert(out.end(), tree.begin(), tree.end());
    out.resize(Align((uint32_t)out.size(), image.fileAlignment), 0);
    Section rsrc = {(uint32_t)tree.size(), rsrcRva, (uint32_t)out.size() - rsrcOffset, rsrcOffset, 0};
    placed.push_back(rsrc);
    from.push_back(old >= 0 ? (size_t)old : count);
    nextRva = Align(rsrcRva + rsrc.virtualSize, image.sectionAlignment);
    // Bytes after the last section (not a certificate table) stay after it.
    uint32_t certificate = image.DirRva(kDirCertificate);
    uint32_t overlayEnd = certificate >= fileEnd && certificate < in.size() ? certificate : (uint32_t)in.size();
    int64_t overlayShift = (int64_t)out.size() - fileEnd;
    out.insert(out.end(), in.begin() + fileEnd, in.begin() + std::max(fileEnd, overlayEnd));

    for (size_t k = 0; k < placed.size(); k++) {
        size_t h = image.sectionTable + (first + k) * kSectionHeaderSize;
        if (from[k] < count) {
            memcpy(&out[h], &in[image.sections[from[k]].header], kSectionHeaderSize);
        } else {
            memset(&out[h], 0, kSectionHeaderSize);
            memcpy(&out[h], ".rsrc", 5);
            Put32(out, h + 36, 0x40000040);  // initialised data, readable
        }
        Put32(out, h + 8, placed[k].virtualSize);
        Put32(out, h + 12, placed[k].rva);
        Put32(out, h + 16, placed[k].rawSize);
        Put32(out, h + 20, placed[k].rawOffset);
        if (from[k] != (size_t)old && from[k] < count)
            Put32(out, image.directories + 8 * kDirRelocation, relocations - image.sections[from[k]].rva + placed[k].rva);
    }
    Put16(out, image.coff + 2, (uint32_t)newCount);
    uint32_t symbols = Get32(in, image.coff + 8);
    if (symbols >= fileEnd) Put32(out, image.coff + 8, (uint32_t)(symbols + overlayShift));
    uint32_t oldRaw = old >= 0 ? image.sections[old].rawSize : 0;
    uint32_t oldFlags = old >= 0 ? Get32(in, image.sections[old].header + 36) : kInitializedData;
    if (oldFlags & kInitializedData)
        Put32(out, image.optional + 8, Get32(in, image.optional + 8) - oldRaw + rsrc.rawSize);
    Put32(out, image.optional + 56, nextRva);  // SizeOfImage
    if (image.directoryCount <= kDirResource) {
        error = "the program's headers have no resource directory entry";
        return false;
    }
    Put32(out, image.directories + 8 * kDirResource, rsrcRva);
    Put32(out, image.directories + 8 * kDirResource + 4, (uint32_t)tree.size());
    if (image.directoryCount > kDirCertificate) {
        Put32(out, image.directories + 8 * kDirCertificate, 0);
        Put32(out, image.directories + 8 * kDirCertificate + 4, 0);
    }
    Put32(out, image.optional + 64, ImageChecksum(out, image.optional + 64));
    return true;
}
