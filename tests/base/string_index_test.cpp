#include "base/string_index.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringIndex, FindsEveryKeyIgnoringAsciiCaseAcrossGrowth) {
    StringIndex index;
    EXPECT_EQ(-1, index.Find(L"a"));
    for (int32_t i = 0; i < 1000; ++i) ASSERT_TRUE(index.Add(WString::Formatted(L"C:\\Folder\\File%d.txt", i), i));
    EXPECT_FALSE(index.Add(L"c:\\FOLDER\\file7.TXT", 5000));
    EXPECT_EQ(1000, index.Count());
    for (int32_t i = 0; i < 1000; ++i) EXPECT_EQ(i, index.Find(WString::Formatted(L"c:\\folder\\FILE%d.txt", i))) << i;
    EXPECT_EQ(-1, index.Find(L"C:\\Folder\\File1000.txt"));
    // Only ASCII letters fold, as in Compare; a case-sensitive index folds none.
    ASSERT_TRUE(index.Add(L"\u00c9t\u00e9", 1));
    EXPECT_EQ(-1, index.Find(L"\u00e9t\u00e9"));
    StringIndex exact(false);
    ASSERT_TRUE(exact.Add(L"[CopyFile]", 3));
    EXPECT_EQ(-1, exact.Find(L"[copyfile]"));
    EXPECT_EQ(3, exact.Find(L"[CopyFile]"));
}

// Keys longer than the blocks that hold them, between short ones: none
// overwrites another.
TEST(StringIndex, KeepsLongKeysBesideShortOnes) {
    StringIndex index;
    std::wstring longKey(9000, L'x');
    for (int32_t i = 0; i < 40; ++i) {
        std::wstring key = (i % 3 ? std::wstring(L"short") : longKey) + std::to_wstring(i);
        ASSERT_TRUE(index.Add(key.c_str(), i));
    }
    for (int32_t i = 0; i < 40; ++i)
        EXPECT_EQ(i, index.Find(((i % 3 ? std::wstring(L"short") : longKey) + std::to_wstring(i)).c_str())) << i;
}

}  // namespace
