// Starts the launcher in a folder, cancels its window as soon as one shows, and prints "window=0|1 exit=N".
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
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    for (int i = 3; i < argc; ++i)
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
    std::printf("window=%d exit=%lu\n", windowSeen ? 1 : 0, code);
    return 0;
}
