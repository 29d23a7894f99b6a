// Finds the console window of the program just started: notes the consoles
// open before the Start, looks for new ones on the schedule, and between
// lookups takes those that the window events announce.
#include "../app/launcher_state.h"
#include "console_family.h"
#include "console_search.h"
#include "search_schedule.h"

namespace {

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

// Set for a search after a hidden start.
bool takesHidden;

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
// above it counts. Only the family's `own` console of a program that the
// shell started hidden is taken hidden, as it is found: it is placed hidden.
HWND placeableWindow(HWND console, int consoleClass, Found& found, bool own)
{
    if (console == nullptr || wasOpenBefore(console))
        return nullptr;
    if (consoleClass != pseudoConsole)
        return IsWindowVisible(console) || (own && takesHidden) ? console : nullptr;
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
            found.window = placeableWindow(own, notedClassOf(own), found, true);
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
            const bool own = isFamilyMember(console.processId);
            if (console.consoleClass == wanted && (!lives || own))
                found.window = placeableWindow(console.window, wanted, found, own);
            if (found.window != nullptr)
                return found;
        }
    }
    return found;
}

// What the hooks have seen since the search last looked: the console windows
// made or shown, and whether a terminal window came, which a whole lookup has
// to sort out, or more consoles than fit here. The hooks only record: they
// may run inside any call that reads the queue.
struct Arrivals {
    struct {
        HWND window;
        DWORD since;
        bool learnt;  // of the family
    } consoles[16];
    int count;
    bool lookUpAll;
    bool overflowed;
};
Arrivals arrivals;
// A console host shows its window within a few frames of making it, and Wine
// raises no show event: a hidden arrival is looked at after each short wait
// for this long, and left to the lookups after that.
const DWORD hiddenWatchMs = 1000;

void noteArrival(HWND window)
{
    const int noted = notedClassOf(window);
    if (noted < 0)
        return;
    for (int i = 0; i < arrivals.count; ++i) {
        if (arrivals.consoles[i].window == window)
            return;
    }
    if (noted >= pseudoConsole)
        arrivals.lookUpAll = true;
    else if (arrivals.count ==
             static_cast<int>(sizeof arrivals.consoles / sizeof arrivals.consoles[0]))
        arrivals.overflowed = true;
    else
        arrivals.consoles[arrivals.count++] = {window, GetTickCount(), false};
}

void CALLBACK noteEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (object == OBJID_WINDOW && child == CHILDID_SELF)
        noteArrival(window);
}

// Whether the window belongs to the family (to anybody once the family has
// gone, as in a lookup). Its process is told from the list of processes,
// read again for a process newer than the last list, without the attach of a
// lookup, which a host answers only once it is done showing its window.
// Under Wine a list costs a call to the server for each process running.
bool ofFamily(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (isFamilyMember(processId))
        return true;
    if (isListedOutsider(processId))
        return false;
    noteEndedMembers();
    return !readFamily() || isFamilyMember(processId);
}

// The first arrival that shows and is a new console of the family. One still
// hidden is kept for the next look if it is the family's, which is learnt
// meanwhile, so that the look on its showing reads no list; another
// program's, as the hidden console of a tool that an editor runs at each
// call, is dropped once learnt. On Windows a console names its client as its
// process only shortly before it shows, so that look asks again.
HWND arrivedConsole()
{
    HWND console = nullptr;
    int kept = 0;
    for (int i = 0; i < arrivals.count; ++i) {
        HWND window = arrivals.consoles[i].window;
        if (IsWindowVisible(window)) {
            Found unused = {};
            if (console == nullptr && ofFamily(window))
                console = placeableWindow(window, notedClassOf(window), unused, false);
        } else if (IsWindow(window) && GetTickCount() - arrivals.consoles[i].since < hiddenWatchMs) {
            if (arrivals.consoles[i].learnt || ofFamily(window)) {
                arrivals.consoles[i].learnt = true;
                arrivals.consoles[kept++] = arrivals.consoles[i];
                // After a hidden start the family's own console never shows.
                DWORD processId = 0;
                GetWindowThreadProcessId(window, &processId);
                Found unused = {};
                if (console == nullptr && takesHidden && isFamilyMember(processId))
                    console = placeableWindow(window, notedClassOf(window), unused, true);
            }
        }
    }
    arrivals.count = kept;
    return console;
}

}  // namespace

// Waits on the queue for at most `ms`, answering what other threads send
// meanwhile and taking in the hook's events, which Wine queues as sent
// messages. Nothing else is taken out: clicks, keys and posted requests stay
// queued until the Start is over. A thread that waits here is never counted
// hung, and never slows another program's window creation as a sleeping
// one with a hook in place does.
void waitOnQueue(DWORD ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG waiting;
    PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE);
}

void noteOpenConsoles()
{
    openBefore.count = 0;
    openBefore.overflowed = false;
    openBefore.noted = systemTime();
    EnumWindows(noteWindow, 0);
}

HWND searchConsole(HANDLE startedProcess, bool startedHidden)
{
    // The lookups run on the schedule, which also catches what no event
    // announces, and at once when a console or terminal window is made or
    // shows. Out of context, the hooks never run inside a host, of either
    // bitness, and a hung one never waits for them. One hook an event: the
    // range from creation to showing holds destruction too, which would wake
    // the search for every window closed anywhere.
    gatherFamily(startedProcess, openBefore.noted);
    takesHidden = startedHidden;
    arrivals = {};
    HWINEVENTHOOK hooks[2];
    const DWORD events[2] = {EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW};
    for (int i = 0; i < 2; ++i)
        hooks[i] = SetWinEventHook(events[i], events[i], nullptr, noteEvent, 0, 0,
                                   WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    Found found = {};
    // Consoles beyond what the record holds each want a whole lookup; a
    // program that makes many a second gets one a tick.
    DWORD overflowTick = 0;
    const DWORD start = GetTickCount();
    for (DWORD due = 0;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD tick = elapsed / lookupIntervalMs;
        const bool overflowLookUp = arrivals.overflowed && tick != overflowTick;
        if (elapsed >= due || arrivals.lookUpAll || overflowLookUp) {
            if (overflowLookUp)
                overflowTick = tick;
            arrivals.lookUpAll = arrivals.overflowed = false;
            found = lookUp();
            // A console made hidden before the hooks were in place, during
            // the shell call, is watched as if it had just arrived.
            for (int i = 0; due == 0 && i < newConsoles.count; ++i) {
                if (!IsWindowVisible(newConsoles.windows[i].window))
                    noteArrival(newConsoles.windows[i].window);
            }
        } else {
            found.window = arrivedConsole();
        }
        if (found.window != nullptr || found.joinedOpenTerminal || elapsed >= searchDeadlineMs)
            break;
        due = nextTick(elapsed, searchDeadlineMs);
        const DWORD untilDue = due - elapsed;
        waitOnQueue(arrivals.count > 0 && untilDue > 1 ? 1 : untilDue);
    }
    for (HWINEVENTHOOK hook : hooks)
        UnhookWinEvent(hook);
    releaseFamily();
    return found.window;
}
