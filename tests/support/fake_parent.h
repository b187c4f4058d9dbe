// Plays the unelevated parent for code running as the elevated child: takes
// every batch written to the command file, keeps its lines, deletes it.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class FakeParent {
public:
    // onBatch runs on the parent's thread before the file is deleted, while
    // the child still waits: it sees the machine as the real parent would.
    explicit FakeParent(const std::wstring& path, std::function<void()> onBatch = nullptr);
    ~FakeParent();
    FakeParent(const FakeParent&) = delete;
    FakeParent& operator=(const FakeParent&) = delete;
    std::vector<std::wstring> Lines();

private:
    void Serve();
    std::wstring path_;
    std::function<void()> onBatch_;
    std::vector<std::wstring> lines_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
