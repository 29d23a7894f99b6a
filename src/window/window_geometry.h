// Screen arithmetic of the launcher window: where it starts, where its Start
// button is, and what counts as its working area. Platform-free, so that every
// rule can be tested without a display.
#pragma once

#include <cstdint>

struct ScreenPoint {
    std::int32_t x;
    std::int32_t y;
};

// The system metrics the placements depend on, read by the caller, and the
// top-left corner of the monitor they stand for (0, 0 for the primary).
struct ScreenMetrics {
    std::int32_t fullScreenWidth;   // SM_CXFULLSCREEN
    std::int32_t fullScreenHeight;  // SM_CYFULLSCREEN
    std::int32_t menuHeight;        // SM_CYMENU
    std::int32_t captionHeight;     // SM_CYCAPTION
    std::int32_t left = 0;
    std::int32_t top = 0;
};

struct WindowRectangle {
    std::int32_t left, top, right, bottom;
};

// The primary monitor's metrics carried over to another monitor by the
// difference of the two work areas, so that on the primary every figure
// stays exactly what the system metrics give.
ScreenMetrics monitorMetrics(const ScreenMetrics& primary, const WindowRectangle& primaryWork,
                             const WindowRectangle& monitorWork);

// 1 to 4 are the corners clockwise from top left; every other value centres.
ScreenPoint launcherWindowPosition(std::int32_t windowLayout, const ScreenMetrics& metrics,
                                   std::int32_t windowWidth, std::int32_t windowHeight);

// The right-hand corners and the bottom-left one restore the window before moving it.
bool launcherPlacementRestoresFirst(std::int32_t windowLayout);

// The drawn Start button in client coordinates (the picture sits at the
// client origin), so that the hit test follows the button under any theme.
bool isOnStartButton(std::int32_t clientX, std::int32_t clientY);

// The cursor readout's test: strictly within the outer left and right edges,
// and strictly between the menu bar and the bottom frame.
bool isInsideWorkingArea(const WindowRectangle& window, std::int32_t frame, std::int32_t caption,
                         std::int32_t menu, std::int32_t x, std::int32_t y);
