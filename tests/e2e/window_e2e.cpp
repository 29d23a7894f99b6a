// The launcher window under Wine: resources, class, placement, label, keys,
// menu commands, the Start button and the cursor readout.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness.h"

namespace {

const int launcherWidth = 289;
const int launcherHeight = 203;

// A settings file whose program is the console stand-in, titled `title`, and
// whose automatic start is far away unless line 1 asks otherwise.
std::string standInSettings(const TempDir& dir, const std::string& title)
{
    return settingsText(buildDir() + "\\fake_console.exe 0:" + title, 2000000000, dir.path, 0,
                        580, 390);
}

bool started(const std::string& title, DWORD timeoutMs)
{
    return waitFor([&] { return findWindowByTitle("ConsoleWindowClass", title) != nullptr; },
                   timeoutMs);
}

void closeStandIns(const std::string& title)
{
    while (HWND console = findWindowByTitle("ConsoleWindowClass", title)) {
        PostMessageA(console, WM_CLOSE, 0, 0);
        waitFor([&] { return !IsWindow(console); }, patienceMs);
    }
}

TEST(LauncherResourcesTest, MenuAcceleratorsPicturesAndIcon)
{
    HMODULE exe = LoadLibraryExA((buildDir() + "\\Tabrivet.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);

    HMENU menu = LoadMenuA(exe, "TabrivetMenu");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    char text[64];
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&File");
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(file), 1);
    EXPECT_EQ(GetMenuItemID(file, 0), 169u);
    GetMenuStringA(file, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Start\tF9");
    EXPECT_EQ(GetMenuItemID(menu, 1), 167u);
    GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "C&ancel");
    EXPECT_EQ(GetMenuItemID(menu, 2), 168u);
    GetMenuStringA(menu, 2, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Help");

    HACCEL accelerators = LoadAcceleratorsA(exe, "TabrivetMenu");
    ACCEL entries[8];
    ASSERT_EQ(CopyAcceleratorTableA(accelerators, entries, 8), 3);
    const WORD expected[][2] = {{VK_F1, 168}, {VK_F3, 167}, {VK_F9, 169}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(entries[i].fVirt & ~0x80, FVIRTKEY) << i;
        EXPECT_EQ(entries[i].key, expected[i][0]) << i;
        EXPECT_EQ(entries[i].cmd, expected[i][1]) << i;
    }

    // Stored with a palette, the pictures and the icon must still show exactly
    // what the generator's 24-bit reference does once Windows has loaded them.
    const auto showsReference = [](const char* name, HBITMAP bitmap, int width, int height) {
        const std::string reference =
            readFile(buildDir() + "\\pictures-24bit\\" + name + ".bmp");
        ASSERT_GT(reference.size(), 54u) << name;
        BITMAPINFO info = {};
        info.bmiHeader = *reinterpret_cast<const BITMAPINFOHEADER*>(&reference[14]);
        const std::string expected = reference.substr(54);
        ASSERT_EQ(info.bmiHeader.biWidth, width) << name;
        ASSERT_EQ(info.bmiHeader.biHeight, height) << name;
        std::string shown(expected.size(), '\0');
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetDIBits(screen, bitmap, 0, height, &shown[0], &info, DIB_RGB_COLORS), height)
            << name;
        ReleaseDC(nullptr, screen);
        const std::size_t stride = expected.size() / height;
        const std::size_t first =
            std::mismatch(shown.begin(), shown.end(), expected.begin()).first - shown.begin();
        EXPECT_EQ(first, shown.size()) << name << " differs first at x " << first % stride / 3
                                       << ", y " << height - 1 - first / stride;
    };
    for (const char* name : {"start", "startDepressed"}) {
        HRSRC resource = FindResourceA(exe, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
        ASSERT_NE(resource, nullptr) << name;
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(exe, resource)));
        EXPECT_LE(header->biBitCount, 8) << name;
        HBITMAP bitmap = LoadBitmapA(exe, name);
        ASSERT_NE(bitmap, nullptr) << name;
        showsReference(name, bitmap, 289, 107);
        DeleteObject(bitmap);
    }

    // The reference shows the icon on magenta, so drawing it on magenta
    // checks its mask as well as its colours.
    HICON icon = static_cast<HICON>(LoadImageA(exe, "TabrivetIcon", IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP drawn = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(canvas, drawn);
    const RECT square = {0, 0, 32, 32};
    SetDCBrushColor(canvas, RGB(255, 0, 255));
    FillRect(canvas, &square, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    EXPECT_TRUE(DrawIconEx(canvas, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL));
    SelectObject(canvas, old);
    showsReference("TabrivetIcon", drawn, 32, 32);
    DeleteObject(drawn);
    DeleteDC(canvas);
    DestroyIcon(icon);

    HRSRC group = FindResourceA(exe, "TabrivetIcon", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(exe, group)));
    EXPECT_EQ(directory[4], 1);   // one image
    EXPECT_EQ(directory[6], 32);  // 32 wide
    EXPECT_EQ(directory[7], 32);  // 32 high
    EXPECT_EQ(directory[8], 16);  // 16 colours
    FreeLibrary(exe);
}

TEST(LauncherWindowTest, ClassTitleSizeStyleAndLabel)
{
    struct Case {
        const char* line1;
        const char* label;
    };
    const Case cases[] = {
        {"cmd.exe /T:0F[Start]", "cmd.exe /T:0F"},
        {"cmd.exe [Start]", "cmd.exe "},
        {"x.exe a[Start]b[start]c", "x.exe a[Start]b"},
        {"cmd.exe /T:0F [Start]", "cmd.exe /T:0F"},
        {"notepad.exe", "cmd.exe /T:0F"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("Tabrivet.txt"), settingsText(c.line1, 2000000000, "C:\\", 0, 580, 390));
        Launcher launcher(dir, "");
        HWND window = launcher.window();
        ASSERT_NE(window, nullptr) << c.line1;
        EXPECT_EQ(windowTitle(window), "Tabrivet");
        RECT outer;
        GetWindowRect(window, &outer);
        EXPECT_EQ(outer.right - outer.left, launcherWidth);
        EXPECT_EQ(outer.bottom - outer.top, launcherHeight);
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
                  WS_CAPTION | WS_SYSMENU);
        EXPECT_EQ(GetClassLongA(window, GCL_STYLE), 0u);
        EXPECT_NE(GetMenu(window), nullptr);

        HWND label = GetDlgItem(window, 170);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(windowTitle(label), c.label) << c.line1;
        RECT client, labelRect;
        GetClientRect(window, &client);
        GetWindowRect(label, &labelRect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&labelRect), 2);
        EXPECT_EQ(labelRect.left, 0);
        EXPECT_EQ(labelRect.top, 107);
        EXPECT_EQ(labelRect.right, client.right);
        EXPECT_EQ(labelRect.bottom - labelRect.top, 87);

        launcher.post(WM_COMMAND, 167);
        EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
    }
}

TEST(LauncherWindowTest, PlacedCentredOrInACorner)
{
    const int width = GetSystemMetrics(SM_CXFULLSCREEN);
    const int height = GetSystemMetrics(SM_CYFULLSCREEN);
    const int menu = GetSystemMetrics(SM_CYMENU);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const POINT centre = {width / 2 - launcherWidth / 2,
                          (height + menu + caption) / 2 - launcherHeight / 2};
    const int right = width - launcherWidth;
    const int bottom = height + menu - launcherHeight;
    // In the session of two monitors of one size side by side
    // (TABRIVET_MONITORS=2), what stands on the second moves by the distance
    // between the work areas; with one, the primary is the nearest to all.
    char monitors[2] = "";
    GetEnvironmentVariableA("TABRIVET_MONITORS", monitors, sizeof monitors);
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), monitors[0] == '2' ? 2 : 1);
    MONITORINFO primary = {}, second = {};
    primary.cbSize = second.cbSize = sizeof primary;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    GetMonitorInfoA(MonitorFromPoint({1300, 100}, MONITOR_DEFAULTTONEAREST), &second);
    const POINT onSecond = {second.rcWork.left - primary.rcWork.left,
                            second.rcWork.top - primary.rcWork.top};
    struct Case {
        const char* option;
        POINT expected;
        POINT position = {-1, -1};  // given at the start, as a shell does
        POINT pointer = {100, 100};
        POINT moved = {0, 0};  // of the window, and of the console a Start places
    };
    const Case cases[] = {
        {"", centre},          {"-c1", {0, 0}},          {"-c2", {right, 0}},
        {"-c3", {right, bottom}}, {"-c4", {0, bottom}},  {"-c7", centre},
        {"", centre, {1300, 100}, {100, 100}, onSecond},
        {"", centre, {-1, -1}, {1500, 400}, onSecond},
        {"-c2", {right, 0}, {-1, -1}, {1500, 400}, onSecond},
    };
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), standInSettings(dir, "placed"));
    for (const Case& c : cases) {
        if (MonitorFromPoint(c.pointer, MONITOR_DEFAULTTONULL))
            moveCursor(c.pointer);
        Launcher launcher(dir.path, c.option, SW_SHOWNORMAL, "",
                          c.position.x < 0 ? nullptr : &c.position);
        ASSERT_NE(launcher.window(), nullptr) << c.option;
        RECT outer = {};
        // The window exists before it is placed: wait for the move.
        EXPECT_TRUE(waitFor(
            [&] {
                GetWindowRect(launcher.window(), &outer);
                return outer.left == c.expected.x + c.moved.x &&
                       outer.top == c.expected.y + c.moved.y;
            },
            patienceMs))
            << c.option << " left " << outer.left << " top " << outer.top;
        launcher.post(WM_COMMAND, *c.option ? 167 : 169);
        EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
        if (*c.option)
            continue;
        EXPECT_TRUE(waitFor(
            [&] {
                GetWindowRect(findWindowByTitle("ConsoleWindowClass", "placed"), &outer);
                return outer.left == width / 2 - 290 + c.moved.x &&
                       outer.top == (height + menu + caption) / 2 - 195 + c.moved.y;
            },
            patienceMs))
            << "console left " << outer.left << " top " << outer.top;
        closeStandIns("placed");
    }
}

