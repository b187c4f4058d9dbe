#include "base/lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Items(const StringList& list) {
    std::vector<std::wstring> out;
    for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list[i].Text());
    return out;
}

int g_dummy[600];

TEST(PtrList, GrowthSteps) {
    PtrList list;
    for (int i = 0; i < 16; ++i) list.Push(&g_dummy[i]);
    EXPECT_TRUE(list.UsesInlineArea());
    EXPECT_EQ(16, list.Capacity());
    list.Push(&g_dummy[16]);
    EXPECT_FALSE(list.UsesInlineArea());
    EXPECT_EQ(48, list.Capacity());
    for (int i = 17; i < 49; ++i) list.Push(&g_dummy[i]);
    EXPECT_EQ(112, list.Capacity());
    for (int i = 0; i < 49; ++i) EXPECT_EQ(&g_dummy[i], list.At(i));

    list.Clear();
    EXPECT_EQ(0, list.Capacity());
    list.Push(&g_dummy[0]);
    EXPECT_EQ(32, list.Capacity());
    EXPECT_FALSE(list.UsesInlineArea());
    for (int i = 1; i < 33; ++i) list.Push(&g_dummy[i]);
    EXPECT_EQ(96, list.Capacity());
}

TEST(PtrList, StepIsCappedAtHalfAMillion) {
    PtrList list;
    std::vector<int32_t> capacities;
    for (int i = 0; i < 2200000; ++i) {
        if (list.Count() == list.Capacity()) capacities.push_back(list.Capacity());
        list.Push(nullptr);
    }
    // 16, 48, 112, ... doubling steps, then linear growth by 500000.
    ASSERT_GE(capacities.size(), 3u);
    EXPECT_EQ(16, capacities[0]);
    EXPECT_EQ(48, capacities[1]);
    int32_t last = list.Capacity();
    int32_t before = capacities.back();
    EXPECT_EQ(500000, last - before);
}

TEST(PtrList, InsertAndRemove) {
    PtrList list;
    list.Push(&g_dummy[1]);
    list.InsertAt(-1, &g_dummy[2]);
    list.InsertAt(list.Count() + 5, &g_dummy[3]);
    list.InsertAt(0, &g_dummy[0]);
    ASSERT_EQ(4, list.Count());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(&g_dummy[i], list.At(i));
    list.RemoveAt(list.Count());
    list.RemoveAt(-1);
    EXPECT_EQ(4, list.Count());
    list.RemoveAt(1);
    EXPECT_EQ(&g_dummy[2], list.At(1));
    EXPECT_EQ(3, list.Count());
}

TEST(StringList, OwnershipAndTags) {
    StringList list;
    list.AddString(L"one", 1);
    list.AddString(L"two", 2);
    list.InsertString(0, L"zero");
    EXPECT_EQ(0u, list[0].Tag());
    EXPECT_EQ(2u, list[2].Tag());
    StringList copy;
    copy.AddAll(list);
    list.DeleteAt(0);
    list.DeleteAt(7);
    EXPECT_EQ((std::vector<std::wstring>{L"one", L"two"}), Items(list));
    EXPECT_EQ((std::vector<std::wstring>{L"zero", L"one", L"two"}), Items(copy));
    EXPECT_EQ(1u, copy[1].Tag());
    copy.DeleteAll();
    EXPECT_EQ(0, copy.Count());
}

TEST(StringList, Contains) {
    StringList list;
    EXPECT_FALSE(list.Contains(L"x", true));
    list.AddString(L"setup.dat");
    EXPECT_TRUE(list.Contains(L"SETUP.DAT", true));
    EXPECT_FALSE(list.Contains(L"SETUP.DAT", false));
    EXPECT_TRUE(list.Contains(L"setup.dat", false));
}

TEST(StringList, SplitLines) {
    struct {
        const wchar_t* text;
        std::vector<std::wstring> lines;
    } cases[] = {
        {L"a\r\n\r\nb", {L"a", L"", L"b"}},
        {L"a\nb", {L"a\nb"}},
        {L"a\r\n", {L"a"}},
        {L"a\r\r", {L"a", L""}},
        {L"a\r\n\n\nb\rc", {L"a", L"b", L"c"}},
        {L"", {}},
        {L"\r\n", {L""}},
    };
    StringList list;
    for (auto& c : cases) {
        list.SplitLines(c.text);
        EXPECT_EQ(c.lines, Items(list)) << c.text;
    }
}

TEST(ByteBuffer, Resize) {
    ByteBuffer b;
    EXPECT_TRUE(b.Resize(0, true));
    EXPECT_EQ(1u, b.Capacity());
    EXPECT_EQ(0u, b.Size());
    ASSERT_TRUE(b.Resize(8, false));
    memcpy(b.Data(), "abcdefgh", 8);
    b.firstMark = 6;
    b.secondMark = 8;
    uint8_t* block = b.Data();
    ASSERT_TRUE(b.Resize(4, false));  // shrinking keeps block and contents
    EXPECT_EQ(block, b.Data());
    EXPECT_EQ(0, memcmp(b.Data(), "abcd", 4));
    EXPECT_EQ(4u, b.firstMark);
    EXPECT_EQ(4u, b.secondMark);
    ASSERT_TRUE(b.Resize(8, true));
    EXPECT_EQ(8u, b.Capacity());
    EXPECT_EQ(0, b.Data()[7]);
    ASSERT_TRUE(b.Resize(100, true));
    EXPECT_EQ(100u, b.Capacity());
    b.Free();
    EXPECT_EQ(nullptr, b.Data());
    EXPECT_EQ(0u, b.Capacity());
}

}  // namespace
