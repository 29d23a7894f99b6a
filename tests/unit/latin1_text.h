// The system's ANSI conversion played with Latin-1, for builds without the
// system: a character beyond it becomes '?', as without best fit. A
// double-byte code page is played with the UTF-16 units themselves. A legacy
// file's code page is Latin-1 too, converted into UTF-8.
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

// Two bytes a unit, high byte first: the line capacity must count both, and
// a surrogate pair joined wrongly shows in them.
inline std::size_t toUnitBytes(const char16_t* text, std::size_t length, char* ansi,
                               std::size_t capacity)
{
    if (capacity < 2 * length)
        return 0;
    for (std::size_t i = 0; i < length; ++i) {
        ansi[2 * i] = static_cast<char>(text[i] >> 8);
        ansi[2 * i + 1] = static_cast<char>(text[i]);
    }
    return 2 * length;
}

inline std::size_t fromLatin1(const char* text, std::size_t length, char* utf8,
                              std::size_t capacity)
{
    std::size_t written = 0;
    for (const char* end = text + length; text != end; ++text) {
        if (written + 2 > capacity)
            return 0;
        if (*text < 0)
            utf8[written++] = static_cast<char>(0xC0 | (*text & 0xFF) >> 6);
        utf8[written++] = static_cast<char>(*text < 0 ? 0x80 | (*text & 0x3F) : *text);
    }
    return written;
}