TEST(LauncherWindowTest, ShowCommandIsObeyed)
{
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), settingsText("a b", 100, "C:\\", 0, 580, 390));
    Launcher launcher(dir, "", SW_SHOWMINNOACTIVE);
    ASSERT_NE(launcher.window(), nullptr);
    EXPECT_TRUE(waitFor([&] { return IsIconic(launcher.window()) != FALSE; }, patienceMs));
}

TEST(LauncherKeysTest, WaysOutEndWithExitCodeZero)
{
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"F3", WM_KEYDOWN, VK_F3},
        {"Page Down", WM_KEYDOWN, VK_NEXT},
        {"Cancel", WM_COMMAND, 167},
        {"close box", WM_SYSCOMMAND, SC_CLOSE},
    };
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), standInSettings(dir, "not-started"));
    for (const Case& c : cases) {
        Launcher launcher(dir, "-c3 -t");
        ASSERT_NE(launcher.window(), nullptr) << c.name;
        launcher.post(c.message, c.wParam);
        EXPECT_EQ(launcher.waitForExit(patienceMs), 0) << c.name;
    }
    EXPECT_FALSE(started("not-started", 0));
}

TEST(LauncherKeysTest, TitleKeysAndOtherKeys)
{
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), standInSettings(dir, "not-started"));
    Launcher launcher(dir, "-c1");
    HWND window = launcher.window();
    ASSERT_NE(window, nullptr);
    launcher.post(WM_KEYDOWN, VK_F11);
    EXPECT_TRUE(waitFor([&] { return windowTitle(window) == "Tabrivet 1.11"; }, patienceMs));
    launcher.post(WM_KEYDOWN, VK_SHIFT);
    EXPECT_TRUE(waitFor([&] { return windowTitle(window) == "Tabrivet"; }, patienceMs));
    // Keys without a meaning do nothing, and the readout is off without "-t".
    launcher.post(WM_KEYDOWN, 'A');
    launcher.post(WM_CHAR, '+');
    Sleep(800);
    EXPECT_EQ(windowTitle(window), "Tabrivet");
    EXPECT_TRUE(launcher.running());
    EXPECT_FALSE(started("not-started", 0));
}

