// The load-time entry of tesslink.dll. The library keeps no state between
// calls, so loading and unloading it do nothing but report success.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
