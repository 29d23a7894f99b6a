// The Start under Wine: the started program's console window found, sized,
// centred and shown as the console mode says, and when the launcher ends.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include "../../res/tabrivet_ids.h"
#include "harness.h"

namespace {

const char* const consoleClass = "ConsoleWindowClass";
const char* const terminalClass = "CASCADIA_HOSTING_WINDOW_CLASS";
const char* const pseudoClass = "PseudoConsoleWindow";
const char* const editorClass = "EditorWindowClass";
const char* const wineConsoleClass = "WineConsoleClass";
const char* const untouched = "10,10 300x200";  // where the stand-in opens
int scenes = 0;

std::string geometryOf(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// Where a window stands, without its size, which Wine's console host keeps
// to whole character cells.
std::string positionOf(const std::string& geometry)
{
    return geometry.substr(0, geometry.find(' '));
}
std::string positionOf(HWND window)
{
    return positionOf(geometryOf(window));
}

// Odd sizes, so that a halving that keeps or rounds the remainder shows.
std::string centred(int height = 391)
{
    const int x = GetSystemMetrics(SM_CXFULLSCREEN) / 2 - 581 / 2;
    const int y = (GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYMENU) +
                   GetSystemMetrics(SM_CYCAPTION)) / 2 - height / 2;
    return std::to_string(x) + "," + std::to_string(y) + " 581x" + std::to_string(height);
}

bool isAbove(HWND upper, HWND lower)
{
    HWND w = upper;
    while (w != nullptr && w != lower)
        w = GetWindow(w, GW_HWNDNEXT);
    return w != nullptr;
}

HWND waitForConsole(const std::string& title, const char* className = consoleClass)
{
    HWND window = nullptr;
    waitFor([&] { return (window = findWindowByTitle(className, title)); }, patienceMs);
    return window;
}

// Wine's console windows carry no title of the test's: a test that looks for
// one first waits until none is left from an earlier test.
bool noWineConsoleOpen()
{
    return waitFor([] { return FindWindowA(wineConsoleClass, nullptr) == nullptr; }, patienceMs);
}

// A folder with a copy of the console stand-in (line 1 of the settings splits
// at the first blank, and the build folder may hold one) and titles no other
// test uses. Every stand-in window of these titles is closed at the end: once
// the started program has gone, the launcher takes any new console window,
// so none may outlive its test.
struct Scene {
    TempDir dir;
    std::string exe = dir.file("fake_console.exe");
    std::string title = "console-" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(++scenes);
    std::string mine = title + "-mine";

    Scene()
    {
        for (const char* build : {"fake_console.exe", "fake_console_cui.exe"})
            CopyFileA((buildDir() + "\\" + build).c_str(), dir.file(build).c_str(), FALSE);
    }
    ~Scene()
    {
        SetEnvironmentVariableA("TABRIVET_ATTACH_PID", nullptr);
        // Until they have gone, their copy cannot be deleted.
        for (const std::string& t : {title, mine})
            for (const char* className :
                 {consoleClass, terminalClass, pseudoClass, editorClass, wineConsoleClass})
                closeWindowsAndWait(className, t);
    }

    // `flags` are the stand-in's, after its delay.
    void writeSettings(int openDelayMs, const char* marker, int startDelayMs, int mode,
                       const char* flags = "", int height = 391)
    {
        writeFile(dir.file("Tabrivet.txt"),
                  settingsText(exe + " " + std::to_string(openDelayMs) + flags + ":" + title +
                                   marker,
                               startDelayMs, dir.path, mode, 581, height));
    }
    // A stand-in the test opens itself. Not activated: an activation still
    // under way would raise it over windows that the test opens afterwards.
    HWND openMine(const std::string& flags = "")
    {
        std::string commandLine = exe + " 0" + flags + ":" + mine;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNOACTIVATE;
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                   nullptr, dir.path.c_str(), &startup, &process));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        HWND window = waitForConsole(mine, flags == "t" ? terminalClass : consoleClass);
        waitFor([&] { return IsWindowVisible(window); }, patienceMs);
        return window;
    }
    // A real console program of the test's, whose id the stand-in's flag k
    // finds in the environment that the launcher passes on.
    HWND openRealConsole()
    {
        std::string commandLine = "cmd.exe /k title " + mine;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                                   CREATE_NEW_CONSOLE, nullptr, dir.path.c_str(), &startup,
                                   &process));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        SetEnvironmentVariableA("TABRIVET_ATTACH_PID", std::to_string(process.dwProcessId).c_str());
        HWND window = waitForConsole(mine, wineConsoleClass);
        waitFor([&] { return IsWindowVisible(window); }, patienceMs);
        return window;
    }
};

