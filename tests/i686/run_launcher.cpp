// Starts the launcher in a folder, cancels its window as soon as one shows, and prints "window=0|1 exit=N".
// With --console TITLE instead of options, lets the launcher start its program
// and end by itself, and adds where the console window titled TITLE is and
// where the launcher should have centred it: " console=X,Y centre=X,Y". An
// empty TITLE takes the topmost Wine console window, whatever its title. An
// error box of the launcher's is closed and its text added: " box=TEXT".
// --child after TITLE adds the bitness of the processes the launcher started,
// " child=32|64[,...]" or " child=none".
#include <windows.h>
#include <tlhelp32.h>

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

// The shell's error box is modal to the launcher window: left open, it would
// hold the launcher until the caller's timeout.
bool closeErrorBox(DWORD processId, std::string& text)
{
    HWND box = nullptr;
    DWORD owner = 0;
    while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
        GetWindowThreadProcessId(box, &owner);
        if (owner == processId && IsWindowVisible(box))
            break;
    }
    if (box == nullptr)
        return false;
    char message[256] = "";
    GetDlgItemTextA(box, 0xFFFF, message, sizeof message);
    text = message;
    for (char& c : text)
        c = c == '\r' || c == '\n' ? ' ' : c;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
}

// The processes whose parent is the launcher, each as 32 or 64. IsWow64Process
// tells only whether a process is a WoW64 guest, which on a 32-bit system none
// is: there every process is a 32-bit one.
std::string childBitness(DWORD parentId)
{
    BOOL onWow64 = FALSE, guest = FALSE;
    IsWow64Process(GetCurrentProcess(), &onWow64);
    std::string found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != parentId)
            continue;
        HANDLE child = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        const char* bits = !child || !IsWow64Process(child, &guest) ? "?"
                           : onWow64 && !guest                       ? "64"
                                                                     : "32";
        found += (found.empty() ? "" : ",") + std::string(bits);
        if (child != nullptr)
            CloseHandle(child);
    }
    CloseHandle(snapshot);
    return found.empty() ? "none" : found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_launcher LAUNCHER FOLDER [OPTION...]\n");
        return 2;
    }
    const bool reportChild = argc == 6 && std::string(argv[5]) == "--child";
    const char* consoleTitle =
        (argc == 5 || reportChild) && std::string(argv[3]) == "--console" ? argv[4] : nullptr;
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
    bool boxSeen = false;
    std::string boxText;
    DWORD wait;
    while ((wait = WaitForSingleObject(process.hProcess, 5)) == WAIT_TIMEOUT &&
           GetTickCount() - begin < limitMs) {
        if (consoleTitle != nullptr && !boxSeen)
            boxSeen = closeErrorBox(process.dwProcessId, boxText);
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
        // A real console program's console is Wine's, titled by the path it was started by.
        HWND console = *consoleTitle ? FindWindowA("ConsoleWindowClass", consoleTitle)
                                     : FindWindowA("WineConsoleClass", nullptr);
        RECT placed = {};
        GetWindowRect(console, &placed);
        std::printf(" console=%ld,%ld centre=%d,%d", placed.left, placed.top,
                    GetSystemMetrics(SM_CXFULLSCREEN) / 2 - 580 / 2,
                    (GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYMENU) +
                     GetSystemMetrics(SM_CYCAPTION)) / 2 - 390 / 2);
    }
    if (boxSeen)
        std::printf(" box=%s", boxText.c_str());
    // The launcher's id stays its own while its handle is held, so no other
    // process's children are taken for the launcher's.
    if (reportChild)
        std::printf(" child=%s", childBitness(process.dwProcessId).c_str());
    std::printf("\n");
    return 0;
}
