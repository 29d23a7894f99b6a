// Finds the console window of the program just started, sizes it, centres it
// and shows it as the console mode says.
#include "../app/launcher_state.h"
#include "console_geometry.h"

#include <tlhelp32.h>

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

// The started program's family: the process the shell started and every
// process started by a member. A member's handle is held until the search
// ends, so that its id cannot pass to another process meanwhile and bring
// that process's children in. A family larger than this takes no more.
struct Member {
    DWORD id;
    HANDLE process;
    ULONGLONG created;
    bool ended;
};
struct Family {
    Member members[128];
    int count;
};
Family family;
bool familyGone;

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

const Member* memberOf(DWORD id)
{
    for (int i = 0; i < family.count; ++i) {
        if (family.members[i].id == id)
            return &family.members[i];
    }
    return nullptr;
}

ULONGLONG asNumber(FILETIME time)
{
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ULONGLONG systemTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return asNumber(now);
}

ULONGLONG creationTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return asNumber(created);
}

// Takes a process that names `parent` as its parent in the list taken at
// `listed` into the family. Once a process has ended its id may be reused: a
// process older than the member it names is no child of it, and one younger
// than the list took the id of a listed one that ended since. A process the
// launcher may not query (another user's, say) is left out.
bool join(DWORD id, const Member& parent, ULONGLONG listed)
{
    if (family.count == sizeof family.members / sizeof family.members[0])
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
    // From Vista on, an elevated process grants only the limited right.
    if (process == nullptr)
        process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
    if (process == nullptr)
        return false;
    const ULONGLONG created = creationTime(process);
    if (created == 0 || created < parent.created || created > listed) {
        CloseHandle(process);
        return false;
    }
    family.members[family.count++] = {id, process, created, false};
    return true;
}

// Whether a member still ran, checked before the list of processes is
// taken: a child that a member started just before it ended is then in the
// list.
bool memberRuns()
{
    bool runs = false;
    for (int i = 0; i < family.count; ++i) {
        Member& member = family.members[i];
        member.ended = member.ended || WaitForSingleObject(member.process, 0) != WAIT_TIMEOUT;
        runs = runs || !member.ended;
    }
    return runs;
}

// Takes into the family, from a fresh list of the processes, those started by
// a member since the last list; says whether any joined.
bool joinChildren()
{
    const ULONGLONG listed = systemTime();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool any = false;
    // A child may be listed before its parent, when its parent's id was
    // reused: go round until nobody joins.
    for (bool joined = true; joined; any = any || joined) {
        joined = false;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry)) {
            const Member* parent = memberOf(entry.th32ParentProcessID);
            if (parent != nullptr && memberOf(entry.th32ProcessID) == nullptr &&
                join(entry.th32ProcessID, *parent, listed))
                joined = true;
        }
    }
    CloseHandle(snapshot);
    return any;
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
// terminal) is never placed.
HWND placeableWindow(HWND console, int consoleClass, Found& found)
{
    if (console == nullptr || wasOpenBefore(console))
        return nullptr;
    if (consoleClass != pseudoConsole)
        return console;
    // The root owner of a window has neither parent nor owner: a top-level window.
    HWND owner = GetAncestor(console, GA_ROOTOWNER);
    if (owner == nullptr || owner == console || notedClassOf(owner) != terminal)
        return nullptr;
    if (wasOpenBefore(owner)) {
        found.joinedOpenTerminal = true;
        return nullptr;
    }
    return owner;
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

Found lookUp()
{
    Found found = {};
    bool lives = memberRuns();
    newConsoles.count = 0;
    if (!openBefore.overflowed)
        EnumWindows(collectNewConsole, 0);
    // Read at every lookup while the family lives, so that a process that
    // passes the work on and ends is seen while it runs, and its child with
    // it. A family seen gone with a fresh list stays gone: its members can
    // start nothing more, and whatever they started is in that list.
    if (!familyGone) {
        lives = joinChildren() || lives;
        familyGone = !lives;
    }

    for (int i = 0; lives && i < family.count; ++i) {
        if (family.members[i].ended)
            continue;
        HWND own = consoleOfProcess(family.members[i].id);
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
            if (console.consoleClass == wanted &&
                (!lives || memberOf(console.processId) != nullptr))
                found.window = placeableWindow(console.window, wanted, found);
            if (found.window != nullptr)
                return found;
        }
    }
    return found;
}

void gatherFamily(HANDLE startedProcess)
{
    family.count = 0;
    // Without the right to ask, the started process's id is 0, and every
    // process that names no parent would look like its child.
    const DWORD id = startedProcess != nullptr ? GetProcessId(startedProcess) : 0;
    if (id != 0) {
        // No creation time to be had: the moment before the shell call is
        // just as good a bound for its children's.
        const ULONGLONG created = creationTime(startedProcess);
        family.members[family.count++] = {id, startedProcess,
                                          created != 0 ? created : openBefore.noted, false};
    }
    familyGone = family.count == 0;
}

// The started process's own handle stays with the caller.
void releaseFamily()
{
    for (int i = 1; i < family.count; ++i)
        CloseHandle(family.members[i].process);
    family.count = 0;
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

    // The program may take a while to open its console; the launcher does not
    // handle messages meanwhile.
    gatherFamily(startedProcess);
    Found found = lookUp();
    for (int lookup = 1; found.window == nullptr && !found.joinedOpenTerminal && lookup < lookups;
         ++lookup) {
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
