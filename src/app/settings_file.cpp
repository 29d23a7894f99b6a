// Reading and writing the settings file "Tabrivet.txt".
#include "settings_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#define O_BINARY 0
#endif

const char* const settingsFileName = "Tabrivet.txt";
const char* const defaultWorkingDirectory = "C:\\";

namespace {

const char* const defaultProgram = "cmd.exe";
const char* const defaultArguments = "/T:0F";
const std::int32_t defaultStartDelayMs = 1000;
const std::int32_t defaultConsoleMode = 0;
const std::int32_t defaultConsoleWidth = 580;
const std::int32_t defaultConsoleHeight = 390;

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a number the way a formatted stream extraction does: white space,
// an optional sign, digits; anything behind them is ignored. False when no
// digit follows or the value does not fit 32 bits.
bool extractNumber(const TextLine& line, std::int32_t& number)
{
    const char* p = line.text;
    const char* end = line.text + line.length;
    while (p != end && isWhiteSpace(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    if (p == end || *p < '0' || *p > '9')
        return false;

    std::int64_t value = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
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
    TextLine line;
    std::int32_t value = 0;
    if (readLine(input, line) && extractNumber(line, value) && value >= low && value <= high)
        return value;
    return fallback;
}

// The first `needle` in text[0, length), or null; the text may hold NULs.
const char* findText(const char* text, std::size_t length, const char* needle)
{
    const std::size_t needleLength = std::strlen(needle);
    for (std::size_t i = 0; i + needleLength <= length; ++i) {
        if (std::memcmp(text + i, needle, needleLength) == 0)
            return text + i;
    }
    return nullptr;
}

// Copies text[0, length) as a C string; `target` holds lineCapacity + 1.
void copyText(char* target, const char* text, std::size_t length)
{
    std::memcpy(target, text, length);
    target[length] = '\0';
}

void splitFirstLine(const TextLine& line, LaunchSettings& settings)
{
    const char* end = line.text + line.length;
    const char* blank = findText(line.text, line.length, " ");
    if (blank == nullptr) {
        std::strcpy(settings.program, defaultProgram);
        std::strcpy(settings.arguments, defaultArguments);
        settings.autoStart = false;
        return;
    }
    copyText(settings.program, line.text, blank - line.text);
    const char* rest = blank + 1;
    const std::size_t restLength = end - rest;

    // A blank behind the argument word ends the useful text, so a marker
    // behind it is never seen and the automatic start keeps its value.
    if (const char* secondBlank = findText(rest, restLength, " ")) {
        copyText(settings.arguments, rest, secondBlank - rest);
        return;
    }
    const char* marker = findText(rest, restLength, "[start]");
    if (marker == nullptr)
        marker = findText(rest, restLength, "[Start]");
    settings.autoStart = marker != nullptr;
    copyText(settings.arguments, rest, (marker != nullptr ? marker : end) - rest);
}

void setWorkingDirectory(LaunchSettings& settings, const char* text, std::size_t length)
{
    // A longer line cannot name a directory the system would accept, and a
    // cut one might name another directory: take the default instead. The
    // system counts UTF-16 units, not bytes.
    if (length >= sizeof settings.workingDirectory || utf16Length(text, length) > longestPath) {
        text = defaultWorkingDirectory;
        length = std::strlen(defaultWorkingDirectory);
    }
    std::memcpy(settings.workingDirectory, text, length);
    settings.workingDirectory[length] = '\0';
}

void writeLine(std::FILE* file, const char* text)
{
    std::fputs(text, file);
    std::fputs("\r\n", file);
    std::fflush(file);
}

// Plain decimal, as the file holds its numbers.
void writeNumberLine(std::FILE* file, std::int32_t number)
{
    char digits[12];
    char* p = digits + sizeof digits;
    *--p = '\0';
    std::uint32_t magnitude = number < 0 ? 0u - std::uint32_t(number) : std::uint32_t(number);
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0)
        *--p = '-';
    writeLine(file, p);
}

}  // namespace

void readSettings(std::FILE* file, std::int32_t screenHeight, AnsiConversion toAnsi,
                  LaunchSettings& settings, LegacyConversion fromLegacy)
{
    TextInput input = {file, detectEncoding(file), toAnsi, fromLegacy, false, false};
    TextLine line;

    // Line 1 counts even when its read failed: an empty file gives an empty
    // line, an overlong one its first characters.
    readLine(input, line);
    splitFirstLine(line, settings);

    settings.startDelayMs = readNumberLine(input, 21, 2100000000, defaultStartDelayMs);

    if (readLine(input, line))
        setWorkingDirectory(settings, line.text, line.length);
    else
        setWorkingDirectory(settings, defaultWorkingDirectory, std::strlen(defaultWorkingDirectory));

    settings.consoleMode = readNumberLine(input, 0, 3, defaultConsoleMode);
    settings.consoleWidth = readNumberLine(input, 0, 667, defaultConsoleWidth);
    settings.consoleHeight = readNumberLine(input, 0, screenHeight, defaultConsoleHeight);
}

SettingsFileRead readSettingsFile(std::int32_t screenHeight, AnsiConversion toAnsi,
                                  LaunchSettings& settings, LegacyConversion fromLegacy)
{
    std::FILE* file = std::fopen(settingsFileName, "rb");
    if (file == nullptr) {
        // Only ENOENT says there is no such file. Windows' C library gives
        // EACCES for a file that another program holds without read sharing:
        // it still holds the user's settings.
        return errno == ENOENT ? SettingsFileRead::missing : SettingsFileRead::unreadable;
    }
    readSettings(file, screenHeight, toAnsi, settings, fromLegacy);
    std::fclose(file);
    return SettingsFileRead::read;
}

void setDefaultSettings(LaunchSettings& settings)
{
    std::strcpy(settings.program, defaultProgram);
    std::strcpy(settings.arguments, defaultArguments);
    settings.autoStart = true;
    settings.startDelayMs = defaultStartDelayMs;
    setWorkingDirectory(settings, defaultWorkingDirectory, std::strlen(defaultWorkingDirectory));
    settings.consoleMode = defaultConsoleMode;
    settings.consoleWidth = defaultConsoleWidth;
    settings.consoleHeight = defaultConsoleHeight;
}

void writeDefaultSettingsFile(LaunchSettings& settings)
{
    setDefaultSettings(settings);
    // Created new, never opened through a name that already stands: the
    // reader found no file, but a link that leads nowhere reads as none, and
    // writing through it would create or cut whatever it points at.
    const int descriptor = open(settingsFileName, O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0666);
    if (descriptor < 0)
        return;
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) {
        close(descriptor);
        return;
    }
    // No blank before the marker: the reader would take it for the end of
    // the line's useful text.
    std::fputs(settings.program, file);
    std::fputs(" ", file);
    std::fputs(settings.arguments, file);
    std::fputs("[Start]", file);
    writeLine(file, "");
    writeNumberLine(file, settings.startDelayMs);
    writeLine(file, settings.workingDirectory);
    writeNumberLine(file, settings.consoleMode);
    writeNumberLine(file, settings.consoleWidth);
    writeNumberLine(file, settings.consoleHeight);
    std::fclose(file);
}
