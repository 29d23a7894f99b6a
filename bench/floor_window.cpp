// The floor that the launcher's start-up, paint and size are held against:
// the least a program needs to show a window of the launcher's size and
// style and wait in a message loop. Nothing here may grow beyond that, or the
// comparison would flatter the launcher.
#include <windows.h>

namespace {

LRESULT CALLBACK floorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = floorProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "TabrivetFloor";
    if (!RegisterClassExA(&windowClass))
        return 0;
    HWND window = CreateWindowExA(0, "TabrivetFloor", "Floor", WS_CAPTION | WS_SYSMENU,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 289, 203, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr)
        return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
