// Telling a console program from its name and its header.
#include "console_program.h"

#include <cstring>

namespace {

unsigned readLittleEndian(const unsigned char* bytes, int count)
{
    unsigned value = 0;
    while (count-- > 0)
        value = value << 8 | bytes[count];
    return value;
}

}  // namespace

bool isConsoleProgram(const char* name, const unsigned char* header, std::size_t length)
{
    const char* extension = "";
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            extension = "";
        else if (*p == '.')
            extension = p;
    }
    // One character more than any of them, so that a longer one differs.
    char lower[6] = "";
    for (int i = 0; i < 5 && extension[i] != '\0'; ++i)
        lower[i] = static_cast<char>(extension[i] >= 'A' && extension[i] <= 'Z'
                                         ? extension[i] - 'A' + 'a'
                                         : extension[i]);
    if (!std::strcmp(lower, ".bat") || !std::strcmp(lower, ".cmd"))
        return true;
    if (std::strcmp(lower, ".exe") && std::strcmp(lower, ".com"))
        return false;

    // The DOS header names where the image's header begins. The subsystem
    // stands at the same place in the optional header of a 32-bit and of a
    // 64-bit image, after the 4-byte signature and the 20-byte file header.
    const std::size_t subsystemAt = 4 + 20 + 68;
    if (length < 64 || header[0] != 'M' || header[1] != 'Z')
        return false;
    const std::size_t image = readLittleEndian(header + 0x3C, 4);
    if (image >= length || length - image < subsystemAt + 2 ||
        std::memcmp(header + image, "PE\0\0", 4))
        return false;
    const unsigned magic = readLittleEndian(header + image + 24, 2);
    return (magic == 0x10B || magic == 0x20B) &&
           readLittleEndian(header + image + subsystemAt, 2) == 3;  // IMAGE_SUBSYSTEM_WINDOWS_CUI
}
