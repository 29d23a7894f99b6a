// Drives the benchmark under Wine: starts the launcher and the floor window,
// requests Starts, repaints, and prints one line per sample,
// "sample NAME VALUE", for bench/report.py to take medians of. Compared
// programs take turns within the same run, so that a machine that slows
// down meanwhile slows both. Ends with a non-zero code when a run does not
// go as expected, rather than report a figure for something else.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../res/tabrivet_ids.h"

namespace {

const char* const consoleClass = "ConsoleWindowClass";
// Odd, so that the stand-in tells the launcher's move from any other.
const int consoleWidth = 581;
const int consoleHeight = 391;

LONGLONG frequency;
bool warmingUp = false;  // samples of a warm-up round are not printed

LONGLONG now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double ms(LONGLONG from, LONGLONG to)
{
    return double(to - from) * 1000.0 / double(frequency);
}

void sample(const char* name, double value)
{
    if (warmingUp)
        return;
    std::printf("sample %s %.4f\n", name, value);
    std::fflush(stdout);
}

[[noreturn]] void fail(const std::string& why)
{
    std::printf("FAILED %s\n", why.c_str());
    std::fflush(stdout);
    std::exit(1);
}

template <typename Condition>
bool waitFor(Condition condition, DWORD timeoutMs, DWORD stepMs = 1)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(stepMs);
    }
    return true;
}

std::string buildDir()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/"));
}

struct Folder {
    std::string path;
    explicit Folder(const std::string& name)
    {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        path = std::string(base) + "tabrivet-bench-" + std::to_string(GetCurrentProcessId()) +
               "-" + name;
        CreateDirectoryA(path.c_str(), nullptr);
        if (path.find(' ') != std::string::npos)
            fail("the temporary folder has a blank, which the settings' line 1 cannot carry");
    }
    ~Folder()
    {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA(file(entry.cFileName).c_str());
            while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }
    std::string file(const std::string& name) const { return path + "\\" + name; }
};

void writeFile(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        fail("cannot write " + path);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

struct WindowQuery {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    WindowQuery& query = *reinterpret_cast<WindowQuery*>(parameter);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query.processId || lstrcmpA(name, query.className) != 0)
        return TRUE;
    query.found = window;
    return FALSE;
}

HWND processWindow(DWORD processId, const char* className)
{
    WindowQuery query = {processId, className, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

PROCESS_INFORMATION startProcess(const std::string& exe, const std::string& arguments,
                                 const std::string& directory, WORD show)
{
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &process))
        fail("cannot start " + exe + ", error " + std::to_string(GetLastError()));
    CloseHandle(process.hThread);
    return process;
}

void endProcess(HANDLE process)
{
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

void endProcessId(DWORD id)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (process != nullptr)
        endProcess(process);
}

// A window program to measure: the launcher or the floor.
struct Program {
    const char* name;
    std::string exe;
    const char* className;
    UINT endMessage;
    WPARAM endParameter;
};

std::string settings(const std::string& program, const std::string& argument,
                     const std::string& directory, int consoleMode = 3)
{
    return program + " " + argument + "\r\n1000\r\n" + directory + "\r\n" +
           std::to_string(consoleMode) + "\r\n" +
           std::to_string(consoleWidth) + "\r\n" + std::to_string(consoleHeight) + "\r\n";
}

// A program from its creation to its window on screen and its message loop
// waiting. WaitForInputIdle returns once the program waits for a message with
// nothing to do, which both programs reach after ShowWindow and UpdateWindow;
// an event, so the driver takes no processor time from the program it times.
// The window's visibility is checked then, and waited for should it lag.
struct Shown {
    PROCESS_INFORMATION process;
    HWND window;
    double startMs;
};

Shown show(const Program& program, const Folder& folder)
{
    const LONGLONG begin = now();
    Shown shown = {startProcess(program.exe, "", folder.path, SW_SHOWNORMAL), nullptr, 0};
    if (WaitForInputIdle(shown.process.hProcess, 10000) != 0)
        fail(std::string(program.name) + " never waited for input");
    if (!waitFor(
            [&] {
                shown.window = processWindow(shown.process.dwProcessId, program.className);
                return shown.window != nullptr && IsWindowVisible(shown.window);
            },
            10000))
        fail(std::string(program.name) + " showed no window");
    shown.startMs = ms(begin, now());
    return shown;
}

