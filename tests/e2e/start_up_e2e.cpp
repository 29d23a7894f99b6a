// Start-up under Wine: the version file, the first start in an empty folder,
// and the options that leave the settings file alone.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

const char* const defaultSettings =
    "cmd.exe /T:0F[Start]\r\n1000\r\nC:\\\r\n0\r\n580\r\n390\r\n";

struct VersionCase {
    const char* option;
    std::size_t size;
    const char* thirdLine;
};

TEST(StartUpTest, VersionOptionsWriteTheFileAndEndWithoutWindow)
{
    const VersionCase cases[] = {
        {"-V", 112, "Tabrivet -c3 \r\n"},
        {"-VC", 226, "Tabrivet -c3   # diagonal \r\n"},
        {"-c3 -V -VC", 112, "Tabrivet -c3 \r\n"},
    };
    for (const VersionCase& c : cases) {
        TempDir dir;
        // An older, longer file must go completely.
        writeFile(dir.file("version.txt"), std::string(1000, 'x'));
        Launcher launcher(dir, c.option);
        EXPECT_EQ(launcher.waitForExit(10000), 0) << c.option;
        EXPECT_EQ(findProcessWindow(launcher.process.dwProcessId, "Tabrivet"), nullptr);
        const std::string text = readFile(dir.file("version.txt"));
        EXPECT_EQ(text.size(), c.size) << c.option;
        EXPECT_EQ(text.substr(0, 25), "Tabrivet Version 1.11\r\n\r\n") << c.option;
        EXPECT_NE(text.find(c.thirdLine), std::string::npos) << c.option;
        EXPECT_FALSE(fileExists(dir.file("Tabrivet.txt"))) << c.option;
    }
}

TEST(StartUpTest, FirstStartWritesTheDefaultFileAndOpensTheWindow)
{
    TempDir dir;
    // "-s-" and "-t" wait for a start that finds the file.
    Launcher launcher(dir, "-s- -t");
    HWND window = launcher.window();
    ASSERT_NE(window, nullptr);
    // Closed before the automatic start of the defaults comes due.
    launcher.post(WM_CLOSE);
    EXPECT_EQ(readFile(dir.file("Tabrivet.txt")), defaultSettings);
    EXPECT_EQ(launcher.waitForExit(10000), 0);
}

TEST(StartUpTest, PdfOptionsNeverTouchTheSettingsFile)
{
    for (const char* option : {"-p", "-a -t -s-"}) {
        TempDir dir;
        Launcher launcher(dir, option);
        ASSERT_NE(launcher.window(), nullptr) << option;
        // No manual here: the shell says so in its own box, which blocks the
        // Start until someone closes it.
        EXPECT_TRUE(launcher.dismissShellError(10000)) << option;
        EXPECT_EQ(launcher.waitForExit(10000), 0) << option;
        EXPECT_FALSE(fileExists(dir.file("Tabrivet.txt"))) << option;
    }
}

TEST(StartUpTest, ExistingFileIsNeverRewritten)
{
    TempDir dir;
    writeFile(dir.file("Tabrivet.txt"), "");
    Launcher launcher(dir, "");
    ASSERT_NE(launcher.window(), nullptr);
    launcher.post(WM_COMMAND, 167);
    EXPECT_EQ(launcher.waitForExit(10000), 0);
    EXPECT_EQ(readFile(dir.file("Tabrivet.txt")), "");
}

}  // namespace
