// The program's entry: settles the start-up state, then runs the window.
#include "launcher_state.h"

#include <objbase.h>

LauncherState launcher;

// The C runtime reports a math error on standard error, which a GUI program
// has not, and the launcher does no floating-point arithmetic. This stand-in
// keeps the runtime's report and its texts out of the exe.
extern "C" int __cdecl _matherr(struct _exception*)
{
    return 0;
}

// The runtime's pass over pseudo relocations, which the linker makes only
// for data that the exe imports from a DLL without saying so. The launcher
// imports none; this stand-in keeps the pass and the section walk it needs
// out of the exe, and ends the process at once should one ever appear, so
// that no test could pass with it.
extern "C" char __RUNTIME_PSEUDO_RELOC_LIST__, __RUNTIME_PSEUDO_RELOC_LIST_END__;
extern "C" void _pei386_runtime_relocator()
{
    if (&__RUNTIME_PSEUDO_RELOC_LIST__ != &__RUNTIME_PSEUDO_RELOC_LIST_END__)
        ExitProcess(1);
}

#if !defined(_WIN64)
// The runtime's filter for exceptions that nothing handles turns them into C
// signals, for handlers that the launcher never installs, and then hands
// them on to the filter it replaced, as this stand-in does at once. It keeps
// the runtime's filter, and the signal table it reads, out of the exe. The
// 64-bit runtime keeps its filter in one file with its unwinding set-up, so
// there the stand-in would clash with it.
extern "C" {
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler;
LONG CALLBACK _gnu_exception_handler(EXCEPTION_POINTERS* exception)
{
    return __mingw_oldexcpt_handler != nullptr ? __mingw_oldexcpt_handler(exception)
                                               : EXCEPTION_CONTINUE_SEARCH;
}
}
#endif

namespace {

// DLLs that the shell, COM and theming load later by name would otherwise be
// looked for first in the exe's own folder, which is often Downloads. The call
// is missing before Windows 8 without KB2533623; loading then stays as it was.
// Not SetDllDirectory(""): the started program would inherit that.
void loadDllsFromSystemOnly()
{
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesCall>(
        reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32"), "SetDefaultDllDirectories")));
    // Vista (6.0, major version in the low byte) fails to create shell-link
    // objects under the call, so installers such as NSIS leave it out there.
    // The folders that a shell handler adds with AddDllDirectory or
    // SetDllDirectory stay open to its own DLLs.
    if (setDefaultDllDirectories != nullptr && LOWORD(GetVersion()) != 0x0006)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
}

DWORD legacyCodePage;

std::size_t fromLegacyCodePage(const char* text, std::size_t length, char* converted,
                               std::size_t capacity)
{
    static wchar_t wide[lineCapacity];
    const int units = MultiByteToWideChar(legacyCodePage, 0, text, static_cast<int>(length), wide,
                                          lineCapacity);
    // 0 where a step fails.
    return WideCharToMultiByte(CP_UTF8, 0, wide, units, converted, static_cast<int>(capacity),
                               nullptr, nullptr);
}

// The manifest asks for UTF-8 as the process's code page, which Windows 10
// version 1903 and later grant; a legacy settings file was still saved in the
// user's own, which the locale keeps. Null where the two are one.
LegacyConversion legacyConversion()
{
    if (GetACP() != CP_UTF8 ||
        !GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&legacyCodePage),
                        sizeof legacyCodePage / sizeof(wchar_t)) ||
        legacyCodePage == CP_UTF8)
        return nullptr;
    return fromLegacyCodePage;
}

}  // namespace

// A code page of UTF-8 refuses WC_NO_BEST_FIT_CHARS; it holds every
// character anyway.
std::size_t toAnsiCodePage(const char16_t* text, std::size_t length, char* ansi,
                           std::size_t capacity)
{
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int written =
        WideCharToMultiByte(CP_ACP, flags, reinterpret_cast<LPCWCH>(text), static_cast<int>(length),
                            ansi, static_cast<int>(capacity), nullptr, nullptr);
    return written > 0 ? written : 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    loadDllsFromSystemOnly();
    // The system's own command line, not the one handed in here: the split
    // looks for the ".exe" of the program's path, which only it carries.
    if (!settleStartState(GetCommandLineA(), GetSystemMetrics(SM_CYFULLSCREEN),
                          GetACP() == CP_UTF8 ? nullptr : toAnsiCodePage, launcher,
                          legacyConversion()))
        return 0;
    // ShellExecuteEx may hand a file to a handler that is a COM server, and
    // asks for an apartment on the calling thread; OLE1's DDE is not wanted.
    const HRESULT com =
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const int exitCode = runMainWindow(instance, showCommand);
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
