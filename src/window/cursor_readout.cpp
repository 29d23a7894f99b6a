// With "-t": the cursor's screen position in the window title, twice a second.
#include "../app/launcher_state.h"
#include "window_geometry.h"

void CALLBACK cursorReadoutTimerProc(HWND window, UINT, UINT_PTR, DWORD)
{
    // Metrics are read at every tick: the user may change the theme meanwhile.
    const int frame = GetSystemMetrics(SM_CYFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const int menu = GetSystemMetrics(SM_CYMENU);
    RECT outer;
    POINT cursor;
    // A tick that cannot measure writes nothing rather than a made-up place.
    if (!GetWindowRect(window, &outer) || !GetCursorPos(&cursor))
        return;

    const WindowRectangle rectangle = {outer.left, outer.top, outer.right, outer.bottom};
    const bool inside = isInsideWorkingArea(rectangle, frame, caption, menu, cursor.x, cursor.y);
    char title[64];
    wsprintfA(title, inside ? "%d : %d ( inside ) " : "%d : %d ( outside ) ", cursor.x, cursor.y);
    SetWindowTextA(window, title);
}
