// The launcher window's procedure: the Start picture, the command-line label,
// keys, menu commands, the automatic start and the way out.
#include "../../res/tabrivet_ids.h"
#include "../app/launcher_state.h"
#include "../app/version.h"
#include "window_geometry.h"

#include <cstring>

namespace {

const UINT WM_AUTOSTART = WM_APP + 1;
const int pictureWidth = 289;
const int pictureHeight = 107;
const int labelTop = pictureHeight;
const int labelHeight = 87;

void CALLBACK autoStartTimerProc(HWND window, UINT, UINT_PTR, DWORD)
{
    // One shot: the Start itself runs from the posted message, like any other
    // Start request, not from inside the timer dispatch.
    KillTimer(window, AUTOSTART_TIMER_ID);
    PostMessageA(window, WM_AUTOSTART, 0, 0);
}

// While a Start runs, its console search reads the queue, which lets the
// messages of other threads and programs through; the shell's error box, of a
// Start or of Help, runs a message loop of its own. A Start or Help asked for
// meanwhile would run inside the running one; it waits instead, and is asked
// for again once that has returned, in the order asked, as a request that
// waited in the queue always was. Nor did a request that waited in the queue
// ever run after the quit message: once the launcher ends, none runs, and
// those posted again are dropped at their turn.
bool requestRunning;
bool launcherEnding;
// Bit i set: the i-th waiting request is a Help. Past 32 waiting, as past a
// full queue, a request is lost: only a program that floods the window asks
// for that many, and each would show a box or start a program.
unsigned waitingHelps;
unsigned waitingCount;

void runRequest(WORD command)
{
    if (launcherEnding)
        return;
    if (requestRunning) {
        if (waitingCount < 32)
            waitingHelps |= unsigned{command == IDM_HELP} << waitingCount++;
        return;
    }
    requestRunning = true;
    if (command == IDM_HELP)
        openPdfHelp();
    else
        startProgram();
    requestRunning = false;
    for (unsigned i = 0; i < waitingCount; ++i)
        PostMessageA(launcher.mainWindow, WM_COMMAND, waitingHelps >> i & 1 ? IDM_HELP : IDM_START,
                     0);
    waitingHelps = waitingCount = 0;
}

bool isCursorOnStartButton()
{
    POINT cursor;
    if (!GetCursorPos(&cursor) || !ScreenToClient(launcher.mainWindow, &cursor))
        return false;
    return isOnStartButton(cursor.x, cursor.y);
}

void sizeCommandLineLabel(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    MoveWindow(launcher.commandLineLabel, 0, labelTop, client.right, labelHeight, TRUE);
}

void onCreate(HWND window)
{
    launcher.commandLineLabel =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, labelTop, pictureWidth,
                        labelHeight, window, reinterpret_cast<HMENU>(IDC_COMMAND_LINE),
                        launcher.instance, nullptr);
    // Static: two whole settings lines are more than a stack frame should carry.
    static char commandLine[sizeof launcher.settings.program + 1 + sizeof launcher.settings.arguments];
    const std::size_t programLength = std::strlen(launcher.settings.program);
    std::memcpy(commandLine, launcher.settings.program, programLength);
    commandLine[programLength] = ' ';
    std::strcpy(commandLine + programLength + 1, launcher.settings.arguments);
    SetWindowTextA(launcher.commandLineLabel, commandLine);
    sizeCommandLineLabel(window);
    launcher.startButtonPressed = false;
    if (launcher.settings.autoStart)
        SetTimer(window, AUTOSTART_TIMER_ID, launcher.settings.startDelayMs, autoStartTimerProc);
    if (launcher.showCursorPosition)
        SetTimer(window, CURSOR_TIMER_ID, 500, cursorReadoutTimerProc);
}

void onPaint(HWND window)
{
    // Loaded and released at every paint, so that no drawing object outlives it.
    HBITMAP picture =
        LoadBitmapA(launcher.instance, launcher.startButtonPressed ? "startDepressed" : "start");
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window, &paint);
    HDC pictureDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(pictureDc, picture);
    BitBlt(windowDc, 0, 0, pictureWidth, pictureHeight, pictureDc, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
    // A bitmap still selected into a DC cannot be deleted.
    SelectObject(pictureDc, previous);
    DeleteDC(pictureDc);
    DeleteObject(picture);
}

void onKeyDown(HWND window, WPARAM key)
{
    switch (key & 0xFF) {
    case VK_SHIFT:
        SetWindowTextA(window, "Tabrivet");
        break;
    case VK_NEXT:
        postQuitIf(true);
        break;
    case VK_F11:
        SetWindowTextA(window, "Tabrivet " TABRIVET_VERSION);
        break;
    }
}

void onCommand(WPARAM command)
{
    switch (LOWORD(command)) {
    case IDM_CANCEL:
        postQuitIf(true);
        break;
    case IDM_HELP:
    case IDM_START:
        runRequest(LOWORD(command));
        break;
    }
}

void onButtonDown(HWND window)
{
    launcher.startButtonPressed = isCursorOnStartButton();
    if (launcher.startButtonPressed)
        InvalidateRect(window, nullptr, TRUE);
}

// A release counts by itself: a press elsewhere followed by a release on the
// button is a Start, a press on the button released elsewhere is not.
void onButtonUp(HWND window)
{
    launcher.startButtonPressed = isCursorOnStartButton();
    if (launcher.startButtonPressed) {
        runRequest(IDM_START);
        launcher.startButtonPressed = false;
    }
    InvalidateRect(window, nullptr, TRUE);
}

}  // namespace

void postQuitIf(bool quit)
{
    if (quit) {
        launcherEnding = true;
        PostQuitMessage(0);
    }
}

LRESULT CALLBACK launcherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_DESTROY:
        postQuitIf(true);
        return 0;
    case WM_SIZE:
        sizeCommandLineLabel(window);
        return 0;
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_KEYDOWN:
        onKeyDown(window, wParam);
        return 0;
    case WM_CHAR:
        if ((wParam & 0xFF) == '-')
            runRequest(IDM_START);
        return 0;
    case WM_COMMAND:
        onCommand(wParam);
        return 0;
    case WM_LBUTTONDOWN:
        onButtonDown(window);
        return 0;
    case WM_LBUTTONUP:
        onButtonUp(window);
        return 0;
    case WM_AUTOSTART:
        runRequest(IDM_START);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
