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

// Text-mode reading done by hand, so that every build reads the same bytes the
// same way: carriage returns vanish, 0x1A ends the file, and a line that does
// not fit ends the reading for good.
struct TextInput {
    std::FILE* file;
    bool failed;
};

// One line as read; it may hold NUL bytes, so it carries its length.
struct TextLine {
    char text[lineCapacity + 1];
    std::size_t length;
};

// False when the file ended before the line's first character, when the line
// is longer than lineCapacity (its first lineCapacity characters are in
// `line`), or when an earlier read failed.
bool readLine(TextInput& input, TextLine& line);

// Reads settings from an open stream; fills every field of `settings` except
// that autoStart is left alone when line 1 has a blank behind its argument.
void readSettings(std::FILE* file, std::int32_t screenHeight, LaunchSettings& settings);

enum class SettingsFileRead { read, missing, unreadable };

// Reads the settings file into `settings`. When it cannot be opened, changes
// nothing and tells a missing file from one that exists but cannot be read
// now (held by another program without read sharing, say).
SettingsFileRead readSettingsFile(std::int32_t screenHeight, LaunchSettings& settings);

// Puts the defaults into `settings`.
void setDefaultSettings(LaunchSettings& settings);

// Puts the defaults into `settings` and writes them as the settings file;
// the defaults hold whether or not the file could be written.
void writeDefaultSettingsFile(LaunchSettings& settings);
