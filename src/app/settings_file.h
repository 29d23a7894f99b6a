// The six-line settings file "Tabrivet.txt": what to start, and how.
// Platform-free: the reader is given the screen height it checks line 6 against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Fits the system's MAX_PATH; kept here so that this header needs no <windows.h>.
const int workingDirectorySize = 260;

// The longest line the reader takes. Program and argument come out of line 1,
// so they always fit buffers of this size and a terminator.
const std::size_t lineCapacity = 4223;

struct LaunchSettings {
    char program[lineCapacity + 1];
    char arguments[lineCapacity + 1];
    bool autoStart;
    std::int32_t startDelayMs;
    char workingDirectory[workingDirectorySize];
    std::int32_t consoleMode;
    std::int32_t consoleWidth;
    std::int32_t consoleHeight;
};

extern const char* const settingsFileName;

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

// Reads settings from an open stream; fills every field of `settings` except
// that autoStart is left alone when line 1 has a blank behind its argument.
void readSettings(std::FILE* file, std::int32_t screenHeight, AnsiConversion toAnsi,
                  LaunchSettings& settings);

enum class SettingsFileRead { read, missing, unreadable };

// Reads the settings file into `settings`. When it cannot be opened, changes
// nothing and tells a missing file from one that exists but cannot be read
// now (held by another program without read sharing, say).
SettingsFileRead readSettingsFile(std::int32_t screenHeight, AnsiConversion toAnsi,
                                  LaunchSettings& settings);

// Puts the defaults into `settings`.
void setDefaultSettings(LaunchSettings& settings);

// Puts the defaults into `settings` and writes them as the settings file,
// only where nothing stands at its name, not even a link that leads nowhere;
// the defaults hold whether or not the file could be written.
void writeDefaultSettingsFile(LaunchSettings& settings);
