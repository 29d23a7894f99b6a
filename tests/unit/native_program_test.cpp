// Which file a 32-bit launcher on 64-bit Windows hands the shell for the program.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "console/native_program.h"

namespace {

// The files a 32-bit guest sees: its System32 is the 32-bit folder, and
// Sysnative the native one. A bare name is looked for in the working folder,
// by its real name.
std::set<std::string> files;
std::string workingFolder;

bool fileExists(const char* path)
{
    const std::string name = path;
    return files.count(name.find('\\') == std::string::npos ? workingFolder + "\\" + name
                                                             : name) != 0;
}

TEST(NativeProgramTest, SystemProgramsStartFromTheNativeFolder)
{
    const std::string sys32 = "C:\\Windows\\system32\\", native = "C:\\Windows\\Sysnative\\";
    const std::string work = "D:\\work";
    struct {
        const char* name;
        std::string program, currentDirectory;
        std::set<std::string> files;
        std::string expected;  // empty: the program as written
        std::string system32 = "C:\\Windows\\system32";
        std::string workingFolder = "";  // the real name; empty: as the system gives it
    } const cases[] = {
        {"bare name found only natively", "only64.exe", work, {native + "only64.exe"},
         native + "only64.exe"},
        {"bare name with both copies", "cmd.exe", work, {sys32 + "cmd.exe", native + "cmd.exe"},
         native + "cmd.exe"},
        {"working directory is System32, 64-bit copy only", "only64.exe", "C:\\Windows\\system32",
         {native + "only64.exe"}, native + "only64.exe"},
        {"absolute path in another case", "c:\\WINDOWS\\SYSTEM32\\only64.EXE", work,
         {native + "only64.EXE"}, native + "only64.EXE"},
        {"OpenSSH subfolder with slashes", "C:/Windows/System32/OpenSSH/ssh.exe", work,
         {"C:\\Windows\\Sysnative/OpenSSH/ssh.exe"}, "C:\\Windows\\Sysnative/OpenSSH/ssh.exe"},
        {"working directory inside System32", "wmic.exe", "C:\\WINDOWS\\System32\\wbem",
         {"C:\\WINDOWS\\System32\\wbem\\wmic.exe", native + "wbem\\wmic.exe"},
         native + "wbem\\wmic.exe"},
        {"PATH entry inside System32, 64-bit only", "ssh.exe", work,
         {native + "OpenSSH\\ssh.exe"}, native + "OpenSSH\\ssh.exe"},
        {"PATH entry inside System32 with a 32-bit twin", "powershell.exe", work,
         {sys32 + "PS\\powershell.exe", native + "PS\\powershell.exe"},
         native + "PS\\powershell.exe"},
        {"earlier PATH entry outside System32", "ssh.exe", work,
         {"D:\\tools\\ssh.exe", native + "OpenSSH\\ssh.exe"}, ""},
        {"name without extension", "wsl", work, {native + "wsl.exe"}, native + "wsl.exe"},
        {"name without extension, a .bat earlier", "wsl", work,
         {work + "\\wsl.bat", native + "wsl.exe"}, ""},
        {"name without extension, a .com", "tree", work, {native + "tree.com"},
         native + "tree.com"},
        {"SysWOW64 path", "C:\\Windows\\SysWOW64\\cmd.exe", work,
         {"C:\\Windows\\SysWOW64\\cmd.exe", native + "cmd.exe"}, ""},
        {"document", sys32 + "drivers\\etc\\hosts", work, {native + "drivers\\etc\\hosts"}, ""},
        {"batch file", "tool.bat", work, {native + "tool.bat"}, ""},
        {"file without extension", "wsl", work, {native + "wsl"}, ""},
        {"shorter extension", "a.ex", work, {native + "a.ex"}, ""},
        {"program in the working directory first", "cmd.exe", work,
         {work + "\\cmd.exe", native + "cmd.exe"}, ""},
        {"32-bit copy only", "old32.exe", work, {sys32 + "old32.exe"}, ""},
        {"nowhere", "missing.exe", work, {}, ""},
        {"folder name that only begins alike", "C:\\Windows\\System32x\\a.exe", work,
         {native + "x\\a.exe", "C:\\Windows\\Sysnativex\\a.exe"}, ""},
        {"too long for the shell", sys32 + std::string(240, 'a') + ".exe", work,
         {native + std::string(240, 'a') + ".exe"}, ""},
        {"System32 too long for the alias", "cmd.exe", work, {}, "",
         "C:\\" + std::string(248, 'w') + "\\s32"},
        {"working folder named outside the code page", "ssh.exe", "C:\\Users\\?ukasz\\bin",
         {"C:\\Users\\\xC5\x81ukasz\\bin\\ssh.exe", native + "OpenSSH\\ssh.exe"}, "",
         "C:\\Windows\\system32", "C:\\Users\\\xC5\x81ukasz\\bin"},
    };
    for (const auto& c : cases) {
        workingFolder = c.workingFolder.empty() ? c.currentDirectory : c.workingFolder;
        // Only a 32-bit guest of 64-bit Windows has the alias.
        for (bool guest : {true, false}) {
            files.clear();
            for (const std::string& file : c.files) {
                if (guest || file.find("Sysnative") == std::string::npos)
                    files.insert(file);
            }
            const SystemFolders folders = {
                c.currentDirectory.c_str(), c.system32.c_str(),
                "C:\\Windows\\system32;;D:\\tools;C:\\Windows\\System32\\PS\\;C:\\WINDOWS\\System32\\OpenSSH\\",
                fileExists};
            char path[nativePathSize] = "";
            const bool mapped = nativeProgramPath(c.program.c_str(), folders, path);
            EXPECT_EQ(mapped ? std::string(path) : "", guest ? c.expected : "")
                << c.name << (guest ? "" : ", not under WoW64");
        }
    }
}

}  // namespace
