// The version resource is a tree of records, each 4-aligned:
//   +0 length  +2 value length  +4 type (1: text)  +6 key, UTF-16 with NUL
//   then padding to 4 bytes, the value (UTF-16 with NUL for text), and the
//   children. A string of StringFileInfo is a leaf record of type 1; its key
//   is found by its place (6 past a 4-aligned offset) and its bytes.
// The tree written: "VS_VERSION_INFO" (value: the 52-byte fixed part,
// signature 0xFEEF04BD) > "StringFileInfo" > "000004b0" > the strings;
// then "VarFileInfo" > "Translation" (value: language 0, code page 1200).
// A string record's value length counts UTF-16 units, NUL included.
#include "version_string.h"

#include <string.h>

#include <algorithm>

#include "pe_resources.h"

bool ReadVersionString(const Bytes& image, const std::string& key, std::string& value) {
    Bytes resource;
    std::string error;
    if (!ReadPeResource(image, 16, 1, resource, error)) return false;
    Bytes pattern;
    for (size_t i = 0; i <= key.size(); i++) pattern.insert(pattern.end(), {(uint8_t)(i < key.size() ? key[i] : 0), 0});
    auto at = resource.begin();
    for (; (at = std::search(at, resource.end(), pattern.begin(), pattern.end())) != resource.end(); at++) {
        size_t k = at - resource.begin();
        if (k < 6 || (k - 6) % 4 || resource[k - 2] != 1) continue;
        value.clear();
        for (size_t v = (k + pattern.size() + 3) / 4 * 4; v + 1 < resource.size() && resource[v]; v += 2)
            value += (char)resource[v];
        return true;
    }
    return false;
}

namespace {

void Pad4(Bytes& b) { b.resize((b.size() + 3) / 4 * 4, 0); }

void Put16At(Bytes& b, size_t at, size_t v) {
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}

void Append16(Bytes& b, uint32_t v) { b.insert(b.end(), {(uint8_t)v, (uint8_t)(v >> 8)}); }
void Append32(Bytes& b, uint32_t v) {
    Append16(b, v & 0xFFFF);
    Append16(b, v >> 16);
}
void AppendText(Bytes& b, const std::u16string& text) {
    for (char16_t c : text) Append16(b, c);
    Append16(b, 0);
}

// Starts a record: its length is set by EndRecord once its children are in.
size_t BeginRecord(Bytes& b, const char* key, uint32_t valueLength, uint32_t type) {
    Pad4(b);
    size_t at = b.size();
    Append16(b, 0);
    Append16(b, valueLength);
    Append16(b, type);
    AppendText(b, std::u16string(key, key + strlen(key)));
    Pad4(b);
    return at;
}
void EndRecord(Bytes& b, size_t at) { Put16At(b, at, b.size() - at); }

void AddString(Bytes& b, const char* key, const std::u16string& value) {
    if (value.empty()) return;
    size_t at = BeginRecord(b, key, (uint32_t)value.size() + 1, 1);
    AppendText(b, value);
    EndRecord(b, at);
}

}  // namespace

void VersionNumbers(const std::u16string& text, uint32_t& high, uint32_t& low) {
    uint32_t parts[4] = {0, 0, 0, 0};
    size_t i = 0;
    for (int part = 0; part < 4 && i < text.size() && text[i] >= u'0' && text[i] <= u'9'; part++) {
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; i++)
            parts[part] = std::min<uint32_t>(parts[part] * 10 + (text[i] - u'0'), 0xFFFF);
        if (i >= text.size() || text[i] != u'.') break;
        i++;
    }
    high = parts[0] << 16 | parts[1];
    low = parts[2] << 16 | parts[3];
}

Bytes WriteVersionResource(const VersionFields& f) {
    Bytes b;
    size_t root = BeginRecord(b, "VS_VERSION_INFO", 52, 0);
    uint32_t high, low;
    VersionNumbers(f.productVersion, high, low);
    for (uint32_t v : {0xFEEF04BDu, 0x00010000u, high, low, high, low, 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u})
        Append32(b, v);
    size_t info = BeginRecord(b, "StringFileInfo", 0, 1);
    size_t table = BeginRecord(b, "000004b0", 0, 1);
    AddString(b, "CompanyName", f.companyName);
    AddString(b, "FileDescription", f.fileDescription);
    AddString(b, "FileVersion", f.productVersion);
    AddString(b, "ProductName", f.productName);
    AddString(b, "ProductVersion", f.productVersion);
    AddString(b, kBuildKey, f.build);
    EndRecord(b, table);
    EndRecord(b, info);
    size_t vars = BeginRecord(b, "VarFileInfo", 0, 1);
    size_t translation = BeginRecord(b, "Translation", 4, 0);
    Append32(b, 1200u << 16);
    EndRecord(b, translation);
    EndRecord(b, vars);
    EndRecord(b, root);
    return b;
}
