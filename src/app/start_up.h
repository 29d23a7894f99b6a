// The platform-free half of the entry: from the command-line text to the
// settled start-up state. The Windows entry adds only the system calls.
#pragma once

#include <cstdint>

#include "settings_file.h"

// What the command line and the settings file settle before the window exists.
struct StartState {
    LaunchSettings settings;
    bool showCursorPosition;
    std::int32_t windowLayout;
    // "-p" or "-a": the Start opens the manual and touches no console window.
    bool startsManual;
};

// Splits the command line, writes the version file for "-V"/"-VC" (then
// returns false: the process ends at once), and otherwise fills `state` from
// the fixed values of the PDF help, the settings file, or the defaults, which
// it writes as the settings file only where none exists.
// `toAnsi` converts the lines of a Unicode settings file, `fromLegacy` those
// of a legacy one where the process's code page is not the user's.
bool settleStartState(const char* commandLine, std::int32_t screenHeight, AnsiConversion toAnsi,
                      StartState& state, LegacyConversion fromLegacy = nullptr);
