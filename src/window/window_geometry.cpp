// Placement, hit test and inside test of the launcher window.
#include "window_geometry.h"

ScreenPoint launcherWindowPosition(std::int32_t windowLayout, const ScreenMetrics& metrics,
                                   std::int32_t windowWidth, std::int32_t windowHeight)
{
    const std::int32_t left = metrics.left;
    const std::int32_t top = metrics.top;
    const std::int32_t right = left + metrics.fullScreenWidth - windowWidth;
    // The bottom corners leave the caption height out; only centring adds it.
    const std::int32_t bottom = top + metrics.fullScreenHeight + metrics.menuHeight - windowHeight;
    switch (windowLayout) {
    case 1:
        return {left, top};
    case 2:
        return {right, top};
    case 3:
        return {right, bottom};
    case 4:
        return {left, bottom};
    default:
        return {left + metrics.fullScreenWidth / 2 - windowWidth / 2,
                top + (metrics.fullScreenHeight + metrics.menuHeight + metrics.captionHeight) / 2 -
                    windowHeight / 2};
    }
}

ScreenMetrics monitorMetrics(const ScreenMetrics& primary, const WindowRectangle& primaryWork,
                             const WindowRectangle& monitorWork)
{
    ScreenMetrics metrics = primary;
    metrics.left = monitorWork.left - primaryWork.left;
    metrics.top = monitorWork.top - primaryWork.top;
    metrics.fullScreenWidth += (monitorWork.right - monitorWork.left) -
                               (primaryWork.right - primaryWork.left);
    metrics.fullScreenHeight += (monitorWork.bottom - monitorWork.top) -
                                (primaryWork.bottom - primaryWork.top);
    return metrics;
}

bool launcherPlacementRestoresFirst(std::int32_t windowLayout)
{
    return windowLayout >= 2 && windowLayout <= 4;
}

bool isOnStartButton(std::int32_t clientX, std::int32_t clientY)
{
    // Columns 214 to 277 and rows 69 to 94 of the picture: the drawn button
    // less its bottom shadow row.
    return clientX >= 214 && clientX <= 277 && clientY >= 69 && clientY <= 94;
}

bool isInsideWorkingArea(const WindowRectangle& window, std::int32_t frame, std::int32_t caption,
                         std::int32_t menu, std::int32_t x, std::int32_t y)
{
    if (!(window.left < x && x < window.right))
        return false;
    const std::int32_t innerTop = window.top + frame + caption + menu;
    const std::int32_t innerBottom = window.bottom - frame;
    return innerTop < y && y < innerBottom;
}
