// Telling a console program from its name and its header.
#include "console_program.h"

const char programExtensions[] = ".com\0.bat\0.cmd\0.exe\0";

namespace {

unsigned readLittleEndian(const unsigned char* bytes, int count)
{
    unsigned value = 0;
    while (count-- > 0)
        value = value << 8 | bytes[count];
    return value;
}

// The index of the name's extension in the list, -1 for any other.
int extensionIndex(const char* name)
{
    const char* extension = "";
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            extension = "";
        else if (*p == '.')
            extension = p;
    }
    for (int index = 0; index < 4; ++index) {
        const char* listed = programExtensions + 5 * index;
        int i = 0;
        // Each listed one is in lower case.
        while (listed[i] != '\0' && (extension[i] | 0x20) == listed[i])
            ++i;
        if (listed[i] == '\0' && extension[i] == '\0')
            return index;
    }
    return -1;
}

}  // namespace

bool isConsoleProgram(const char* name, const unsigned char* header, std::size_t length)
{
    const int extension = extensionIndex(name);
    if (extension == 1 || extension == 2)
        return true;
    if (extension < 0)
        return false;

    // The DOS header names where the image's header begins. The subsystem
    // stands at the same place in the optional header of a 32-bit and of a
    // 64-bit image, after the 4-byte signature and the 20-byte file header.
    const std::size_t subsystemAt = 4 + 20 + 68;
    if (length < 64 || readLittleEndian(header, 2) != 0x5A4D)  // "MZ"
        return false;
    const std::size_t image = readLittleEndian(header + 0x3C, 4);
    if (image >= length || length - image < subsystemAt + 2 ||
        readLittleEndian(header + image, 4) != 0x4550)  // "PE\0\0"
        return false;
    const unsigned magic = readLittleEndian(header + image + 24, 2);
    return (magic == 0x10B || magic == 0x20B) &&
           readLittleEndian(header + image + subsystemAt, 2) == 3;  // IMAGE_SUBSYSTEM_WINDOWS_CUI
}
