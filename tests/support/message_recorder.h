// Records every message box a test provokes and answers from a script, so no
// test ever waits on a real modal box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct ShownMessage {
    std::wstring text;
    std::wstring caption;
    UINT style;
};

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    // Answers used in order; once used up, the answer that backs out.
    void Script(std::vector<int> answers) { answers_ = answers; }
    // Runs while each box is open, on the thread that shows it.
    void WhileOpen(std::function<void()> action) { whileOpen_ = action; }
    const std::vector<ShownMessage>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

private:
    static int Hook(HWND, const wchar_t* text, const wchar_t* caption, UINT style);
    std::vector<ShownMessage> shown_;
    std::vector<int> answers_;
    size_t next_ = 0;
    std::function<void()> whileOpen_;
};

// Reads what the real executable recorded through BRASK_TEST_MSGBOX.
std::vector<ShownMessage> ReadMessageLog(const std::wstring& path);