// A console open before the Start is never the started program's: it keeps
// its place in every mode, also when the program attaches to it, and so does
// one that another program opens while the started program's family lives.
// A terminal shows the session through a 0 x 0 pseudo console window, which
// stays as it is while the terminal is placed; a terminal window that was
// open before holds other tabs and is left alone. A console window that its
// program keeps hidden stays hidden. The shell starts a console program
// minimised or hidden as its mode says, and any other with the default show
// command; a hidden console of the started program is taken as found and
// placed hidden.
TEST(ConsoleTest, EachModePlacesTheStartedConsoleAndDecidesWhetherTheLauncherEnds)
{
    struct {
        const char* what;
        int mode;
        const char* flags;
        const char* placedClass;  // null: nothing is placed
        bool iconic, visible, launcherEnds;
        const char* openBefore = "";  // flags of the test's stand-in; "cmd": a real console
        int openDelayMs = 0;          // the started stand-in's
        bool mineAfterStart = false;  // the test's stand-in opens 0.5 s after the Start instead
        // The started stand-in is a console program; with flag c, the show
        // command that the shell gave it.
        bool consoleProgram = false;
        int shownWith = -1;
    } const cases[] = {
        {"console, mode 0", 0, "v", consoleClass, false, true, true},
        {"console, mode 1", 1, "", consoleClass, true, true, true},
        {"console, mode 2", 2, "", consoleClass, false, true, true},
        {"console, mode 3", 3, "vc", consoleClass, false, false, false, "", 0, false, false,
         SW_SHOWDEFAULT},
        {"console program, mode 1", 1, "c", wineConsoleClass, true, true, true, "", 0, false,
         true, SW_SHOWMINNOACTIVE},
        {"console program, mode 3", 3, "c", wineConsoleClass, false, false, false, "", 0, false,
         true, SW_HIDE},
        {"terminal, mode 0", 0, "t", terminalClass, false, true, true},
        {"terminal, mode 1", 1, "t", terminalClass, true, true, true},
        {"terminal, mode 2", 2, "t", terminalClass, false, true, true},
        {"terminal, mode 3", 3, "t", terminalClass, false, false, false},
        {"console of a program the started one hands over to", 0, "h", consoleClass, false, true,
         true},
        {"console of a running program that the started one asks", 0, "a", consoleClass, false,
         true, true},
        {"terminal open before, joined, mode 0", 0, "j", nullptr, false, true, true, "t"},
        {"terminal open before, joined, mode 3", 3, "j", nullptr, false, true, false, "t"},
        {"console kept hidden, then a visible one", 0, "i", consoleClass, false, true, true, "",
         1000},
        {"console open before that the started program attaches to", 3, "k", consoleClass,
         false, false, false, "cmd"},
        {"started program runs on, its child opens the console", 0, "hnw", consoleClass, false,
         true, true, "", 1500, true},
        {"started program ends, its child opens the console", 0, "hn", consoleClass, false, true,
         true, "", 1500, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene;
        HWND mine = nullptr;
        if (!c.mineAfterStart) {
            mine = std::string(c.openBefore) == "cmd" ? scene.openRealConsole()
                                                      : scene.openMine(c.openBefore);
            ASSERT_NE(mine, nullptr);
        }
        const std::string mineBefore = geometryOf(mine);
        if (c.consoleProgram)
            scene.exe = scene.dir.file("fake_console_cui.exe");
        scene.writeSettings(c.openDelayMs, "", 1000, c.mode, c.flags);
        ProcessJob job;  // ends a started program that runs on
        Launcher launcher(scene.dir, "");
        job.add(launcher);
        launcher.post(WM_COMMAND, IDM_START);
        if (c.mineAfterStart) {
            Sleep(500);
            mine = scene.openMine();
            ASSERT_NE(mine, nullptr);
        }
        HWND placed = waitForConsole(scene.title, c.placedClass ? c.placedClass : pseudoClass);
        ASSERT_NE(placed, nullptr);
        // The placement, or the decision to leave a joined terminal alone,
        // comes at one of the next two lookups after the console opens, not
        // when the lookups run out; mode 3 keeps the launcher open well past
        // the moment it hides the console.
        if (c.placedClass != nullptr && !c.visible) {
            EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(placed); }, patienceMs));
        }
        EXPECT_EQ(launcher.waitForExit(c.launcherEnds ? patienceMs : 1500), c.launcherEnds ? 0 : -1);
        if (c.placedClass != nullptr) {
            EXPECT_EQ(IsIconic(placed) != FALSE, c.iconic);
            EXPECT_EQ(IsWindowVisible(placed) != FALSE, c.visible);
            // Wine's GetWindowPlacement gives the icon's rectangle as the normal
            // position of another process's minimised window; restoring shows it.
            // Nor does Wine set that position from another process: a console
            // that its host minimised from the start is restored where the
            // host put it, and only Windows can show the placed one.
            if (c.iconic)
                ShowWindow(placed, SW_RESTORE);
            if (c.placedClass != wineConsoleClass) {
                EXPECT_EQ(geometryOf(placed), centred());
            } else if (!c.iconic) {
                EXPECT_EQ(positionOf(placed), positionOf(centred()));
            }
        }
        if (c.placedClass == nullptr || c.placedClass == terminalClass) {
            HWND pseudo = findWindowByTitle(pseudoClass, scene.title);
            ASSERT_NE(pseudo, nullptr);
            EXPECT_EQ(geometryOf(pseudo), "0,0 0x0");
        }
        // Placed on its showing, not at the next lookup of the schedule,
        // 600 ms on: the margin is for a busy machine.
        if (std::string(c.flags).find('v') != std::string::npos) {
            // The stand-in may still be writing it, and shares it with no one.
            const std::string file = scene.dir.file("placed_after_showing.txt");
            std::string after;
            ASSERT_TRUE(waitFor([&] { return !(after = readFile(file)).empty(); }, patienceMs));
            std::printf("%s: placed %s ms after it showed\n", c.what, after.c_str());
            EXPECT_LT(std::stoul(after), 250u) << "ms from its showing to its placement";
        }
        if (c.shownWith >= 0) {
            EXPECT_EQ(readFile(scene.dir.file("show_command.txt")), std::to_string(c.shownWith));
        }
        if (std::string(c.flags).find('i') != std::string::npos) {
            HWND hidden = findWindowByTitle(consoleClass, scene.title + " hidden");
            ASSERT_NE(hidden, nullptr);
            EXPECT_FALSE(IsWindowVisible(hidden));
            EXPECT_EQ(geometryOf(hidden), untouched);
        }
        EXPECT_EQ(geometryOf(mine), c.mineAfterStart ? untouched : mineBefore);
        EXPECT_TRUE(IsWindowVisible(mine));
        EXPECT_FALSE(IsIconic(mine));
    }
}

