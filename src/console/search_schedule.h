// When the console search looks for the console window, and how long the
// placement watches it afterwards. Platform-free.
#pragma once

#include <cstdint>

// One lookup at once, then one at each tick of the interval up to the last,
// 29.4 s after the Start.
const std::uint32_t lookupIntervalMs = 600;
const std::uint32_t searchDeadlineMs = 49 * lookupIntervalMs;

// The tick after `elapsedMs` (both from the Start), never past `deadlineMs`.
// A lookup that ran past one or more ticks moves the schedule on rather than
// running the missed ones back to back.
std::uint32_t nextTick(std::uint32_t elapsedMs, std::uint32_t deadlineMs);
