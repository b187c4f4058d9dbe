#include "base/stoppable_thread.h"

#include <gtest/gtest.h>

#include <set>

#include "base/random.h"

namespace {

struct Counter {
    volatile LONG loops = 0;
    volatile LONG sawStop = 0;
};

void PollUntilStopped(EventHandle* stop, void* arg) {
    Counter* c = static_cast<Counter*>(arg);
    while (!stop->IsSignalled()) {
        InterlockedIncrement(&c->loops);
        Sleep(5);
    }
    c->sawStop = 1;
}

void IgnoreStop(EventHandle*, void* arg) {
    Counter* c = static_cast<Counter*>(arg);
    for (;;) {
        InterlockedIncrement(&c->loops);
        Sleep(5);
    }
}

void Finish(EventHandle*, void* arg) { static_cast<Counter*>(arg)->sawStop = 2; }

TEST(StoppableThread, StopsWhenAsked) {
    Counter c;
    StoppableThread t;
    ASSERT_TRUE(t.Start(PollUntilStopped, &c, 5000));
    EXPECT_EQ(1, t.EventName().Find(L"TRDEVTQ-", 1));
    while (c.loops < 3) Sleep(5);
    EXPECT_FALSE(t.IsFinished());
    t.StopAndWait();
    EXPECT_TRUE(t.IsFinished());
    EXPECT_EQ(1, c.sawStop);
    EXPECT_FALSE(t.IsSuspended());
    // Reusable: a second run on the same object.
    Counter d;
    ASSERT_TRUE(t.Start(Finish, &d, 0));
    t.Close();
    EXPECT_EQ(2, d.sawStop);
    EXPECT_TRUE(t.IsFinished());
}

TEST(StoppableThread, SameMillisecondGetsDistinctEvents) {
    Counter c[4];
    StoppableThread t[4];
    std::set<std::wstring> names;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(t[i].Start(PollUntilStopped, &c[i], 5000));
        names.insert(t[i].EventName().Text());
    }
    EXPECT_EQ(4u, names.size());
    // Stopping one does not stop the others.
    t[0].StopAndWait();
    EXPECT_EQ(1, c[0].sawStop);
    Sleep(50);
    for (int i = 1; i < 4; ++i) EXPECT_FALSE(t[i].IsFinished());
}

TEST(StoppableThread, IgnoringThreadIsSuspendedAfterTimeout) {
    Counter c;
    StoppableThread t;
    ASSERT_TRUE(t.Start(IgnoreStop, &c, 300));
    while (c.loops < 2) Sleep(5);
    DWORD started = GetTickCount();
    t.StopAndWait();
    DWORD waited = GetTickCount() - started;
    EXPECT_TRUE(t.IsSuspended());
    EXPECT_GE(waited, 300u);
    EXPECT_LT(waited, 2000u);
    LONG frozen = c.loops;
    Sleep(100);
    EXPECT_EQ(frozen, c.loops);  // suspended, not running on
    EXPECT_FALSE(t.IsFinished());
    // Closing it only lets go of the handle: the thread is not woken again.
    started = GetTickCount();
    t.Close();
    EXPECT_LT(GetTickCount() - started, 200u);
    Sleep(100);
    EXPECT_EQ(frozen, c.loops);
}

struct TryLockArg {
    MutexHandle* m;
    volatile LONG got;
};

DWORD WINAPI TryLockElsewhere(void* p) {
    TryLockArg* a = static_cast<TryLockArg*>(p);
    a->got = a->m->TryLock() ? 1 : 0;
    return 0;
}

TEST(Sync, EventsAndMutexes) {
    EventHandle a, b;
    ASSERT_TRUE(a.Create(L"bktest-event-sync"));
    EXPECT_FALSE(a.Existed());
    ASSERT_TRUE(b.Create(L"bktest-event-sync"));
    EXPECT_TRUE(b.Existed());
    EXPECT_FALSE(b.IsSignalled());
    a.Set();
    EXPECT_TRUE(b.IsSignalled());
    EXPECT_TRUE(b.IsSignalled());  // manual reset stays signalled
    a.Close();
    EXPECT_FALSE(a.IsSignalled());

    MutexHandle m;
    ASSERT_TRUE(m.Create());
    m.Lock();
    EXPECT_TRUE(m.IsLocked());
    TryLockArg arg = {&m, -1};
    HANDLE other = CreateThread(nullptr, 0, TryLockElsewhere, &arg, 0, nullptr);
    WaitForSingleObject(other, 5000);
    CloseHandle(other);
    EXPECT_EQ(0, arg.got);  // held by this thread
    m.Unlock();
    EXPECT_FALSE(m.IsLocked());
    EXPECT_TRUE(m.TryLock());
    m.Unlock();
}

TEST(Random, RangeAndSpread) {
    std::set<uint32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        uint32_t v = RandomBelow(10);
        ASSERT_LT(v, 10u);
        seen.insert(v);
    }
    EXPECT_EQ(10u, seen.size());
    EXPECT_EQ(0u, RandomBelow(1));
    std::set<uint32_t> raw;
    for (int i = 0; i < 100; ++i) raw.insert(RandomBelow(0));
    EXPECT_GT(raw.size(), 95u);
}

}  // namespace