TEST(ConsoleTest, HiddenModeStartsAnotherInstanceAtEachStart)
{
    Scene scene;
    scene.writeSettings(0, "", 1000, 3);
    Launcher launcher(scene.dir, "");
    launcher.post(WM_COMMAND, IDM_START);
    ASSERT_NE(waitForConsole(scene.title), nullptr);
    launcher.post(WM_COMMAND, IDM_START);
    EXPECT_TRUE(waitFor([&] { return findWindowsByTitle(consoleClass, scene.title).size() == 2; },
                        patienceMs));
    EXPECT_TRUE(launcher.running());
    launcher.post(WM_COMMAND, IDM_CANCEL);
    EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
}

// Under Wine an activating SetWindowPos raises the window whatever its
// insertAfter, so this tells "raised" from "left where it was", not TOP from
// BOTTOM. A console found minimised or maximised is restored before it is placed.
TEST(ConsoleTest, TopModeRaisesTheConsoleAboveOtherWindows)
{
    struct {
        const char* flags;
        const char* what;
    } const cases[] = {{"b", "opens at the bottom, under the cover"},
                       {"bm", "opens minimised, under the cover"},
                       {"x", "opens maximised"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene;
        std::unique_ptr<HWND__, decltype(&DestroyWindow)> cover(
            CreateWindowExA(0, "STATIC", "cover", WS_POPUP | WS_VISIBLE, 100, 100,
                            GetSystemMetrics(SM_CXSCREEN) - 200,
                            GetSystemMetrics(SM_CYSCREEN) - 200, nullptr, nullptr, nullptr,
                            nullptr),
            DestroyWindow);
        scene.writeSettings(0, "", 1000, 0, c.flags);
        Launcher launcher(scene.dir, "");
        launcher.post(WM_COMMAND, IDM_START);
        EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
        HWND console = waitForConsole(scene.title);
        ASSERT_NE(console, nullptr);
        // The launcher may end right after asking a second time.
        EXPECT_TRUE(waitFor([&] { return geometryOf(console) == centred(); }, patienceMs))
            << geometryOf(console);
        EXPECT_FALSE(IsIconic(console));
        EXPECT_FALSE(IsZoomed(console));
        EXPECT_TRUE(isAbove(console, cover.get()));
    }
}

// While it searches, the launcher answers what is sent to it, so that
// Windows never counts it hung, and a Start and a Help sent meanwhile never
// run inside the search. After it they run in that order in mode 3, and not
// at all in mode 0, which has ended the launcher by then. Help would show the
// shell's box, the folder having no manual.
// Each check is made from the test's side: a hung window would also fail the
// sent message, and Wine counts a queue hung only while a message waits in
// it.
void probeWhileSearching(Launcher& launcher, HANDLE runs, const std::string& started, DWORD start,
                         bool staysOpen)
{
    HWND window = launcher.window();
    ASSERT_TRUE(waitFor([&] { return fileExists(started); }, patienceMs));
    while (GetTickCount() - start < 1000)
        Sleep(20);
    DWORD startSentFor = 10000;
    std::thread sender([&] {
        const DWORD sent = GetTickCount();
        DWORD_PTR result;
        if (SendMessageTimeoutA(window, WM_COMMAND, IDM_START, 0, SMTO_NORMAL, 10000, &result) &&
            SendMessageTimeoutA(window, WM_COMMAND, IDM_HELP, 0, SMTO_NORMAL, 10000, &result))
            startSentFor = GetTickCount() - sent;
    });
    int probes = 0, hung = 0, boxes = 0;
    bool helpAfterStart = false;
    while (launcher.waitForExit(500) == -1 && GetTickCount() - start < 40000) {
        PostMessageA(window, WM_NULL, 0, 0);
        hung += IsHungAppWindow(window) != FALSE;
        DWORD_PTR result;
        LONG counted = 0;
        if (findProcessWindow(launcher.process.dwProcessId, "#32770") != nullptr) {
            ReleaseSemaphore(runs, 1, &counted);
            WaitForSingleObject(runs, 0);
            helpAfterStart = staysOpen && counted == 2;
            boxes += !helpAfterStart;
            if (staysOpen)
                break;
        }
        if (probes == 0 && GetTickCount() - start >= 6000 && ++probes) {
            const DWORD sent = GetTickCount();
            EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result), 0u)
                << "a sent message waited for the search";
            std::printf("a sent message answered after %lu ms\n", GetTickCount() - sent);
        } else if (probes == 1 && GetTickCount() - start >= 14700 && ++probes) {
            ReleaseSemaphore(runs, 1, &counted);
            WaitForSingleObject(runs, 0);
            EXPECT_EQ(counted, 1) << "runs half way through the search";
        }
    }
    sender.join();
    EXPECT_EQ(probes, 2);
    EXPECT_EQ(helpAfterStart, staysOpen) << "the Help's box seen after the Start's run";
    EXPECT_EQ(hung, 0) << "half-second polls that found the launcher hung";
    EXPECT_EQ(boxes, 0) << "half-second polls that found the box of a Help run inside the search";
    EXPECT_LT(startSentFor, 2000u) << "the sent Start and Help came back only after";
    std::printf("the sent Start and Help came back after %lu ms\n", startSentFor);
    int counted = 0;
    while (WaitForSingleObject(runs, counted < 1 ? patienceMs : 0) == WAIT_OBJECT_0)
        ++counted;
    EXPECT_EQ(counted, 1 + staysOpen) << "runs after the search";
}

