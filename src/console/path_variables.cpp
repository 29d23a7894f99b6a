// Expanding %NAME% in the program and working-directory lines.
#include "path_variables.h"

#include <cstring>

namespace {

// The names that a guest reads from a twin, in upper case: the shorter is the
// end of the longer.
const char programFilesNames[] = "COMMONPROGRAMFILES";

}  // namespace

const char* expandVariables(const char* text, VariableLookup lookup, bool guest,
                            char (&buffer)[expandedSize], const char* fallback)
{
    char* expanded = buffer;
    char* const end = buffer + expandedSize;
    // Both lines come from the settings reader, so any name fits.
    char name[lineCapacity + 1];
    for (const char* p = text; *p != '\0';) {
        // A character as written, a known name's value, or an unknown name
        // with its '%'s.
        const char* const from = p++;
        const char* const close = *from == '%' ? std::strchr(p, '%') : nullptr;
        if (close != nullptr) {
            // In upper case, which the lookup ignores, to compare with the
            // names that a guest reads from a twin.
            char* n = name;
            for (; p != close; ++p)
                *n++ = *p >= 'a' && *p <= 'z' ? *p - 'a' + 'A' : *p;
            *n = '\0';
            ++p;
            // The whole of the longer name, or all of it but "COMMON".
            const std::size_t skipped = name + sizeof programFilesNames - 1 - n;
            if (guest && (skipped == 0 || skipped == 6) &&
                !std::strcmp(name, programFilesNames + skipped))
                std::memcpy(n - 5, "W6432", 5);
            const std::size_t length = lookup(name, expanded, end - expanded);
            if (length >= static_cast<std::size_t>(end - expanded))
                return fallback;
            if (length != 0) {
                expanded += length;
                continue;
            }
        }
        if (p - from >= end - expanded)
            return fallback;
        std::memcpy(expanded, from, p - from);
        expanded += p - from;
    }
    *expanded = '\0';
    return utf16Length(buffer, expanded - buffer) > longestPath ? fallback : buffer;
}
