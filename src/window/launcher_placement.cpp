// Puts the launcher window centred or into a corner of the monitor it was
// started on, once, at start-up; and reads the figures of a monitor.
#include "../app/launcher_state.h"
#include "window_geometry.h"

ScreenMetrics screenMetricsOf(HMONITOR monitor)
{
    const ScreenMetrics primary = {GetSystemMetrics(SM_CXFULLSCREEN),
                                   GetSystemMetrics(SM_CYFULLSCREEN), GetSystemMetrics(SM_CYMENU),
                                   GetSystemMetrics(SM_CYCAPTION)};
    MONITORINFO primaryInfo = {};
    primaryInfo.cbSize = sizeof primaryInfo;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primaryInfo);
    // A monitor gone since it was chosen leaves the primary's figures.
    MONITORINFO info = primaryInfo;
    GetMonitorInfoA(monitor, &info);
    const RECT& p = primaryInfo.rcWork;
    const RECT& m = info.rcWork;
    return monitorMetrics(primary, {p.left, p.top, p.right, p.bottom},
                          {m.left, m.top, m.right, m.bottom});
}

void placeLauncherWindow(HWND window, HMONITOR monitor)
{
    const ScreenMetrics metrics = screenMetricsOf(monitor);
    // Restoring makes the still hidden window visible at its creation place
    // before it moves; the top-left corner and centring leave that to the show.
    if (launcherPlacementRestoresFirst(launcher.windowLayout))
        ShowWindow(window, SW_RESTORE);
    const ScreenPoint position = launcherWindowPosition(launcher.windowLayout, metrics,
                                                        launcher.windowWidth, launcher.windowHeight);
    MoveWindow(window, position.x, position.y, launcher.windowWidth, launcher.windowHeight, TRUE);
}
