#include "base/text_set.h"

#include <gtest/gtest.h>

namespace {

TEST(TextSet, FindsEveryTextIgnoringAsciiCaseAcrossGrowth) {
    TextSet set;
    EXPECT_EQ(nullptr, set.Find(L"a"));
    for (uint32_t i = 0; i < 1000; ++i) ASSERT_TRUE(set.Add(WString::Formatted(L"C:\\Folder\\File%u.txt", i), i));
    EXPECT_FALSE(set.Add(L"c:\\FOLDER\\file7.TXT", 5000));
    EXPECT_EQ(1000, set.Count());
    for (uint32_t i = 0; i < 1000; ++i) {
        const WString* found = set.Find(WString::Formatted(L"c:\\folder\\FILE%u.txt", i));
        ASSERT_NE(nullptr, found) << i;
        EXPECT_EQ(i, found->Tag());
    }
    EXPECT_STREQ(L"C:\\Folder\\File7.txt", set.Find(L"C:\\FOLDER\\FILE7.TXT")->Text());
    EXPECT_EQ(nullptr, set.Find(L"C:\\Folder\\File1000.txt"));
    // Only ASCII letters fold, as in Compare.
    ASSERT_TRUE(set.Add(L"\u00c9t\u00e9"));
    EXPECT_EQ(nullptr, set.Find(L"\u00e9t\u00e9"));
}

}  // namespace