TEST(LauncherKeysTest, HelpAsksTheShellForTheManualAndKeepsTheLauncher)
{
    // Before any Start the manual is looked for in the folder the launcher
    // started in, whatever line 3 names; where it is missing, the shell says
    // so in its own box. An automatic start that comes due while the box
    // shows waits until it is closed, and then ends the launcher ("-c1").
    struct Case {
        const char* name;
        WPARAM key;
        bool manual, otherWorkingDirectory, autoStart;
    };
    const Case cases[] = {{"F1, no manual", VK_F1, false, false, false},
                          {"Help, no manual", 0, false, false, false},
                          {"Help, manual", 0, true, false, false},
                          {"Help, manual, line 3 another folder", 0, true, true, false},
                          {"F1, no manual, automatic start meanwhile", VK_F1, false, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir, other;
        const std::string title = "help-" + std::to_string(GetCurrentProcessId());
        const int delayMs = 1500;
        const std::string line1 =
            c.autoStart ? buildDir() + "\\fake_console.exe 0:" + title + "[Start]" : "a b";
        writeFile(dir.file("Tabrivet.txt"),
                  settingsText(line1, delayMs, c.otherWorkingDirectory ? other.path : dir.path, 0,
                               580, 390));
        if (c.manual)
            writeFile(dir.file("Tabrivet.pdf"), "%PDF-1.4\n");
        HANDLE runs = CreateSemaphoreA(nullptr, 0, 10, title.c_str());
        ProcessJob job;  // ends whatever the shell opens the manual with
        const DWORD began = GetTickCount();
        Launcher launcher(dir, "-c1");
        job.add(launcher);
        ASSERT_NE(launcher.window(), nullptr);
        if (c.key != 0)
            launcher.post(WM_KEYDOWN, c.key);
        else
            launcher.post(WM_COMMAND, 168);
        if (c.autoStart) {
            EXPECT_TRUE(waitFor(
                [&] { return findProcessWindow(launcher.process.dwProcessId, "#32770"); },
                patienceMs));
            while (GetTickCount() - began < delayMs + 1500u)
                Sleep(20);
            EXPECT_EQ(WaitForSingleObject(runs, 0), WAIT_TIMEOUT) << "started while the box showed";
        }
        EXPECT_EQ(launcher.dismissShellError(c.manual ? 3000 : patienceMs), !c.manual);
        if (c.autoStart) {
            EXPECT_EQ(WaitForSingleObject(runs, patienceMs), WAIT_OBJECT_0);
            EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
            EXPECT_EQ(WaitForSingleObject(runs, 1000), WAIT_TIMEOUT) << "started twice";
            closeStandIns(title);
        } else {
            Sleep(300);
            EXPECT_TRUE(launcher.running());
        }
        CloseHandle(runs);
    }
}

TEST(LauncherStartTest, EveryStartRequestStartsTheProgram)
{
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"F9", WM_KEYDOWN, VK_F9},
        {"minus", WM_CHAR, '-'},
        {"Start command", WM_COMMAND, 169},
        {"button", WM_LBUTTONUP, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string title = std::string("start-") + std::to_string(c.wParam);
        writeFile(dir.file("Tabrivet.txt"), standInSettings(dir, title));
        Launcher launcher(dir, "-c3 -t");
        HWND window = launcher.window();
        ASSERT_NE(window, nullptr) << c.name;
        const POINT button = clientToScreen(window, 245, 81);
        moveCursorSeenBy(window, button);
        if (c.message == WM_LBUTTONUP)
            launcher.post(WM_LBUTTONDOWN);
        launcher.post(c.message, c.wParam);
        EXPECT_TRUE(started(title, patienceMs)) << c.name;
        // "-c3 -t": no console placement, and the launcher stays.
        EXPECT_TRUE(launcher.running()) << c.name;
        closeStandIns(title);
    }
}