void close(const Program& program, Shown& shown)
{
    PostMessageA(shown.window, program.endMessage, program.endParameter, 0);
    if (WaitForSingleObject(shown.process.hProcess, 5000) != WAIT_OBJECT_0)
        fail(std::string(program.name) + " did not end when asked");
    CloseHandle(shown.process.hProcess);
}

void startUp(const std::vector<Program>& programs, const Folder& folder, int runs)
{
    // Not counted: the first starts bring the files into the cache.
    for (int warm = 0; warm < 2; ++warm)
        for (const Program& program : programs) {
            Shown shown = show(program, folder);
            close(program, shown);
        }
    for (int run = 0; run < runs; ++run)
        for (std::size_t i = 0; i < programs.size(); ++i) {
            // Each goes first every other run.
            const Program& program = programs[(i + run) % programs.size()];
            Shown shown = show(program, folder);
            sample((std::string("startup.") + program.name + "_ms").c_str(), shown.startMs);
            close(program, shown);
            Sleep(30);
        }
}

// Paints the window `count` times, each a synchronous WM_PAINT in the other
// process, and a null message round trip as often, for the share that is
// messaging alone.
void paint(const char* name, HWND window, int count)
{
    LONGLONG begin = now();
    for (int i = 0; i < count; ++i)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    sample((std::string("paint.") + name + "_us").c_str(), ms(begin, now()) * 1000.0 / count);
    RECT left;
    if (GetUpdateRect(window, &left, FALSE))
        fail(std::string(name) + " was not painted by the time RedrawWindow returned");
    begin = now();
    for (int i = 0; i < count; ++i)
        SendMessageA(window, WM_NULL, 0, 0);
    sample((std::string("message.") + name + "_us").c_str(), ms(begin, now()) * 1000.0 / count);
}

void paints(const std::vector<Program>& programs, const Folder& folder, int blocks, int count)
{
    std::vector<Shown> shown;
    for (const Program& program : programs)
        shown.push_back(show(program, folder));
    // Side by side, neither covering the other.
    int x = 0;
    for (Shown& s : shown) {
        RECT r;
        GetWindowRect(s.window, &r);
        SetWindowPos(s.window, nullptr, x, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        x += r.right - r.left + 10;
    }
    Sleep(200);
    for (int block = 0; block < blocks; ++block)
        for (std::size_t i = 0; i < programs.size(); ++i) {
            const std::size_t k = (i + block) % programs.size();
            paint(programs[k].name, shown[k].window, count);
        }
    for (std::size_t i = 0; i < programs.size(); ++i)
        close(programs[i], shown[i]);
}

// What a stand-in wrote: its process id and counter readings.
struct Stamps {
    DWORD processId;
    LONGLONG started, creating, created, placed;
    int x, y;
};

bool readStamps(const std::string& path, Stamps& stamps)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    unsigned long id = 0;
    const bool read = std::fscanf(file, "%lu %lld %lld %lld %lld %d %d", &id, &stamps.started,
                                  &stamps.creating, &stamps.created, &stamps.placed, &stamps.x,
                                  &stamps.y) == 7;
    std::fclose(file);
    stamps.processId = id;
    return read;
}

Stamps awaitStamps(const std::string& path, const char* what)
{
    Stamps stamps = {};
    if (!waitFor([&] { return readStamps(path, stamps); }, 5000))
        fail(std::string("no record from ") + what);
    return stamps;
}

// The launcher's search takes any console window: none may be left over.
void awaitNoConsole()
{
    if (!waitFor(
            [] {
                return FindWindowA(consoleClass, nullptr) == nullptr &&
                       FindWindowA("WineConsoleClass", nullptr) == nullptr;
            },
            5000, 5))
        fail("a console window outlived its run");
}

