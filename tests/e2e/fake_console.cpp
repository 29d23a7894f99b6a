// A stand-in for a console program: opens a top-level window of the console
// class after the delay that its one argument gives ("DELAY:TITLE"), so that
// tests can watch where the launcher puts it. A "d" behind the delay
// ("0d:TITLE") makes it first write its current directory into
// "current_directory.txt" beside its exe. Ends when closed, or after a
// minute so that no test leaves it behind.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK consoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY || (message == WM_TIMER && wParam == 1)) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    const int delayMs = std::atoi(commandLine);
    const char* colon = std::strchr(commandLine, ':');
    const char* title = colon != nullptr ? colon + 1 : "fake console";
    if (colon != nullptr && colon > commandLine && colon[-1] == 'd') {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        lstrcpyA(std::strrchr(path, '\\') + 1, "current_directory.txt");
        char directory[MAX_PATH];
        const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written;
        WriteFile(file, directory, length, &written, nullptr);
        CloseHandle(file);
    }

    Sleep(delayMs);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = consoleProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ConsoleWindowClass";
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, "ConsoleWindowClass", title, WS_OVERLAPPEDWINDOW, 10, 10, 300,
                                  200, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, showCommand);
    SetTimer(window, 1, 60000, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
