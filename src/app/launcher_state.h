// The launcher's one process-wide record, and the operations that the
// subsystems call across folders.
#pragma once

#include <windows.h>

#include "start_up.h"

struct ScreenMetrics;

// Zero before the entry runs, as every static is: the PDF help path relies on
// the settings it does not set staying 0 and empty.
struct LauncherState : StartState {
    HINSTANCE instance;
    HWND mainWindow;
    int windowWidth;
    int windowHeight;
    HWND commandLineLabel;
    bool startButtonPressed;
};

extern LauncherState launcher;

// Start-up subsystem: UTF-16 text into the process's code page, as the
// settings reader's AnsiConversion.
std::size_t toAnsiCodePage(const char16_t* text, std::size_t length, char* ansi,
                           std::size_t capacity);

// Window subsystem.
int runMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK launcherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void placeLauncherWindow(HWND window, HMONITOR monitor);
// The placements' figures for a monitor; the primary's are the system metrics.
ScreenMetrics screenMetricsOf(HMONITOR monitor);
void CALLBACK cursorReadoutTimerProc(HWND window, UINT message, UINT_PTR timerId, DWORD time);
void postQuitIf(bool quit);

// Console subsystem.
void startProgram();
// With `startedProcess`, the caller gets the started process's handle (null
// when there is none) and closes it; without, it is closed at once.
bool shellOpen(const char* file, const char* parameters, HANDLE* startedProcess = nullptr,
               int showCommand = SW_SHOWDEFAULT);
// Notes the console and terminal windows open now, which no later search places.
void noteOpenConsoles();
// `startedHidden`: the shell was told to start the program hidden, and its
// console may be taken as it is found.
bool placeConsoleWindow(int consoleMode, HANDLE startedProcess, bool startedHidden);

// Help subsystem.
bool openPdfHelp();
