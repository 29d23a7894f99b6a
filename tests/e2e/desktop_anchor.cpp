// Holds the test desktop open for a whole session. Wine closes a desktop one
// second after its last program has left it, and a program that starts in
// that moment gets a desktop whose window is being destroyed: every window
// it creates fails. The test programs come and go one after another, so
// this one stays, with a hidden window that no test looks for.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowExA(0, "STATIC", "Tabrivet test desktop anchor", WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
