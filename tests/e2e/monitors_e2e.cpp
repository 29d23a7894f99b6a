// The launcher on two monitors side by side, under Wine without a virtual
// desktop: its window and the console it places stand on the monitor it was
// started from.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

const int launcherWidth = 289;
const int launcherHeight = 203;

RECT workArea(POINT on)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromPoint(on, MONITOR_DEFAULTTONULL), &info);
    return info.rcWork;
}

std::string placeOf(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

std::string place(POINT at, int width, int height)
{
    return std::to_string(at.x) + "," + std::to_string(at.y) + " " + std::to_string(width) + "x" +
           std::to_string(height);
}

// Where the hint or the pointer says, where the console follows the launcher
// window, and where "-c2" leaves the console alone.
TEST(MonitorsTest, LauncherAndConsoleOnTheMonitorStartedFrom)
{
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "the session shows no second monitor";
    const RECT primary = workArea({0, 0});
    const RECT second = workArea({1300, 100});
    // Both heads have one size, so the second's figures are the primary's
    // moved by the distance between their work areas.
    ASSERT_EQ(second.right - second.left, primary.right - primary.left);
    ASSERT_EQ(second.bottom - second.top, primary.bottom - primary.top);
    ASSERT_GE(second.left, primary.right);
    const int width = GetSystemMetrics(SM_CXFULLSCREEN);
    const int fullHeight = GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYMENU) +
                           GetSystemMetrics(SM_CYCAPTION);
    const auto on = [&](int monitor, POINT at) {
        return monitor == 1 ? at
                            : POINT{at.x + second.left - primary.left,
                                    at.y + second.top - primary.top};
    };
    const POINT centre = {width / 2 - launcherWidth / 2, fullHeight / 2 - launcherHeight / 2};
    const POINT consoleCentre = {width / 2 - 581 / 2, fullHeight / 2 - 391 / 2};
    const POINT none = {-1, -1};
    struct Case {
        const char* name;
        POINT hint;  // the position the start carries, none where it carries none
        POINT pointer;
        const char* option;
        int windowOn;
        int consoleOn;  // 0: no Start; where it differs, the window is dragged there first
    };
    const Case cases[] = {
        {"position on the second", {1300, 100}, {300, 300}, "", 2, 2},
        {"pointer on the second", none, {1500, 400}, "", 2, 2},
        {"position on the primary, pointer on the second", {300, 100}, {1500, 400}, "", 1, 1},
        {"dragged from the primary to the second", none, {300, 300}, "", 1, 2},
        {"-c2 with the pointer on the second", none, {1500, 400}, "-c2", 2, 0},
    };
    for (const Case& c : cases) {
        const std::string title = "monitors-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(&c - cases);
        TempDir dir;
        writeFile(dir.file("Tabrivet.txt"),
                  settingsText(buildDir() + "\\fake_console.exe 0:" + title, 2000000000,
                               dir.path, 0, 581, 391));
        moveCursor(c.pointer);
        Launcher launcher(dir.path, c.option, SW_SHOWNORMAL, "",
                          c.hint.x < 0 ? nullptr : &c.hint);
        ASSERT_NE(launcher.window(), nullptr) << c.name;
        const POINT expected =
            on(c.windowOn, *c.option ? POINT{width - launcherWidth, 0} : centre);
        const std::string windowPlace = place(expected, launcherWidth, launcherHeight);
        EXPECT_TRUE(waitFor([&] { return placeOf(launcher.window()) == windowPlace; }, patienceMs))
            << c.name << ": window at " << placeOf(launcher.window()) << ", not " << windowPlace;
        if (c.consoleOn == 0) {
            launcher.post(WM_COMMAND, 167);
            EXPECT_EQ(launcher.waitForExit(patienceMs), 0) << c.name;
            continue;
        }
        if (c.consoleOn != c.windowOn) {
            const POINT to = on(c.consoleOn, centre);
            SetWindowPos(launcher.window(), nullptr, to.x, to.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            const std::string dragged = place(to, launcherWidth, launcherHeight);
            EXPECT_TRUE(
                waitFor([&] { return placeOf(launcher.window()) == dragged; }, patienceMs))
                << c.name;
        }
        launcher.post(WM_COMMAND, 169);
        EXPECT_EQ(launcher.waitForExit(patienceMs), 0) << c.name;
        HWND console = nullptr;
        waitFor([&] { return (console = findWindowByTitle("ConsoleWindowClass", title)); },
                patienceMs);
        const std::string consolePlace = place(on(c.consoleOn, consoleCentre), 581, 391);
        EXPECT_TRUE(waitFor([&] { return placeOf(console) == consolePlace; }, patienceMs))
            << c.name << ": console at " << placeOf(console) << ", not " << consolePlace;
        closeWindowsAndWait("ConsoleWindowClass", title);
    }
}

}  // namespace
