// Settings files and command lines nobody writes on purpose: the launcher
// opens with what it can use, a Start that cannot work ends in the shell's
// box, and no other file of its folder changes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "../../res/tabrivet_ids.h"
#include "harness.h"

namespace {

const char* const defaultLabel = "cmd.exe /T:0F";

std::string label(HWND window)
{
    return windowTitle(GetDlgItem(window, IDC_COMMAND_LINE));
}

// Runs the launcher in `dir`, hands it to `check`, then Cancels it. A launcher
// that ended or froze by itself fails, and every file and folder in `dir`
// must keep its bytes except those in `mayChange`. The defaults start cmd.exe
// after a second, so `check` must be quick there; the job ends whatever the
// launcher started.
template <typename Check>
void runAndCancel(const TempDir& dir, const FolderSnapshot& before, const std::string& options,
                  Check check, const std::vector<std::string>& mayChange = {})
{
    {
        ProcessJob job;
        Launcher launcher(dir, options);
        job.add(launcher);
        HWND window = launcher.window();
        ASSERT_NE(window, nullptr);
        check(launcher, window, job);
        ASSERT_TRUE(launcher.running()) << "ended by itself";
        launcher.post(WM_COMMAND, IDM_CANCEL);
        EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
    }
    EXPECT_EQ(folderChanges(before, snapshotFolder(dir.path), mayChange), "");
}

TEST(BadSettingsTest, FileThatCannotBeReadGivesTheDefaultsAndKeepsItsBytes)
{
    // Held without read sharing, as editors, sync clients and scanners do:
    // not read, and never replaced, though a write would get through.
    struct {
        const char* name;
        bool folder;
        DWORD access, share;
    } const cases[] = {{"a folder", true, 0, 0},
                       {"held without sharing", false, GENERIC_READ, 0},
                       {"held shared for writing", false, GENERIC_READ,
                        FILE_SHARE_WRITE | FILE_SHARE_DELETE},
                       {"held for writing, shared for writing", false, GENERIC_WRITE,
                        FILE_SHARE_WRITE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string settings = dir.file("Tabrivet.txt");
        if (c.folder) {
            CreateDirectoryA(settings.c_str(), nullptr);
            writeFile(settings + "\\inside.txt", "x.exe y\r\n");
        } else {
            writeFile(settings, "x.exe y\r\n21\r\n");
        }
        const FolderSnapshot before = snapshotFolder(dir.path);
        HANDLE held = c.folder ? nullptr
                               : CreateFileA(settings.c_str(), c.access, c.share, nullptr,
                                             OPEN_EXISTING, 0, nullptr);
        runAndCancel(dir, before, "", [&](Launcher&, HWND window, ProcessJob&) {
            EXPECT_EQ(label(window), defaultLabel);
            if (held != nullptr)
                CloseHandle(held);  // so that the folder can be read again
        });
    }
}

TEST(BadSettingsTest, ReadOnlyFolderRunsOnTheDefaults)
{
    // The tests run as root, for whom no folder is read-only but one on a
    // read-only file system, which only the test command can mount.
    const char* folder = std::getenv("TABRIVET_READONLY_FOLDER");
    if (folder == nullptr || *folder == '\0')
        GTEST_SKIP() << "no read-only folder mounted (TABRIVET_READONLY_FOLDER unset)";
    const std::string probe = std::string(folder) + "\\probe.txt";
    HANDLE created = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_EQ(created, INVALID_HANDLE_VALUE) << folder << " is writable";
    const FolderSnapshot before = snapshotFolder(folder);

    {
        Launcher launcher(folder, "-V");
        EXPECT_EQ(launcher.waitForExit(10000), 0);
    }
    // No file to read and none written: the defaults, down to the automatic
    // start of cmd.exe after a second, placed, and the launcher ends.
    ProcessJob job;
    Launcher launcher(folder, "");
    job.add(launcher);
    HWND window = launcher.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(label(window), defaultLabel);
    EXPECT_EQ(launcher.waitForExit(60000), 0);
    EXPECT_GE(job.processesEver(), 2u);  // and cmd.exe, with whatever it runs
    EXPECT_EQ(folderChanges(before, snapshotFolder(folder)), "");
}

TEST(BadSettingsTest, OverlongLineKeepsItsFirst4223CharactersOnly)
{
    // The blank and the marker lie past the cut: no automatic start, and the
    // number lines behind the megabyte are never reached.
    TempDir dir;
    std::string text = "big.exe " + std::string(5000, 'a') + " [Start]";
    text += std::string((1 << 20) - text.size(), 'b') + "\r\n21\r\n";
    writeFile(dir.file("Tabrivet.txt"), text);
    runAndCancel(dir, snapshotFolder(dir.path), "-c1 -t", [](Launcher& launcher, HWND window,
                                                             ProcessJob& job) {
        EXPECT_EQ(label(window), "big.exe " + std::string(4223 - 8, 'a'));
        Sleep(1500);  // past the default delay of an automatic start
        EXPECT_EQ(findProcessWindow(launcher.process.dwProcessId, "#32770"), nullptr);
        EXPECT_EQ(job.processesEver(), 1u);
    });
}

TEST(BadSettingsTest, RandomBytesAreReadWithoutHarm)
{
    const std::size_t sizes[] = {1, 300, 5000, 200000};
    std::mt19937 random(1234);
    for (std::size_t size : sizes) {
        SCOPED_TRACE(size);
        TempDir dir;
        std::string bytes(size, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random());
        writeFile(dir.file("Tabrivet.txt"), bytes);
        runAndCancel(dir, snapshotFolder(dir.path), "", [](Launcher&, HWND, ProcessJob& job) {
            EXPECT_EQ(job.processesEver(), 1u);
        });
    }
}

// Program and argument each end at their first NUL; the line goes on.
TEST(BadSettingsTest, NulEndsProgramAndArgumentButNotTheLine)
{
    using namespace std::string_literals;
    struct {
        std::string line1;
        const char* label;
        bool startsAtOnce;  // the marker behind the NUL counts, with the delay of line 2
    } const cases[] = {
        {"\0\0\0\0"s, defaultLabel, false},  // a NUL is no blank
        {"nu\0l.exe arg"s, "nu arg", false},
        {"C:\\nothere\\nul.exe a\0b[Start]"s, "C:\\nothere\\nul.exe a", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        writeFile(dir.file("Tabrivet.txt"), settingsText(c.line1, 21, dir.path, 0, 580, 390));
        runAndCancel(dir, snapshotFolder(dir.path), "-c1 -t", [&](Launcher& launcher, HWND window,
                                                                  ProcessJob&) {
            EXPECT_EQ(label(window), c.label);
            // The missing program: the shell's box, and the launcher stays.
            EXPECT_EQ(launcher.dismissShellError(c.startsAtOnce ? 10000 : 500), c.startsAtOnce);
        });
    }
}

TEST(BadCommandLineTest, ManyAndLongWords)
{
    std::string words;
    for (int i = 1; i <= 200; ++i)
        words += (i == 100 ? "-c2" : i == 150 ? "-V" : "w" + std::to_string(i)) + " ";
    std::string earlyVersion = words;
    earlyVersion.replace(earlyVersion.find("-c2"), 3, "-V ");
    const std::string cornerWord = "-c" + std::string(9997, '0') + "1";
    const int right = GetSystemMetrics(SM_CXFULLSCREEN) - 289;
    struct {
        const char* name;
        std::string options;
        bool writesVersion;
        POINT corner;
    } const cases[] = {
        // Only the first 128 words count: "-V" as word 150 is never seen.
        {"200 words", words, false, {right, 0}},
        {"200 words, -V as word 100", earlyVersion, true, {}},
        {"one word of 10,000 characters", cornerWord, false, {0, 0}},
        {"10,000 characters, then -V", std::string(10000, 'x') + " -V", true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFile(dir.file("Tabrivet.txt"), settingsText("a b", 100, "C:\\", 0, 580, 390));
        const FolderSnapshot before = snapshotFolder(dir.path);
        if (c.writesVersion) {
            Launcher launcher(dir, c.options);
            EXPECT_EQ(launcher.waitForExit(10000), 0);
            EXPECT_EQ(findProcessWindow(launcher.process.dwProcessId, "Tabrivet"), nullptr);
            EXPECT_EQ(folderChanges(before, snapshotFolder(dir.path)), "version.txt created\n");
            continue;
        }
        runAndCancel(dir, before, c.options, [&](Launcher&, HWND window, ProcessJob&) {
            RECT outer = {};
            EXPECT_TRUE(waitFor([&] {
                GetWindowRect(window, &outer);
                return outer.left == c.corner.x && outer.top == c.corner.y;
            }, patienceMs)) << outer.left << "," << outer.top;
        });
    }
}

TEST(BadStartTest, MissingWorkingDirectoryStillStartsTheProgram)
{
    // A relative program name is found only if the launcher's own folder
    // stays the current one; the build folder holds no "stand_in.exe".
    struct {
        bool fullPath;
        std::string directory;
    } const cases[] = {{true, "C:\\nothere\\deeper"}, {false, "C:\\nothere\\deeper"},
                       {true, "C:\\" + std::string(300, 'd')}, {true, ""}};
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(row);
        TempDir dir;
        const std::string exe = dir.file("stand_in.exe");
        CopyFileA((buildDir() + "\\fake_console.exe").c_str(), exe.c_str(), FALSE);
        const std::string title = "bad-directory-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(++row);
        writeFile(dir.file("Tabrivet.txt"),
                  settingsText((c.fullPath ? exe : "stand_in.exe") + " 0:" + title, 2000000000,
                               c.directory, 0, 580, 390));
        runAndCancel(dir, snapshotFolder(dir.path), "-c1 -t", [&](Launcher& launcher, HWND,
                                                                  ProcessJob& job) {
            launcher.post(WM_COMMAND, IDM_START);
            EXPECT_TRUE(waitFor([&] { return findWindowByTitle("ConsoleWindowClass", title); },
                                10000));
            EXPECT_EQ(findProcessWindow(launcher.process.dwProcessId, "#32770"), nullptr);
            EXPECT_EQ(job.processesEver(), 2u);
            closeWindowsAndWait("ConsoleWindowClass", title);
        });
    }
}

TEST(BadStartTest, UnusableProgramNameShowsTheShellError)
{
    // An empty name, and one longer than any path the system takes.
    for (const std::string& line1 : {std::string(" x"), "C:\\nothere\\" + std::string(900, 'a') +
                                                            ".exe x"}) {
        SCOPED_TRACE(line1.size());
        TempDir dir;
        writeFile(dir.file("Tabrivet.txt"), settingsText(line1, 1000, dir.path, 0, 580, 390));
        runAndCancel(dir, snapshotFolder(dir.path), "-c1 -t", [](Launcher& launcher, HWND,
                                                                 ProcessJob& job) {
            launcher.post(WM_COMMAND, IDM_START);
            EXPECT_TRUE(launcher.dismissShellError(10000));
            Sleep(300);
            EXPECT_EQ(job.processesEver(), 1u);
        });
    }
}

TEST(BadFolderTest, DllLeftBesideTheExeIsNotLoaded)
{
    // A download folder may hold someone else's DLL under the name of one
    // that the window manager loads by name for every window. The started
    // program, which the launcher's choice must not bind, shows that the
    // DLL would be taken.
    TempDir dir;
    const std::string title = "planted-" + std::to_string(GetCurrentProcessId());
    CopyFileA((buildDir() + "\\Tabrivet.exe").c_str(), dir.file("Tabrivet.exe").c_str(), FALSE);
    CopyFileA((buildDir() + "\\fake_console.exe").c_str(), dir.file("downloaded.exe").c_str(),
              FALSE);
    CopyFileA((buildDir() + "\\planted_dll.dll").c_str(), dir.file("uxtheme.dll").c_str(), FALSE);
    writeFile(dir.file("Tabrivet.txt"), settingsText("downloaded.exe 0:" + title + "[Start]", 100,
                                                     dir.path, 0, 580, 390));
    // Wine, unlike Windows, takes its own copy of a system DLL before one
    // beside the exe, unless the program's entry in its registry says not to.
    const std::string wineDefaults = "Software\\Wine\\AppDefaults\\";
    for (const char* program : {"Tabrivet.exe", "downloaded.exe"})
        RegSetKeyValueA(HKEY_CURRENT_USER, (wineDefaults + program + "\\DllOverrides").c_str(),
                        "uxtheme", REG_SZ, "native,builtin", 15);
    ProcessJob job;
    Launcher launcher(dir.path, "", SW_SHOWNORMAL, dir.file("Tabrivet.exe"));
    job.add(launcher);
    EXPECT_EQ(launcher.waitForExit(patienceMs), 0);
    EXPECT_TRUE(
        waitFor([&] { return fileExists(dir.file("downloaded.exe.planted")); }, patienceMs));
    EXPECT_FALSE(fileExists(dir.file("Tabrivet.exe.planted")));
    closeWindowsAndWait("ConsoleWindowClass", title);
    for (const char* program : {"Tabrivet.exe", "downloaded.exe"})
        RegDeleteTreeA(HKEY_CURRENT_USER, (wineDefaults + program).c_str());
}

}  // namespace
