// Shared helpers of the end-to-end tests.
#include "harness.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

void removeTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            // A name with letters that the code page lacks is reached by its
            // short one.
            const std::string name =
                std::strchr(entry.cFileName, '?') ? entry.cAlternateFileName : entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

struct WindowQuery {
    DWORD processId;
    const char* className;
    const std::string* title;
    HWND found;
    std::vector<HWND>* all;  // collects every match instead of stopping at the first
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    WindowQuery& query = *reinterpret_cast<WindowQuery*>(parameter);
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, query.className) != 0)
        return TRUE;
    if (query.processId != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != query.processId)
            return TRUE;
    }
    if (query.title != nullptr && windowTitle(window) != *query.title)
        return TRUE;
    query.found = window;
    if (query.all != nullptr)
        query.all->push_back(window);
    return query.all != nullptr;
}

}  // namespace

TempDir::TempDir()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static int counter = 0;
    for (;;) {
        path = std::string(base) + "tabrivet-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        if (CreateDirectoryA(path.c_str(), nullptr))
            break;
    }
}

TempDir::~TempDir()
{
    removeTree(path);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string readFile(const std::string& path, bool* exists)
{
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (exists != nullptr)
        *exists = file != nullptr;
    if (file == nullptr)
        return bytes;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

bool fileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string buildDir()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/"));
}

namespace {

void snapshotInto(const std::string& path, const std::string& prefix, FolderSnapshot& snapshot)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            snapshot[prefix + name + "\\"] = "";
            snapshotInto(path + "\\" + name, prefix + name + "\\", snapshot);
        } else {
            snapshot[prefix + name] = readFile(path + "\\" + name);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

// The layout of the system's handle list, which the Windows headers of the
// cross compiler do not declare.
struct HandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};
const int systemHandleInformation = 16;
const LONG infoLengthMismatch = static_cast<LONG>(0xC0000004);

}  // namespace

FolderSnapshot snapshotFolder(const std::string& path)
{
    FolderSnapshot snapshot;
    snapshotInto(path, "", snapshot);
    return snapshot;
}

std::string folderChanges(const FolderSnapshot& before, const FolderSnapshot& after,
                          const std::vector<std::string>& mayChange)
{
    std::string changes;
    auto note = [&](const std::string& name, const char* what) {
        for (const std::string& allowed : mayChange) {
            if (lstrcmpiA(allowed.c_str(), name.c_str()) == 0)
                return;
        }
        changes += name + " " + what + "\n";
    };
    for (const auto& entry : before) {
        const auto now = after.find(entry.first);
        if (now == after.end())
            note(entry.first, "removed");
        else if (now->second != entry.second)
            note(entry.first, "changed");
    }
    for (const auto& entry : after) {
        if (before.count(entry.first) == 0)
            note(entry.first, "created");
    }
    return changes;
}

