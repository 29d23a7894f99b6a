// The Start action and the shell-open operation that the PDF help shares.
#include "../app/launcher_state.h"
#include "console_geometry.h"
#include "console_program.h"
#include "native_program.h"
#include "path_variables.h"

#include <shellapi.h>

#include <cstring>

#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit shell record must keep its layout");
#endif

bool shellOpen(const char* file, const char* parameters, HANDLE* startedProcess, int showCommand)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    // No SEE_MASK_FLAG_NO_UI: the shell reports its own errors. NOASYNC,
    // because the launcher often ends right after this call, and a request
    // the shell passes on (by DDE, say) would otherwise be lost with it.
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    // The shell's error box then belongs to the launcher window and keeps it
    // from taking a second Start while it shows.
    request.hwnd = launcher.mainWindow;
    request.lpVerb = "open";
    // The texts are passed whole and as they are; an empty parameter text
    // stays an empty text rather than null.
    request.lpFile = file;
    request.lpParameters = parameters;
    request.nShow = showCommand;
    const bool opened = ShellExecuteExA(&request) != FALSE;
    // Null when the shell started no process, as for a document handed to a
    // program that was already running.
    if (startedProcess != nullptr)
        *startedProcess = request.hProcess;
    else if (request.hProcess != nullptr)
        CloseHandle(request.hProcess);
    return opened;
}

namespace {

bool isFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// By the wide call: Wine's GetEnvironmentVariableA cuts a value of
// characters of several bytes at its length in UTF-16 units.
std::size_t environmentVariable(const char* name, char* value, std::size_t capacity)
{
    // A variable holds at most 32,767 characters with its end.
    static wchar_t wideName[lineCapacity + 1], wideValue[32767];
    MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, lineCapacity + 1);
    const DWORD length = GetEnvironmentVariableW(wideName, wideValue, 32767);
    if (length == 0)
        return 0;
    const std::size_t written =
        length < 32767 && capacity > 1
            ? toAnsiCodePage(reinterpret_cast<const char16_t*>(wideValue), length, value,
                             capacity - 1)
            : 0;
    // Longer than the buffers: told as a value that does not fit.
    if (written == 0)
        return capacity;
    value[written] = '\0';
    return written;
}

// Only a WoW64 guest has the alias Sysnative beside System32.
bool isGuest(const char* system32)
{
    char alias[pathBufferSize + 10];
    std::strcpy(alias, system32);
    char* const windowsEnd = std::strrchr(alias, '\\');
    if (windowsEnd != nullptr)
        std::strcpy(windowsEnd, "\\Sysnative");
    const DWORD attributes = GetFileAttributesA(alias);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file the shell is given. A 32-bit launcher on 64-bit Windows starts the
// system's own programs as a 64-bit one would, by their native copy: the
// 32-bit cmd lacks the tools that exist only as 64-bit programs. Switching
// the redirection off around the shell call instead would break the DLL
// loading that the call does on this thread. Only for a guest: elsewhere no
// Start looks along the PATH, where a folder on an unreachable share would
// hold it up.
const char* programFile(const char* program, const char* system32,
                        char (&native)[nativePathSize])
{
    char current[pathBufferSize];
    const DWORD currentLength = GetCurrentDirectoryA(sizeof current, current);
    // Read whole, as every variable is: up to 32,767 characters of up to
    // three bytes each.
    static char searchPath[3 * 32767];
    if (environmentVariable("PATH", searchPath, sizeof searchPath) >= sizeof searchPath)
        searchPath[0] = '\0';
    const SystemFolders folders = {current, system32, searchPath, isFile};
    return currentLength - 1 < sizeof current - 1 && nativeProgramPath(program, folders, native)
               ? native
               : program;
}

// Whether the shell will run `file` as a console program. Looked for as the
// shell looks, with its completions for a name without extension; a
// shortcut is the shell's to follow, and counts as another kind. Only a file
// on a disk is read: a device under a program's name would wait for input.
bool startsConsole(const char* file)
{
    for (const char* extension = programExtensions; *extension != '\0'; extension += 5) {
        char found[pathBufferSize];
        if (SearchPathA(nullptr, file, extension, sizeof found, found, nullptr) - 1 >=
            sizeof found - 1)
            continue;
        unsigned char header[programHeaderSize];
        DWORD length = 0;
        HANDLE opened = CreateFileA(found, GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (opened != INVALID_HANDLE_VALUE) {
            // A failed read has read nothing.
            if (GetFileType(opened) == FILE_TYPE_DISK)
                ReadFile(opened, header, sizeof header, &length, nullptr);
            CloseHandle(opened);
        }
        return isConsoleProgram(found, header, length);
    }
    return false;
}

}  // namespace

void startProgram()
{
    char system32[pathBufferSize];
    const UINT systemLength = GetSystemDirectoryA(system32, sizeof system32);
    const bool guest = systemLength - 1 < sizeof system32 - 1 && isGuest(system32);
    // Expanded at each Start, before any use and never in the settings: the
    // window's label shows line 1 as written. Not by the shell, which does it
    // only on request, after the native choice, and would read a '%' that a
    // value brought in. A line too long once expanded is taken as one too
    // long as written. The argument goes as written: the started program
    // expands its own, as cmd does.
    char directory[expandedSize], program[expandedSize];
    const char* file = expandVariables(launcher.settings.program, environmentVariable, guest,
                                       program, launcher.settings.program);
    // A directory that does not exist leaves the current one in force.
    SetCurrentDirectoryA(expandVariables(launcher.settings.workingDirectory, environmentVariable,
                                         guest, directory, defaultWorkingDirectory));
    char native[nativePathSize];
    if (guest)
        file = programFile(file, system32, native);
    // The manual opens no console: searching would keep clicks and keys
    // waiting for half a minute. A launcher in a corner places no console
    // either.
    const bool placesConsole = !launcher.startsManual && launcher.windowLayout == 0;
    if (placesConsole)
        noteOpenConsoles();
    // A console program gets the show command of a minimised or hidden mode,
    // which its host applies from the first frame: no search is quick
    // enough to spare the user the flash of a console shown first. Any other
    // program would apply it to its main window instead.
    const ConsoleModeAction action = consoleModeAction(launcher.settings.consoleMode);
    int show = SW_SHOWDEFAULT;
    if (placesConsole && (action.minimise || action.hide) && startsConsole(file))
        show = action.hide ? SW_HIDE : SW_SHOWMINNOACTIVE;
    // Kept for the console search, which asks the process for its own console.
    HANDLE started = nullptr;
    const bool opened = shellOpen(file, launcher.settings.arguments,
                                  placesConsole ? &started : nullptr, show);

    bool quit;
    if (placesConsole && opened) {
        quit = placeConsoleWindow(launcher.settings.consoleMode, started, show == SW_HIDE);
        if (started != nullptr)
            CloseHandle(started);
    } else if (placesConsole) {
        // Nothing was started, and the shell has said so: any console that
        // opens now is another program's. The mode still decides the end.
        quit = action.launcherEnds;
    } else {
        // "-t" keeps a launcher in a corner open; the manual's launcher always ends.
        quit = launcher.startsManual || !launcher.showCursorPosition;
    }
    postQuitIf(quit);
}
