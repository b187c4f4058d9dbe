// The demo dialog in its own process at 100 %, 125 %, 150 %, 200 % and
// 300 % display scale: Scale as a fresh process sees it, and screenshots checked for the
// dialog's size and for the emblem and close button where they belong.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "gui/driver.h"
#include "support/display_dpi.h"
#include "support/process.h"

namespace {

struct DemoReport {
    int scale100 = 0, scale21 = 0, width = 0, height = 0, emblemWidth = 0, emblemHeight = 0;
};

struct DemoRun {
    DemoReport report;
    Picture picture;
    bool exited = false;
};

// Starts the demo at the given DPI, waits for its window, takes its picture
// (saved under the build folder as screenshots\<name>.bmp) and closes it.
DemoRun RunDemo(DWORD dpi, const wchar_t* name) {
    DemoRun run;
    std::wstring reportPath = BinPath(L"screenshots\\") + name + L"-" + PrefixKind() + L".txt";
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    DeleteFileW(reportPath.c_str());
    DisplayDpi display(dpi);
    ChildProcess demo;
    if (!demo.Start(L"\"" + BinPath(L"tests\\ui_demo.exe") + L"\" \"" + reportPath + L"\"")) return run;
    HWND window = WaitForProcessWindow(demo.Id(), 20000);
    if (!window) return run;
    // Let the dialog finish its first paint.
    Sleep(500);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    run.picture = Capture(window);
    SaveBitmap(run.picture, BinPath(L"screenshots\\") + name + L"-" + PrefixKind() + L".bmp");
    PostMessageW(window, WM_CLOSE, 0, 0);
    run.exited = demo.Wait(10000) == 0;
    FILE* f = _wfopen(reportPath.c_str(), L"r");
    if (f) {
        DemoReport& r = run.report;
        if (fscanf(f, "%d %d %d %d %d %d", &r.scale100, &r.scale21, &r.width, &r.height, &r.emblemWidth,
                   &r.emblemHeight) != 6)
            r = DemoReport();
        fclose(f);
    }
    return run;
}

// What every scale must show: the dialog's own size, the emblem's wings and
// rule at the top centre with the middle left for the title, the close
// cross at the top right, and an untouched band under the headline.
void CheckPicture(const DemoRun& run) {
    const DemoReport& r = run.report;
    const Picture& p = run.picture;
    EXPECT_TRUE(run.exited);
    ASSERT_EQ(r.width, p.width);
    ASSERT_EQ(r.height, p.height);
    int left = (p.width - r.emblemWidth) / 2;
    int wing = r.emblemWidth / 4;
    EXPECT_GT(DarkPixels(p, left, 0, left + wing, r.emblemHeight - 2), r.emblemHeight * wing / 10) << "name";
    EXPECT_GT(DarkPixels(p, left + r.emblemWidth - wing / 2, 0, left + r.emblemWidth, r.emblemHeight - 2),
              r.emblemHeight * wing / 20)
        << "arrow";
    EXPECT_GT(DarkPixels(p, left, r.emblemHeight - 2, left + r.emblemWidth, r.emblemHeight),
              r.emblemWidth * 9 / 10)
        << "rule";
    EXPECT_EQ(0, DarkPixels(p, 0, 0, left - 1, r.emblemHeight / 2)) << "left of the emblem";
    int cross = r.scale100 * 22 / 100;
    EXPECT_GT(DarkPixels(p, p.width - p.width / 10 - cross, 1, p.width - 2, 1 + cross), cross / 2) << "close";
    COLORREF middle = p.At(p.width / 2, p.height / 2);
    EXPECT_EQ(RGB(255, 255, 255), middle);
}

TEST(DemoDialog, At100Percent) {
    DemoRun run = RunDemo(96, L"demo-100");
    EXPECT_EQ(100, run.report.scale100);
    EXPECT_EQ(21, run.report.scale21);
    EXPECT_EQ(190, run.report.emblemWidth);
    EXPECT_EQ(25, run.report.emblemHeight);
    CheckPicture(run);
}

TEST(DemoDialog, At125PercentScaleTruncates) {
    DemoRun run = RunDemo(120, L"demo-125");
    EXPECT_EQ(125, run.report.scale100);
    EXPECT_EQ(26, run.report.scale21);
    EXPECT_EQ(237, run.report.emblemWidth);
    CheckPicture(run);
}

TEST(DemoDialog, At150PercentEverythingGrows) {
    DemoRun small = RunDemo(96, L"demo-100-again");
    DemoRun run = RunDemo(144, L"demo-150");
    EXPECT_EQ(150, run.report.scale100);
    EXPECT_EQ(31, run.report.scale21);
    EXPECT_EQ(355, run.report.emblemWidth);
    EXPECT_EQ(37, run.report.emblemHeight);
    CheckPicture(run);
    // Dialog units follow the font, which follows the DPI.
    EXPECT_NEAR(small.report.width * 1.5, run.report.width, small.report.width * 0.08);
    EXPECT_NEAR(small.report.height * 1.5, run.report.height, small.report.height * 0.08);
}

// The two largest variants of the emblem and the close strip.
TEST(DemoDialog, At200And300PercentTheLargestVariants) {
    DemoRun run200 = RunDemo(192, L"demo-200");
    EXPECT_EQ(200, run200.report.scale100);
    EXPECT_EQ(380, run200.report.emblemWidth);
    EXPECT_EQ(50, run200.report.emblemHeight);
    CheckPicture(run200);
    DemoRun run300 = RunDemo(288, L"demo-300");
    EXPECT_EQ(300, run300.report.scale100);
    EXPECT_EQ(570, run300.report.emblemWidth);
    EXPECT_EQ(75, run300.report.emblemHeight);
    CheckPicture(run300);
}

}  // namespace
