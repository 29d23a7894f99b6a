// Starts the launcher in a folder, cancels its window as soon as one shows, and prints "window=0|1 exit=N".
// With --console TITLE instead of options, lets the launcher start its program
// and end by itself, and adds where the console window titled TITLE is and
// where the launcher should have centred it: " console=X,Y centre=X,Y".
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const WPARAM cancelCommand = 167;

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchLauncherWindow(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    char name[64] = "";
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !GetClassNameA(window, name, sizeof name) ||
        lstrcmpA(name, "Tabrivet") != 0)
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND launcherWindow(DWORD processId)
{
    Search search = {processId, nullptr};
    EnumWindows(matchLauncherWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_launcher LAUNCHER FOLDER [OPTION...]\n");
        return 2;
    }
    const char* consoleTitle =
        argc == 5 && std::string(argv[3]) == "--console" ? argv[4] : nullptr;
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    for (int i = 3; consoleTitle == nullptr && i < argc; ++i)
        commandLine += std::string(" ") + argv[i];
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, argv[2],
                        &startup, &process)) {
        std::printf("start failed: error %lu\n", GetLastError());
        return 3;
    }
    // The window's automatic start fires one second after it opens, so the
    // poll is short; under emulation a whole second can still slip by, which
    // the caller tolerates as long as the window was seen.
    const DWORD limitMs = 600000;
    const DWORD begin = GetTickCount();
    bool windowSeen = false;
    DWORD wait;
    while ((wait = WaitForSingleObject(process.hProcess, 5)) == WAIT_TIMEOUT &&
           GetTickCount() - begin < limitMs) {
        if (windowSeen)
            continue;
        if (HWND window = launcherWindow(process.dwProcessId)) {
            windowSeen = true;
            if (consoleTitle == nullptr)
                PostMessageA(window, WM_COMMAND, cancelCommand, 0);
        }
    }
    if (wait != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        std::printf("window=%d exit=timeout\n", windowSeen ? 1 : 0);
        return 4;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("window=%d exit=%lu", windowSeen ? 1 : 0, code);
    if (consoleTitle != nullptr) {
        RECT placed = {};
        GetWindowRect(FindWindowA("ConsoleWindowClass", consoleTitle), &placed);
        std::printf(" console=%ld,%ld centre=%d,%d", placed.left, placed.top,
                    GetSystemMetrics(SM_CXFULLSCREEN) / 2 - 580 / 2,
                    (GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYMENU) +
                     GetSystemMetrics(SM_CYCAPTION)) / 2 - 390 / 2);
    }
    std::printf("\n");
    return 0;
}
