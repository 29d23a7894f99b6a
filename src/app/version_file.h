// "version.txt": the launcher's version and its command-line usage, the only
// usage text it has. Platform-free.
#pragma once

#include <string>

extern const char* const versionFileName;

// The whole file, CR LF line ends included.
std::string versionFileText(bool withComments);

// Replaces "version.txt" in the current directory; a failure is not reported.
void writeVersionFile(bool withComments);