// Where the launcher puts a console of the benchmark's size.
POINT centre()
{
    const int fullHeight = GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYMENU) +
                           GetSystemMetrics(SM_CYCAPTION);
    return {GetSystemMetrics(SM_CXFULLSCREEN) / 2 - consoleWidth / 2,
            fullHeight / 2 - consoleHeight / 2};
}

// Inside the launcher nothing can be timed without changing it, so the
// scene launchers run with Wine's relay trace of the three calls that matter.
// Wine stamps each line with the millisecond of the clock that the
// performance counter counts in 100 ns, and writes it to the driver's own
// standard error, which bench.sh sends to the file read here.
const char* const traceChannels = "+timestamp,+pid,+relay";
// Each lookup that does not find the console through the started process
// enumerates the windows once; the move is asked for right after the console
// is found. The enumeration before the shell call notes the consoles open
// then.
const char* const tracedCalls = "shell32.ShellExecuteExA;user32.EnumWindows;user32.SetWindowPos";
std::string tracePath;
long long traceOffset = 0;

// Milliseconds on the counter's clock.
double counterMs(LONGLONG counter)
{
    return double(counter) * 1000.0 / double(frequency);
}

// What the trace says one Start of one launcher did, read as it grows. Times
// are counter milliseconds at the start of the traced millisecond.
struct StartTrace {
    DWORD processId;
    double shellCall = -1, shellReturn = -1, found = -1, moveCall = -1, moveReturn = -1;
    unsigned long long movedWindow = 0;  // SetWindowPos's first argument
    int failedLookups = 0;  // until the console is found

    explicit StartTrace(DWORD id) : processId(id) {}

    // A trace of what the process does from now on: what came before is read
    // past.
    static StartTrace fromNow(DWORD id)
    {
        StartTrace before(id);
        before.read();
        return StartTrace(id);
    }

    void line(const char* text)
    {
        unsigned long seconds, millis, process, thread;
        int rest = 0;
        if (std::sscanf(text, "%lu.%lu:%lx:%lx:%n", &seconds, &millis, &process, &thread,
                        &rest) < 4 ||
            rest == 0 || process != processId)
            return;
        const double at = seconds * 1000.0 + millis;
        const std::string call = text + rest;
        auto is = [&](const char* prefix) { return call.compare(0, strlen(prefix), prefix) == 0; };
        if (is("Call shell32.ShellExecuteExA")) {
            shellCall = at;
        } else if (is("Ret  shell32.ShellExecuteExA")) {
            shellReturn = at;
        } else if (is("Ret  user32.EnumWindows") && shellReturn >= 0 && found < 0) {
            ++failedLookups;
        } else if (is("Call user32.SetWindowPos")) {
            if (shellReturn >= 0 && found < 0)
                found = at;
            moveCall = at;
            movedWindow = std::strtoull(&call[call.find('(') + 1], nullptr, 16);
        } else if (is("Ret  user32.SetWindowPos")) {
            moveReturn = at;
        }
    }

    // Takes in the lines completed since the last read, of any Start.
    void read()
    {
        std::FILE* file = std::fopen(tracePath.c_str(), "rb");
        if (file == nullptr)
            fail("cannot read the trace " + tracePath);
        std::fseek(file, 0, SEEK_END);
        const long long size = std::ftell(file);
        std::string text(size > traceOffset ? size - traceOffset : 0, '\0');
        std::fseek(file, static_cast<long>(traceOffset), SEEK_SET);
        text.resize(std::fread(&text[0], 1, text.size(), file));
        std::fclose(file);
        // A line still being written waits for the next read.
        const std::size_t end = text.rfind('\n');
        if (end == std::string::npos)
            return;
        traceOffset += end + 1;
        for (std::size_t from = 0; from <= end;) {
            const std::size_t next = text.find('\n', from);
            text[next] = '\0';
            line(&text[from]);
            from = next + 1;
        }
    }

    void awaitMove()
    {
        if (!waitFor([&] { return read(), moveReturn >= 0; }, 5000, 5) || shellCall < 0 ||
            shellReturn < 0 || found < 0)
            fail("the launcher's trace lacks the Start's calls (is " + tracePath +
                 " the driver's standard error?)");
    }
};

