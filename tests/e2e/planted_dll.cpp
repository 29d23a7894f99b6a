// A DLL that someone else left in a download folder under the name of a
// system DLL: each process that loads it leaves "NAME.exe.planted" beside it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char mark[MAX_PATH], process[MAX_PATH];
    DWORD length = GetModuleFileNameA(self, mark, MAX_PATH);
    while (length > 0 && mark[length - 1] != '\\')
        --length;
    mark[length] = '\0';
    const DWORD processLength = GetModuleFileNameA(nullptr, process, MAX_PATH);
    const char* name = process + processLength;
    while (name > process && name[-1] != '\\')
        --name;
    if (length + lstrlenA(name) + 9 < MAX_PATH) {
        lstrcatA(mark, name);
        lstrcatA(mark, ".planted");
        CloseHandle(CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}
