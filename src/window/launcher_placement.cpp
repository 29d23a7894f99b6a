// Puts the launcher window centred or into a screen corner, once, at start-up.
#include "../app/launcher_state.h"
#include "window_geometry.h"

void placeLauncherWindow(HWND window)
{
    const ScreenMetrics metrics = {GetSystemMetrics(SM_CXFULLSCREEN),
                                   GetSystemMetrics(SM_CYFULLSCREEN), GetSystemMetrics(SM_CYMENU),
                                   GetSystemMetrics(SM_CYCAPTION)};
    // Restoring makes the still hidden window visible at its creation place
    // before it moves; the top-left corner and centring leave that to the show.
    if (launcherPlacementRestoresFirst(launcher.windowLayout))
        ShowWindow(window, SW_RESTORE);
    const ScreenPoint position = launcherWindowPosition(launcher.windowLayout, metrics,
                                                        launcher.windowWidth, launcher.windowHeight);
    MoveWindow(window, position.x, position.y, launcher.windowWidth, launcher.windowHeight, TRUE);
}