long processHandleCount(HANDLE process)
{
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count != 0)
        return static_cast<long>(count);
    using Query = LONG(WINAPI*)(int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return -1;
    std::vector<char> buffer(1 << 20);
    ULONG length = 0;
    LONG status;
    while ((status = query(systemHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &length)) == infoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    const DWORD processId = GetProcessId(process);
    long owned = 0;
    for (ULONG i = 0; i < list->count; ++i)
        owned += list->entries[i].ownerProcessId == processId;
    return owned;
}

HWND findProcessWindow(DWORD processId, const char* className)
{
    WindowQuery query = {processId, className, nullptr, nullptr, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND findWindowByTitle(const char* className, const std::string& title)
{
    WindowQuery query = {0, className, &title, nullptr, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::vector<HWND> findWindowsByTitle(const char* className, const std::string& title)
{
    std::vector<HWND> windows;
    WindowQuery query = {0, className, &title, nullptr, &windows};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&query));
    return windows;
}

std::string windowTitle(HWND window)
{
    // Any length: the launcher's label holds a whole settings line.
    std::string text(GetWindowTextLengthA(window) + 1, '\0');
    text.resize(GetWindowTextA(window, &text[0], static_cast<int>(text.size())));
    return text;
}

void closeWindowsAndWait(const char* className, const std::string& title)
{
    for (HWND window : findWindowsByTitle(className, title)) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        PostMessageA(window, WM_CLOSE, 0, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

void moveCursor(POINT to)
{
    // Wine moves the display's pointer only when its own record of the
    // position changes, and that record can be stale: a launcher that reads
    // its display's events late puts back the place where the pointer entered
    // its window. Through a neighbouring point both moves are real. A position
    // read more than 100 ms later is the display's: moved again until the
    // display has it.
    DWORD moved = 0;
    const bool arrived = waitFor(
        [&] {
            if (moved == 0 || GetTickCount() - moved > 1000) {
                SetCursorPos(to.x > 0 ? to.x - 1 : 1, to.y);
                SetCursorPos(to.x, to.y);
                moved = GetTickCount() | 1;
            }
            POINT at;
            return GetTickCount() - moved > 150 && GetCursorPos(&at) && at.x == to.x &&
                   at.y == to.y;
        },
        patienceMs);
    EXPECT_TRUE(arrived) << "cursor did not reach " << to.x << "," << to.y;
}

void moveCursorSeenBy(HWND window, POINT to)
{
    const std::string seen = std::to_string(to.x) + " : " + std::to_string(to.y) + " (";
    // The launcher reads the position twice a second; one it never sees is
    // moved again rather than clicked on where the launcher thinks it is.
    EXPECT_TRUE(waitFor(
        [&] {
            moveCursor(to);
            return waitFor([&] { return windowTitle(window).rfind(seen, 0) == 0; }, 1500);
        },
        patienceMs))
        << "the launcher sees the cursor at " << windowTitle(window);
}

POINT clientToScreen(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    return point;
}

Launcher::Launcher(const std::string& folder, const std::string& arguments, int showCommand,
                   const std::string& copy, const POINT* at)
{
    const std::string exe = copy.empty() ? buildDir() + "\\Tabrivet.exe" : copy;
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    if (at != nullptr) {
        startup.dwFlags |= STARTF_USEPOSITION;
        startup.dwX = at->x;
        startup.dwY = at->y;
    }
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        ADD_FAILURE() << "cannot start " << exe;
}

Launcher::~Launcher()
{
    if (process.hProcess == nullptr)
        return;
    if (running()) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

HWND Launcher::window(DWORD timeoutMs)
{
    if (mainWindow == nullptr) {
        // Idle in its message loop means placed and shown as well.
        WaitForInputIdle(process.hProcess, timeoutMs);
        waitFor([&] { return (mainWindow = findProcessWindow(process.dwProcessId, "Tabrivet")); },
                timeoutMs);
    }
    return mainWindow;
}

long Launcher::waitForExit(DWORD timeoutMs)
{
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<long>(code);
}

bool Launcher::running() const
{
    return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

void Launcher::post(UINT message, WPARAM wParam, LPARAM lParam)
{
    PostMessageA(window(), message, wParam, lParam);
}

bool Launcher::dismissShellError(DWORD timeoutMs)
{
    HWND box = nullptr;
    if (!waitFor([&] { return (box = findProcessWindow(process.dwProcessId, "#32770")); },
                 timeoutMs))
        return false;
    // The box exists a moment before its title is set.
    EXPECT_TRUE(waitFor([&] { return windowTitle(box) == "Error"; }, patienceMs)) << windowTitle(box);
    // Owned by the launcher window, which takes no input while it shows.
    EXPECT_EQ(GetWindow(box, GW_OWNER), window());
    EXPECT_FALSE(IsWindowEnabled(window()));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
}

namespace {

JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accountingOf(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                              sizeof accounting, nullptr);
    return accounting;
}

}  // namespace

ProcessJob::ProcessJob() : job(CreateJobObjectA(nullptr, nullptr))
{
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    EXPECT_TRUE(SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                        sizeof limits));
}

ProcessJob::~ProcessJob()
{
    // Waited for: the window of a process that is still going away could
    // cover the next test's launcher, or pass for a console that it opens.
    TerminateJobObject(job, 1);
    waitFor([&] { return accountingOf(job).ActiveProcesses == 0; }, patienceMs);
    CloseHandle(job);
}

void ProcessJob::add(const Launcher& launcher)
{
    // The launcher starts nothing before its window exists, so joining it
    // right after its creation takes in everything it starts.
    EXPECT_TRUE(AssignProcessToJobObject(job, launcher.process.hProcess));
}

DWORD ProcessJob::processesEver() const
{
    return accountingOf(job).TotalProcesses;
}

std::string settingsText(const std::string& line1, int delayMs, const std::string& directory,
                         int consoleMode, int width, int height)
{
    return line1 + "\r\n" + std::to_string(delayMs) + "\r\n" + directory + "\r\n" +
           std::to_string(consoleMode) + "\r\n" + std::to_string(width) + "\r\n" +
           std::to_string(height) + "\r\n";
}

namespace {

// Wine's own services, started with the session or on demand, and the
// program that keeps the session's desktop open.
bool belongsToSession(const char* exe)
{
    for (const char* name : {"services.exe", "winedevice.exe", "plugplay.exe", "explorer.exe",
                             "svchost.exe", "rpcss.exe", "desktop_anchor.exe"}) {
        if (lstrcmpiA(exe, name) == 0)
            return true;
    }
    return false;
}

// What a test started, and what the launcher started for it (a program, its
// console host, the shell's viewer), ends with the test, also when an
// assertion returned early: left running, it would pass for a console of the
// next test, and each of them holds the test's output open. A test program
// that a timeout ended leaves its processes to the next one, which ends them
// before its first test.
struct EndLeftovers : testing::EmptyTestEventListener {
    void OnTestProgramStart(const testing::UnitTest&) override
    {
        endLeftovers("an earlier test program");
    }
    void OnTestEnd(const testing::TestInfo& test) override { endLeftovers(test.name()); }

    static void endLeftovers(const std::string& leftBy)
    {
        std::string names;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry)) {
            if (entry.th32ProcessID == GetCurrentProcessId() || belongsToSession(entry.szExeFile))
                continue;
            HANDLE process =
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
            if (process != nullptr && TerminateProcess(process, 1)) {
                WaitForSingleObject(process, patienceMs);
                names += std::string(" ") + entry.szExeFile;
            }
            CloseHandle(process);
        }
        CloseHandle(snapshot);
        if (!names.empty())
            std::printf("Ended what %s left running:%s\n", leftBy.c_str(), names.c_str());
    }
};

[[maybe_unused]] const bool leftoversEnded = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new EndLeftovers);
    return true;
}();

}  // namespace
