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

    launcher.windowWidth = 289;
    launcher.windowHeight = 203;
    launcher.mainWindow =
        CreateWindowExA(0, className, "Tabrivet", windowStyle, creationX, creationY,
                        launcher.windowWidth, launcher.windowHeight, nullptr, nullptr, instance,
                        nullptr);
    // Without a window nothing could ever post the quit message.
    if (launcher.mainWindow == nullptr)
        return 0;

    HACCEL accelerators = LoadAcceleratorsA(instance, "TabrivetMenu");
    placeLauncherWindow(launcher.mainWindow);
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
