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

namespace {

const char* const defaultProgram = "cmd.exe";
const char* const defaultArguments = "/T:0F";
const char* const defaultWorkingDirectory = "C:\\";
const std::int32_t defaultStartDelayMs = 1000;
const std::int32_t defaultConsoleMode = 0;
const std::int32_t defaultConsoleWidth = 580;
const std::int32_t defaultConsoleHeight = 390;

const int endOfFileMark = 0x1A;
// What a malformed UTF-8 sequence reads as; it is no byte and no code point.
const long malformed = -2;
const long replacementCharacter = 0xFFFD;

// The next code point of UTF-8 text, EOF at its end, or `malformed`: an
// overlong form, a surrogate or a value beyond U+10FFFF, or a sequence cut
// short, whose breaking byte is left unread.
long readUtf8(std::FILE* file)
{
    const int lead = std::getc(file);
    if (lead < 0x80)
        return lead;
    const int count = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    long value = lead & (0x3F >> count);
    if (lead < 0xC0 || lead > 0xF4)
        return malformed;
    for (int i = 0; i < count; ++i) {
        const int c = std::getc(file);
        if ((c & 0xC0) != 0x80) {
            if (c != EOF)
                std::ungetc(c, file);
            return malformed;
        }
        value = value << 6 | (c & 0x3F);
    }
    const long shortest[] = {0, 0x80, 0x800, 0x10000};
    if (value < shortest[count] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return malformed;
    return value;
}

long readUtf16Unit(const TextInput& input)
{
    const int first = std::getc(input.file);
    const int second = std::getc(input.file);
    // An odd byte at the end is no character.
    if (second == EOF)
        return EOF;
    return input.encoding == TextEncoding::utf16le ? first | second << 8 : first << 8 | second;
}

// A surrogate pair gives one code point; a lone surrogate stays as it is,
// and the conversion makes a '?' of it.
long readUtf16(const TextInput& input)
{
    const long unit = readUtf16Unit(input);
    if (unit < 0xD800 || unit > 0xDBFF)
        return unit;
    const long next = readUtf16Unit(input);
    if (next >= 0xDC00 && next <= 0xDFFF)
        return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
    if (next != EOF)
        std::fseek(input.file, -2, SEEK_CUR);
    return unit;
}

// A byte of an ANSI file, a code point of a Unicode one, `malformed`, or EOF.
long nextCharacter(const TextInput& input)
{
    switch (input.encoding) {
    case TextEncoding::ansi:
        return std::getc(input.file);
    case TextEncoding::utf8:
        return readUtf8(input.file);
    default:
        return readUtf16(input);
    }
}

// Adds the character in the ANSI code page; false when it does not fit.
bool appendCharacter(const TextInput& input, TextLine& line, long c)
{
    char bytes[8] = {static_cast<char>(c)};
    std::size_t count = 1;
    // Every ANSI code page keeps ASCII as it is.
    if (input.encoding != TextEncoding::ansi && c >= 0x80) {
        char16_t units[2] = {static_cast<char16_t>(c)};
        std::size_t length = 1;
        if (c >= 0x10000) {
            units[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            length = 2;
        }
        count = input.toAnsi(units, length, bytes, sizeof bytes);
        if (count == 0) {
            bytes[0] = '?';
            count = 1;
        }
    }
    if (line.length + count > lineCapacity)
        return false;
    std::memcpy(line.text + line.length, bytes, count);
    line.length += count;
    line.text[line.length] = '\0';
    return true;
}

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
    // cut one might name another directory: take the default instead.
    if (length >= sizeof settings.workingDirectory) {
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

TextEncoding detectEncoding(std::FILE* file)
{
    int mark[3];
    for (int& byte : mark)
        byte = std::getc(file);
    TextEncoding encoding = TextEncoding::ansi;
    long textStart = 2;
    if (mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
        encoding = TextEncoding::utf8;
        textStart = 3;
    } else if (mark[0] == 0xFF && mark[1] == 0xFE) {
        encoding = TextEncoding::utf16le;
    } else if (mark[0] == 0xFE && mark[1] == 0xFF) {
        encoding = TextEncoding::utf16be;
    } else {
        // Bytes of an ANSI text rarely form UTF-8 by chance; ASCII alone
        // reads the same either way and stays ANSI.
        textStart = 0;
        std::fseek(file, 0, SEEK_SET);
        bool beyondAscii = false;
        const TextInput scan = {file, TextEncoding::utf8, nullptr, false, false};
        for (long c; (c = nextCharacter(scan)) != EOF && c != endOfFileMark;) {
            if (c == malformed) {
                beyondAscii = false;
                break;
            }
            beyondAscii |= c >= 0x80;
        }
        if (beyondAscii)
            encoding = TextEncoding::utf8;
    }
    std::fseek(file, textStart, SEEK_SET);
    return encoding;
}

bool readLine(TextInput& input, TextLine& line)
{
    line.length = 0;
    line.text[0] = '\0';
    bool anyCharacter = false;
    while (!input.failed && !input.ended) {
        long c = nextCharacter(input);
        if (c == malformed)
            c = replacementCharacter;
        // The mark ends the file for every later read as well.
        if (c == EOF || c == endOfFileMark) {
            input.ended = true;
            break;
        }
        if (c == '\r')
            continue;
        anyCharacter = true;
        if (c == '\n')
            return true;
        if (!appendCharacter(input, line, c)) {
            input.failed = true;
            return false;
        }
    }
    if (!anyCharacter)
        input.failed = true;
    return !input.failed;
}

void readSettings(std::FILE* file, std::int32_t screenHeight, AnsiConversion toAnsi,
                  LaunchSettings& settings)
{
    TextInput input = {file, detectEncoding(file), toAnsi, false, false};
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
                                  LaunchSettings& settings)
{
    std::FILE* file = std::fopen(settingsFileName, "rb");
    if (file == nullptr) {
        // Only ENOENT says there is no such file. Windows' C library gives
        // EACCES for a file that another program holds without read sharing:
        // it still holds the user's settings.
        return errno == ENOENT ? SettingsFileRead::missing : SettingsFileRead::unreadable;
    }
    readSettings(file, screenHeight, toAnsi, settings);
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
