// Finds the console window of the program just started, sizes it, centres it
// and shows it as the console mode says.
#include "../app/launcher_state.h"
#include "console_family.h"
#include "console_geometry.h"

namespace {

const int lookups = 50;
const DWORD lookupIntervalMs = 600;

// Windows' console host, Wine's console, and the hidden window that a
// terminal's console host makes when a terminal shows the session instead.
// Asked in this order, so that on Windows the first class is found first,
// as it always was. The terminal's own window class comes last: it is no
// console, but one open before the Start is noted with them.
const char* const notedClasses[] = {"ConsoleWindowClass", "WineConsoleClass",
                                    "PseudoConsoleWindow", "CASCADIA_HOSTING_WINDOW_CLASS"};
const int consoleClassCount = 3;
const int pseudoConsole = 2;
const int terminal = 3;

// The console and terminal windows open before the shell call: the prompt
// the launcher was started from, another program's, an earlier Start's
// hidden one, a terminal window that may take the session as a tab. None of
// them is the started program's. A desktop with more than fit here is beyond
// anything real; should one occur, only the started family's own consoles
// are trusted.
struct OpenWindows {
    HWND windows[256];
    int count;
    bool overflowed;
    ULONGLONG noted;  // system time, as process creation times are given
};
OpenWindows openBefore;

bool wasOpenBefore(HWND window)
{
    for (int i = 0; i < openBefore.count; ++i) {
        if (openBefore.windows[i] == window)
            return true;
    }
    return false;
}

// The index of the window's class among the noted classes, -1 for none. The
// class name is read once: every top-level window passes here at every
// lookup. The longest class asked for has 29 characters; a longer name cut
// to fit the buffer can never equal one of them.
int notedClassOf(HWND window)
{
    char name[32];
    if (GetClassNameA(window, name, sizeof name) == 0)
        return -1;
    for (int i = 0; i < terminal + 1; ++i) {
        if (lstrcmpiA(name, notedClasses[i]) == 0)
            return i;
    }
    return -1;
}

BOOL CALLBACK noteWindow(HWND window, LPARAM)
{
    if (notedClassOf(window) < 0)
        return TRUE;
    if (openBefore.count < static_cast<int>(sizeof openBefore.windows / sizeof(HWND)))
        openBefore.windows[openBefore.count++] = window;
    else
        openBefore.overflowed = true;
    return TRUE;
}

// The console windows that were not open before the Start, in z-order from
// the top, with the process each belongs to. Should more appear than fit,
// those further down are not looked at.
struct NewConsole {
    HWND window;
    int consoleClass;
    DWORD processId;
};
struct NewConsoles {
    NewConsole windows[256];
    int count;
};
NewConsoles newConsoles;

BOOL CALLBACK collectNewConsole(HWND window, LPARAM)
{
    const int consoleClass = notedClassOf(window);
    if (consoleClass < 0 || consoleClass >= consoleClassCount || wasOpenBefore(window))
        return TRUE;
    NewConsole& console = newConsoles.windows[newConsoles.count++];
    console = {window, consoleClass, 0};
    GetWindowThreadProcessId(window, &console.processId);
    return newConsoles.count < static_cast<int>(sizeof newConsoles.windows / sizeof console);
}

// The console a process is attached to. Under Wine the window of a console
// belongs to the console host's process, not to the program, so only
// attaching tells which console is the program's.
HWND consoleOfProcess(DWORD processId)
{
    // Fails until the program's console exists, and for a program without one.
    // A process has one console at most: one that the launcher got from its
    // parent (Wine gives a GUI program its parent's) is let go, unused anyway.
    if (!AttachConsole(processId) &&
        (GetLastError() != ERROR_ACCESS_DENIED || !FreeConsole() || !AttachConsole(processId)))
        return nullptr;
    HWND console = GetConsoleWindow();
    // Attached, the launcher would keep the console alive after the program
    // has gone, and would get its close event.
    FreeConsole();
    return console;
}

// What a lookup found: the window to place, or that the session joined a
// terminal window open before the Start. That window holds the user's other
// tabs and is not this Start's to move or hide, and nothing else will come.
struct Found {
    HWND window;
    bool joinedOpenTerminal;
};

// What to place for a new console window: the window itself, or for a
// terminal's pseudo console window the terminal window that shows it. The
// pseudo window is 0 x 0 and passes no move, size or z-order on to the
// terminal, so it is never touched itself; without a terminal above it there
// is nothing to place yet: the terminal gives it its owner only once the tab
// is made. Another program's window above it (an editor's built-in
// terminal) is never placed. A window that its program keeps hidden, as a
// helper run out of sight, is not for the launcher to show: it is passed
// over until it shows. The pseudo window need not show at all; the terminal
// above it counts.
HWND placeableWindow(HWND console, int consoleClass, Found& found)
{
    if (console == nullptr || wasOpenBefore(console))
        return nullptr;
    if (consoleClass != pseudoConsole)
        return IsWindowVisible(console) ? console : nullptr;
    // The root owner of a window has neither parent nor owner: a top-level window.
    HWND owner = GetAncestor(console, GA_ROOTOWNER);
    if (owner == nullptr || owner == console || notedClassOf(owner) != terminal)
        return nullptr;
    if (wasOpenBefore(owner)) {
        found.joinedOpenTerminal = true;
        return nullptr;
    }
    return IsWindowVisible(owner) ? owner : nullptr;
}

Found lookUp()
{
    Found found = {};
    noteEndedMembers();
    newConsoles.count = 0;
    if (!openBefore.overflowed)
        EnumWindows(collectNewConsole, 0);
    // Read at every lookup while the family lives, so that a process that
    // passes the work on and ends is seen while it runs, and its child with
    // it.
    const bool lives = readFamily();

    for (int i = 0; lives && i < familySize(); ++i) {
        const DWORD member = runningMember(i);
        if (member == 0)
            continue;
        HWND own = consoleOfProcess(member);
        if (own != nullptr)
            found.window = placeableWindow(own, notedClassOf(own), found);
        if (found.window != nullptr || found.joinedOpenTerminal)
            return found;
    }
    // Members whose console windows belong to them, and the console a member
    // hands on to another of them, are found by class. Once the whole family
    // has gone without a console, or when the shell started no process (a
    // document handed to a running program), the work may have passed to a
    // program that was already running: any new console window may be the one.
    // The classes in their order, each from the top of the z-order.
    for (int wanted = 0; wanted < consoleClassCount; ++wanted) {
        for (int i = 0; i < newConsoles.count; ++i) {
            const NewConsole& console = newConsoles.windows[i];
            if (console.consoleClass == wanted && (!lives || isFamilyMember(console.processId)))
                found.window = placeableWindow(console.window, wanted, found);
            if (found.window != nullptr)
                return found;
        }
    }
    return found;
}

}  // namespace

