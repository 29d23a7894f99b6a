// The console search's schedule.
#include "search_schedule.h"

std::uint32_t nextTick(std::uint32_t elapsedMs, std::uint32_t deadlineMs)
{
    // Past the last tick that 32 bits hold, the deadline.
    const std::uint64_t tick = std::uint64_t{elapsedMs / lookupIntervalMs + 1} * lookupIntervalMs;
    return tick < deadlineMs ? static_cast<std::uint32_t>(tick) : deadlineMs;
}
