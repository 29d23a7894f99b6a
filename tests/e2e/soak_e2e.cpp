// The launcher in long use: tens of thousands of paints, hundreds of Starts,
// and two launchers side by side.
#include <gtest/gtest.h>

#include <cstdio>

#include "../../res/tabrivet_ids.h"
#include "harness.h"

namespace {

const COLORREF face = RGB(212, 208, 200);
const COLORREF white = RGB(255, 255, 255);
const COLORREF black = RGB(0, 0, 0);

COLORREF screenPixel(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

TEST(SoakTest, SeventyThousandPaintsLeaveThePictureWhole)
{
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), settingsText("a b", 100, "C:\\", 0, 580, 390));
    Launcher launcher(dir, "-t");
    HWND window = launcher.window();
    ASSERT_NE(window, nullptr);
    const HANDLE process = launcher.process.hProcess;
    // Wine counts no GDI objects (it reports 0); there the pictures drawn
    // after the paints show a leak instead.
    const DWORD gdiBefore = GetGuiResources(process, GR_GDIOBJECTS);
    const long handlesBefore = processHandleCount(process);
    ASSERT_GT(handlesBefore, 0);

    // One paint each, as the update region is empty again when RedrawWindow
    // returns: more than the 65,536 GDI handles a Wine process can hold, so
    // a paint that leaks even one drawing object runs out before the end.
    const DWORD began = GetTickCount();
    for (int i = 0; i < 70000; ++i)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    std::printf("70000 paints in %lu ms; GDI objects %lu, handles %ld -> %ld\n",
                GetTickCount() - began, gdiBefore, handlesBefore, processHandleCount(process));
    ASSERT_TRUE(launcher.running());
    // On a busy machine the launcher's display work may still lag behind the
    // paints: what the screen and the title show is read only once it answers.
    DWORD_PTR answer;
    ASSERT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer), 0u);

    // The screen may still show an old picture: the pressed and the raised
    // button each need a paint that works.
    const struct {
        POINT cursor;
        UINT message;
        COLORREF corner;
    } steps[] = {{{245, 81}, WM_LBUTTONDOWN, black}, {{100, 50}, WM_LBUTTONUP, white}};
    for (const auto& step : steps) {
        moveCursorSeenBy(window, clientToScreen(window, step.cursor.x, step.cursor.y));
        launcher.post(step.message);
        EXPECT_TRUE(waitFor([&] {
            return screenPixel(window, 214, 69) == step.corner &&
                   screenPixel(window, 10, 10) == face && screenPixel(window, 150, 100) == face &&
                   screenPixel(window, 277, 95) == black;
        }, patienceMs)) << std::hex << screenPixel(window, 214, 69) << " "
                        << screenPixel(window, 10, 10) << " under "
                        << windowTitle(WindowFromPoint(clientToScreen(window, 214, 69)));
    }

    if (gdiBefore != 0) {
        EXPECT_LE(GetGuiResources(process, GR_GDIOBJECTS), gdiBefore + 2);
    }
    EXPECT_LE(processHandleCount(process), handlesBefore + 2);
    launcher.post(WM_COMMAND, IDM_CANCEL);
    EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
}

TEST(SoakTest, TwoHundredStartsLeakNoProcessHandle)
{
    // Each Start's program is a console stand-in that hands over to a child,
    // whose console the search finds and mode 3 hides, keeping the launcher
    // open; it ends two seconds later, so that only a few are alive at a
    // time. The launcher holds both processes' handles during the search. A
    // copy, as line 1 splits at the first blank. The stand-ins count their
    // runs themselves: the job would count whatever Wine starts on the
    // launcher's behalf as well.
    TempDir dir;
    const std::string standIn = dir.file("fake_console.exe");
    CopyFileA((buildDir() + "\\fake_console.exe").c_str(), standIn.c_str(), FALSE);
    const std::string title = "soak-console-" + std::to_string(GetCurrentProcessId());
    writeFile(dir.file("Tabrivet.txt"),
              settingsText(standIn + " 0hq:" + title, 100, dir.path, 3, 580, 390));
    HANDLE runs = CreateSemaphoreA(nullptr, 0, 1000, title.c_str());
    ASSERT_NE(runs, nullptr);

    {
        ProcessJob job;
        Launcher launcher(dir, "");
        job.add(launcher);
        HWND window = launcher.window();
        ASSERT_NE(window, nullptr);
        // Sent, not posted: each Start is over when the call returns.
        auto start = [&](int count) {
            for (int i = 0; i < count; ++i) {
                DWORD_PTR result;
                ASSERT_NE(SendMessageTimeoutA(window, WM_COMMAND, IDM_START, 0, SMTO_NORMAL, 10000,
                                              &result), 0u) << "Start " << i;
            }
        };
        start(10);
        const long afterTen = processHandleCount(launcher.process.hProcess);
        const DWORD began = GetTickCount();
        start(190);
        std::printf("190 more Starts in %lu ms; handles %ld -> %ld\n", GetTickCount() - began,
                    afterTen, processHandleCount(launcher.process.hProcess));
        EXPECT_LE(processHandleCount(launcher.process.hProcess), afterTen + 5);
        int counted = 0;
        while (WaitForSingleObject(runs, 0) == WAIT_OBJECT_0)
            ++counted;
        EXPECT_EQ(counted, 400);  // two programs per Start
        ASSERT_TRUE(launcher.running());
        launcher.post(WM_COMMAND, IDM_CANCEL);
        EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
        closeWindowsAndWait("ConsoleWindowClass", title);
    }
    CloseHandle(runs);
}

TEST(SoakTest, TwoLaunchersInTwoFoldersRunSideBySide)
{
    TempDir folders[2];
    writeFile(folders[0].file("Tabrivet.txt"), settingsText("first.exe one", 100, "C:\\", 0, 580, 390));
    writeFile(folders[1].file("Tabrivet.txt"), settingsText("second.exe two", 100, "C:\\", 0, 580, 390));
    Launcher first(folders[0], "");
    Launcher second(folders[1], "");
    ASSERT_NE(first.window(), nullptr);
    ASSERT_NE(second.window(), nullptr);
    EXPECT_EQ(windowTitle(GetDlgItem(first.window(), IDC_COMMAND_LINE)), "first.exe one");
    EXPECT_EQ(windowTitle(GetDlgItem(second.window(), IDC_COMMAND_LINE)), "second.exe two");

    first.post(WM_COMMAND, IDM_CANCEL);
    EXPECT_EQ(first.waitForExit(patienceMs), 0);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(second.window()));
    second.post(WM_COMMAND, IDM_CANCEL);
    EXPECT_EQ(second.waitForExit(patienceMs), 0);
}

}  // namespace
