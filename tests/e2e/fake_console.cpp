// A stand-in for a console program: opens a top-level window of the console
// class after the delay that its one argument gives ("DELAY[FLAGS]:TITLE"),
// so that tests can watch where the launcher puts it. Flags:
//   a  opens nothing itself: asks the console stand-in already open (the
//      first one found) to open a console window of this title, and ends, as
//      a program that hands its work to a running single-instance program;
//   b  opens without activation at the bottom of the z-order;
//   d  first writes its current directory into "current_directory.txt"
//      beside its exe;
//   m  with b, opens minimised;
//   h  hands over after the delay: starts a copy of itself without this flag
//      and without delay, and ends;
//   n  with h, hands over at once, and the copy keeps the delay;
//   w  with h, keeps running after handing over, with no window;
//   i  opens a console window titled "TITLE hidden" at once, and never
//      shows it, as a helper run out of sight;
//   k  first attaches to the console of the process whose id the variable
//      TABRIVET_ATTACH_PID names, as helpers and debuggers do, and stays
//      attached;
//   q  ends two seconds after opening its window;
//   c  first writes the show command it was started with into
//      "show_command.txt" beside its exe;
//   s  opens at once from its second run on, as its semaphore counts them;
//   t  plays a terminal that shows a session: a terminal window, and a 0 x 0
//      pseudo console window that it owns, shown without activation;
//   o  as t, but the owner is another program's window (an editor's built-in
//      terminal);
//   u  opens only a pseudo console window, which no terminal owns;
//   j  opens only a pseudo console window, owned by the terminal window
//      already open, as a session that joins it as a tab;
//   v  makes its window as a console host does, hidden and busy for a
//      moment without reading its queue, then shows it; writes into
//      "placed_after_showing.txt" beside its exe how many ms after its
//      showing the window last changed place, size or state;
//   x  opens maximised;
//   r  keeps its place against every move asked of it once shown, as a host
//      that keeps its own position;
//   e  as r, against the first move only, as a host that applies its own
//      place late;
//   g  stops reading its queue once shown, as a hung host.
// WM_APP opens one more console window of the same title and returns it;
// WM_COPYDATA does so with the title it carries. Ends when closed, or after
// a minute so that no test leaves it behind. Each run counts itself on the
// semaphore named by its title, where the test made one. Built a second
// time as a console program, fake_console_cui: that one opens no window and
// gives the console its host made the title, after its delay and the flags
// d and c.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// With flag v: when the window showed, and how it stood when last seen.
bool shown;
DWORD shownAt;
struct Standing {
    RECT rect;
    bool visible, iconic;
} standing;
// With flags r and e: how many more moves the window refuses.
int refusals;

void writeBeside(const char* name, const char* text, DWORD length)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    lstrcpyA(std::strrchr(path, '\\') + 1, name);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, text, length, &written, nullptr);
    CloseHandle(file);
}

void notePlacement(HWND window, DWORD msSinceShown)
{
    Standing now = {};
    GetWindowRect(window, &now.rect);
    now.visible = IsWindowVisible(window) != FALSE;
    now.iconic = IsIconic(window) != FALSE;
    if (msSinceShown != 0 && !std::memcmp(&now, &standing, sizeof now))
        return;
    standing = now;
    char text[16];
    writeBeside("placed_after_showing.txt", text, wsprintfA(text, "%lu", msSinceShown));
}

