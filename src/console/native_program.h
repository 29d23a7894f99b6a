// Which file the shell is given for the program, where the launcher runs as
// a 32-bit guest on 64-bit Windows. Platform-free.
#pragma once

#include <cstddef>

#include "../app/text_input.h"

// The system then gives the guest its 32-bit folder, SysWOW64, for every use
// of System32: a program named there starts as its 32-bit copy, or not at all
// where only a 64-bit one exists. Only such a guest has the alias Sysnative,
// beside System32, which reaches the real one; so a file found through it
// also tells that the launcher is such a guest, on x64 or ARM64 alike.
struct SystemFolders {
    // Only to tell whether it lies inside System32: a bare name is looked
    // for there relative to it.
    const char* currentDirectory;
    const char* system32;  // as the system names it, without a final backslash
    const char* path;      // the PATH variable; empty where there is none
    bool (*fileExists)(const char* path);
};

// Holds the longest path that the system takes.
const std::size_t nativePathSize = pathBufferSize;

// True, with the Sysnative path in `path`, when a 64-bit shell would start
// `program` as a program (".exe" or ".com") of System32 or of a folder inside
// it, and the native folder holds it. A bare name is looked for where the
// shell looks, in its order: the working directory, the Windows folder,
// System32, then each folder of the PATH; a folder inside System32 is seen
// through Sysnative. A name without extension takes the shell's program
// extensions. False where the line stays as written: a document, a path
// elsewhere (SysWOW64 too), a name found first outside System32, or no native
// copy.
bool nativeProgramPath(const char* program, const SystemFolders& folders,
                       char (&path)[nativePathSize]);