// A console that opens 1 s after the Start is found at the next lookup, one
// pause of 600 ms at most after it opens: neither at once nor at the 29.4 s
// of giving up. With nothing to take, the lookups run out after 49 pauses of
// 600 ms, and mode 0 ends the launcher without the Start sent meanwhile; a
// pseudo console window that no terminal owns is not taken, nor touched. A
// console that never stands as asked, or whose host hangs, is let go at the
// next tick; one whose host puts its own place over the first request stands
// after the second. The bounds leave room for a busy machine:
// in 11 runs the late console was placed 61 to 587 ms after it opened (1,859
// ms after the Start), and giving up took 29.59 to 29.72 s (29.95 s seen on
// a busy machine); one lookup fewer gives 29.0 s.
TEST(ConsoleTest, SearchEndsWhenTheConsoleIsFoundOrAfter49Pauses)
{
    struct {
        const char* what;
        const char* standIn;  // its delay and flags
        DWORD atLeastMs, belowMs;  // from the Start to the launcher's end
        const char* windowClass;   // of the stand-in's window, if it opens one in time
        std::string geometry;
        DWORD placedWithinMs;  // of the window opening, when it is the one placed
        bool probed = false;   // another program probes the launcher during the search
        int mode = 0;
    } const cases[] = {
        {"console opening 1 s late", "1000", 1000, 5000, consoleClass, centred(), 1100},
        {"no console, then a Start sent meanwhile", "40000ds", 29400, 35000, nullptr, "", 0,
         true},
        {"no console, mode 3, then a Start sent meanwhile", "40000ds", 29400, 35000, nullptr, "",
         0, true, 3},
        {"host that keeps its own place", "0r", 0, 5000, consoleClass, untouched, 0},
        {"host that applies its own place late", "0e", 0, 5000, consoleClass, centred(), 2500},
        {"hung host", "0g", 0, 5000, consoleClass, untouched, 0},
        {"pseudo console without a terminal", "0u", 29400, 33000, pseudoClass, "0,0 0x0", 0},
        {"pseudo console of another program's window", "0o", 29400, 33000, editorClass,
         untouched, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene;
        writeFile(scene.dir.file("Tabrivet.txt"),
                  settingsText(scene.exe + " " + c.standIn + ":" + scene.title, 1000,
                               scene.dir.path, c.mode, 581, 391));
        HANDLE runs = CreateSemaphoreA(nullptr, 0, 10, scene.title.c_str());
        // The job ends the stand-in that would open only long after the search.
        ProcessJob job;
        Launcher launcher(scene.dir, "");
        job.add(launcher);
        ASSERT_NE(launcher.window(), nullptr);
        const DWORD start = GetTickCount();
        launcher.post(WM_COMMAND, IDM_START);
        if (c.probed)
            probeWhileSearching(launcher, runs, scene.dir.file("current_directory.txt"), start,
                                c.mode == 3);
        CloseHandle(runs);
        if (c.placedWithinMs != 0) {
            HWND console = waitForConsole(scene.title, c.windowClass);
            ASSERT_NE(console, nullptr);
            const DWORD opened = GetTickCount();
            EXPECT_TRUE(waitFor([&] { return geometryOf(console) == c.geometry; }, patienceMs));
            const DWORD placedAfter = GetTickCount() - opened;
            std::printf("%s: placed %lu ms after it opened\n", c.what, placedAfter);
            EXPECT_LT(placedAfter, c.placedWithinMs);
        }
        if (c.mode == 3) {
            EXPECT_TRUE(launcher.dismissShellError(patienceMs));
            launcher.post(WM_COMMAND, IDM_CANCEL);
        }
        EXPECT_EQ(launcher.waitForExit(40000), 0);
        const DWORD elapsed = GetTickCount() - start;
        std::printf("%s: the launcher ended %lu ms after the Start\n", c.what, elapsed);
        EXPECT_GE(elapsed, c.atLeastMs);
        EXPECT_LT(elapsed, c.belowMs);
        if (c.windowClass != nullptr) {
            HWND window = waitForConsole(scene.title, c.windowClass);
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(geometryOf(window), c.geometry);
        }
    }
}

// Two launchers started together, as from the Startup folder: the second
// one's program hands its console to a child long after the first console
// has opened, and each console gets its own launcher's size.
TEST(ConsoleTest, TwoLaunchersStartedTogetherPlaceTheirOwnConsoles)
{
    Scene first, second;
    first.writeSettings(300, "", 1000, 0);
    second.writeSettings(1500, "", 1000, 0, "h", 301);
    Launcher one(first.dir, ""), two(second.dir, "");
    ASSERT_NE(one.window(), nullptr);
    ASSERT_NE(two.window(), nullptr);
    one.post(WM_COMMAND, IDM_START);
    two.post(WM_COMMAND, IDM_START);
    EXPECT_EQ(one.waitForExit(patienceMs), 0);
    EXPECT_EQ(two.waitForExit(patienceMs), 0);
    EXPECT_EQ(geometryOf(waitForConsole(first.title)), centred());
    EXPECT_EQ(geometryOf(waitForConsole(second.title)), centred(301));
}

TEST(ConsoleTest, SettingsReachTheProgramAndItsConsole)
{
    // Line 3 becomes the program's current directory, its variables
    // expanded; line 6 is checked against the display's own full-screen
    // height. Notepad saves UTF-8, with or without a byte-order mark: a mark
    // is no part of line 1, and a name arrives whole, with letters that the
    // system's code page lacks; older editors save the code page.
    const int screen = GetSystemMetrics(SM_CYFULLSCREEN);
    const char* const unicode = "tab_\xC5\x81\xC3\xB3" "d\xC5\xBA_\xE6\x97\xA5\xE6\x9C\xAC";
    struct {
        int height, placedHeight;
        const char* mark;    // the file's first bytes
        const char* folder;  // in UTF-8
        const char* marker;  // with "[Start]", the automatic start does it
        // Made instead of `folder`: the program stays in the launcher's
        // folder, never in this one.
        const char* lookAlike = "";
        // Line 3 instead of the folder's path. TABRIVET_TESTDIR names the
        // test's folder, TABRIVET_FOLDER the folder made.
        const char* variable = "";
        bool programThere = false;  // started from a copy in the folder, by its full path
        bool cp1252 = false;
    } const cases[] = {{screen, screen, "", "work", ""},
                       {screen + 1, 390, "", "work", ""},
                       {screen, screen, "", "Jos\xC3\xA9", ""},
                       {screen, screen, "\xEF\xBB\xBF", "work", "[Start]"},
                       {screen, screen, "", "tab\xC5\x82", "", "tabl"},
                       {screen, screen, "", "100%", "", "", "%tabrivet_testdir%\\100%"},
                       {screen, screen, "", unicode, ""},
                       {screen, screen, "", unicode, "", "", "", true},
                       {screen, screen, "", unicode, "", "", "%tabrivet_folder%"},
                       {screen, screen, "", "Jos\xC3\xA9", "", "", "", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        Scene scene;
        wchar_t wide[MAX_PATH] = L"";
        const char* made = *c.lookAlike ? c.lookAlike : c.folder;
        MultiByteToWideChar(CP_UTF8, 0, (scene.dir.path + "\\" + made).c_str(), -1, wide,
                            MAX_PATH);
        ASSERT_TRUE(CreateDirectoryW(wide, nullptr));
        char work[MAX_PATH] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, work, MAX_PATH, nullptr, nullptr);
        const std::string folder = scene.dir.path + "\\" + c.folder, copy = "\\fake_console.exe";
        CopyFileW(std::wstring(scene.exe.begin(), scene.exe.end()).c_str(),
                  (wide + std::wstring(copy.begin(), copy.end())).c_str(), FALSE);
        SetEnvironmentVariableA("TABRIVET_TESTDIR", scene.dir.path.c_str());
        SetEnvironmentVariableW(L"TABRIVET_FOLDER", wide);
        std::string text = c.mark + settingsText((c.programThere ? folder + copy : scene.exe) +
                                                     " 0d:" + scene.title + c.marker,
                                                 1000, *c.variable ? c.variable : folder, 0, 581,
                                                 c.height);
        if (c.cp1252)
            text.replace(text.find("\xC3\xA9"), 2, "\xE9");
        writeFile(scene.dir.file("Tabrivet.txt"), text);
        Launcher launcher(scene.dir, "");
        if (*c.marker == '\0')
            launcher.post(WM_COMMAND, IDM_START);
        EXPECT_EQ(launcher.waitForExit(patienceMs + 1000), 0);
        // Beside the stand-in's exe, where only a name in the code page reaches.
        if (!c.programThere) {
            EXPECT_EQ(readFile(scene.dir.file("current_directory.txt")),
                      *c.lookAlike ? scene.dir.path : work);
        }
        HWND console = waitForConsole(scene.title);
        ASSERT_NE(console, nullptr);
        EXPECT_EQ(geometryOf(console), centred(c.placedHeight));
    }
}

TEST(ConsoleTest, LayoutOptionLeavesTheConsoleAlone)
{
    for (const char* options : {"-c7", "-c7 -t"}) {
        SCOPED_TRACE(options);
        const bool staysOpen = std::string(options).find("-t") != std::string::npos;
        Scene scene;
        scene.writeSettings(0, "", 1000, 0);
        Launcher launcher(scene.dir, options);
        launcher.post(WM_COMMAND, IDM_START);
        HWND console = waitForConsole(scene.title);
        ASSERT_NE(console, nullptr);
        EXPECT_EQ(launcher.waitForExit(staysOpen ? 1500 : patienceMs), staysOpen ? -1 : 0);
        EXPECT_EQ(geometryOf(console), untouched);
        if (staysOpen) {
            launcher.post(WM_COMMAND, IDM_CANCEL);
            EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
        }
    }
}

int windowsCreated;

void CALLBACK countWindowCreated(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG, DWORD, DWORD)
{
    windowsCreated += object == OBJID_WINDOW;
}

// A Start that started nothing: the shell says so in its own box, and no
// console is placed, not even one that another program opens right after;
// the console mode still decides whether the launcher ends. A second Start
// asked for while the box shows runs once it is closed, unless the launcher
// has decided to end by then. With the quit message queued, a box would be
// taken down before any poll could see it: the events of its windows'
// creation are counted instead.
TEST(ConsoleTest, MissingProgramShowsTheShellErrorAndPlacesNoConsole)
{
    struct {
        const char* options;
        int mode;
        bool launcherEnds;
    } const cases[] = {{"-c1 -t", 0, false}, {"", 0, true}, {"", 3, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.options) + " mode " + std::to_string(c.mode));
        Scene scene;
        writeFile(scene.dir.file("Tabrivet.txt"), settingsText("C:\\nothere\\missing.exe x", 1000,
                                                               scene.dir.path, c.mode, 581, 391));
        Launcher launcher(scene.dir, c.options);
        launcher.post(WM_COMMAND, IDM_START);
        HWND box = nullptr;
        EXPECT_TRUE(waitFor(
            [&] { return (box = findProcessWindow(launcher.process.dwProcessId, "#32770")); },
            10000));
        windowsCreated = 0;
        HWINEVENTHOOK hook =
            SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, countWindowCreated,
                            launcher.process.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
        launcher.post(WM_COMMAND, IDM_START);
        EXPECT_TRUE(launcher.dismissShellError(10000));
        EXPECT_TRUE(waitFor([&] { return !IsWindow(box); }, patienceMs));
        if (!c.launcherEnds) {
            EXPECT_TRUE(launcher.dismissShellError(patienceMs)) << "the box of the second Start";
        }
        HWND mine = scene.openMine();
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(launcher.waitForExit(c.launcherEnds ? patienceMs : 1500), c.launcherEnds ? 0 : -1);
        // The events wait in this thread's queue until it is read.
        MSG event;
        while (PeekMessageA(&event, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&event);
        UnhookWinEvent(hook);
        EXPECT_EQ(windowsCreated != 0, !c.launcherEnds) << "windows of the second Start";
        EXPECT_EQ(geometryOf(mine), untouched);
        EXPECT_TRUE(IsWindowVisible(mine));
        if (!c.launcherEnds) {
            launcher.post(WM_COMMAND, IDM_CANCEL);
            EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
        }
    }
}

TEST(ConsoleTest, MarkerStartsOnceAfterTheDelayUnlessSuppressed)
{
    // "-c7 -t" keeps the launcher open for several delays: a timer that kept
    // firing would start the program again.
    struct {
        const char* options;
        int delayMs;
        std::size_t starts;
        bool launcherEnds;
    } const cases[] = {{"", 1500, 1, true}, {"-s-", 1500, 0, false}, {"-c7 -t", 300, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        Scene scene;
        scene.writeSettings(0, "[Start]", c.delayMs, 0);
        // The launcher's timer starts later than this, so that a console seen
        // before the delay has run out from here came too early.
        const DWORD began = GetTickCount();
        Launcher launcher(scene.dir, c.options);
        ASSERT_NE(launcher.window(), nullptr);
        if (c.delayMs > 1000) {
            while (GetTickCount() - began < 800)
                Sleep(20);
            const HWND early = findWindowByTitle(consoleClass, scene.title);
            if (GetTickCount() - began < static_cast<DWORD>(c.delayMs)) {
                EXPECT_EQ(early, nullptr);
            }
        }
        if (c.launcherEnds) {
            EXPECT_EQ(launcher.waitForExit(c.delayMs + patienceMs), 0);
            EXPECT_EQ(geometryOf(waitForConsole(scene.title)), centred());
        } else {
            EXPECT_EQ(launcher.waitForExit(c.delayMs + 1700), -1);
            if (c.starts != 0) {
                // A timer that kept firing starts more while the first comes.
                ASSERT_NE(waitForConsole(scene.title), nullptr);
                EXPECT_EQ(launcher.waitForExit(1000), -1);
            }
            launcher.post(WM_COMMAND, IDM_CANCEL);
            EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
        }
        EXPECT_EQ(findWindowsByTitle(consoleClass, scene.title).size(), c.starts);
    }
}

TEST(ConsoleTest, ManualOptionEndsWithoutTouchingAnOpenConsole)
{
    Scene scene;
    writeFile(scene.dir.file("Tabrivet.pdf"), "%PDF-1.4\n");
    HWND console = scene.openMine();
    ASSERT_NE(console, nullptr);
    Launcher launcher(scene.dir, "-p");
    // Wine hands an existing file of this type to its browser bridge, which
    // shows no box here; a box would hold the launcher past this wait.
    EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
    EXPECT_EQ(geometryOf(console), untouched);
    EXPECT_TRUE(IsWindowVisible(console));
}

// The real thing: the default program, whose console under Wine has Wine's own
// class and belongs to the console host, not to cmd.exe. A console stand-in
// that opens after the first lookup is new as well, and of the class asked
// first: asking cmd.exe for its own console finds cmd's, and the stand-in's
// process is not one that cmd.exe started.
// The stand-in's console must open before the lookup that finds cmd's, which
// the launcher's schedule decides: it opens as soon as cmd.exe runs, whose
// console takes a quarter of a second. Where cmd's console was placed first
// all the same, the scene did not stand and is made again.
void placeCmdConsoleBesideANewOne(bool& sceneStood)
{
    ASSERT_TRUE(noWineConsoleOpen());
    Scene scene;
    HWND decoy = scene.openMine();
    ASSERT_NE(decoy, nullptr);
    writeFile(scene.dir.file("Tabrivet.txt"),
              settingsText("cmd.exe /T:0F", 100, "C:\\", 0, 580, 390));
    ProcessJob job;  // ends cmd.exe and its console host
    Launcher launcher(scene.dir, "");
    job.add(launcher);
    launcher.post(WM_COMMAND, IDM_START);
    ASSERT_TRUE(waitFor([&] { return job.processesEver() >= 2; }, patienceMs));
    decoy = reinterpret_cast<HWND>(SendMessageA(decoy, WM_APP, 0, 0));
    ASSERT_NE(decoy, nullptr);
    HWND console = nullptr;
    ASSERT_TRUE(waitFor([&] { return (console = FindWindowA("WineConsoleClass", nullptr)); }, patienceMs));
    const int x = GetSystemMetrics(SM_CXFULLSCREEN) / 2 - 580 / 2;
    const int y = (GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYMENU) +
                   GetSystemMetrics(SM_CYCAPTION)) / 2 - 390 / 2;
    RECT placed = {};
    GetWindowRect(console, &placed);
    sceneStood = !(placed.left == x && placed.top == y);
    if (!sceneStood)
        return;

    EXPECT_EQ(launcher.waitForExit(10000), 0);
    EXPECT_EQ(geometryOf(decoy), untouched);
    GetWindowRect(console, &placed);
    EXPECT_EQ(placed.left, x);
    EXPECT_EQ(placed.top, y);
    // Wine's console keeps its size to whole character cells.
    EXPECT_NEAR(placed.right - placed.left, 580, 20);
    EXPECT_NEAR(placed.bottom - placed.top, 390, 20);
    EXPECT_TRUE(IsWindowVisible(console));
}

TEST(ConsoleTest, ConsoleOfCmdIsCentredWhileAnotherNewConsoleIsOpen)
{
    bool sceneStood = false;
    for (int attempt = 0; attempt < 3 && !sceneStood && !HasFatalFailure(); ++attempt)
        placeCmdConsoleBesideANewOne(sceneStood);
    if (!sceneStood && !HasFatalFailure())
        GTEST_SKIP() << "cmd's console was placed before the stand-in's opened, three times";
}

// A real console program, a batch file that runs until the test lets it end,
// minimised or hidden by its mode. Its host is told so and never shows the
// console otherwise: a poll every millisecond from before the Start would
// see the few frames of a console made so only once the launcher has found
// it. The hidden one is placed hidden. The console must go with its program
// while the launcher stays: a launcher still attached to it would keep it
// open.
void startBatchFile(int mode)
{
    ASSERT_TRUE(noWineConsoleOpen());
    std::atomic<bool> polling{true}, seen{false};
    std::thread poller([&] {
        for (; polling; Sleep(1))
            for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, wineConsoleClass, nullptr));)
                seen = seen || (IsWindowVisible(w) && (mode == 3 || !IsIconic(w)));
    });
    TempDir dir;
    writeFile(dir.file("wait.bat"),
              "@echo off\r\n:wait\r\nping -n 2 127.0.0.1 >nul\r\n"
              "if not exist go.txt goto wait\r\n");
    writeFile(dir.file("Tabrivet.txt"),
              settingsText(dir.file("wait.bat") + " x", 100, dir.path, mode, 581, 391));
    Launcher launcher(dir, "");
    launcher.post(WM_COMMAND, IDM_START);
    HWND console = nullptr;
    const bool stands = waitFor([&] {
        console = FindWindowA("WineConsoleClass", nullptr);
        return console != nullptr && (mode == 1 ? IsIconic(console) && !launcher.running()
                                                : !IsWindowVisible(console) &&
                                                      positionOf(console) == positionOf(centred()));
    }, patienceMs);
    polling = false;
    poller.join();
    ASSERT_TRUE(stands) << "placed hidden, or minimised and the launcher ended";
    EXPECT_FALSE(seen) << "a console shown otherwise";
    writeFile(dir.file("go.txt"), "");
    EXPECT_TRUE(waitFor([&] { return !IsWindow(console); }, patienceMs));
    EXPECT_EQ(launcher.running(), mode == 3);
    launcher.post(WM_COMMAND, IDM_CANCEL);
    EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
}

TEST(ConsoleTest, MinimisedOrHiddenConsoleNeverShowsOtherwiseAndClosesWithItsProgram)
{
    for (const int mode : {3, 1}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        startBatchFile(mode);
    }
}

}  // namespace
