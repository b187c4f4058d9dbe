#include "support/fake_parent.h"

#include <windows.h>

#include "support/scratch.h"

FakeParent::FakeParent(const std::wstring& path, std::function<void()> onBatch)
    : path_(path), onBatch_(onBatch), thread_([this] { Serve(); }) {}

FakeParent::~FakeParent() {
    stop_ = true;
    thread_.join();
}

std::vector<std::wstring> FakeParent::Lines() {
    Sleep(200);
    return lines_;
}

void FakeParent::Serve() {
    while (!stop_) {
        Sleep(50);
        if (ReadBytes(path_).empty()) continue;
        Sleep(100);  // the writer may still be writing
        std::string bytes = ReadBytes(path_);
        std::wstring text((const wchar_t*)bytes.data(), bytes.size() / 2);
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find(L"\r\n", at);
            if (end == std::wstring::npos) end = text.size();
            lines_.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        if (onBatch_) onBatch_();
        DeleteFileW(path_.c_str());
    }
}
