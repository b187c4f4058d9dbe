// The version resource is a tree of records, each 4-aligned:
//   +0 length  +2 value length  +4 type (1: text)  +6 key, UTF-16 with NUL
//   then padding to 4 bytes, the value (UTF-16 with NUL for text), and the
//   children. A string of StringFileInfo is a leaf record of type 1; its key
//   is found by its place (6 past a 4-aligned offset) and its bytes.
#include "version_string.h"

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
