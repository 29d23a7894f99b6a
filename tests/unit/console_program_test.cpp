// Telling a console program, which gets the mode's show command, from any
// other file the shell may open.
#include <gtest/gtest.h>

#include <vector>

#include "console/console_program.h"

namespace {

// The first `length` bytes of an image of the subsystem whose header begins
// at `image`.
std::vector<unsigned char> image(std::size_t image, unsigned magic, unsigned char subsystem,
                                 std::size_t length = programHeaderSize)
{
    std::vector<unsigned char> bytes(2 * programHeaderSize, 0xCC);
    const unsigned char dos[] = {'M', 'Z'}, header[] = {'P', 'E', 0, 0};
    std::copy_n(dos, 2, bytes.begin());
    for (int i = 0; i < 4; ++i)
        bytes[0x3C + i] = static_cast<unsigned char>(image >> 8 * i);
    std::copy_n(header, 4, bytes.begin() + image);
    bytes[image + 24] = magic & 0xFF;
    bytes[image + 25] = magic >> 8;
    bytes[image + 92] = subsystem;
    bytes[image + 93] = 0;
    bytes.resize(length);
    return bytes;
}

TEST(ConsoleProgramTest, ConsoleSubsystemOrBatchFile)
{
    const std::size_t last = programHeaderSize - 94;  // the header's end is the last byte read
    struct {
        const char* name;
        std::vector<unsigned char> bytes;
        bool console;
    } const cases[] = {
        {"C:\\Windows\\system32\\cmd.exe", image(0xF0, 0x10B, 3), true},
        {"C:\\TOOLS\\SSH.EXE", image(0x80, 0x20B, 3), true},  // 64-bit
        {"tree.com", image(last, 0x20B, 3), true},
        {"notepad.exe", image(0xF0, 0x10B, 2), false},
        {"unknown-optional-header.exe", image(0x80, 0x10C, 3), false},
        {"header-beyond-the-bytes-read.exe", image(last + 1, 0x10B, 3), false},
        {"cut-inside-the-header.exe", image(0x80, 0x10B, 3, 0x80 + 93), false},
        {"cut-inside-the-dos-header.exe", image(0x80, 0x10B, 3, 0x3C + 3), false},
        {"dos-program-without-pe.exe", image(0x400, 0x10B, 3, 0x400), false},
        {"empty.exe", {}, false},
        {"D:\\work\\wait.bat", {}, true},
        {"build.CMD", {}, true},
        {"longer-extension.cmdx", {}, false},
        {"readme.txt", image(0x80, 0x10B, 3), false},
        {"D:\\v1.exe\\extensionless", image(0x80, 0x10B, 3), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isConsoleProgram(c.name, c.bytes.data(), c.bytes.size()), c.console);
    }
}

}  // namespace