void checkPlaced(const Stamps& stamps, const StartTrace& trace, const char* what)
{
    const POINT expected = centre();
    if (stamps.x != expected.x || stamps.y != expected.y)
        fail(std::string(what) + " was not placed at the centre");
    // The move is carried out by the console's thread once the launcher has
    // asked for it: a reading before the call means the two clocks differ.
    if (counterMs(stamps.placed) < trace.moveCall)
        fail("the trace's clock does not match the performance counter");
}

// A launcher whose process writes the relay trace of the traced calls.
Shown showTraced(const Program& tabrivet, const Folder& folder)
{
    char own[256] = "";
    const bool had = GetEnvironmentVariableA("WINEDEBUG", own, sizeof own) != 0;
    SetEnvironmentVariableA("WINEDEBUG", traceChannels);
    Shown launcher = show(tabrivet, folder);
    SetEnvironmentVariableA("WINEDEBUG", had ? own : nullptr);
    return launcher;
}

// One scene per case: a folder with the stand-in, a settings file that
// starts it with the case's delay, and a traced launcher in console mode 3,
// which hides the console and stays open for the next Start.
struct Scene {
    const char* name;
    Folder folder;
    std::string exe;
    Shown launcher;

    Scene(const char* caseName, const std::string& delay, const Program& tabrivet)
        : name(caseName), folder(caseName), exe(folder.file("bench_console.exe"))
    {
        CopyFileA((buildDir() + "\\bench_console.exe").c_str(), exe.c_str(), FALSE);
        writeFile(folder.file("Tabrivet.txt"),
                  settings(exe, argument(delay, "started.txt"), folder.path));
        launcher = showTraced(tabrivet, folder);
    }
    static std::string argument(const std::string& delay, const char* file)
    {
        return delay + "," + file + "," + std::to_string(consoleWidth) + "," +
               std::to_string(consoleHeight);
    }
    void sample(const char* what, double value) const
    {
        ::sample((std::string("place.") + name + "." + what + "_ms").c_str(), value);
    }
    StartTrace requestStart(LONGLONG& posted)
    {
        DeleteFileA(folder.file("started.txt").c_str());
        StartTrace trace = StartTrace::fromNow(launcher.process.dwProcessId);
        posted = now();
        PostMessageA(launcher.window, WM_COMMAND, IDM_START, 0);
        return trace;
    }
};

// A traced millisecond's middle.
double mid(double tracedMs)
{
    return tracedMs + 0.5;
}

// A console that the started program opens after its delay, or, with an
// event, right after a lookup that failed: the worst moment, a whole pause
// from the next lookup.
void placeLate(Scene& scene, HANDLE openNow = nullptr)
{
    if (openNow != nullptr)
        ResetEvent(openNow);
    LONGLONG posted;
    StartTrace trace = scene.requestStart(posted);
    if (openNow != nullptr) {
        // The second lookup: the stand-in is up and waiting by then.
        if (!waitFor([&] { return trace.read(), trace.failedLookups >= 2; }, 5000))
            fail("the launcher's lookups do not show in its trace");
        SetEvent(openNow);
    }
    const Stamps stamps = awaitStamps(scene.folder.file("started.txt"), scene.name);
    trace.awaitMove();
    checkPlaced(stamps, trace, scene.name);
    const double appeared = counterMs(stamps.creating);
    scene.sample("shell", trace.shellReturn - trace.shellCall);
    scene.sample("creation", ms(stamps.creating, stamps.created));
    scene.sample("appeared_to_found", mid(trace.found) - appeared);
    scene.sample("found_to_placed", counterMs(stamps.placed) - mid(trace.found));
    scene.sample("appeared_to_placed", counterMs(stamps.placed) - appeared);
    scene.sample("post_to_placed", ms(posted, stamps.placed));
    endProcessId(stamps.processId);
    awaitNoConsole();
}

