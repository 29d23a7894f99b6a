// The screen arithmetic: launcher placement, console placement, the Start
// button and the readout's working area.
#include <gtest/gtest.h>

#include "console/console_geometry.h"
#include "console/search_schedule.h"
#include "window/window_geometry.h"

namespace {

const ScreenMetrics screen1024 = {1024, 711, 19, 19};
// The primary's work area, one of its size to its right, and a smaller one
// to the left of it and above it.
const WindowRectangle primaryWork = {0, 0, 1024, 730}, rightWork = {1024, 0, 2048, 730},
                      smallWork = {-800, -100, 0, 500};

TEST(LauncherPlacementTest, CornersAndCentre)
{
    struct Case {
        std::int32_t layout;
        std::int32_t x, y;
        bool restores;
        WindowRectangle monitor = primaryWork;
    };
    const Case cases[] = {
        {0, 368, 273, false}, {1, 0, 0, false},     {2, 735, 0, true},      {3, 735, 527, true},
        {4, 0, 527, true},    {5, 368, 273, false}, {-1, 368, 273, false},
        {0, 1392, 273, false, rightWork},   {2, 1759, 0, true, rightWork},
        {4, 1024, 527, true, rightWork},    {0, -544, 108, false, smallWork},
        {1, -800, -100, false, smallWork},  {3, -289, 297, true, smallWork},
    };
    for (const Case& c : cases) {
        const ScreenMetrics metrics = monitorMetrics(screen1024, primaryWork, c.monitor);
        const ScreenPoint point = launcherWindowPosition(c.layout, metrics, 289, 203);
        EXPECT_EQ(point.x, c.x) << c.layout;
        EXPECT_EQ(point.y, c.y) << c.layout;
        EXPECT_EQ(launcherPlacementRestoresFirst(c.layout), c.restores) << c.layout;
    }
}

TEST(LauncherPlacementTest, SmallScreenGivesNegativeCoordinates)
{
    const ScreenMetrics tiny = {200, 100, 19, 19};
    EXPECT_EQ(launcherWindowPosition(3, tiny, 289, 203).x, -89);
    EXPECT_EQ(launcherWindowPosition(3, tiny, 289, 203).y, -84);
    // (138 / 2) - (203 / 2): each half drops its remainder.
    EXPECT_EQ(launcherWindowPosition(0, tiny, 289, 203).y, 69 - 101);
}

TEST(ConsolePlacementTest, CentredWithRemaindersDropped)
{
    struct Case {
        std::int32_t width, height, fullWidth;
        std::int32_t x, y;
    };
    const Case cases[] = {
        {580, 390, 1024, 222, 179}, {581, 391, 1024, 222, 179}, {667, 390, 640, -13, 179},
        {0, 0, 1024, 512, 374},     {-5, -5, 1024, 514, 376},
    };
    for (const Case& c : cases) {
        const ScreenMetrics metrics = {c.fullWidth, 711, 19, 19};
        const ScreenPoint point = consoleWindowPosition(c.width, c.height, metrics);
        EXPECT_EQ(point.x, c.x) << c.width << "x" << c.height;
        EXPECT_EQ(point.y, c.y) << c.width << "x" << c.height;
    }
}

TEST(ConsolePlacementTest, Modes)
{
    struct Case {
        std::int32_t mode;
        bool atBottom, hide, minimise, launcherEnds;
    };
    const Case cases[] = {
        {0, false, false, false, true}, {1, true, false, true, true},
        {2, true, false, false, true},  {3, true, true, false, false},
        {7, false, false, false, true}, {-1, false, false, false, true},
    };
    for (const Case& c : cases) {
        const ConsoleModeAction action = consoleModeAction(c.mode);
        EXPECT_EQ(action.atBottom, c.atBottom) << c.mode;
        EXPECT_EQ(action.hide, c.hide) << c.mode;
        EXPECT_EQ(action.minimise, c.minimise) << c.mode;
        EXPECT_EQ(action.launcherEnds, c.launcherEnds) << c.mode;
    }
}

TEST(ConsolePlacementTest, SearchScheduleTicks)
{
    struct Case {
        std::uint32_t elapsed, deadline, tick;
    };
    const Case cases[] = {
        {0, searchDeadlineMs, 600},         {599, searchDeadlineMs, 600},
        {600, searchDeadlineMs, 1200},      {1900, searchDeadlineMs, 2400},  // ran late
        {28800, searchDeadlineMs, 29400},   {29000, searchDeadlineMs, 29400},
        {29400, searchDeadlineMs, 29400},   {40000, searchDeadlineMs, 29400},
        {29400, 0xFFFFFFFF, 30000},         {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextTick(c.elapsed, c.deadline), c.tick) << c.elapsed << " " << c.deadline;
}

TEST(StartButtonTest, EdgesOfTheDrawnButton)
{
    struct Case {
        std::int32_t x, y;
        bool on;
    };
    const Case cases[] = {
        {214, 69, true},  {277, 94, true},  {245, 81, true},  {213, 80, false},
        {278, 80, false}, {245, 68, false}, {245, 95, false}, {-1, -1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isOnStartButton(c.x, c.y), c.on) << c.x << "," << c.y;
}

TEST(CursorReadoutTest, InsideIsStrictAndLeavesOutCaptionMenuAndFrame)
{
    // Outer rectangle 100..389 x 200..403, frame 4, caption 19, menu 19:
    // the inner top is 242, the inner bottom 399.
    const WindowRectangle window = {100, 200, 389, 403};
    struct Case {
        std::int32_t x, y;
        bool inside;
    };
    const Case cases[] = {
        {101, 243, true},  {388, 398, true},  {100, 300, false}, {389, 300, false},
        {200, 242, false}, {200, 399, false}, {102, 220, false}, {-5, 20, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isInsideWorkingArea(window, 4, 19, 19, c.x, c.y), c.inside) << c.x << "," << c.y;
}

}  // namespace
