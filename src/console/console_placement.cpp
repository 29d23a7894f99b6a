// Finds the console window the started program opens, sizes it, centres it
// and shows it as the console mode says.
#include "../app/launcher_state.h"
#include "console_geometry.h"

namespace {

const int lookups = 50;
const DWORD lookupIntervalMs = 600;

// Windows' console host uses the first class; Wine's console uses the second.
// Only when no window of the first class exists is the second asked for, so
// the behaviour on Windows stays the same.
HWND findConsoleWindow()
{
    HWND console = FindWindowA("ConsoleWindowClass", nullptr);
    if (console == nullptr)
        console = FindWindowA("WineConsoleClass", nullptr);
    return console;
}

}  // namespace

bool placeConsoleWindow(int consoleMode)
{
    const std::int32_t width = launcher.settings.consoleWidth;
    const std::int32_t height = launcher.settings.consoleHeight;
    const ScreenMetrics metrics = {GetSystemMetrics(SM_CXFULLSCREEN),
                                   GetSystemMetrics(SM_CYFULLSCREEN), GetSystemMetrics(SM_CYMENU),
                                   GetSystemMetrics(SM_CYCAPTION)};

    // The program may take a while to open its console; the launcher does not
    // handle messages meanwhile.
    HWND console = findConsoleWindow();
    for (int lookup = 1; console == nullptr && lookup < lookups; ++lookup) {
        Sleep(lookupIntervalMs);
        console = findConsoleWindow();
    }

    const ConsoleModeAction action = consoleModeAction(consoleMode);
    if (console != nullptr) {
        const ScreenPoint position = consoleWindowPosition(width, height, metrics);
        ShowWindow(console, SW_RESTORE);
        SetWindowPos(console, action.atBottom ? HWND_BOTTOM : HWND_TOP, position.x, position.y,
                     width, height, action.hide ? SWP_HIDEWINDOW : 0);
        if (action.minimise)
            ShowWindow(console, SW_MINIMIZE);
    }
    return action.launcherEnds;
}
