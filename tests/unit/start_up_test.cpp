// From the command line to the settled start-up state, in a folder of its own.
#include <gtest/gtest.h>

#include "app/start_up.h"
#include "latin1_text.h"
#include "temp_directory.h"

namespace {

class StartUpTest : public InTempDirectory {
protected:
    StartState state{};
};

TEST_F(StartUpTest, FirstStartWritesDefaultsAndIgnoresManualStartAndReadout)
{
    ASSERT_TRUE(settleStartState("C:\\x\\Tabrivet.exe -s- -t -c2", 711, toLatin1, state));
    EXPECT_TRUE(exists("Tabrivet.txt"));
    EXPECT_TRUE(state.settings.autoStart);
    EXPECT_FALSE(state.showCursorPosition);
    EXPECT_EQ(state.windowLayout, 2);

    // The next start finds the file, and both options take effect.
    StartState next{};
    ASSERT_TRUE(settleStartState("C:\\x\\Tabrivet.exe -s- -t", 711, toLatin1, next));
    EXPECT_FALSE(next.settings.autoStart);
    EXPECT_TRUE(next.showCursorPosition);
    EXPECT_FALSE(next.startsManual);
}

TEST_F(StartUpTest, FileThatCannotBeOpenedGivesTheDefaultsAndIsKept)
{
    // A link to itself: there is a file of that name, but no open succeeds.
    ASSERT_EQ(symlink("Tabrivet.txt", "Tabrivet.txt"), 0);
    ASSERT_TRUE(settleStartState("T.exe -s- -t", 711, toLatin1, state));
    EXPECT_STREQ(state.settings.program, "cmd.exe");
    EXPECT_TRUE(state.settings.autoStart);
    EXPECT_EQ(state.settings.consoleHeight, 390);
    EXPECT_FALSE(state.showCursorPosition);
    char target[32] = "";
    EXPECT_EQ(readlink("Tabrivet.txt", target, sizeof target - 1), 12);
}

TEST_F(StartUpTest, PdfHelpLeavesTheSettingsFileAndZeroesAlone)
{
    for (const char* commandLine : {"T.exe -p -t -s-", "T.exe -a"}) {
        StartState pdf{};
        ASSERT_TRUE(settleStartState(commandLine, 711, toLatin1, pdf));
        EXPECT_FALSE(exists("Tabrivet.txt"));
        EXPECT_STREQ(pdf.settings.program, "Tabrivet.pdf");
        EXPECT_STREQ(pdf.settings.arguments, "");
        EXPECT_TRUE(pdf.settings.autoStart);
        EXPECT_TRUE(pdf.startsManual);
        EXPECT_FALSE(pdf.showCursorPosition);
        EXPECT_EQ(pdf.settings.startDelayMs, 0);
        EXPECT_STREQ(pdf.settings.workingDirectory, "");
        EXPECT_EQ(pdf.settings.consoleWidth, 0);
    }
}

TEST_F(StartUpTest, VersionEndsBeforeTheSettingsFile)
{
    EXPECT_FALSE(settleStartState("T.exe -c3 -VC", 711, toLatin1, state));
    EXPECT_TRUE(exists("version.txt"));
    EXPECT_FALSE(exists("Tabrivet.txt"));
}

TEST_F(StartUpTest, ManualStartOnlySwitchesTheMarkerOff)
{
    writeContents("Tabrivet.txt", "notepad.exe a.txt[Start]\r\n50\r\nD:\\\r\n3\r\n");
    ASSERT_TRUE(settleStartState("T.exe -s-", 711, toLatin1, state));
    EXPECT_FALSE(state.settings.autoStart);
    EXPECT_STREQ(state.settings.program, "notepad.exe");
    EXPECT_EQ(state.settings.consoleMode, 3);
    EXPECT_FALSE(state.showCursorPosition);
}

}  // namespace
