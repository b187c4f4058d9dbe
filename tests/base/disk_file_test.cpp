#include "base/disk_file.h"

#include <gtest/gtest.h>

#include "base/folders.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

TEST(DiskFile, EmptyPathFailsWithTheOpenMessage) {
    MessageRecorder boxes;
    DiskFile f;
    f.Open(GENERIC_READ, OPEN_EXISTING, false);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(boxes.Shown().empty());
    f.Open(GENERIC_WRITE, CREATE_ALWAYS, true);
    EXPECT_FALSE(f.IsOpen());
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Unable to open ''", boxes.Shown()[0].text);
    EXPECT_EQ(L"File Write Error", boxes.Shown()[0].caption);
    EXPECT_EQ((UINT)(MB_ICONINFORMATION | MB_RETRYCANCEL), boxes.Shown()[0].style);
}

TEST(DiskFile, WriteReadSeekAndSize) {
    ScratchFolder dir;
    std::wstring path = dir / L"data.bin";
    DiskFile w;
    w.SetPath(path.c_str());
    w.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    ASSERT_TRUE(w.IsOpen());
    EXPECT_TRUE(w.WriteText("line", true));
    EXPECT_TRUE(w.WriteText("tail", false));
    EXPECT_TRUE(w.Write(nullptr, 0));
    EXPECT_FALSE(w.Write(nullptr, 5));
    w.Close();
    EXPECT_EQ(std::string("line\r\ntail"), ReadBytes(path));

    MessageRecorder boxes;
    DiskFile r;
    r.SetPath(path.c_str());
    r.Open(GENERIC_READ, OPEN_EXISTING, true);
    ASSERT_TRUE(r.IsOpen());
    EXPECT_EQ(10u, r.Size());
    char buffer[100];
    EXPECT_EQ(10u, r.Read(buffer, 100));  // short read at the end: no message
    EXPECT_TRUE(r.Seek(6, DiskFile::kFromStart));
    EXPECT_EQ(2u, r.Read(buffer, 2));
    EXPECT_EQ(0, memcmp(buffer, "ta", 2));
    EXPECT_TRUE(r.Seek(-4, DiskFile::kFromCurrent));
    EXPECT_EQ(4u, r.Read(buffer, 4));
    EXPECT_EQ(0, memcmp(buffer, "\r\nta", 4));
    EXPECT_TRUE(boxes.Shown().empty());

    DiskFile closed;
    EXPECT_FALSE(closed.Seek(0, DiskFile::kFromStart));
    EXPECT_EQ(0u, closed.Size());
}

TEST(DiskFile, NullBufferMessage) {
    ScratchFolder dir;
    MessageRecorder boxes;
    DiskFile f;
    ASSERT_TRUE(f.OpenPath((dir / L"x").c_str(), GENERIC_WRITE));
    EXPECT_FALSE(f.Write(nullptr, 3));
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Error writing a NULL buffer to file", boxes.Shown()[0].text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, boxes.Shown()[0].style);
}

TEST(DiskFile, WrappedHandleIsNotClosed) {
    ScratchFolder dir;
    std::wstring path = dir / L"w.txt";
    ASSERT_TRUE(WriteBytes(path, "abc"));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    {
        DiskFile wrapped(h);
        EXPECT_EQ(3u, wrapped.Size());
        wrapped.Close();
        EXPECT_FALSE(wrapped.IsOpen());
    }
    char c;
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, &c, 1, &got, nullptr));  // still open for its owner
    EXPECT_EQ(1u, got);
    CloseHandle(h);
}

TEST(DiskFile, LongPathIsOpenedButShownAsGiven) {
    ScratchFolder dir;
    std::wstring folder = dir.Path();
    while (folder.size() < 250) folder += L"deep-folder-name\\";
    ASSERT_TRUE(CreateFolderTree(folder.c_str()));
    std::wstring path = folder + L"file-with-a-long-name.txt";
    ASSERT_GE(path.size(), 260u);
    DiskFile f;
    ASSERT_TRUE(f.OpenPath(path.c_str(), GENERIC_WRITE));
    EXPECT_TRUE(f.Write("x", 1));
    f.Close();
    EXPECT_EQ(1u, FileSizeByPath(path.c_str()));

    MessageRecorder boxes;
    std::wstring missing = folder + L"missing-file-with-a-long-name.txt";
    DiskFile g;
    g.SetPath(missing.c_str());
    g.Open(GENERIC_READ, OPEN_EXISTING, true);
    EXPECT_FALSE(g.IsOpen());
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Unable to open '" + missing + L"'", boxes.Shown()[0].text);
    EXPECT_EQ(L"File Read Error", boxes.Shown()[0].caption);
}

TEST(DiskFile, RetryThenCancelOnAFileHeldByAnotherProcess) {
    ScratchFolder dir;
    std::wstring path = dir / L"held.txt";
    ASSERT_TRUE(WriteBytes(path, "held"));
    FileHolder holder(path);
    ASSERT_TRUE(holder.Held());
    MessageRecorder boxes;
    boxes.Script({IDRETRY, IDRETRY, IDCANCEL});
    DiskFile f;
    f.SetPath(path.c_str());
    f.Open(GENERIC_READ, OPEN_EXISTING, true);
    EXPECT_FALSE(f.IsOpen());
    ASSERT_EQ(3u, boxes.Shown().size());  // two retries, then the cancel
    EXPECT_EQ(L"Unable to open '" + path + L"'", boxes.Shown()[2].text);
    EXPECT_FALSE(DeleteFileRetry(path.c_str()));
}

}  // namespace
