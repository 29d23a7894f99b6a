// Writing "version.txt" for the options "-V" and "-VC".
#include "version_file.h"

#include <cstdio>

#include "version.h"

const char* const versionFileName = "version.txt";

namespace {

struct UsageLine {
    const char* plain;
    const char* withComments;
};

// Each "#" stands in the 16th column; every line ends in one blank.
const UsageLine usageLines[] = {
    {"Tabrivet -c3 ", "Tabrivet -c3   # diagonal "},
    {"Tabrivet -p ", "Tabrivet -p    # PDF help "},
    {"Tabrivet -s- ", "Tabrivet -s-   # manual start "},
    {"Tabrivet -t ", "Tabrivet -t    # Show where the cursor is. "},
    {"Tabrivet -V ", "Tabrivet -V    # version "},
    {"Tabrivet -VC ", "Tabrivet -VC   # version with comments "},
};

}  // namespace

void writeVersionFile(bool withComments)
{
    // "wb" truncates: an older, longer file leaves nothing behind.
    std::FILE* file = std::fopen(versionFileName, "wb");
    if (file == nullptr)
        return;
    // The version line carries a line feed of its own before its line end,
    // which is what leaves the empty second line.
    std::fputs("Tabrivet Version " TABRIVET_VERSION "\r\n\r\n", file);
    std::fflush(file);
    for (const UsageLine& line : usageLines) {
        std::fputs(withComments ? line.withComments : line.plain, file);
        std::fputs("\r\n", file);
        std::fflush(file);
    }
    std::fclose(file);
}
