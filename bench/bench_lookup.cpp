// Times one lookup of the launcher's console search that finds nothing, as
// all but the last of a Start's lookups do: the list of processes, the
// attach to each live member of the started program's family and the
// enumeration of the top-level windows; and the list of processes alone.
// The lookup lives inside the launcher's search source, which this program
// compiles whole; the family's source is built beside it, as in the
// launcher, both with the launcher's options. Seen from outside, through
// the relay trace, a lookup would show in whole milliseconds only. Prints
// one line per lookup, "sample lookup.PART_us VALUE", as the driver does.
#include "../src/console/console_search.cpp"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

LauncherState launcher;

namespace {

[[noreturn]] void fail(const char* why)
{
    std::printf("FAILED %s\n", why);
    std::exit(1);
}

int processCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        ++count;
    CloseHandle(snapshot);
    return count;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        fail("usage: bench_lookup BENCH-CONSOLE-EXE [LOOKUPS]");
    const int lookupsTimed = argc > 2 ? std::atoi(argv[2]) : 200;
    // The started program: the console stand-in told never to open a window,
    // a family that lives and has no console. It records its start in a file.
    char record[MAX_PATH];
    GetTempPathA(MAX_PATH, record);
    lstrcatA(record, "tabrivet-bench-lookup.txt");
    std::string line = "\"" + std::string(argv[1]) + "\" -1," + record + ",581,391";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(argv[1], &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        fail("cannot start the console stand-in");
    CloseHandle(started.hThread);
    Sleep(500);

    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    noteOpenConsoles();
    gatherFamily(started.hProcess, openBefore.noted);
    std::printf("info lookup, %d processes, a family of %d\n", processCount(), familySize());
    auto sampleUs = [&](const char* part) {
        std::printf("sample lookup.%s_us %.1f\n", part,
                    double(after.QuadPart - before.QuadPart) * 1e6 / double(frequency.QuadPart));
    };
    // The first few bring the code and the lists into the caches, as the
    // launcher's own first lookups do.
    for (int i = -5; i < lookupsTimed; ++i) {
        Sleep(20);
        QueryPerformanceCounter(&before);
        const Found found = lookUp();
        QueryPerformanceCounter(&after);
        if (found.window != nullptr || found.joinedOpenTerminal)
            fail("a lookup found a console where there is none");
        if (i >= 0)
            sampleUs("none");
        // While the family lives, reading it is the list and nothing more.
        QueryPerformanceCounter(&before);
        const bool lives = readFamily();
        QueryPerformanceCounter(&after);
        if (!lives)
            fail("no family where the started program still runs");
        if (i >= 0)
            sampleUs("list");
    }
    releaseFamily();
    TerminateProcess(started.hProcess, 0);
    CloseHandle(started.hProcess);
    DeleteFileA(record);
    std::fflush(stdout);
    return 0;
}
