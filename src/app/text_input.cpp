// Reading a text file line by line in the process's code page, whichever
// encoding it was saved in.
#include "text_input.h"

#include <cstring>

namespace {

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
// and the conversion makes of it a '?' on an ANSI code page, U+FFFD's bytes
// on a UTF-8 one.
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

// Adds the character in the process's code page; false when it does not fit.
bool appendCharacter(const TextInput& input, TextLine& line, long c)
{
    char bytes[8] = {static_cast<char>(c)};
    std::size_t count = 1;
    // Every ANSI code page keeps ASCII as it is.
    if (input.encoding != TextEncoding::ansi && c >= 0x80 && input.toAnsi == nullptr) {
        // As the system converts into UTF-8: a lone surrogate gives U+FFFD.
        if (c >= 0xD800 && c <= 0xDFFF)
            c = replacementCharacter;
        count = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        for (std::size_t i = count; i-- > 1; c >>= 6)
            bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
        bytes[0] = static_cast<char>(c | (0xF00 >> count & 0xF0));
    } else if (input.encoding != TextEncoding::ansi && c >= 0x80) {
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

// An empty line is no text to convert, and no conversion takes it.
bool convertLegacyLine(const TextInput& input, TextLine& line)
{
    if (line.length == 0)
        return true;
    char converted[lineCapacity];
    const std::size_t length = input.fromLegacy(line.text, line.length, converted, lineCapacity);
    if (length == 0)
        return false;
    std::memcpy(line.text, converted, length);
    line.length = length;
    line.text[length] = '\0';
    return true;
}

}  // namespace

std::size_t utf16Length(const char* text, std::size_t length)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < length; ++units) {
        // A byte outside a whole sequence is one character: a process that
        // Windows keeps on an ANSI code page has such text, and there each
        // character takes at least one byte. A four-byte sequence is a pair.
        const unsigned char lead = text[i++];
        const std::size_t count = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0;
        std::size_t following = 0;
        while (following < count && i + following < length &&
               (text[i + following] & 0xC0) == 0x80)
            ++following;
        if (following == count) {
            i += count;
            units += count == 3;
        }
    }
    return units;
}

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
        const TextInput scan = {file, TextEncoding::utf8, nullptr, nullptr, false, false};
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
            break;
        if (!appendCharacter(input, line, c)) {
            input.failed = true;
            return false;
        }
    }
    if (!anyCharacter || (input.encoding == TextEncoding::ansi && input.fromLegacy != nullptr &&
                          !convertLegacyLine(input, line)))
        input.failed = true;
    return !input.failed;
}
