// Reading and writing the settings file, and the version file, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/settings_file.h"
#include "app/version_file.h"
#include "latin1_text.h"
#include "temp_directory.h"

namespace {

const std::int32_t screenHeight = 711;

// Reads `bytes` as a settings file; `settings` starts zeroed as at program start.
LaunchSettings readBytes(const std::string& bytes, AnsiConversion toAnsi = toLatin1,
                         LegacyConversion fromLegacy = nullptr)
{
    std::FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    LaunchSettings settings{};
    readSettings(file, screenHeight, toAnsi, settings, fromLegacy);
    std::fclose(file);
    return settings;
}

struct FirstLineCase {
    const char* name;
    const char* line;
    const char* program;
    const char* arguments;
    bool autoStart;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FirstLineCase& c, std::ostream* out)
{
    *out << c.name;
}

class FirstLineTest : public testing::TestWithParam<FirstLineCase> {};

TEST_P(FirstLineTest, SplitsProgramArgumentsAndMarker)
{
    const FirstLineCase& c = GetParam();
    const LaunchSettings settings = readBytes(std::string(c.line) + "\r\n");
    EXPECT_STREQ(settings.program, c.program);
    EXPECT_STREQ(settings.arguments, c.arguments);
    EXPECT_EQ(settings.autoStart, c.autoStart);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FirstLineTest,
    testing::Values(
        FirstLineCase{"no_blank", "notepad.exe", "cmd.exe", "/T:0F", false},
        FirstLineCase{"program_and_word", "notepad.exe readme.txt", "notepad.exe", "readme.txt",
                      false},
        FirstLineCase{"lower_marker", "cmd.exe /T:0F[start]", "cmd.exe", "/T:0F", true},
        FirstLineCase{"upper_marker", "cmd.exe /T:0F[Start]", "cmd.exe", "/T:0F", true},
        FirstLineCase{"blank_before_marker", "cmd.exe /T:0F [Start]", "cmd.exe", "/T:0F", false},
        FirstLineCase{"blank_after_marker", "cmd.exe /T:0F[Start] x", "cmd.exe", "/T:0F[Start]",
                      false},
        FirstLineCase{"rest_ignored", "cmd.exe /K dir", "cmd.exe", "/K", false},
        FirstLineCase{"marker_alone", "cmd.exe [Start]", "cmd.exe", "", true},
        FirstLineCase{"trailing_blank", "cmd.exe ", "cmd.exe", "", false},
        FirstLineCase{"leading_blank", " cmd.exe /T:0F", "", "cmd.exe", false},
        FirstLineCase{"lower_marker_searched_first", "cmd.exe a[Start]b[start]c", "cmd.exe",
                      "a[Start]b", true},
        FirstLineCase{"capitals_are_no_marker", "cmd.exe /T:0F[START]", "cmd.exe",
                      "/T:0F[START]", false},
        FirstLineCase{"marker_in_program", "x[Start] y", "x[Start]", "y", false},
        FirstLineCase{"tab_is_no_separator", "a.exe\tb c", "a.exe\tb", "c", false}),
    [](const testing::TestParamInfo<FirstLineCase>& info) { return std::string(info.param.name); });

struct NumberCase {
    int line;  // 2, 4, 5 or 6
    const char* text;
    std::int32_t expected;
};

std::int32_t numberOf(const LaunchSettings& settings, int line)
{
    switch (line) {
    case 2:
        return settings.startDelayMs;
    case 4:
        return settings.consoleMode;
    case 5:
        return settings.consoleWidth;
    default:
        return settings.consoleHeight;
    }
}

TEST(SettingsNumbersTest, RangesAndDefaults)
{
    const NumberCase cases[] = {
        {2, "20", 1000},         {2, "21", 21},          {2, "2100000000", 2100000000},
        {2, "2100000001", 1000}, {2, "-5", 1000},        {2, "1500 ms", 1500},
        {2, " \t42", 42},        {2, "+300", 300},       {2, "ms 1500", 1000},
        {2, "", 1000},           {2, "-", 1000},         {2, "99999999999999", 1000},
        {2, "2147483648", 1000}, {4, "3", 3},            {4, "4", 0},
        {4, "-1", 0},            {4, "-0", 0},           {4, "2x", 2},
        {5, "667", 667},         {5, "668", 580},        {5, "0", 0},
        {5, "-2147483648", 580}, {5, "-2147483649", 580}, {6, "711", 711},
        {6, "712", 390},         {6, "0", 0},            {6, "0390", 390},
    };
    for (const NumberCase& c : cases) {
        std::string file = "a b\n";
        for (int line = 2; line <= 6; ++line)
            file += (line == c.line ? c.text : "1") + std::string("\n");
        EXPECT_EQ(numberOf(readBytes(file), c.line), c.expected)
            << "line " << c.line << ": \"" << c.text << "\"";
    }
}

TEST(SettingsFileTest, EmptyFileGivesDefaultsWithoutAutomaticStart)
{
    const LaunchSettings settings = readBytes("");
    EXPECT_STREQ(settings.program, "cmd.exe");
    EXPECT_STREQ(settings.arguments, "/T:0F");
    EXPECT_FALSE(settings.autoStart);
    EXPECT_EQ(settings.startDelayMs, 1000);
    EXPECT_STREQ(settings.workingDirectory, "C:\\");
    EXPECT_EQ(settings.consoleMode, 0);
    EXPECT_EQ(settings.consoleWidth, 580);
    EXPECT_EQ(settings.consoleHeight, 390);
}

TEST(SettingsFileTest, MissingLinesTakeDefaults)
{
    const LaunchSettings settings = readBytes("p a\n50\nD:\\work");
    EXPECT_EQ(settings.startDelayMs, 50);
    EXPECT_STREQ(settings.workingDirectory, "D:\\work");
    EXPECT_EQ(settings.consoleMode, 0);
    EXPECT_EQ(settings.consoleWidth, 580);
    EXPECT_EQ(settings.consoleHeight, 390);
}

TEST(SettingsFileTest, CarriageReturnsVanishEverywhere)
{
    const LaunchSettings settings = readBytes("p\r a\r\r\n100\r\n\rC:\\x y \r\n2\r\n");
    EXPECT_STREQ(settings.program, "p");
    EXPECT_STREQ(settings.arguments, "a");
    EXPECT_STREQ(settings.workingDirectory, "C:\\x y ");
    EXPECT_EQ(settings.consoleMode, 2);
}

TEST(SettingsFileTest, EmptyThirdLineGivesEmptyDirectory)
{
    EXPECT_STREQ(readBytes("p a\n100\n\n1\n").workingDirectory, "");
}

TEST(SettingsFileTest, ControlZEndsTheFile)
{
    const LaunchSettings settings = readBytes("p a\n100\nC:\\dir\x1A\n3\n600\n");
    EXPECT_STREQ(settings.workingDirectory, "C:\\dir");
    EXPECT_EQ(settings.consoleMode, 0);
    EXPECT_EQ(settings.consoleWidth, 580);
}

TEST(SettingsFileTest, LineCapacityIs4223Characters)
{
    // A line of exactly the capacity reads; one more ends the reading for
    // good, and every later line counts as missing.
    const std::string fits = "p " + std::string(4221, 'a');
    LaunchSettings settings = readBytes(fits + "\n100\n");
    EXPECT_EQ(std::strlen(settings.arguments), 4221u);
    EXPECT_EQ(settings.startDelayMs, 100);

    const std::string tooLong = "p " + std::string(4222, 'a');
    settings = readBytes(tooLong + "\n100\nD:\\\n3\n");
    EXPECT_EQ(std::strlen(settings.arguments), 4221u);
    EXPECT_EQ(settings.startDelayMs, 1000);
    EXPECT_STREQ(settings.workingDirectory, "C:\\");
    EXPECT_EQ(settings.consoleMode, 0);

    // Carriage returns take no room.
    settings = readBytes("p a\n100\n" + std::string(5000, '\r') + "D:\\\n3\n");
    EXPECT_STREQ(settings.workingDirectory, "D:\\");
    EXPECT_EQ(settings.consoleMode, 3);
}

TEST(SettingsFileTest, OverlongDirectoryTakesTheDefaultWithoutOverflow)
{
    const std::string longest(259, 'd');
    EXPECT_EQ(std::string(readBytes("p a\n100\n" + longest + "\n").workingDirectory), longest);
    EXPECT_STREQ(readBytes("p a\n100\n" + std::string(260, 'd') + "\n1\n").workingDirectory,
                 "C:\\");
    EXPECT_EQ(readBytes("p a\n100\n" + std::string(4000, 'd') + "\n1\n").consoleMode, 1);
    // The system counts UTF-16 units: 259 CJK letters fit in 777 bytes, and
    // 130 letters of a surrogate pair each (260 units) take the default.
    std::string cjk, pairs;
    for (int i = 0; i < 259; ++i)
        cjk += "\xE6\x97\xA5", pairs += i < 130 ? "\xF0\x9F\x98\x80" : "";
    EXPECT_EQ(std::string(readBytes("p a\n100\n" + cjk, nullptr).workingDirectory), cjk);
    EXPECT_STREQ(readBytes("p a\n100\n" + pairs, nullptr).workingDirectory, "C:\\");
    const std::string ansi = "C:\\" + std::string(256, '\xFC');  // where the process is on Latin-1
    EXPECT_EQ(std::string(readBytes("p a\n100\n" + ansi).workingDirectory), ansi);
}

TEST(SettingsFileTest, NulBytesStayInsideTheirLine)
{
    const char bytes[] = "p a\0b\n100\nC:\\\0x\n2\n";
    const LaunchSettings settings = readBytes(std::string(bytes, sizeof bytes - 1));
    // Texts end at the NUL; the bytes behind it do not spill into later lines.
    EXPECT_STREQ(settings.arguments, "a");
    EXPECT_STREQ(settings.workingDirectory, "C:\\");
    EXPECT_EQ(settings.consoleMode, 2);
}

// UTF-16 of a text of ASCII and Latin-1 characters, with its byte-order mark.
std::string utf16(const std::string& latin1, bool littleEndian)
{
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : latin1) {
        const char units[2] = {c, '\0'};
        bytes += littleEndian ? std::string(units, 2) : std::string(units + 1, 1) + c;
    }
    return bytes;
}

