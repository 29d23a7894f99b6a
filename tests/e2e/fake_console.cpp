// A stand-in for a console program: opens a top-level window of the console
// class after the delay that its one argument gives ("DELAY[FLAGS]:TITLE"),
// so that tests can watch where the launcher puts it. Flags:
//   b  opens without activation at the bottom of the z-order;
//   d  first writes its current directory into "current_directory.txt"
//      beside its exe;
//   m  opens minimised, without activation;
//   h  hands over: starts a copy of itself without this flag and ends at once;
//   q  ends two seconds after opening its window;
//   t  plays a terminal that shows a session: a terminal window, and a 0 x 0
//      pseudo console window that it owns, shown without activation;
//   u  opens only a pseudo console window, which no terminal owns.
// A message WM_APP opens one more console window and returns it. Ends when
// closed, or after a minute so that no test leaves it behind.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

LRESULT CALLBACK consoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY || (message == WM_TIMER && wParam == 1)) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_APP) {
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        return reinterpret_cast<LRESULT>(
            CreateWindowExA(0, "ConsoleWindowClass", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                            10, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void registerClass(HINSTANCE instance, const char* name)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = consoleProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = name;
    RegisterClassExA(&windowClass);
}

HWND openPseudoConsole(HINSTANCE instance, const char* title, HWND terminal)
{
    HWND pseudo = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "PseudoConsoleWindow",
                                  title, WS_POPUP, 0, 0, 0, 0, terminal, nullptr, instance, nullptr);
    ShowWindow(pseudo, SW_SHOWNOACTIVATE);
    return pseudo;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    const int delayMs = std::atoi(commandLine);
    const char* colon = std::strchr(commandLine, ':');
    const char* title = colon != nullptr ? colon + 1 : "fake console";
    const std::string flags(commandLine, colon != nullptr ? colon - commandLine : 0);
    auto flag = [&](char f) { return flags.find(f) != std::string::npos; };

    if (flag('h')) {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string argument = commandLine;
        argument.erase(flags.find('h'), 1);
        std::string line = "\"" + std::string(self) + "\" " + argument;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(self, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        return 0;
    }

    if (flag('d')) {
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
    for (const char* name : {"ConsoleWindowClass", "CASCADIA_HOSTING_WINDOW_CLASS",
                             "PseudoConsoleWindow"})
        registerClass(instance, name);
    HWND window;
    if (flag('u')) {
        window = openPseudoConsole(instance, title, nullptr);
    } else {
        window = CreateWindowExA(0, flag('t') ? "CASCADIA_HOSTING_WINDOW_CLASS" : "ConsoleWindowClass",
                                 title, WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                                 instance, nullptr);
        if (flag('b')) {
            ShowWindow(window, flag('m') ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
            SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        } else {
            ShowWindow(window, showCommand);
        }
        if (flag('t'))
            openPseudoConsole(instance, title, window);
    }
    SetTimer(window, 1, flag('q') ? 2000 : 60000, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
