#include "files.h"

bool ReadWholeFile(const std::wstring& path, Bytes& out, std::string& error) {
    InputFile file;
    uint64_t size = 0;
    if (!file.Open(path, size, error)) return false;
    out.resize((size_t)size);
    size_t at = 0;
    while (at < out.size()) {
        int64_t got = file.Read(out.data() + at, out.size() - at);
        if (got <= 0) {
            error = "cannot read '" + Utf8(path) + "'";
            return false;
        }
        at += (size_t)got;
    }
    return true;
}

std::wstring PartialName(const std::wstring& path) { return path + L".partial"; }

bool WriteFileAtomically(const std::wstring& path, const Bytes& data, std::string& error) {
    return WriteFileAtomically(path, std::vector<const Bytes*>{&data}, error);
}

bool WriteFileAtomically(const std::wstring& path, const std::vector<const Bytes*>& parts, std::string& error) {
    std::wstring partial = PartialName(path);
    OutputFile out;
    bool written = out.Create(partial, error);
    for (const Bytes* part : parts) written = written && out.Write(part->data(), part->size());
    if (!out.Close() || !written) {
        if (error.empty()) error = "cannot write '" + Utf8(partial) + "'";
        RemoveFile(partial);
        return false;
    }
    return RenameIntoPlace(partial, path, error);
}

bool ScratchFile::Create(const std::wstring& path, const Bytes& data, std::string& error) {
    Remove();
    if (!WriteWholeFile(path, data, error)) {
        RemoveFile(path);
        return false;
    }
    path_ = path;
    return true;
}

void ScratchFile::Remove() {
    if (!path_.empty()) RemoveFile(path_);
    path_.clear();
}

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        uint32_t c = (uint32_t)text[i];
        // A UTF-16 surrogate pair; an unpaired half is kept as it is.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && (uint32_t)text[i + 1] >= 0xDC00 &&
            (uint32_t)text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + ((uint32_t)text[++i] - 0xDC00);
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        uint8_t lead = (uint8_t)text[i++];
        int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        uint32_t c = more ? lead & (0x3F >> more) : lead;
        for (; more > 0 && i < text.size(); more--) c = (c << 6) | ((uint8_t)text[i++] & 0x3F);
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out += (wchar_t)(0xD800 + ((c - 0x10000) >> 10));
            out += (wchar_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += (wchar_t)c;
        }
    }
    return out;
}

bool NameToWide(const std::string& name, bool utf8, std::wstring& out) {
    if (!utf8) return AnsiToWide(name, out);
    out = FromUtf8(name);
    // Bytes that are no UTF-8 do not come back the same.
    return Utf8(out) == name;
}

bool WideToName(const std::wstring& name, bool utf8, std::string& out) {
    if (!utf8) return WideToAnsi(name, out);
    out = Utf8(name);
    return true;
}
