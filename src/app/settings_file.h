// The six-line settings file "Tabrivet.txt": what to start, and how.
// Platform-free: the reader is given the screen height it checks line 6 against.
#pragma once

#include <cstdint>
#include <cstdio>

#include "text_input.h"

// Holds the longest path that the system takes in UTF-8.
const std::size_t workingDirectorySize = pathBufferSize;

// Program and argument come out of line 1, so they always fit buffers of the
// line capacity and a terminator.
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
// Also what a line 3 too long for any directory gives.
extern const char* const defaultWorkingDirectory;

// Reads settings from an open stream; fills every field of `settings` except
// that autoStart is left alone when line 1 has a blank behind its argument.
void readSettings(std::FILE* file, std::int32_t screenHeight, AnsiConversion toAnsi,
                  LaunchSettings& settings, LegacyConversion fromLegacy = nullptr);

enum class SettingsFileRead { read, missing, unreadable };

// Reads the settings file into `settings`. When it cannot be opened, changes
// nothing and tells a missing file from one that exists but cannot be read
// now (held by another program without read sharing, say).
SettingsFileRead readSettingsFile(std::int32_t screenHeight, AnsiConversion toAnsi,
                                  LaunchSettings& settings, LegacyConversion fromLegacy = nullptr);

// Puts the defaults into `settings`.
void setDefaultSettings(LaunchSettings& settings);

// Puts the defaults into `settings` and writes them as the settings file,
// only where nothing stands at its name, not even a link that leads nowhere;
// the defaults hold whether or not the file could be written.
void writeDefaultSettingsFile(LaunchSettings& settings);
