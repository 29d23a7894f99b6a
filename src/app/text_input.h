// Reading a text file line by line in the ANSI code page, whichever encoding
// it was saved in. Platform-free: the caller hands in the conversion.
#pragma once

#include <cstddef>
#include <cstdio>

// The longest line the reader takes.
const std::size_t lineCapacity = 4223;

// How the file's text is stored. Notepad saves UTF-8, with or without a
// byte-order mark, and UTF-16 in either byte order; older editors, and the
// launcher itself, the ANSI code page.
enum class TextEncoding { ansi, utf8, utf16le, utf16be };

// Converts UTF-16 text into the system's ANSI code page, never best-fitted:
// a character it lacks must not turn into a look-alike that names another
// file. Returns the bytes written (at most `capacity`), 0 when it fails.
using AnsiConversion = std::size_t (*)(const char16_t* text, std::size_t length, char* ansi,
                                       std::size_t capacity);

// Decides the encoding once for the whole file: a byte-order mark says it;
// without one the text is UTF-8 only when it has bytes of 0x80 and above and
// every one of them belongs to a well-formed UTF-8 sequence (no overlong
// forms, no surrogates). Leaves the file at the first byte of the text.
TextEncoding detectEncoding(std::FILE* file);

// Text-mode reading done by hand, so that every build reads the same bytes the
// same way: carriage returns vanish, 0x1A ends the file, and a line that does
// not fit ends the reading for good. Lines of a Unicode file come out in the
// ANSI code page.
struct TextInput {
    std::FILE* file;
    TextEncoding encoding;
    AnsiConversion toAnsi;
    bool ended;
    bool failed;
};

// One line as read; it may hold NUL bytes, so it carries its length.
struct TextLine {
    char text[lineCapacity + 1];
    std::size_t length;
};

// False when the file ended before the line's first character, when the line
// is longer than lineCapacity bytes (the characters that fit are in `line`),
// or when an earlier read failed.
bool readLine(TextInput& input, TextLine& line);