TEST(SettingsEncodingTest, UnicodeLinesArriveInTheAnsiCodePage)
{
    // Line 1 is "p ARGUMENT", line 3 the directory; the stand-in code page
    // is Latin-1, so "\xFC" is its "ü" and "?" a character it lacks.
    struct {
        const char* name;
        std::string file;
        const char* arguments;
        const char* directory;
        AnsiConversion toAnsi = toLatin1;  // null: the process runs on UTF-8
        LegacyConversion fromLegacy = nullptr;
    } const cases[] = {
        {"mark and ASCII", "\xEF\xBB\xBFp a[Start]\r\n1\r\nC:\\\r\n", "a", "C:\\"},
        {"ANSI", "p M\xFCller\n1\nC:\\J\xE9\n", "M\xFCller", "C:\\J\xE9"},
        {"UTF-8", "p M\xC3\xBCller\n1\nC:\\J\xC3\xA9\n", "M\xFCller", "C:\\J\xE9"},
        {"ANSI on UTF-8", "p M\xFCller\n1\nC:\\J\xE9\n", "M\xC3\xBCller", "C:\\J\xC3\xA9", nullptr,
         fromLatin1},
        {"UTF-16 on UTF-8", utf16("p \xFC", true) + std::string("\x01\xD8\x37\xDC\x00\xDC", 6),
         "\xC3\xBC\xF0\x90\x90\xB7\xEF\xBF\xBD", "C:\\", nullptr},
        {"UTF-8 with mark", "\xEF\xBB\xBFp M\xC3\xBCller\n", "M\xFCller", "C:\\"},
        {"UTF-16 LE", utf16("p M\xFCller\r\n1\r\nC:\\J\xE9\r\n", true), "M\xFCller",
         "C:\\J\xE9"},
        {"UTF-16 BE", utf16("p M\xFCller\r\n1\r\nC:\\J\xE9\r\n", false), "M\xFCller",
         "C:\\J\xE9"},
        {"truncated sequence", "p M\xC3\n1\nC:\\J\xC3\xA9\n", "M\xC3", "C:\\J\xC3\xA9"},
        {"UTF-8 pair before a breaking byte", "p \xC3\xA9\n1\nC:\\J\xE9\n", "\xC3\xA9",
         "C:\\J\xE9"},
        {"overlong slash", "p \xC0\xAF\n1\nC:\\J\xC3\xA9\n", "\xC0\xAF", "C:\\J\xC3\xA9"},
        {"surrogate", "p \xED\xA0\x80\n1\nC:\\J\xC3\xA9\n", "\xED\xA0\x80",
         "C:\\J\xC3\xA9"},
        {"beyond U+10FFFF", "p \xF4\x90\x80\x80\n", "\xF4\x90\x80\x80", "C:\\"},
        {"bytes behind the end mark", "p M\xC3\xBCller\x1A\xFF\n", "M\xFCller", "C:\\"},
        {"outside the code page", "p \xC5\x82\xF0\x9F\x98\x80\n", "??", "C:\\"},
        {"malformed behind a mark", "\xEF\xBB\xBFp a\xFF\xC3\n", "a??", "C:\\"},
        {"malformed then more lines", "\xEF\xBB\xBFp \xC3\n1\nD:\\\n", "?", "D:\\"},
        {"UTF-16 lone surrogates", std::string("\xFF\xFEp\0 \0\x00\xD8x\0\x00\xDC", 12), "?x?",
         "C:\\"},
        {"UTF-16 odd last byte", std::string("\xFF\xFEp\0 \0a\0b", 9), "a", "C:\\"},
        {"UTF-16 LE pair", std::string("\xFF\xFEp\0 \0\x01\xD8\x37\xDC", 10), "\xD8\x01\xDC\x37",
         "C:\\", toUnitBytes},
        {"UTF-16 BE pair", std::string("\xFE\xFF\0p\0 \xD8\x01\xDC\x37", 10), "\xD8\x01\xDC\x37",
         "C:\\", toUnitBytes},
    };
    for (const auto& c : cases) {
        const LaunchSettings settings = readBytes(c.file, c.toAnsi, c.fromLegacy);
        EXPECT_STREQ(settings.arguments, c.arguments) << c.name;
        EXPECT_STREQ(settings.workingDirectory, c.directory) << c.name;
        EXPECT_STREQ(settings.program, "p") << c.name;
    }
}

