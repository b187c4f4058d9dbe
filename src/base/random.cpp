#include "base/random.h"

#include <windows.h>

namespace {

class Mt19937 {
public:
    void Seed(uint32_t seed) {
        state_[0] = seed;
        for (index_ = 1; index_ < 624; ++index_)
            state_[index_] = 1812433253u * (state_[index_ - 1] ^ (state_[index_ - 1] >> 30)) + index_;
    }

    uint32_t Next() {
        if (index_ >= 624) Twist();
        uint32_t y = state_[index_++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        return y;
    }

private:
    void Twist() {
        for (int i = 0; i < 624; ++i) {
            uint32_t y = (state_[i] & 0x80000000u) | (state_[(i + 1) % 624] & 0x7FFFFFFFu);
            state_[i] = state_[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1) ? 0x9908B0DFu : 0);
        }
        index_ = 0;
    }

    uint32_t state_[624];
    uint32_t index_ = 625;
};

// Built before the entry point runs, like the other process-wide objects.
class RandomSource {
public:
    RandomSource() {
        InitializeCriticalSection(&lock_);
        SYSTEMTIME t;
        GetSystemTime(&t);
        uint32_t seed = (uint32_t)t.wMilliseconds * t.wMilliseconds + (uint32_t)t.wSecond * t.wSecond +
                        (uint32_t)t.wMinute * t.wMinute + (uint32_t)t.wHour * t.wHour + (uint32_t)t.wYear * t.wYear;
        LARGE_INTEGER counter;
        if (QueryPerformanceCounter(&counter))
            seed = seed * (uint32_t)counter.LowPart + (uint32_t)counter.HighPart;
        seed += GetTickCount();
        generator_.Seed(seed);
    }
    ~RandomSource() { DeleteCriticalSection(&lock_); }

    uint32_t Draw(uint32_t n) {
        EnterCriticalSection(&lock_);
        uint32_t r = generator_.Next();
        LeaveCriticalSection(&lock_);
        if (n == 0) return r;
        uint32_t v = (uint32_t)(((uint64_t)r * n) >> 32);
        return v < n ? v : n - 1;
    }

private:
    CRITICAL_SECTION lock_;
    Mt19937 generator_;
};

RandomSource g_random;

}  // namespace

uint32_t RandomBelow(uint32_t n) { return g_random.Draw(n); }
