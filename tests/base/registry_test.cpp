#include "base/registry.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/random.h"

namespace {

// A fresh key under HKEY_CURRENT_USER\Software for one test, removed after
// it with the system's own tree deletion (not the code under test).
class ScratchKey {
public:
    ScratchKey() {
        path_ = L"Software\\BraskTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(RandomBelow(0));
    }
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }
    const wchar_t* Path() const { return path_.c_str(); }
    std::wstring operator/(const std::wstring& sub) const { return path_ + L"\\" + sub; }

private:
    std::wstring path_;
};

bool KeyExists(const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Type and bytes as the system reports them.
bool RawValue(const std::wstring& path, const wchar_t* name, DWORD& type, std::string& data) {
    char buffer[256];
    DWORD bytes = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &bytes) !=
        ERROR_SUCCESS)
        return false;
    data.assign(buffer, bytes);
    return true;
}

void SetRaw(const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name, type, data, size));
}

TEST(Registry, StringsWrittenAndReadBack) {
    ScratchKey k;
    EXPECT_TRUE(WriteString(L"C:\\Apps\\Tool", L"Path", HKEY_CURRENT_USER, (k / L"deep\\er").c_str()));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawValue(k / L"deep\\er", L"Path", type, data));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(26u, data.size());  // 12 characters and the terminator
    EXPECT_EQ(L"C:\\Apps\\Tool", std::wstring(ReadStringValue(L"Path", HKEY_CURRENT_USER, (k / L"deep\\er").c_str())));

    // The default value has the empty name.
    EXPECT_TRUE(WriteString(L"default", L"", HKEY_CURRENT_USER, k.Path()));
    EXPECT_EQ(L"default", std::wstring(ReadStringValue(L"", HKEY_CURRENT_USER, k.Path())));
    EXPECT_EQ(L"default", std::wstring(ReadStringValue(nullptr, HKEY_CURRENT_USER, k.Path())));
}

TEST(Registry, EmptyStringStoresOnlyTheTerminator) {
    ScratchKey k;
    EXPECT_TRUE(WriteString(L"", L"Empty", HKEY_CURRENT_USER, k.Path()));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawValue(k.Path(), L"Empty", type, data));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(std::string("\0\0", 2), data);
    bool failed = true;
    EXPECT_EQ(2u, QueryValueSize(L"Empty", HKEY_CURRENT_USER, k.Path(), &failed));
    EXPECT_FALSE(failed);
    EXPECT_TRUE(ReadStringValue(L"Empty", HKEY_CURRENT_USER, k.Path()).IsEmpty());
}

TEST(Registry, ExpandStringsAndStringsWithoutTerminator) {
    ScratchKey k;
    const wchar_t text[] = L"%SystemRoot%\\x";
    SetRaw(k.Path(), L"Expand", REG_EXPAND_SZ, text, sizeof text);
    EXPECT_EQ(L"%SystemRoot%\\x", std::wstring(ReadStringValue(L"Expand", HKEY_CURRENT_USER, k.Path())));
    SetRaw(k.Path(), L"NoNul", REG_SZ, L"abc", 6);
    EXPECT_EQ(L"abc", std::wstring(ReadStringValue(L"NoNul", HKEY_CURRENT_USER, k.Path())));
}

TEST(Registry, DwordAndBinaryThroughWriteValue) {
    ScratchKey k;
    DWORD number = 0x12345678;
    EXPECT_TRUE(WriteValue(&number, 4, REG_DWORD, L"Number", HKEY_CURRENT_USER, k.Path()));
    const unsigned char blob[5] = {1, 2, 0, 0xFE, 5};
    EXPECT_TRUE(WriteValue(blob, 5, REG_BINARY, L"Blob", HKEY_CURRENT_USER, (k / L"bin").c_str()));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawValue(k.Path(), L"Number", type, data));
    EXPECT_EQ((DWORD)REG_DWORD, type);
    EXPECT_EQ(std::string("\x78\x56\x34\x12", 4), data);
    ASSERT_TRUE(RawValue(k / L"bin", L"Blob", type, data));
    EXPECT_EQ((DWORD)REG_BINARY, type);
    EXPECT_EQ(std::string((const char*)blob, 5), data);
    EXPECT_EQ(5u, QueryValueSize(L"Blob", HKEY_CURRENT_USER, (k / L"bin").c_str(), nullptr));

    // A number is no string: empty, and the key stays.
    EXPECT_TRUE(ReadStringValue(L"Number", HKEY_CURRENT_USER, k.Path()).IsEmpty());
    wchar_t buffer[8];
    memset(buffer, 0x55, sizeof buffer);
    bool failed = false;
    EXPECT_FALSE(ReadString(buffer, sizeof buffer, L"Number", HKEY_CURRENT_USER, k.Path(), &failed));
    EXPECT_TRUE(failed);
    for (wchar_t c : buffer) EXPECT_EQ(0, c);  // the whole buffer is zeroed
    EXPECT_TRUE(KeyExists(k.Path()));
}

