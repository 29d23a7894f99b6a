// The started program's family, which the console search follows: the
// process the shell started and every process started by a member.
#pragma once

#include <windows.h>

// In the unit and from the epoch that process creation times are given in.
ULONGLONG systemTime();

// The started process becomes the only member; without it, the family is
// gone from the start. `noted`, the system time before the shell call,
// stands in for its creation time when that cannot be read.
void gatherFamily(HANDLE startedProcess, ULONGLONG noted);

// Called at each lookup before the list of processes is taken: a child that
// a member started just before it ended is then in the list.
void noteEndedMembers();

// Takes into the family, from a fresh list of the processes, those started
// by a member since the last list, and says whether the family lives: a
// member still ran when ended ones were noted, or somebody joined. A family
// seen gone with a fresh list stays gone, and no list is read for it again:
// its members can start nothing more, and whatever they started is in that
// list.
bool readFamily();

bool isFamilyMember(DWORD processId);

// Whether the process already ran when the list was last read, and was not
// taken in then: it never will be, and telling so needs no list. False once
// the family has gone, when any process may have the work.
bool isListedOutsider(DWORD processId);

// The members in the order they joined, the started process first; a
// member's id is 0 once it was seen ended.
int familySize();
DWORD runningMember(int index);

// The started process's own handle stays with the caller.
void releaseFamily();