void placements(const Program& tabrivet, int rounds)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Debug", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        fail("cannot choose the traced calls");
    RegSetValueExA(key, "RelayInclude", 0, REG_SZ, reinterpret_cast<const BYTE*>(tracedCalls),
                   static_cast<DWORD>(strlen(tracedCalls) + 1));
    RegCloseKey(key);
    HANDLE openNow = CreateEventA(nullptr, FALSE, FALSE, "TabrivetBenchConsole");

    Scene late("b", "300", tabrivet);
    Scene later("c", "1000", tabrivet);
    Scene worst("d", "event", tabrivet);
    awaitNoConsole();
    for (int round = 0; round <= rounds; ++round) {
        warmingUp = round == 0;
        placeLate(late);
        placeLate(later);
        placeLate(worst, openNow);
    }
    warmingUp = false;
    for (Scene* scene : {&late, &later, &worst})
        close(tabrivet, scene->launcher);
    CloseHandle(openNow);
}

// How the console stands, as the driver polls it.
struct Standing {
    bool visible, iconic;
    RECT rect;

    bool operator==(const Standing& other) const
    {
        return visible == other.visible && iconic == other.iconic &&
               EqualRect(&rect, &other.rect);
    }
};

Standing standingOf(HWND window)
{
    Standing standing = {IsWindowVisible(window) != FALSE, IsIconic(window) != FALSE, {}};
    GetWindowRect(window, &standing.rect);
    return standing;
}

// The real default program: cmd.exe's console under Wine, placed by a
// launcher in a console mode. The driver polls the console every
// millisecond, from before it exists until it has stood still for 300 ms
// after the launcher is done with it, and counts the time it was shown
// otherwise than it finally stands: elsewhere, at another size (the host's
// own rounding to whole character cells included) or in another state. A
// traced launcher, whose every call the trace slows, gives the time from its
// shell call's return to the console's placement instead. The console is
// closed after each Start.
void placeCmd(const Program& tabrivet, int starts, int mode, bool traced)
{
    Folder folder("cmd" + std::to_string(mode));
    writeFile(folder.file("Tabrivet.txt"), settings("cmd.exe", "/T:0F", folder.path, mode));
    const std::string seen = "seen.cmd.mode" + std::to_string(mode) + "_ms";
    const POINT expected = centre();
    for (int run = 0; run <= starts; ++run) {
        warmingUp = run == 0;
        Shown launcher = traced ? showTraced(tabrivet, folder) : show(tabrivet, folder);
        const DWORD id = launcher.process.dwProcessId;
        StartTrace trace = traced ? StartTrace::fromNow(id) : StartTrace(id);
        PostMessageA(launcher.window, WM_COMMAND, IDM_START, 0);
        HWND console = nullptr;
        std::vector<std::pair<double, Standing>> changes;  // counter ms
        double done = -1, placed = -1;
        const LONGLONG began = now();
        while (ms(began, now()) < 35000) {
            const double at = counterMs(now());
            if (console == nullptr)
                console = FindWindowA("WineConsoleClass", nullptr);
            if (console != nullptr) {
                const Standing standing = standingOf(console);
                if (changes.empty() || !(changes.back().second == standing))
                    changes.push_back({at, standing});
                if (placed < 0 && standing.rect.left == expected.x &&
                    standing.rect.top == expected.y)
                    placed = at;
            }
            // Mode 3 keeps the launcher open: it is done once the console is
            // hidden at its place.
            bool finished;
            if (mode == 3) {
                finished = placed >= 0 && !IsWindowVisible(console);
            } else {
                finished = WaitForSingleObject(launcher.process.hProcess, 0) == WAIT_OBJECT_0;
            }
            if (finished && done < 0)
                done = at;
            if (done >= 0 && !changes.empty() && at - std::max(done, changes.back().first) >= 300)
                break;
            Sleep(1);
        }
        if (mode == 3)
            close(tabrivet, launcher);
        else if (WaitForSingleObject(launcher.process.hProcess, 0) != WAIT_OBJECT_0)
            fail("the launcher did not end after placing cmd.exe's console");
        else
            CloseHandle(launcher.process.hProcess);
        if (traced && (!waitFor([&] { return trace.read(), trace.moveReturn >= 0; }, 5000, 5) ||
                       trace.shellReturn < 0 || console == nullptr ||
                       trace.movedWindow != reinterpret_cast<ULONG_PTR>(console)))
            fail("the trace shows no move of cmd.exe's console after the shell call");
        if (console == nullptr || changes.empty())
            fail("cmd.exe opened no console");
        const Standing last = changes.back().second;
        if (last.visible == (mode == 3) || last.iconic != (mode == 1) ||
            (mode != 1 && placed < 0))
            fail("cmd.exe's console does not stand as console mode " + std::to_string(mode) +
                 " asks");
        double elsewhere = 0;
        for (std::size_t i = 0; i < changes.size(); ++i) {
            const double until = i + 1 < changes.size() ? changes[i + 1].first : changes[i].first;
            if (changes[i].second.visible && !(changes[i].second == last))
                elsewhere += until - changes[i].first;
        }
        if (traced) {
            sample("place.cmd.shell_to_placed_ms", placed - trace.shellReturn);
            sample("place.cmd.shell_ms", trace.shellReturn - trace.shellCall);
        } else {
            sample(seen.c_str(), elsewhere);
        }

        // Closed through its window, as a user would; its host ends with it.
        DWORD owner = 0;
        GetWindowThreadProcessId(console, &owner);
        HANDLE host = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, owner);
        PostMessageA(console, WM_CLOSE, 0, 0);
        if (host != nullptr) {
            WaitForSingleObject(host, 3000);
            endProcess(host);
        }
        awaitNoConsole();
    }
    warmingUp = false;
}

