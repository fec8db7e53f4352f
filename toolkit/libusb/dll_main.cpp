// The entry point of wdapi801.dll. It does nothing, on purpose:
//   - at load it runs under the loader lock, where a thread the toolkit started
//     could not run and no library may be loaded: everything starts in WDU_Init,
//     which the host calls later;
//   - at unload (FreeLibrary, reserved null) the host has called WDU_Uninit,
//     which joined every thread of the toolkit;
//   - at process exit (reserved not null) Windows has already ended every other
//     thread wherever it was, maybe holding a lock: nothing may be joined or
//     locked then. So the toolkit's process-wide objects (the registration, the
//     handle tables, the record set) are never destroyed, and the threads of a
//     registration belong to objects that only WDU_Uninit destroys. The static
//     destructors the runtime runs after this function touch none of them.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
