// The program's entry: settles the start-up state, then runs the window.
#include "launcher_state.h"

#include <cstdlib>

LauncherState launcher;

// A GUI process has nowhere to print why it terminates; the library's verbose
// handler would bring the C++ name demangler along, a fifth of the exe.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // The system's own command line, not the one handed in here: the split
    // looks for the ".exe" of the program's path, which only it carries.
    if (!settleStartState(GetCommandLineA(), GetSystemMetrics(SM_CYFULLSCREEN), launcher))
        return 0;
    return runMainWindow(instance, showCommand);
}