TEST(LauncherStartTest, ButtonIsDrawnPressedAndOnlyAReleaseOnItStarts)
{
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), standInSettings(dir, "button-test"));
    Launcher launcher(dir, "-c3 -t");
    HWND window = launcher.window();
    ASSERT_NE(window, nullptr);
    // The button's top-left corner: white when raised, black when pressed;
    // the picture's field around it is grey.
    const POINT corner = clientToScreen(window, 214, 69);
    const POINT field = clientToScreen(window, 150, 100);
    const POINT onButton = clientToScreen(window, 245, 81);
    const POINT offButton = clientToScreen(window, 100, 50);
    auto colourAt = [](POINT point) {
        HDC screen = GetDC(nullptr);
        const COLORREF colour = GetPixel(screen, point.x, point.y);
        ReleaseDC(nullptr, screen);
        return colour;
    };
    auto cornerColour = [&] { return colourAt(corner); };
    EXPECT_TRUE(waitFor([&] { return cornerColour() == RGB(255, 255, 255); }, patienceMs));
    EXPECT_EQ(colourAt(field), RGB(212, 208, 200));

    moveCursorSeenBy(window, onButton);
    launcher.post(WM_LBUTTONDOWN);
    EXPECT_TRUE(waitFor([&] { return cornerColour() == RGB(0, 0, 0); }, patienceMs));
    moveCursorSeenBy(window, offButton);
    launcher.post(WM_LBUTTONUP);
    EXPECT_TRUE(waitFor([&] { return cornerColour() == RGB(255, 255, 255); }, patienceMs));

    // A press off the button, released off it, starts nothing either.
    launcher.post(WM_LBUTTONDOWN);
    launcher.post(WM_LBUTTONUP);
    EXPECT_FALSE(started("button-test", 1500));
    EXPECT_TRUE(launcher.running());
}

TEST(CursorReadoutTest, TitleFollowsTheCursorWithT)
{
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), settingsText("a b", 100, "C:\\", 0, 580, 390));
    Launcher launcher(dir, "-t");
    HWND window = launcher.window();
    ASSERT_NE(window, nullptr);
    RECT outer;
    GetWindowRect(window, &outer);
    const POINT inside = clientToScreen(window, 100, 100);
    const POINT caption = {outer.left + 50, outer.top + 5};
    struct Case {
        POINT cursor;
        const char* where;
    };
    const Case cases[] = {{inside, "inside"}, {caption, "outside"}, {{1, 1}, "outside"}};
    for (const Case& c : cases) {
        moveCursor(c.cursor);
        const std::string expected = std::to_string(c.cursor.x) + " : " +
                                     std::to_string(c.cursor.y) + " ( " + c.where + " ) ";
        EXPECT_TRUE(waitFor([&] { return windowTitle(window) == expected; }, patienceMs))
            << expected << " but the title is \"" << windowTitle(window) << "\"";
    }
}

}  // namespace