TEST(SettingsEncodingTest, UnicodeLinesKeepTheCapacityInAnsiBytes)
{
    // 4221 two-byte characters convert to 4221 bytes and fit beside "p ";
    // one more ends the reading as an overlong ANSI line does.
    std::string fits = "p ";
    for (int i = 0; i < 4221; ++i)
        fits += "\xC3\xA9";
    EXPECT_EQ(readBytes(fits + "\n100\n").startDelayMs, 100);
    EXPECT_EQ(readBytes(fits + "\xC3\xA9\n100\n").startDelayMs, 1000);

    // Where "\xC5\x82" takes two bytes, the 2111th finds one left.
    std::string doubled = "p ";
    for (int i = 0; i < 2111; ++i)
        doubled += "\xC5\x82";
    EXPECT_EQ(readBytes(doubled + "\n100\n", toUnitBytes).startDelayMs, 1000);
}

using FileDirectoryTest = InTempDirectory;

TEST_F(FileDirectoryTest, DefaultFileIsThe46BytesAndReadsBack)
{
    LaunchSettings written{};
    writeDefaultSettingsFile(written);
    EXPECT_EQ(contents(settingsFileName),
              "cmd.exe /T:0F[Start]\r\n1000\r\nC:\\\r\n0\r\n580\r\n390\r\n");

    LaunchSettings read{};
    ASSERT_EQ(readSettingsFile(screenHeight, toLatin1, read), SettingsFileRead::read);
    EXPECT_STREQ(read.program, written.program);
    EXPECT_STREQ(read.arguments, written.arguments);
    EXPECT_TRUE(read.autoStart);
    EXPECT_STREQ(read.workingDirectory, written.workingDirectory);
    EXPECT_EQ(read.consoleHeight, 390);
}