LRESULT CALLBACK consoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WINDOWPOSCHANGED && shown)
        notePlacement(window, GetTickCount() - shownAt);
    if (message == WM_WINDOWPOSCHANGING && refusals != 0 &&
        !(reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_NOMOVE)) {
        reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOMOVE | SWP_NOSIZE;
        --refusals;
    }
    if (message == WM_DESTROY || (message == WM_TIMER && wParam == 1)) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_APP || message == WM_COPYDATA) {
        char title[256] = "";
        if (message == WM_APP)
            GetWindowTextA(window, title, sizeof title);
        else
            lstrcpynA(title, static_cast<const char*>(
                                 reinterpret_cast<const COPYDATASTRUCT*>(lParam)->lpData),
                      sizeof title);
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
    int delayMs = std::atoi(commandLine);
    const char* colon = std::strchr(commandLine, ':');
    const char* title = colon != nullptr ? colon + 1 : "fake console";
    const std::string flags(commandLine, colon != nullptr ? colon - commandLine : 0);
    auto flag = [&](char f) { return flags.find(f) != std::string::npos; };

    if (HANDLE runs = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, title)) {
        LONG earlier = 0;
        ReleaseSemaphore(runs, 1, &earlier);
        CloseHandle(runs);
        if (flag('s') && earlier > 0)
            delayMs = 0;
    }
    if (flag('h')) {
        if (!flag('n'))
            Sleep(delayMs);
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string argument = commandLine;
        argument.erase(flags.find('h'), 1);
        if (!flag('n'))
            argument.replace(0, argument.find_first_not_of("0123456789"), "0");
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
        if (flag('w'))
            Sleep(60000);
        return 0;
    }

    if (flag('d')) {
        char directory[MAX_PATH];
        writeBeside("current_directory.txt", directory, GetCurrentDirectoryA(MAX_PATH, directory));
    }
    if (flag('c')) {
        STARTUPINFOA startup = {};
        GetStartupInfoA(&startup);
        char text[16];
        writeBeside("show_command.txt", text,
                    wsprintfA(text, "%u", startup.dwFlags & STARTF_USESHOWWINDOW
                                              ? startup.wShowWindow
                                              : SW_SHOWDEFAULT));
    }

#ifdef CONSOLE_PROGRAM
    // As a console program it has the console that its host made, and plays
    // with that one: titled as asked, it is the window the launcher places.
    Sleep(delayMs);
    SetConsoleTitleA(title);
    Sleep(60000);
    return 0;
#endif
    if (flag('k')) {
        FreeConsole();
        char id[16] = "";
        GetEnvironmentVariableA("TABRIVET_ATTACH_PID", id, sizeof id);
        AttachConsole(std::strtoul(id, nullptr, 10));
    }
    for (const char* name : {"ConsoleWindowClass", "CASCADIA_HOSTING_WINDOW_CLASS",
                             "PseudoConsoleWindow", "EditorWindowClass"})
        registerClass(instance, name);
    if (flag('i'))
        CreateWindowExA(0, "ConsoleWindowClass", (std::string(title) + " hidden").c_str(),
                        WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr, instance, nullptr);

    Sleep(delayMs);
    if (flag('a')) {
        COPYDATASTRUCT data = {0, static_cast<DWORD>(std::strlen(title) + 1),
                               const_cast<char*>(title)};
        SendMessageTimeoutA(FindWindowA("ConsoleWindowClass", nullptr), WM_COPYDATA, 0,
                            reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, nullptr);
        return 0;
    }
    HWND window;
    if (flag('u') || flag('j')) {
        window = openPseudoConsole(
            instance, title,
            flag('j') ? FindWindowA("CASCADIA_HOSTING_WINDOW_CLASS", nullptr) : nullptr);
    } else {
        const char* windowClass = flag('t')   ? "CASCADIA_HOSTING_WINDOW_CLASS"
                                  : flag('o') ? "EditorWindowClass"
                                              : "ConsoleWindowClass";
        window = CreateWindowExA(0, windowClass, title, WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                                 nullptr, nullptr, instance, nullptr);
        if (flag('v')) {
            // Wine's console host takes this long to choose its font and
            // size its window, which it shows right after.
            Sleep(30);
            ShowWindow(window, showCommand);
            shownAt = GetTickCount();
            shown = true;
            notePlacement(window, 0);
        } else if (flag('b')) {
            ShowWindow(window, flag('m') ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
            SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        } else {
            ShowWindow(window, flag('x') ? SW_SHOWMAXIMIZED : showCommand);
        }
        if (flag('t') || flag('o'))
            openPseudoConsole(instance, title, window);
    }
    SetTimer(window, 1, flag('q') ? 2000 : 60000, nullptr);
    refusals = flag('r') ? -1 : flag('e');
    if (flag('g'))
        Sleep(20000);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
