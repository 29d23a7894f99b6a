// Choosing the native copy of a system program for a 32-bit launcher on
// 64-bit Windows.
#include "native_program.h"

#include <cstring>

namespace {

// Paths compare without regard to case or to the kind of slash.
char folded(char c)
{
    if (c == '/')
        return '\\';
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// What follows `folder` and a slash in `path`, or null when the path does not
// lie inside it.
const char* inside(const char* path, const char* folder)
{
    for (; *folder != '\0'; ++path, ++folder) {
        if (folded(*path) != folded(*folder))
            return nullptr;
    }
    return folded(*path) == '\\' ? path + 1 : nullptr;
}

// `first`, `second` and `third` one after the other; false when they do not
// fit into `capacity` bytes.
bool join(char* path, std::size_t capacity, const char* first, const char* second,
          const char* third)
{
    const std::size_t lengths[] = {std::strlen(first), std::strlen(second), std::strlen(third)};
    if (lengths[0] + lengths[1] + lengths[2] >= capacity)
        return false;
    std::strcpy(path, first);
    std::strcpy(path + lengths[0], second);
    std::strcpy(path + lengths[0] + lengths[1], third);
    return true;
}

bool isProgramExtension(const char* extension)
{
    if (std::strlen(extension) != 4)
        return false;
    char lower[5] = "";
    for (int i = 0; i < 4; ++i)
        lower[i] = folded(extension[i]);
    return !std::strcmp(lower, ".exe") || !std::strcmp(lower, ".com");
}

}  // namespace

bool nativeProgramPath(const char* program, const SystemFolders& folders,
                       char (&path)[nativePathSize])
{
    const char* name = program;
    const char* dot = nullptr;
    for (const char* p = program; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            name = p + 1;
            dot = nullptr;
        } else if (*p == '.') {
            dot = p;
        }
    }
    if (dot == nullptr || !isProgramExtension(dot))
        return false;

    // Where in System32 the shell would find it: a bare name in the working
    // directory first, which may itself lie inside System32, then in
    // System32; a path names its one place.
    const char* rest = program;
    if (name != program)
        rest = inside(program, folders.system32);
    else if (folders.fileExists(program))
        rest = join(path, nativePathSize, folders.currentDirectory, "\\", program)
                   ? inside(path, folders.system32)
                   : nullptr;
    // The alias stands beside System32, in the Windows folder.
    char native[nativePathSize];
    const char* windowsEnd = nullptr;
    for (const char* p = folders.system32; *p != '\0'; ++p) {
        if (*p == '\\')
            windowsEnd = p;
    }
    if (rest == nullptr || windowsEnd == nullptr)
        return false;
    const std::size_t windowsLength = windowsEnd - folders.system32;
    if (windowsLength >= nativePathSize ||
        !join(native + windowsLength, nativePathSize - windowsLength, "\\Sysnative\\", rest, ""))
        return false;
    std::memcpy(native, folders.system32, windowsLength);
    std::strcpy(path, native);
    return folders.fileExists(path);
}