TEST_F(FileDirectoryTest, DefaultFileIsWrittenOnlyWhereNoNameStands)
{
    // A link that leads nowhere reads as no file; writing through it would
    // create the file it names.
    ASSERT_EQ(symlink("elsewhere.txt", settingsFileName), 0);
    LaunchSettings settings{};
    writeDefaultSettingsFile(settings);
    EXPECT_FALSE(exists("elsewhere.txt"));
    EXPECT_STREQ(settings.program, "cmd.exe");
    EXPECT_EQ(settings.consoleHeight, 390);
}

TEST_F(FileDirectoryTest, MissingFileIsToldAndChangesNothing)
{
    LaunchSettings settings{};
    settings.consoleMode = 7;
    EXPECT_EQ(readSettingsFile(screenHeight, toLatin1, settings), SettingsFileRead::missing);
    EXPECT_EQ(settings.consoleMode, 7);
    EXPECT_STREQ(settings.program, "");
}

TEST_F(FileDirectoryTest, VersionFileReplacesALongerOne)
{
    const char* const plain =
        "Tabrivet Version 1.11\r\n\r\nTabrivet -c3 \r\nTabrivet -p \r\nTabrivet -s- \r\n"
        "Tabrivet -t \r\nTabrivet -V \r\nTabrivet -VC \r\n";
    for (bool withComments : {false, true}) {
        writeContents(versionFileName, std::string(1000, 'x'));
        writeVersionFile(withComments);
        const std::string text = contents(versionFileName);
        EXPECT_EQ(text.size(), withComments ? 226u : 112u);
        if (!withComments) {
            EXPECT_EQ(text, plain);
            continue;
        }
        EXPECT_EQ(text.substr(0, 25), "Tabrivet Version 1.11\r\n\r\n");
        EXPECT_NE(text.find("Tabrivet -t    # Show where the cursor is. \r\n"), std::string::npos);
        for (std::size_t line = text.find("Tabrivet -"); line != std::string::npos;
             line = text.find("Tabrivet -", line + 1))
            EXPECT_EQ(text[line + 15], '#') << text.substr(line, 20);
    }
}

}  // namespace
