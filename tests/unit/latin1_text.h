// The system's ANSI conversion played with Latin-1, for builds without the
// system: a character beyond it becomes '?', as without best fit. A
// double-byte code page is played with the UTF-16 units themselves, a
// process on UTF-8 with UTF-8, and a legacy file's code page with Latin-1.
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

inline std::size_t toUtf8(const char16_t* text, std::size_t length, char* utf8,
                          std::size_t capacity)
{
    long c = text[0];
    if (length == 2)
        c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
    const std::size_t count = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (count > capacity)
        return 0;
    for (std::size_t i = count; i-- > 1; c >>= 6)
        utf8[i] = static_cast<char>(0x80 | (c & 0x3F));
    utf8[0] = static_cast<char>(count == 1 ? c : c | (0xF00 >> count & 0xF0));
    return count;
}

inline std::size_t fromLatin1(const char* text, std::size_t length, char* utf8,
                              std::size_t capacity)
{
    std::size_t written = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t unit = static_cast<unsigned char>(text[i]);
        const std::size_t count = toUtf8(&unit, 1, utf8 + written, capacity - written);
        if (count == 0)
            return 0;
        written += count;
    }
    return written;
}
