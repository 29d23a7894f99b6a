// Telling a console program, which gets the mode's show command, from any
// other file the shell may open.
#include <gtest/gtest.h>

#include <vector>

#include "console/console_program.h"

namespace {

// The first bytes of an image whose header begins at `image`, cut to
// `length` bytes.
std::vector<unsigned char> header(unsigned image, unsigned magic, unsigned subsystem,
                                  std::size_t length = programHeaderSize)
{
    std::vector<unsigned char> bytes(programHeaderSize + 256, 0xCC);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        bytes[0x3C + i] = static_cast<unsigned char>(image >> 8 * i);
    if (std::size_t{image} + 94 <= bytes.size()) {
        std::copy_n("PE\0\0", 4, bytes.begin() + image);
        bytes[image + 24] = magic & 0xFF;
        bytes[image + 25] = magic >> 8;
        bytes[image + 92] = static_cast<unsigned char>(subsystem);
        bytes[image + 93] = 0;
    }
    bytes.resize(length);
    return bytes;
}

TEST(ConsoleProgramTest, ConsoleSubsystemOrBatchFile)
{
    const std::vector<unsigned char> none;
    struct {
        const char* what;
        const char* name;
        std::vector<unsigned char> bytes;
        bool console;
    } const cases[] = {
        {"32-bit console program", "C:\\Windows\\system32\\cmd.exe", header(0xF0, 0x10B, 3), true},
        {"64-bit console program, upper case", "C:\\TOOLS\\SSH.EXE", header(0x80, 0x20B, 3), true},
        {"console program named .com", "tree.com", header(0x80, 0x20B, 3), true},
        {"GUI program", "notepad.exe", header(0xF0, 0x10B, 2), false},
        {"unknown optional header", "odd.exe", header(0x80, 0x10C, 3), false},
        {"header beyond the bytes read", "far.exe", header(programHeaderSize - 93, 0x10B, 3),
         false},
        {"header's end is the last byte read", "near.exe", header(programHeaderSize - 94, 0x10B, 3),
         true},
        {"header offset near the top of the range", "wrap.exe", header(0xFFFFFFF0u, 0x10B, 3),
         false},
        {"file cut inside the image header", "cut.exe", header(0x80, 0x10B, 3, 0x80 + 60), false},
        {"file cut inside the DOS header", "cut.exe", header(0x80, 0x10B, 3, 40), false},
        {"DOS program: MZ without PE", "dos.exe", header(0x400, 0x10B, 3, 0x300), false},
        {"empty or unreadable file", "empty.exe", none, false},
        {"garbage", "garbage.exe", std::vector<unsigned char>(200, 0xFF), false},
        {"batch file", "D:\\work\\wait.bat", none, true},
        {"command script in another case", "build.CMD", none, true},
        {"longer extension", "x.cmdx", header(0x80, 0x10B, 3), false},
        {"document with a console program's bytes", "readme.txt", header(0x80, 0x10B, 3), false},
        {"dot in a folder, none in the name", "D:\\v1.exe\\tool", header(0x80, 0x10B, 3), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(isConsoleProgram(c.name, c.bytes.data(), c.bytes.size()), c.console);
    }
}

}  // namespace
