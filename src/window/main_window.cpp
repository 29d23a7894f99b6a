// The launcher's window class, its one window and the message loop.
#include "../app/launcher_state.h"

#if !defined(_WIN64)
static_assert(sizeof(WNDCLASSEXA) == 48, "the 32-bit window class record must keep its layout");
#endif

namespace {

const char* const className = "Tabrivet";
// Caption and system menu only: no sizing border, no minimise or maximise box.
const DWORD windowStyle = WS_CAPTION | WS_SYSMENU;
const int creationX = 368;
const int creationY = 283;
// The shell's monitor hint: the monitor handle then stands in hStdOutput.
// Left undocumented, so the handle is never read; the window manager applies
// the hint, and a position given at the start, to the first window that asks
// for a default place.
const DWORD shellMonitorHint = 0x400;

bool registerLauncherClass()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = launcherWindowProc;
    windowClass.hInstance = launcher.instance;
    windowClass.hIcon = LoadIconA(launcher.instance, "TabrivetIcon");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = "TabrivetMenu";
    windowClass.lpszClassName = className;
    return RegisterClassExA(&windowClass) != 0;
}

}  // namespace

int runMainWindow(HINSTANCE instance, int showCommand)
{
    launcher.instance = instance;
    if (!registerLauncherClass())
        return 0;

    STARTUPINFOA startup = {};
    GetStartupInfoA(&startup);
    const bool hinted = (startup.dwFlags & (STARTF_USEPOSITION | shellMonitorHint)) != 0;
    launcher.windowWidth = 289;
    launcher.windowHeight = 203;
    launcher.mainWindow = CreateWindowExA(
        0, className, "Tabrivet", windowStyle, hinted ? CW_USEDEFAULT : creationX,
        hinted ? CW_USEDEFAULT : creationY, launcher.windowWidth, launcher.windowHeight, nullptr,
        nullptr, instance, nullptr);
    // Without a window nothing could ever post the quit message.
    if (launcher.mainWindow == nullptr)
        return 0;

    // The monitor the user started the launcher from: the one the shell named,
    // else the one they have just clicked on, else (no pointer) the primary.
    HMONITOR monitor = MonitorFromWindow(launcher.mainWindow, MONITOR_DEFAULTTONEAREST);
    if (!hinted) {
        POINT pointer = {};
        GetCursorPos(&pointer);
        monitor = MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
    }
    HACCEL accelerators = LoadAcceleratorsA(instance, "TabrivetMenu");
    placeLauncherWindow(launcher.mainWindow, monitor);
    ShowWindow(launcher.mainWindow, showCommand);
    UpdateWindow(launcher.mainWindow);

    // Zeroed, so that the exit code is 0 even when the first GetMessageA fails.
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(launcher.mainWindow, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
