// The program's entry: settles the start-up state, then runs the window.
#include "launcher_state.h"

LauncherState launcher;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // The system's own command line, not the one handed in here: the split
    // looks for the ".exe" of the program's path, which only it carries.
    if (!settleStartState(GetCommandLineA(), GetSystemMetrics(SM_CYFULLSCREEN), launcher))
        return 0;
    return runMainWindow(instance, showCommand);
}
