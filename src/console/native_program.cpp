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

bool isProgramExtension(const char* extension)
{
    // One character more than either, so that a longer extension differs.
    char lower[6] = "";
    for (int i = 0; i < 5 && extension[i] != '\0'; ++i)
        lower[i] = folded(extension[i]);
    return !std::strcmp(lower, ".exe") || !std::strcmp(lower, ".com");
}

// The extensions the shell tries on a name without one, in the order of its
// documentation. Not PATHEXT: that is the command prompt's list.
const char completions[] = ".pif.com.bat.cmd.lnk.exe";

// The part of the `length` characters of `folder` that follows System32:
// empty for System32 itself, else a slash and the rest; null when the folder
// lies elsewhere.
const char* belowSystem32(const char* folder, std::size_t length, const char* system32)
{
    const char* const end = folder + length;
    for (; *system32 != '\0'; ++folder, ++system32) {
        if (folder == end || folded(*folder) != folded(*system32))
            return nullptr;
    }
    return folder == end || folded(*folder) == '\\' ? folder : nullptr;
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
    if (*name == '\0' || (dot != nullptr && !isProgramExtension(dot)))
        return false;
    const std::size_t nameLength = std::strlen(name);
    // The alias stands beside System32, in the Windows folder.
    std::size_t windowsLength = 0, system32Length = 0;
    for (; folders.system32[system32Length] != '\0'; ++system32Length) {
        if (folders.system32[system32Length] == '\\')
            windowsLength = system32Length;
    }
    if (windowsLength == 0)
        return false;

    // A path names its one folder. A bare name is looked for where a 64-bit
    // shell looks, in its order: the working directory, the Windows folder,
    // System32, then each folder of the PATH.
    const char* entry = folders.path;
    for (int place = 0;; ++place) {
        // Place 1, the Windows folder, begins System32.
        const char* folder = folders.system32;
        std::size_t length = windowsLength;
        if (name != program) {
            if (place > 0)
                return false;
            folder = program;
            length = name - program;
        } else if (place == 0) {
            folder = folders.currentDirectory;
            length = std::strlen(folder);
        } else if (place == 2) {
            length = system32Length;
        } else if (place > 2) {
            if (*entry == '\0')
                return false;
            folder = entry;
            length = std::strcspn(entry, ";");
            entry += length + (entry[length] == ';');
        }

        // Seen as a 64-bit shell sees it: a folder inside System32 through
        // Sysnative.
        const char* const below = belowSystem32(folder, length, folders.system32);
        std::size_t end = 0;
        if (below != nullptr) {
            end = windowsLength + 10;
            length -= below - folder;
            folder = below;
        } else if (place == 0 && name == program) {
            // Looked at by the bare name, relative to it: the system gives the
            // working folder's name in the ANSI code page, where a letter it
            // lacks comes back as a look-alike or '?', naming no folder.
            length = 0;
        } else if (length == 0 || name != program) {
            // An empty PATH entry names no folder, and a path elsewhere stays
            // as written whatever it holds.
            continue;
        }
        // Room in bytes for the alias, a slash, the name, an extension and the end.
        if (end + length + nameLength + 6 > nativePathSize)
            continue;
        if (below != nullptr) {
            std::memcpy(path, folders.system32, windowsLength);
            std::memcpy(path + windowsLength, "\\Sysnative", 10);
        }
        std::memcpy(path + end, folder, length);
        end += length;
        if (end != 0 && folded(path[end - 1]) != '\\')
            path[end++] = '\\';
        std::memcpy(path + end, name, nameLength + 1);
        end += nameLength;
        // With room for an extension, as the system counts: in UTF-16 units.
        if (utf16Length(path, end) + 4 > longestPath)
            continue;
        // One look per extension: the name's own, or each of the shell's.
        for (std::size_t i = 0; i < (dot != nullptr ? 1 : sizeof completions / 4); ++i) {
            if (dot == nullptr) {
                std::memcpy(path + end, completions + 4 * i, 4);
                path[end + 4] = '\0';
            }
            if (folders.fileExists(path))
                return below != nullptr && (dot != nullptr || isProgramExtension(path + end));
        }
    }
}
