#include "support/message_recorder.h"

#include <stdio.h>

#include "base/message_box.h"

namespace {
MessageRecorder* g_current = nullptr;

std::wstring Unescape(const std::wstring& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\\' && i + 1 < s.size()) {
            wchar_t c = s[++i];
            out += c == L'n' ? L'\n' : c == L'r' ? L'\r' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}
}  // namespace

MessageRecorder::MessageRecorder() {
    g_current = this;
    SetMessageBoxHook(&MessageRecorder::Hook);
}

MessageRecorder::~MessageRecorder() {
    SetMessageBoxHook(nullptr);
    g_current = nullptr;
}

int MessageRecorder::Hook(HWND, const wchar_t* text, const wchar_t* caption, UINT style) {
    MessageRecorder* r = g_current;
    r->shown_.push_back({text ? text : L"", caption ? caption : L"", style});
    if (r->whileOpen_) r->whileOpen_();
    if (r->next_ < r->answers_.size()) return r->answers_[r->next_++];
    return DefaultAnswer(style);
}

std::vector<ShownMessage> ReadMessageLog(const std::wstring& path) {
    std::vector<ShownMessage> result;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return result;
    std::string bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    fclose(f);
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
    std::wstring text(units, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), &text[0], units);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        size_t tab1 = line.find(L'\t'), tab2 = line.find(L'\t', tab1 + 1);
        if (tab1 != std::wstring::npos && tab2 != std::wstring::npos) {
            ShownMessage m;
            m.caption = Unescape(line.substr(0, tab1));
            m.style = (UINT)wcstoul(line.substr(tab1 + 1, tab2 - tab1 - 1).c_str(), nullptr, 16);
            m.text = Unescape(line.substr(tab2 + 1));
            result.push_back(m);
        }
        start = end + 2;
    }
    return result;
}
