// Follows the started program's family through the list of processes, so
// that the console search can tell the program's consoles from others'.
#include "console_family.h"

#include <tlhelp32.h>

namespace {

// A member's handle is held until the search ends, so that its id cannot
// pass to another process meanwhile and bring that process's children in. A
// family larger than this takes no more.
struct Member {
    DWORD id;
    HANDLE process;
    ULONGLONG created;
    bool ended;
};
struct Family {
    Member members[128];
    int count;
};
Family family;
bool familyGone;
bool memberRan;  // when ended members were last noted
ULONGLONG lastListed;

const Member* memberOf(DWORD id)
{
    for (int i = 0; i < family.count; ++i) {
        if (family.members[i].id == id)
            return &family.members[i];
    }
    return nullptr;
}

ULONGLONG asNumber(FILETIME time)
{
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ULONGLONG creationTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return asNumber(created);
}

// Takes a process that names `parent` as its parent in the list taken at
// `listed` into the family. Once a process has ended its id may be reused: a
// process older than the member it names is no child of it, and one younger
// than the list took the id of a listed one that ended since. A process the
// launcher may not query (another user's, say) is left out.
bool join(DWORD id, const Member& parent, ULONGLONG listed)
{
    if (family.count == sizeof family.members / sizeof family.members[0])
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
    // From Vista on, an elevated process grants only the limited right.
    if (process == nullptr)
        process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
    if (process == nullptr)
        return false;
    const ULONGLONG created = creationTime(process);
    if (created == 0 || created < parent.created || created > listed) {
        CloseHandle(process);
        return false;
    }
    family.members[family.count++] = {id, process, created, false};
    return true;
}

// Takes into the family, from a fresh list of the processes, those started by
// a member since the last list; says whether any joined.
bool joinChildren()
{
    const ULONGLONG listed = systemTime();
    lastListed = listed;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool any = false;
    // A child may be listed before its parent, when its parent's id was
    // reused: go round until nobody joins.
    for (bool joined = true; joined; any = any || joined) {
        joined = false;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry)) {
            const Member* parent = memberOf(entry.th32ParentProcessID);
            if (parent != nullptr && memberOf(entry.th32ProcessID) == nullptr &&
                join(entry.th32ProcessID, *parent, listed))
                joined = true;
        }
    }
    CloseHandle(snapshot);
    return any;
}

}  // namespace

ULONGLONG systemTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return asNumber(now);
}

void gatherFamily(HANDLE startedProcess, ULONGLONG noted)
{
    family.count = 0;
    lastListed = 0;
    // Without the right to ask, the started process's id is 0, and every
    // process that names no parent would look like its child.
    const DWORD id = startedProcess != nullptr ? GetProcessId(startedProcess) : 0;
    if (id != 0) {
        // No creation time to be had: the moment before the shell call is
        // just as good a bound for its children's.
        const ULONGLONG created = creationTime(startedProcess);
        family.members[family.count++] = {id, startedProcess, created != 0 ? created : noted,
                                          false};
    }
    familyGone = family.count == 0;
}

void noteEndedMembers()
{
    memberRan = false;
    for (int i = 0; i < family.count; ++i) {
        Member& member = family.members[i];
        member.ended = member.ended || WaitForSingleObject(member.process, 0) != WAIT_TIMEOUT;
        memberRan = memberRan || !member.ended;
    }
}

bool readFamily()
{
    if (familyGone)
        return false;
    const bool lives = joinChildren() || memberRan;
    familyGone = !lives;
    return lives;
}

bool isFamilyMember(DWORD processId)
{
    return memberOf(processId) != nullptr;
}

bool isListedOutsider(DWORD processId)
{
    if (familyGone || lastListed == 0 || memberOf(processId) != nullptr)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return false;
    const ULONGLONG created = creationTime(process);
    CloseHandle(process);
    return created != 0 && created < lastListed;
}

int familySize()
{
    return family.count;
}

DWORD runningMember(int index)
{
    const Member& member = family.members[index];
    return member.ended ? 0 : member.id;
}

void releaseFamily()
{
    for (int i = 1; i < family.count; ++i)
        CloseHandle(family.members[i].process);
    family.count = 0;
}