// The processor time, user and system, of the one running launcher (or
// other program of the bench), in ms, and its folder under /proc.
// Wine gives no true figure for another process (GetProcessTimes read 0.15 s
// for a launcher that spun for 20 s), so it is read from the Unix process,
// through /proc on drive Z:, at clock ticks of 10 ms.
double unixCpuMs(std::string& procDir, const std::string& exe = buildDir() + "\\Tabrivet.exe")
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        fail("no /proc on drive Z:");
    double total = -1;
    do {
        const std::string dir = std::string("Z:\\proc\\") + entry.cFileName;
        if (entry.cFileName[0] < '1' || entry.cFileName[0] > '9')
            continue;
        std::FILE* file = std::fopen((dir + "\\cmdline").c_str(), "rb");
        if (file == nullptr)
            continue;
        char command[512] = "";
        std::fread(command, 1, sizeof command - 1, file);
        std::fclose(file);
        // By its whole path: the tests of another tree may run launchers too.
        if (std::strstr(command, exe.c_str()) == nullptr)
            continue;
        if (total >= 0)
            fail("more than one " + exe + " runs");
        file = std::fopen((dir + "\\stat").c_str(), "rb");
        char stat[1024] = "";
        if (file != nullptr) {
            std::fread(stat, 1, sizeof stat - 1, file);
            std::fclose(file);
        }
        // The fields after the command's closing parenthesis: state, then
        // eleven more, then user and system time.
        const char* field = std::strrchr(stat, ')');
        unsigned long long user = 0, system = 0;
        if (field == nullptr ||
            std::sscanf(field + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                        &system) != 2)
            fail("cannot read the processor time of " + exe);
        total = (user + system) * 10.0;
        procDir = dir;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    if (total < 0)
        fail("no " + exe + " runs");
    return total;
}

double unixCpuMs()
{
    std::string launcherDir;
    return unixCpuMs(launcherDir);
}