void noteOpenConsoles()
{
    openBefore.count = 0;
    openBefore.overflowed = false;
    openBefore.noted = systemTime();
    EnumWindows(noteWindow, 0);
}

bool placeConsoleWindow(int consoleMode, HANDLE startedProcess)
{
    const std::int32_t width = launcher.settings.consoleWidth;
    const std::int32_t height = launcher.settings.consoleHeight;
    const ScreenMetrics metrics = {GetSystemMetrics(SM_CXFULLSCREEN),
                                   GetSystemMetrics(SM_CYFULLSCREEN), GetSystemMetrics(SM_CYMENU),
                                   GetSystemMetrics(SM_CYCAPTION)};

    // The program may take a while to open its console. Meanwhile the queue
    // is read without taking anything out of it: that answers what other
    // programs send (a broadcast waits for every top-level window), and a
    // window whose queue goes unread for 5 s is counted hung, which Windows
    // shows as a ghost that offers to end the launcher. Clicks, keys and
    // posted requests stay queued until the search is over.
    gatherFamily(startedProcess, openBefore.noted);
    Found found = lookUp();
    for (int lookup = 1; found.window == nullptr && !found.joinedOpenTerminal && lookup < lookups;
         ++lookup) {
        MSG waiting;
        PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE);
        Sleep(lookupIntervalMs);
        found = lookUp();
    }
    releaseFamily();
    HWND console = found.window;

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