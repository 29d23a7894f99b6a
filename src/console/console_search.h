// The search for the started program's console window: the consoles open
// before the Start, lookups on the schedule, and the windows that the window
// events announce between them.
#pragma once

#include <windows.h>

// The console window to place, or null when none came in time or the session
// joined a terminal window open before the Start. `takesHidden`: the shell
// was told to start the program hidden, and the family's own console is
// taken as it is found, hidden.
HWND searchConsole(HANDLE startedProcess, bool takesHidden);

// Waits on the queue for at most `ms`, answering what other threads send
// meanwhile; nothing else is taken out of it.
void waitOnQueue(DWORD ms);
