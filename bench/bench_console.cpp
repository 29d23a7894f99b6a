// A console stand-in for the placement benchmark. Its one argument (the
// launcher passes a single word) is "DELAY,FILE,WIDTH,HEIGHT". It opens a
// window of the console class DELAY ms after it started; never when DELAY is
// negative; and when DELAY is "event", once the driver sets the event it
// waits on. It writes to FILE the performance-counter readings of its start,
// of the call that creates its window, of the window's first message and of
// the move that gave the window WIDTH x HEIGHT. The counter is system-wide,
// so the driver can set these against its own readings. Ends when closed or
// after a minute.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const UINT WM_RECORD = WM_APP + 1;

char outFile[MAX_PATH];
int width, height;
LONGLONG started, creating, created, placed;
int placedX, placedY;

LONGLONG now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

// Written beside and then renamed, so the driver never reads half a record.
void record()
{
    char partial[MAX_PATH + 8];
    wsprintfA(partial, "%s.part", outFile);
    std::FILE* file = std::fopen(partial, "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "%lu %lld %lld %lld %lld %d %d\n", GetCurrentProcessId(), started,
                 creating, created, placed, placedX, placedY);
    std::fclose(file);
    MoveFileExA(partial, outFile, MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK consoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        created = now();
        break;
    case WM_WINDOWPOSCHANGED: {
        const WINDOWPOS& position = *reinterpret_cast<const WINDOWPOS*>(lParam);
        if (placed == 0 && !(position.flags & SWP_NOSIZE) && position.cx == width &&
            position.cy == height) {
            placed = now();
            placedX = position.x;
            placedY = position.y;
            // Not from inside the move: the launcher waits for it to finish.
            PostMessageA(window, WM_RECORD, 0, 0);
        }
        break;
    }
    case WM_RECORD:
        record();
        return 0;
    case WM_TIMER:
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    started = now();
    char* field = commandLine;
    const bool onEvent = std::strncmp(field, "event", 5) == 0;
    long delayMs = 0;
    if (onEvent)
        field += 5;
    else
        delayMs = std::strtol(field, &field, 10);
    const char* file = *field == ',' ? ++field : "";
    field = std::strchr(field, ',');
    if (field == nullptr)
        return 1;
    *field++ = '\0';
    lstrcpynA(outFile, file, sizeof outFile);
    width = std::strtol(field, &field, 10);
    height = *field == ',' ? std::atoi(field + 1) : 0;

    if (delayMs < 0) {
        record();
        Sleep(60000);
        return 0;
    }
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = consoleProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ConsoleWindowClass";
    RegisterClassExA(&windowClass);
    // Wine sets up its display driver at a process's first window, which
    // takes a good part of 100 ms: done now, with a window of another class
    // that the launcher ignores, the timed creation below is the console's alone.
    DestroyWindow(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  instance, nullptr));
    if (onEvent) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, "TabrivetBenchConsole");
        WaitForSingleObject(event, 30000);
    } else {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        const LONGLONG due = started + delayMs * frequency.QuadPart / 1000;
        const LONGLONG left = due - now();
        if (left > 0)
            Sleep(static_cast<DWORD>(left * 1000 / frequency.QuadPart));
    }

    creating = now();
    HWND window = CreateWindowExA(0, "ConsoleWindowClass", "bench console", WS_OVERLAPPEDWINDOW,
                                  10, 10, 300, 200, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, showCommand);
    SetTimer(window, 1, 60000, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