TEST(Registry, ReadUnderAMissingKeyLeavesTheEmptyKey) {
    ScratchKey k;
    std::wstring missing = k / L"never\\written";
    ASSERT_FALSE(KeyExists(missing));
    EXPECT_FALSE(OpenKey(KEY_QUERY_VALUE, HKEY_CURRENT_USER, L"").IsOpen());
    EXPECT_TRUE(ReadStringValue(L"Value", HKEY_CURRENT_USER, missing.c_str()).IsEmpty());
    bool failed = false;
    EXPECT_EQ(0u, QueryValueSize(L"Value", HKEY_CURRENT_USER, missing.c_str(), &failed));
    EXPECT_TRUE(failed);
    EXPECT_TRUE(KeyExists(missing));
    StringList subkeys;
    EXPECT_TRUE(EnumSubkeys(HKEY_CURRENT_USER, missing.c_str(), subkeys));
    EXPECT_EQ(0, subkeys.Count());
}

TEST(Registry, EnumSubkeysOfAKeyAndOfARoot) {
    ScratchKey k;
    for (const wchar_t* name : {L"one", L"two", L"three"})
        ASSERT_TRUE(WriteString(L"x", L"v", HKEY_CURRENT_USER, (k / name).c_str()));
    ASSERT_TRUE(WriteString(L"x", L"v", HKEY_CURRENT_USER, (k / L"one\\grandchild").c_str()));
    StringList list;
    list.AddString(L"left over");
    EXPECT_TRUE(EnumSubkeys(HKEY_CURRENT_USER, k.Path(), list));
    std::set<std::wstring> names;
    for (int32_t i = 0; i < list.Count(); ++i) {
        names.insert(list[i].Text());
        EXPECT_EQ(0u, list[i].Tag());
    }
    EXPECT_EQ((std::set<std::wstring>{L"one", L"two", L"three"}), names);

    // With an empty path the root itself is enumerated.
    EXPECT_TRUE(EnumSubkeys(HKEY_CURRENT_USER, L"", list));
    EXPECT_TRUE(list.Contains(L"Software", true));
    EXPECT_TRUE(EnumSubkeys(HKEY_LOCAL_MACHINE, nullptr, list));
    EXPECT_TRUE(list.Contains(L"Software", true));
    EXPECT_TRUE(list.Contains(L"System", true));

    // A path that cannot be opened (not even created) fails.
    EXPECT_FALSE(EnumSubkeys(HKEY_CURRENT_USER, L"\\bad\\\\path", list));
    EXPECT_EQ(0, list.Count());
}

TEST(Registry, DeleteKeyTreeSeveralLevelsDeep) {
    ScratchKey k;
    std::wstring deep = k / L"tree\\a\\b\\c\\d";
    ASSERT_TRUE(WriteString(L"x", L"v", HKEY_CURRENT_USER, deep.c_str()));
    ASSERT_TRUE(WriteString(L"x", L"v", HKEY_CURRENT_USER, (k / L"tree\\a\\b2").c_str()));
    ASSERT_TRUE(WriteString(L"x", L"v", HKEY_CURRENT_USER, (k / L"tree\\e").c_str()));
    ASSERT_TRUE(WriteString(L"x", L"v", HKEY_CURRENT_USER, (k / L"sibling").c_str()));
    DeleteKeyTree(HKEY_CURRENT_USER, k.Path(), L"tree");
    EXPECT_FALSE(KeyExists(k / L"tree"));
    EXPECT_TRUE(KeyExists(k / L"sibling"));
    // A parent path ending in a backslash gets no second one.
    DeleteKeyTree(HKEY_CURRENT_USER, (std::wstring(k.Path()) + L"\\").c_str(), L"sibling");
    EXPECT_FALSE(KeyExists(k / L"sibling"));
    // Nothing to do: no name, a missing key, or a key right below a root.
    DeleteKeyTree(HKEY_CURRENT_USER, k.Path(), L"");
    DeleteKeyTree(HKEY_CURRENT_USER, k.Path(), L"missing");
    DeleteKeyTree(HKEY_CURRENT_USER, L"", k.Path());
    EXPECT_TRUE(KeyExists(k.Path()));
}

}  // namespace
