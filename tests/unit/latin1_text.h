// The system's ANSI conversion played with Latin-1, for builds without the
// system: a character beyond it becomes '?', as without best fit.
#pragma once

#include <cstddef>

// The reader converts one character at a time: one unit or a surrogate pair.
inline std::size_t toLatin1(const char16_t* text, std::size_t length, char* ansi,
                            std::size_t capacity)
{
    if (capacity == 0 || length == 0)
        return 0;
    ansi[0] = length == 1 && text[0] < 0x100 ? static_cast<char>(text[0]) : '?';
    return 1;
}
