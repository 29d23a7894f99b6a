// Console window position and console modes.
#include "console_geometry.h"

ScreenPoint consoleWindowPosition(std::int32_t consoleWidth, std::int32_t consoleHeight,
                                  const ScreenMetrics& metrics)
{
    const std::int32_t fullHeight =
        metrics.fullScreenHeight + metrics.menuHeight + metrics.captionHeight;
    return {metrics.left + metrics.fullScreenWidth / 2 - consoleWidth / 2,
            metrics.top + fullHeight / 2 - consoleHeight / 2};
}

ConsoleModeAction consoleModeAction(std::int32_t consoleMode)
{
    switch (consoleMode) {
    case 1:
        return {true, false, true, true};
    case 2:
        return {true, false, false, true};
    case 3:
        return {true, true, false, false};
    default:
        return {false, false, false, true};
    }
}
