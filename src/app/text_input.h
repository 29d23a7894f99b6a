// Reading a text file line by line in the process's code page, whichever
// encoding it was saved in; and how long a path is to the system.
// Platform-free: the caller hands in the conversions.
#pragma once

#include <cstddef>
#include <cstdio>

// The longest line the reader takes.
const std::size_t lineCapacity = 4223;

// The longest path the system takes, in UTF-16 units as it counts them, and
// a buffer that holds such a path in UTF-8, where a unit takes at most three
// bytes (a surrogate pair, two units, four).
const std::size_t longestPath = 259;
const std::size_t pathBufferSize = 3 * longestPath + 1;

// How many UTF-16 units UTF-8 text makes; no more than it has bytes where it
// is text of an ANSI code page.
std::size_t utf16Length(const char* text, std::size_t length);

// How the file's text is stored. Notepad saves UTF-8, with or without a
// byte-order mark, and UTF-16 in either byte order; older editors, and the
// launcher itself, the ANSI code page.
enum class TextEncoding { ansi, utf8, utf16le, utf16be };

// Converts UTF-16 text into the process's code page, never best-fitted: a
// character it lacks must not turn into a look-alike that names another
// file. Returns the bytes written (at most `capacity`), 0 when it fails.
// None is needed where that code page is UTF-8: the reader writes it itself.
using AnsiConversion = std::size_t (*)(const char16_t* text, std::size_t length, char* ansi,
                                       std::size_t capacity);

// Converts a line of a legacy 8-bit file from the user's ANSI code page into
// the process's, where the process runs on UTF-8 instead. A whole line at a
// time: a double-byte code page's characters take two bytes each. Returns the
// bytes written (at most `capacity`), 0 when it fails.
using LegacyConversion = std::size_t (*)(const char* text, std::size_t length, char* converted,
                                         std::size_t capacity);

// Decides the encoding once for the whole file: a byte-order mark says it;
// without one the text is UTF-8 only when it has bytes of 0x80 and above and
// every one of them belongs to a well-formed UTF-8 sequence (no overlong
// forms, no surrogates). Leaves the file at the first byte of the text.
TextEncoding detectEncoding(std::FILE* file);

// Text-mode reading done by hand, so that every build reads the same bytes the
// same way: carriage returns vanish, 0x1A ends the file, and a line that does
// not fit ends the reading for good. Lines come out in the process's code
// page, UTF-8 where `toAnsi` is null; those of a legacy file only when
// `fromLegacy` is given.
struct TextInput {
    std::FILE* file;
    TextEncoding encoding;
    AnsiConversion toAnsi;
    LegacyConversion fromLegacy;
    bool ended;
    bool failed;
};

// One line as read; it may hold NUL bytes, so it carries its length.
struct TextLine {
    char text[lineCapacity + 1];
    std::size_t length;
};

// False when the file ended before the line's first character, when the line
// is longer than lineCapacity bytes (the characters that fit are in `line`;
// a legacy line that does not fit once converted stays as read), or when an
// earlier read failed.
bool readLine(TextInput& input, TextLine& line);
