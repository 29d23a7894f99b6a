// Splitting the command line and recognising the options.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

std::vector<std::string> split(const char* text)
{
    const ArgumentList list(text, " ", true);
    std::vector<std::string> words;
    for (int i = 0; i < list.count(); ++i)
        words.push_back(list.at(i));
    return words;
}

struct SplitCase {
    const char* name;
    const char* commandLine;
    std::vector<std::string> words;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << c.name;
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, Words)
{
    EXPECT_EQ(split(GetParam().commandLine), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SplitTest,
    testing::Values(
        SplitCase{"path_only", "C:\\Tools\\Tabrivet.exe", {".exe"}},
        SplitCase{"quoted_path_with_blanks_then_t", "\"C:\\My Tools\\Tabrivet.exe\" -t",
                  {".exe\"", "-t"}},
        SplitCase{"name_without_exe", "Tabrivet -s-", {"Tabrivet", "-s-"}},
        SplitCase{"capital_exe_splits_path", "C:\\My Tools\\TABRIVET.EXE -p",
                  {"C:\\My", "Tools\\TABRIVET.EXE", "-p"}},
        SplitCase{"runs_of_blanks", "   a.exe    -t   -c3  ", {".exe", "-t", "-c3"}},
        SplitCase{"tabs_and_quotes_are_ordinary", "x.exe \"-t\"\t-p", {".exe", "\"-t\"\t-p"}},
        SplitCase{"first_exe_only", "a.exe b.exe", {".exe", "b.exe"}},
        SplitCase{"empty", "", {}},
        SplitCase{"blanks_only", "    ", {}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(ArgumentListTest, KeepsAtMost128Words)
{
    std::string text = "t.exe";
    for (int i = 1; i < 200; ++i)
        text += " w" + std::to_string(i);
    const ArgumentList list(text.c_str(), " ", true);
    ASSERT_EQ(list.count(), 128);
    EXPECT_STREQ(list.at(127), "w127");
}

TEST(ArgumentListTest, NullTextGivesNoWords)
{
    EXPECT_EQ(ArgumentList(nullptr, " ", true).count(), 0);
}

struct NumberedCase {
    const char* text;
    const char* prefix;
    bool hasNumber;
    std::int32_t number;
};

TEST(NumberedOptionTest, PrefixAndNumber)
{
    const NumberedCase cases[] = {
        {"-c3", "-c", true, 3},
        {"-c012", "-c", true, 12},
        {"-c3x", "-c3x", false, 0},
        {"123", "", true, 123},
        {"-c", "-c", false, 0},
        {"-c-1", "-c-", true, 1},
        {"-c2147483647", "-c", true, 2147483647},
        {"-c2147483648", "-c", false, 0},
        {"-c99999999999999999999", "-c", false, 0},
        {"-c0000000000000000000007", "-c", true, 7},
    };
    for (const NumberedCase& c : cases) {
        const NumberedOption option(c.text);
        EXPECT_TRUE(option.prefixIs(c.prefix)) << c.text;
        EXPECT_EQ(option.prefixLength(), std::strlen(c.prefix)) << c.text;
        EXPECT_EQ(option.hasNumber(), c.hasNumber) << c.text;
        EXPECT_EQ(option.number(), c.number) << c.text;
    }
}

struct OptionCase {
    const char* name;
    const char* commandLine;
    bool pdfHelp;
    bool manualStart;
    bool cursorReadout;
    std::int32_t windowLayout;
    VersionRequest version;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const OptionCase& c, std::ostream* out)
{
    *out << c.name;
}

class OptionTest : public testing::TestWithParam<OptionCase> {};

TEST_P(OptionTest, Recognised)
{
    const OptionCase& c = GetParam();
    const StartOptions options = recogniseOptions(ArgumentList(c.commandLine, " ", true), 0);
    EXPECT_EQ(options.pdfHelp, c.pdfHelp);
    EXPECT_EQ(options.manualStart, c.manualStart);
    EXPECT_EQ(options.cursorReadout, c.cursorReadout);
    EXPECT_EQ(options.windowLayout, c.windowLayout);
    EXPECT_EQ(options.version, c.version);
}

const VersionRequest none = VersionRequest::none;

INSTANTIATE_TEST_SUITE_P(
    CommandLines, OptionTest,
    testing::Values(
        OptionCase{"nothing", "t.exe", false, false, false, 0, none},
        OptionCase{"p_and_t", "t.exe -p -t", true, false, true, 0, none},
        OptionCase{"a_like_p", "t.exe -a", true, false, false, 0, none},
        OptionCase{"manual_start", "t.exe -s-", false, true, false, 0, none},
        OptionCase{"other_case_ignored", "t.exe -P -v -S- -T -vc", false, false, false, 0, none},
        OptionCase{"last_c_wins", "t.exe -c2 -c4", false, false, false, 4, none},
        OptionCase{"c0_resets", "t.exe -c3 -c0", false, false, false, 0, none},
        OptionCase{"c7", "t.exe -c7", false, false, false, 7, none},
        OptionCase{"c_then_separate_digit", "t.exe -c 3", false, false, false, 0, none},
        OptionCase{"c_with_letters", "t.exe -c3x -c-1", false, false, false, 0, none},
        OptionCase{"c_beyond_32_bits_keeps_value", "t.exe -c2 -c2147483648", false, false, false,
                   2, none},
        OptionCase{"c3_then_V", "t.exe -c3 -V -t", false, false, false, 3, VersionRequest::plain},
        OptionCase{"V_before_VC", "t.exe -V -VC", false, false, false, 0, VersionRequest::plain},
        OptionCase{"VC", "t.exe -VC -p", false, false, false, 0, VersionRequest::withComments},
        OptionCase{"argument_zero_examined", "-t -s-", false, true, true, 0, none},
        OptionCase{"option_glued_to_exe_is_no_option", "t.exe-t", false, false, false, 0, none}),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

TEST(OptionTest, NoCOptionKeepsCallersLayout)
{
    EXPECT_EQ(recogniseOptions(ArgumentList("t.exe -t", " ", true), 5).windowLayout, 5);
}

}  // namespace
