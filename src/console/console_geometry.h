// Where the console window goes and what each console mode does with it.
// Platform-free.
#pragma once

#include <cstdint>

#include "../window/window_geometry.h"

// Centred on the full-screen area of the monitor the metrics stand for; each
// sum is halved as a whole and the remainders are dropped, also for negative
// sizes.
ScreenPoint consoleWindowPosition(std::int32_t consoleWidth, std::int32_t consoleHeight,
                                  const ScreenMetrics& metrics);

struct ConsoleModeAction {
    bool atBottom;      // HWND_BOTTOM rather than HWND_TOP
    bool hide;          // SWP_HIDEWINDOW
    bool minimise;      // SW_MINIMIZE after positioning
    bool launcherEnds;  // whether the launcher quits afterwards
};

// 0 on top, 1 minimised, 2 at the bottom, 3 hidden; every other value acts as 0.
ConsoleModeAction consoleModeAction(std::int32_t consoleMode);
