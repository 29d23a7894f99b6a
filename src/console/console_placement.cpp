// Sizes and centres the console window that the search found, and shows it
// as the console mode says.
#include "../app/launcher_state.h"
#include "console_geometry.h"
#include "console_search.h"
#include "search_schedule.h"

namespace {

// Whether the console stands as the mode asks. The position tells that the
// host has carried out the request; its size is the host's to round to whole
// character cells. A minimised window's own rectangle is its icon's.
bool standsAsAsked(HWND console, ScreenPoint position, const ConsoleModeAction& action)
{
    if (action.minimise)
        return IsIconic(console) != FALSE;
    RECT rect;
    return GetWindowRect(console, &rect) && rect.left == position.x && rect.top == position.y &&
           (IsWindowVisible(console) != FALSE) == !action.hide && !IsIconic(console);
}

// Asks the console's own thread to place it, and returns at once: a hung or
// slow host never holds the launcher. The requests are carried out in this
// order.
void requestPlacement(HWND console, ScreenPoint position, std::int32_t width,
                      std::int32_t height, const ConsoleModeAction& action)
{
    if (IsIconic(console) || IsZoomed(console))
        ShowWindowAsync(console, SW_RESTORE);
    SetWindowPos(console, action.atBottom ? HWND_BOTTOM : HWND_TOP, position.x, position.y, width,
                 height, SWP_ASYNCWINDOWPOS | (action.hide ? SWP_HIDEWINDOW : 0));
    if (action.minimise)
        ShowWindowAsync(console, SW_MINIMIZE);
}

// A console that its host shows minimised from the start keeps its icon: only
// the place it is restored to is set, so that the user restores it centred
// and sized. The request is posted to the host's thread, as the others are:
// a hung host never holds the launcher. Wine sets no placement of another
// process's window: there the console is restored where its host puts it.
// Restoring it to move it would show it for a moment, and Wine's host may
// not take the minimising that follows.
void placeMinimised(HWND console, ScreenPoint position, std::int32_t width, std::int32_t height)
{
    // Given relative to the work area, taken here to begin at the screen's
    // corner: beside a taskbar at the top or on the left, the console is
    // restored that much further down or to the right.
    const WINDOWPLACEMENT placement = {
        sizeof placement, WPF_ASYNCWINDOWPLACEMENT, SW_SHOWMINNOACTIVE, {}, {},
        {position.x, position.y, position.x + width, position.y + height}};
    SetWindowPlacement(console, &placement);
}

}  // namespace

bool placeConsoleWindow(int consoleMode, HANDLE startedProcess, bool startedHidden)
{
    const std::int32_t width = launcher.settings.consoleWidth;
    const std::int32_t height = launcher.settings.consoleHeight;
    // The monitor that holds the launcher now, so that the console follows a
    // drag of it; one unplugged since gives the nearest.
    const ScreenMetrics metrics =
        screenMetricsOf(MonitorFromWindow(launcher.mainWindow, MONITOR_DEFAULTTONEAREST));
    const ScreenPoint position = consoleWindowPosition(width, height, metrics);
    const ConsoleModeAction action = consoleModeAction(consoleMode);

    HWND console = searchConsole(startedProcess, startedHidden);
    if (console == nullptr)
        return action.launcherEnds;
    if (action.minimise && IsIconic(console)) {
        placeMinimised(console, position, width, height);
        return action.launcherEnds;
    }
    // The host's thread carries the move out, and on Windows it may bring a
    // window to the front only with the launcher's leave.
    if (!action.atBottom) {
        DWORD host = 0;
        GetWindowThreadProcessId(console, &host);
        AllowSetForegroundWindow(host);
    }
    requestPlacement(console, position, width, height, action);
    // A host that shows its window after the launcher has placed it, or
    // applies its own size late, would undo the placement: the console is
    // watched until it stands, for one interval of the schedule, and asked
    // once more then. The interval is counted from the request, not to the
    // next tick, which may come at once. Then the console is let go, standing
    // or not: some never stand (a program that hides its own console, a host
    // that keeps its own position), and one that has stood is the user's.
    const DWORD asked = GetTickCount();
    while (IsWindow(console) && !standsAsAsked(console, position, action)) {
        if (GetTickCount() - asked >= lookupIntervalMs) {
            requestPlacement(console, position, width, height, action);
            break;
        }
        waitOnQueue(1);
    }
    return action.launcherEnds;
}
