// "version.txt": the launcher's version and its command-line usage, the only
// usage text it has. Platform-free.
#pragma once

extern const char* const versionFileName;

// Replaces "version.txt" in the current directory; a failure is not reported.
void writeVersionFile(bool withComments);
