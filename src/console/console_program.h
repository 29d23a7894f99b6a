// Whether the file the shell runs is a console program, told from its name
// and its first bytes. Platform-free.
#pragma once

#include <cstddef>

// Enough for the headers that linkers write: theirs begin within the first
// few hundred bytes. A header further on is not read, and its program is
// taken for one of another kind.
const std::size_t programHeaderSize = 1024;

// The shell's completions for a name without extension that name a file it
// runs, in its order, each ended by a NUL: a program (".com", ".exe") or a
// batch file (".bat", ".cmd"), which cmd runs.
extern const char programExtensions[];

// True for a batch file (".bat", ".cmd"), which cmd runs, and for a program
// (".exe", ".com") whose header names the console subsystem, in a 32-bit
// or a 64-bit image. `header` holds the file's first `length` bytes, fewer
// for a short file; any bytes at all may come. A document, a program of
// another subsystem and anything unreadable give false.
bool isConsoleProgram(const char* name, const unsigned char* header, std::size_t length);
