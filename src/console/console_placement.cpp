// Finds the console window of the program just started, sizes it, centres it
// and shows it as the console mode says.
#include "../app/launcher_state.h"
#include "console_geometry.h"

namespace {

const int lookups = 50;
const DWORD lookupIntervalMs = 600;

// Windows' console host, Wine's console, and the hidden window that a
// terminal's console host makes when a terminal shows the session instead.
// Asked in this order, so that on Windows the first class is found first,
// as it always was.
const char* const consoleClasses[] = {"ConsoleWindowClass", "WineConsoleClass",
                                      "PseudoConsoleWindow"};
const int consoleClassCount = sizeof consoleClasses / sizeof consoleClasses[0];
const int pseudoConsole = 2;
const char* const terminalClass = "CASCADIA_HOSTING_WINDOW_CLASS";

// The console windows open before the shell call: the prompt the launcher was
// started from, another program's, an earlier Start's hidden one. None of
// them is the started program's. A desktop with more than fit here is beyond
// anything real; should one occur, only the started process's own console is
// trusted.
struct OpenConsoles {
    HWND windows[256];
    int count;
    bool overflowed;
};
OpenConsoles openBefore;

bool wasOpenBefore(HWND window)
{
    for (int i = 0; i < openBefore.count; ++i) {
        if (openBefore.windows[i] == window)
            return true;
    }
    return false;
}

// The index of the window's class among `classes`, -1 for none. The class
// name is read once: every top-level window passes here at every lookup. The
// longest class asked for has 29 characters; a longer name cut to fit the
// buffer can never equal one of them.
int classIndex(HWND window, const char* const* classes, int count)
{
    char name[32];
    if (GetClassNameA(window, name, sizeof name) == 0)
        return -1;
    for (int i = 0; i < count; ++i) {
        if (lstrcmpiA(name, classes[i]) == 0)
            return i;
    }
    return -1;
}

int consoleClassOf(HWND window)
{
    return classIndex(window, consoleClasses, consoleClassCount);
}

// What to place for a console window: the window itself, or for a terminal's
// pseudo console window the terminal window that shows it. The pseudo window
// is 0 x 0 and passes no move, size or z-order on to the terminal, so it is
// never touched itself; without a terminal above it there is nothing to place.
HWND placeableWindow(HWND console, int consoleClass)
{
    if (console == nullptr || wasOpenBefore(console))
        return nullptr;
    if (consoleClass != pseudoConsole)
        return console;
    // The root owner of a window has neither parent nor owner: a top-level window.
    HWND terminal = GetAncestor(console, GA_ROOTOWNER);
    if (terminal == nullptr || terminal == console || classIndex(terminal, &terminalClass, 1) != 0)
        return nullptr;
    return terminal;
}

BOOL CALLBACK noteConsole(HWND window, LPARAM)
{
    if (consoleClassOf(window) < 0)
        return TRUE;
    if (openBefore.count < static_cast<int>(sizeof openBefore.windows / sizeof(HWND)))
        openBefore.windows[openBefore.count++] = window;
    else
        openBefore.overflowed = true;
    return TRUE;
}

// Collects the first placeable window of each console class, in z-order
// from the top.
BOOL CALLBACK collectNewConsole(HWND window, LPARAM parameter)
{
    HWND* firstOfClass = reinterpret_cast<HWND*>(parameter);
    const int consoleClass = consoleClassOf(window);
    if (consoleClass >= 0 && firstOfClass[consoleClass] == nullptr)
        firstOfClass[consoleClass] = placeableWindow(window, consoleClass);
    return TRUE;
}

// The console the started process itself is attached to. Under Wine the
// window of a console belongs to the console host's process, not to the
// program, so only attaching tells which console is the program's.
HWND consoleOfProcess(HANDLE process)
{
    if (process == nullptr)
        return nullptr;
    // Fails until the program's console exists, and for a program without one.
    // A process has one console at most: one that the launcher got from its
    // parent (Wine gives a GUI program its parent's) is let go, unused anyway.
    const DWORD processId = GetProcessId(process);
    if (!AttachConsole(processId) &&
        (GetLastError() != ERROR_ACCESS_DENIED || !FreeConsole() || !AttachConsole(processId)))
        return nullptr;
    HWND console = GetConsoleWindow();
    FreeConsole();
    return console;
}

HWND lookUp(HANDLE process)
{
    HWND own = consoleOfProcess(process);
    if (own != nullptr && (own = placeableWindow(own, consoleClassOf(own))) != nullptr)
        return own;
    // A batch file, or a small program that starts the real one and ends,
    // hands its console on to another process: any new console window may
    // be the one.
    if (openBefore.overflowed)
        return nullptr;
    HWND firstOfClass[consoleClassCount] = {};
    EnumWindows(collectNewConsole, reinterpret_cast<LPARAM>(firstOfClass));
    for (HWND window : firstOfClass) {
        if (window != nullptr)
            return window;
    }
    return nullptr;
}

}  // namespace

void noteOpenConsoles()
{
    openBefore.count = 0;
    openBefore.overflowed = false;
    EnumWindows(noteConsole, 0);
}

bool placeConsoleWindow(int consoleMode, HANDLE startedProcess)
{
    const std::int32_t width = launcher.settings.consoleWidth;
    const std::int32_t height = launcher.settings.consoleHeight;
    const ScreenMetrics metrics = {GetSystemMetrics(SM_CXFULLSCREEN),
                                   GetSystemMetrics(SM_CYFULLSCREEN), GetSystemMetrics(SM_CYMENU),
                                   GetSystemMetrics(SM_CYCAPTION)};

    // The program may take a while to open its console; the launcher does not
    // handle messages meanwhile.
    HWND console = lookUp(startedProcess);
    for (int lookup = 1; console == nullptr && lookup < lookups; ++lookup) {
        Sleep(lookupIntervalMs);
        console = lookUp(startedProcess);
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
