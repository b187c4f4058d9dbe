// RestoreOnExit: puts a variable back to the value it had when the scope
// began. For process-wide re-entry flags and per-object marks that a nested
// message loop (a message box, a modal dialog) would otherwise leave changed
// for the message that was being handled when it started.
#pragma once

template <typename T>
class RestoreOnExit {
public:
    explicit RestoreOnExit(T& variable) : variable_(variable), saved_(variable) {}
    RestoreOnExit(T& variable, T value) : variable_(variable), saved_(variable) { variable_ = value; }
    ~RestoreOnExit() { variable_ = saved_; }
    RestoreOnExit(const RestoreOnExit&) = delete;
    RestoreOnExit& operator=(const RestoreOnExit&) = delete;

private:
    T& variable_;
    T saved_;
};