// How often the program's threads went to sleep and were woken since they
// began: the voluntary context switches of each, from /proc.
unsigned long long unixWakeUps(const std::string& procDir)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((procDir + "\\task\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        fail("cannot list the threads in " + procDir);
    unsigned long long total = 0;
    do {
        std::FILE* file = std::fopen(
            (procDir + "\\task\\" + entry.cFileName + "\\status").c_str(), "rb");
        if (file == nullptr)
            continue;
        char line[256];
        unsigned long long switches = 0;
        while (std::fgets(line, sizeof line, file) != nullptr) {
            if (std::sscanf(line, "voluntary_ctxt_switches: %llu", &switches) == 1)
                total += switches;
        }
        std::fclose(file);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return total;
}

// A program that runs tools out of sight, as an editor does: it makes a
// hidden window of the console class and closes it again, 20 a second, until
// told to stop.
DWORD WINAPI makeHiddenConsoles(void* stop)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ConsoleWindowClass";
    RegisterClassA(&windowClass);
    while (WaitForSingleObject(stop, 50) == WAIT_TIMEOUT) {
        HWND console = CreateWindowExA(0, "ConsoleWindowClass", "", WS_OVERLAPPEDWINDOW, 0, 0,
                                       300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        DestroyWindow(console);
    }
    return 0;
}

// A search for a program that runs on without a console, as a GUI program
// does, while another program makes and closes 20 hidden consoles a second:
// the launcher's wake-ups a second and processor time over 10 s of it. The
// other program here is the driver, which the search's family never holds.
// The floor, idle amid the same consoles, gives Wine's own share: every
// window program on the desktop hears of each window made.
void amidHiddenConsoles(const Program& tabrivet, const Program& floor, const Folder& quiet,
                        int runs)
{
    Folder folder("amid");
    const std::string exe = folder.file("bench_console.exe");
    CopyFileA((buildDir() + "\\bench_console.exe").c_str(), exe.c_str(), FALSE);
    writeFile(folder.file("Tabrivet.txt"),
              settings(exe, Scene::argument("-1", "never.txt"), folder.path, 0));
    for (int run = 0; run < runs; ++run) {
        DeleteFileA(folder.file("never.txt").c_str());
        Shown launcher = show(tabrivet, folder);
        PostMessageA(launcher.window, WM_COMMAND, IDM_START, 0);
        const Stamps standIn = awaitStamps(folder.file("never.txt"), "the search's program");
        Shown idle = show(floor, quiet);
        HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE maker = CreateThread(nullptr, 0, makeHiddenConsoles, stop, 0, nullptr);
        Sleep(1000);
        std::string dir, floorDir;
        const double cpuBefore = unixCpuMs(dir);
        const double floorCpuBefore = unixCpuMs(floorDir, floor.exe);
        const unsigned long long wakesBefore = unixWakeUps(dir);
        const unsigned long long floorWakesBefore = unixWakeUps(floorDir);
        const LONGLONG began = now();
        Sleep(10000);
        const double seconds = ms(began, now()) / 1000;
        sample("amid.wakeups_per_s", (unixWakeUps(dir) - wakesBefore) / seconds);
        sample("amid.floor_wakeups_per_s", (unixWakeUps(floorDir) - floorWakesBefore) / seconds);
        sample("amid.cpu_ms_per_s", (unixCpuMs() - cpuBefore) / seconds);
        sample("amid.floor_cpu_ms_per_s",
               (unixCpuMs(floorDir, floor.exe) - floorCpuBefore) / seconds);
        SetEvent(stop);
        WaitForSingleObject(maker, 5000);
        CloseHandle(maker);
        CloseHandle(stop);
        close(floor, idle);
        endProcess(launcher.process.hProcess);
        endProcessId(standIn.processId);
    }
}

// Another program's window made while a search runs, and while none does:
// the floor's start-up, as under Start-up, the two in turns. The search is a
// launcher's whose program runs on without ever opening a window; for a start
// beside it, a launcher is started, asked for a Start and ended after the
// floor's start. Before them, the processor time of the first 25 s of a
// whole search.
void besideASearch(const Program& tabrivet, const Program& floor, const Folder& quiet, int runs)
{
    Folder folder("search");
    const std::string exe = folder.file("bench_console.exe");
    CopyFileA((buildDir() + "\\bench_console.exe").c_str(), exe.c_str(), FALSE);
    writeFile(folder.file("Tabrivet.txt"),
              settings(exe, Scene::argument("-1", "never.txt"), folder.path, 0));
    auto startSearch = [&](Stamps& standIn) {
        DeleteFileA(folder.file("never.txt").c_str());
        Shown launcher = show(tabrivet, folder);
        PostMessageA(launcher.window, WM_COMMAND, IDM_START, 0);
        standIn = awaitStamps(folder.file("never.txt"), "the search's program");
        return launcher;
    };
    {
        Stamps standIn = {};
        const LONGLONG began = now();
        Shown launcher = startSearch(standIn);
        const double before = unixCpuMs();
        while (ms(began, now()) < 25000)
            Sleep(100);
        sample("beside.search_cpu_ms", unixCpuMs() - before);
        if (WaitForSingleObject(launcher.process.hProcess, 40000) != WAIT_OBJECT_0)
            fail("the search that finds nothing did not end");
        CloseHandle(launcher.process.hProcess);
        endProcessId(standIn.processId);
    }
    for (int run = 0; run < runs; ++run)
        for (int turn = 0; turn < 2; ++turn) {
            // Each goes first every other run.
            const bool searching = (turn + run) % 2 == 0;
            Stamps standIn = {};
            Shown launcher = {};
            if (searching)
                launcher = startSearch(standIn);
            Shown shown = show(floor, quiet);
            sample(searching ? "beside.search_ms" : "beside.none_ms", shown.startMs);
            close(floor, shown);
            if (searching) {
                endProcess(launcher.process.hProcess);
                endProcessId(standIn.processId);
            }
            Sleep(30);
        }
}

}  // namespace

int main(int argc, char** argv)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    frequency = f.QuadPart;
    if (argc < 2)
        fail("usage: bench_driver TRACE-FILE [START-RUNS PLACE-ROUNDS PAINT-BLOCKS PAINTS "
             "CMD-STARTS BESIDE-RUNS AMID-RUNS]");
    tracePath = argv[1];
    const int startRuns = argc > 2 ? std::atoi(argv[2]) : 30;
    const int placeRounds = argc > 3 ? std::atoi(argv[3]) : 12;
    const int paintBlocks = argc > 4 ? std::atoi(argv[4]) : 20;
    const int paintCount = argc > 5 ? std::atoi(argv[5]) : 100;
    const int cmdStarts = argc > 6 ? std::atoi(argv[6]) : 20;
    const int besideRuns = argc > 7 ? std::atoi(argv[7]) : 20;
    const int amidRuns = argc > 8 ? std::atoi(argv[8]) : 3;

    const std::string dir = buildDir();
    const Program tabrivet = {"tabrivet", dir + "\\Tabrivet.exe", "Tabrivet", WM_COMMAND,
                              IDM_CANCEL};
    const Program floor = {"floor", dir + "\\floor_window.exe", "TabrivetFloor", WM_CLOSE, 0};
    const std::vector<Program> both = {floor, tabrivet};

    // No "[Start]" on line 1: the launcher waits for a Start that never comes.
    Folder quiet("startup");
    writeFile(quiet.file("Tabrivet.txt"), settings("C:\\nothing.exe", "x", quiet.path));
    std::printf("info start-up, %d runs each\n", startRuns);
    startUp(both, quiet, startRuns);
    std::printf("info paint, %d x %d each\n", paintBlocks, paintCount);
    paints(both, quiet, paintBlocks, paintCount);
    std::printf("info placement, %d rounds\n", placeRounds);
    placements(tabrivet, placeRounds);
    std::printf("info cmd.exe's console, %d Starts traced and %d in each of modes 0, 1 and 3\n",
                cmdStarts, cmdStarts);
    placeCmd(tabrivet, cmdStarts, 0, true);
    for (int mode : {0, 1, 3})
        placeCmd(tabrivet, cmdStarts, mode, false);
    std::printf("info beside a search, %d starts each\n", besideRuns);
    besideASearch(tabrivet, floor, quiet, besideRuns);
    std::printf("info a search amid hidden consoles, %d runs\n", amidRuns);
    amidHiddenConsoles(tabrivet, floor, quiet, amidRuns);
    std::printf("done\n");
    return 0;
}
