// What the end-to-end tests share: a fresh folder per test, files, and the
// real launcher started as a separate process and driven like a user would.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// A fresh, empty folder under the temporary directory, removed afterwards.
struct TempDir {
    TempDir();
    ~TempDir();
    std::string path;  // without a trailing backslash
    std::string file(const std::string& name) const { return path + "\\" + name; }
};

void writeFile(const std::string& path, const std::string& bytes);
// Empty when the file is missing; `exists` tells the two apart.
std::string readFile(const std::string& path, bool* exists = nullptr);
bool fileExists(const std::string& path);
// The folder the test programs and the launcher were built into.
std::string buildDir();

// Every file and folder below a folder, by its name relative to it, with the
// file's bytes (a folder's name ends in a backslash).
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot snapshotFolder(const std::string& path);
// The names created, removed or changed between two snapshots, one per line,
// leaving out those in `mayChange`; empty when there are none.
std::string folderChanges(const FolderSnapshot& before, const FolderSnapshot& after,
                          const std::vector<std::string>& mayChange = {});

// The open handles of a process. Wine's GetProcessHandleCount reports 0;
// there the entries of the system's handle list that the process owns count.
long processHandleCount(HANDLE process);

// How long a test waits for what a sound launcher does: far longer than that
// takes on a busy machine, and nothing at all where it comes in time. What
// must not happen is watched for a shorter, fixed time.
const DWORD patienceMs = 10000;

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
template <typename Condition>
bool waitFor(Condition condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

// A top-level window of `className` owned by the process, hidden ones included.
HWND findProcessWindow(DWORD processId, const char* className);
// Any top-level window of `className` whose title is `title`.
HWND findWindowByTitle(const char* className, const std::string& title);
// Every top-level window of `className` titled `title`, from the top of the
// z-order down, hidden ones included.
std::vector<HWND> findWindowsByTitle(const char* className, const std::string& title);
std::string windowTitle(HWND window);
// Closes every top-level window of `className` titled `title` and waits
// until the process that owned it has ended, so that its exe can be deleted.
void closeWindowsAndWait(const char* className, const std::string& title);
// Moves the cursor and waits until the system reports it there. Under Wine
// the move reaches other processes a moment later: a test that needs another
// process to see it waits for that process to say so.
void moveCursor(POINT to);
// Moves the cursor and waits until the title of a launcher started with "-t"
// says it sees the cursor there.
void moveCursorSeenBy(HWND window, POINT to);
POINT clientToScreen(HWND window, int x, int y);

// The launcher, started from `dir` with `arguments`; terminated at the end of
// the test if it is still running.
struct Launcher {
    Launcher(const TempDir& dir, const std::string& arguments, int showCommand = SW_SHOWNORMAL)
        : Launcher(dir.path, arguments, showCommand)
    {
    }
    // Started in `folder`, which it reads its settings from; from a copy of
    // the exe elsewhere where `exe` names one; with the position that a
    // shell passes to the first window where `at` gives one.
    Launcher(const std::string& folder, const std::string& arguments,
             int showCommand = SW_SHOWNORMAL, const std::string& exe = "",
             const POINT* at = nullptr);
    ~Launcher();

    // The launcher window, once the launcher waits for input in its message
    // loop (null after the timeout).
    HWND window(DWORD timeoutMs = 10000);
    // The exit code, or -1 while the launcher still runs after the timeout.
    long waitForExit(DWORD timeoutMs);
    bool running() const;
    // Sends a message the way the message loop would get it from the user.
    void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // The shell's modal "File not found." box, shown inside the launcher's
    // process and owned by its window; closes it and says whether it
    // appeared within the timeout.
    bool dismissShellError(DWORD timeoutMs);

    PROCESS_INFORMATION process = {};
    HWND mainWindow = nullptr;
};

// A job that ends every process added to it, and every process they started,
// when the test leaves its scope: a launcher that starts a real program by
// mistake leaves nothing behind to disturb later tests.
struct ProcessJob {
    ProcessJob();
    ~ProcessJob();
    void add(const Launcher& launcher);
    // How many processes have ever belonged to the job, added ones included.
    DWORD processesEver() const;

    HANDLE job;
};

// The launcher's standard settings file with the given line 1 and values.
std::string settingsText(const std::string& line1, int delayMs, const std::string& directory,
                         int consoleMode, int width, int height);
