// Environment variables in the program and working-directory lines, read as
// a shortcut, the Task Scheduler or Windows Terminal reads them.
// Platform-free: the caller hands in the lookup.
#pragma once

#include <cstddef>

#include "../app/text_input.h"

// As GetEnvironmentVariableA does: writes the value of the variable `name`
// (found without regard to case) and its end into value[0, capacity) and
// returns the value's length; returns more than `capacity - 1` where it does
// not fit, and 0 for an unknown name.
using VariableLookup = std::size_t (*)(const char* name, char* value, std::size_t capacity);

// Holds the longest path that the system takes, as the working directory does.
const std::size_t expandedSize = pathBufferSize;

// Returns `buffer`, holding `text` with each %NAME% of a known variable
// replaced by its value; or `fallback` where that is longer than the longest
// path.
// An unknown name keeps its '%'s, and so do "%%" and a '%' without a closing
// one, so that a folder named "100%" still works; a value is never expanded
// again. A guest (a 32-bit launcher on 64-bit Windows) takes %ProgramFiles%
// and %CommonProgramFiles% from their W6432 twins: the system gives a 32-bit
// process the (x86) folders under these names, a 64-bit shell the native
// ones, and a line copied from a shortcut must name the same program. `text`
// is a line of the settings file: it holds at most lineCapacity characters.
const char* expandVariables(const char* text, VariableLookup lookup, bool guest,
                            char (&buffer)[expandedSize], const char* fallback);
