// Reading and writing the settings file "Tabrivet.txt".
#include "settings_file.h"

#include <cstring>

const char* const settingsFileName = "Tabrivet.txt";

namespace {

const char* const defaultProgram = "cmd.exe";
const char* const defaultArguments = "/T:0F";
const char* const defaultWorkingDirectory = "C:\\";
const std::int32_t defaultStartDelayMs = 1000;
const std::int32_t defaultConsoleMode = 0;
const std::int32_t defaultConsoleWidth = 580;
const std::int32_t defaultConsoleHeight = 390;

const int endOfFileMark = 0x1A;

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a number the way a formatted stream extraction does: white space,
// an optional sign, digits; anything behind them is ignored. False when no
// digit follows or the value does not fit 32 bits.
bool extractNumber(const std::string& text, std::int32_t& number)
{
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size() || text[i] < '0' || text[i] > '9')
        return false;

    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return false;
    number = static_cast<std::int32_t>(value);
    return true;
}

// A number line: its value when it reads and lies within [low, high],
// otherwise the default, as for a missing line.
std::int32_t readNumberLine(TextInput& input, std::int32_t low, std::int32_t high,
                            std::int32_t fallback)
{
    std::string line;
    std::int32_t value = 0;
    if (readLine(input, line) && extractNumber(line, value) && value >= low && value <= high)
        return value;
    return fallback;
}

void splitFirstLine(const std::string& line, LaunchSettings& settings)
{
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) {
        settings.program = defaultProgram;
        settings.arguments = defaultArguments;
        settings.autoStart = false;
        return;
    }
    settings.program = line.substr(0, blank);
    const std::string rest = line.substr(blank + 1);

    // A blank behind the argument word ends the useful text, so a marker
    // behind it is never seen and the automatic start keeps its value.
    const std::size_t secondBlank = rest.find(' ');
    if (secondBlank != std::string::npos) {
        settings.arguments = rest.substr(0, secondBlank);
        return;
    }
    std::size_t marker = rest.find("[start]");
    if (marker == std::string::npos)
        marker = rest.find("[Start]");
    settings.autoStart = marker != std::string::npos;
    settings.arguments = rest.substr(0, marker);
}

void setWorkingDirectory(LaunchSettings& settings, const std::string& text)
{
    // A longer line cannot name a directory the system would accept, and a
    // cut one might name another directory: take the default instead.
    const std::string& directory =
        text.size() < sizeof settings.workingDirectory ? text : std::string(defaultWorkingDirectory);
    std::memcpy(settings.workingDirectory, directory.data(), directory.size());
    settings.workingDirectory[directory.size()] = '\0';
}

void writeLine(std::FILE* file, const std::string& text)
{
    if (file == nullptr)
        return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fwrite("\r\n", 1, 2, file);
    std::fflush(file);
}

}  // namespace

bool readLine(TextInput& input, std::string& line)
{
    line.clear();
    if (input.failed)
        return false;
    bool anyCharacter = false;
    for (;;) {
        const int c = std::getc(input.file);
        if (c == EOF || c == endOfFileMark) {
            // The mark ends the file for every later read as well.
            if (c == endOfFileMark)
                std::ungetc(c, input.file);
            if (!anyCharacter)
                input.failed = true;
            return anyCharacter;
        }
        if (c == '\r')
            continue;
        anyCharacter = true;
        if (c == '\n')
            return true;
        if (line.size() == lineCapacity) {
            std::ungetc(c, input.file);
            input.failed = true;
            return false;
        }
        line.push_back(static_cast<char>(c));
    }
}

void readSettings(std::FILE* file, std::int32_t screenHeight, LaunchSettings& settings)
{
    TextInput input = {file, false};
    std::string line;

    // Line 1 counts even when its read failed: an empty file gives an empty
    // line, an overlong one its first characters.
    readLine(input, line);
    splitFirstLine(line, settings);

    settings.startDelayMs = readNumberLine(input, 21, 2100000000, defaultStartDelayMs);

    if (readLine(input, line))
        setWorkingDirectory(settings, line);
    else
        setWorkingDirectory(settings, defaultWorkingDirectory);

    settings.consoleMode = readNumberLine(input, 0, 3, defaultConsoleMode);
    settings.consoleWidth = readNumberLine(input, 0, 667, defaultConsoleWidth);
    settings.consoleHeight = readNumberLine(input, 0, screenHeight, defaultConsoleHeight);
}

bool readSettingsFile(std::int32_t screenHeight, LaunchSettings& settings)
{
    std::FILE* file = std::fopen(settingsFileName, "rb");
    if (file == nullptr)
        return false;
    readSettings(file, screenHeight, settings);
    std::fclose(file);
    return true;
}

void writeDefaultSettingsFile(LaunchSettings& settings)
{
    std::FILE* file = std::fopen(settingsFileName, "wb");

    settings.program = defaultProgram;
    settings.arguments = defaultArguments;
    settings.autoStart = true;
    // No blank before the marker: the reader would take it for the end of
    // the line's useful text.
    writeLine(file, settings.program + " " + settings.arguments + "[Start]");

    settings.startDelayMs = defaultStartDelayMs;
    writeLine(file, std::to_string(settings.startDelayMs));
    setWorkingDirectory(settings, defaultWorkingDirectory);
    writeLine(file, settings.workingDirectory);
    settings.consoleMode = defaultConsoleMode;
    writeLine(file, std::to_string(settings.consoleMode));
    settings.consoleWidth = defaultConsoleWidth;
    writeLine(file, std::to_string(settings.consoleWidth));
    settings.consoleHeight = defaultConsoleHeight;
    writeLine(file, std::to_string(settings.consoleHeight));

    if (file != nullptr)
        std::fclose(file);
}
