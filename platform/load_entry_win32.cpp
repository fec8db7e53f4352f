// Windows: DllMain runs under the loader lock, where a thread it creates cannot
// start before DllMain returns (so a start-up that waited there for the first
// adapter would always run out its 2 seconds) and where the toolkit must not
// load libraries. So DLL_PROCESS_ATTACH only starts a start-up thread, which
// runs the whole start-up once DllMain has returned. The thread pins the
// module, so that a FreeLibrary cannot unload the code it runs, and ends with
// FreeLibraryAndExitThread. Every export waits for that start-up the first
// time (await_start_up); should the thread not start, the first export runs
// the start-up itself, once.
//
// Do not call the library from another DLL's DllMain: the start-up thread needs
// the loader lock to start, so the wait there would never end.
#include <windows.h>

#include <atomic>

#include "load_entry.hpp"

namespace platform {
namespace {

std::atomic<bool> startUpDone{false};
// Set by the start-up thread when its start-up is over; null when DllMain
// started no thread. Written only in DllMain, before any export can run.
HANDLE startUpFinished = nullptr;
HMODULE pinnedModule = nullptr;
INIT_ONCE startUpOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK start_up_once(PINIT_ONCE /*once*/, PVOID /*parameter*/, PVOID * /*context*/) {
    library_start_up();
    return TRUE;
}

DWORD WINAPI start_up_thread(LPVOID /*parameter*/) {
    library_start_up();
    startUpDone.store(true, std::memory_order_release);
    SetEvent(startUpFinished);
    FreeLibraryAndExitThread(pinnedModule, 0);
}

// Starts the start-up thread; false when it cannot be started.
bool start_thread() {
    startUpFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (startUpFinished == nullptr) {
        return false;
    }
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&start_up_thread), &pinnedModule)) {
        CloseHandle(startUpFinished);
        startUpFinished = nullptr;
        return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, start_up_thread, nullptr, 0, nullptr);
    if (thread == nullptr) {
        // Only drops the count taken above: the loader holds the module while
        // DllMain runs, so nothing is unloaded.
        FreeLibrary(pinnedModule);
        pinnedModule = nullptr;
        CloseHandle(startUpFinished);
        startUpFinished = nullptr;
        return false;
    }
    CloseHandle(thread);
    return true;
}

}  // namespace

void await_start_up() noexcept {
    if (startUpDone.load(std::memory_order_acquire)) {
        return;
    }
    if (startUpFinished != nullptr) {
        WaitForSingleObject(startUpFinished, INFINITE);
    } else {
        InitOnceExecuteOnce(&startUpOnce, start_up_once, nullptr, nullptr);
    }
    startUpDone.store(true, std::memory_order_release);
}

}  // namespace platform

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            platform::start_thread();  // without a thread, the first export starts up
            break;
        case DLL_PROCESS_DETACH:
            // At process exit (reserved not null) Windows has ended the other
            // threads already: nothing is touched. On FreeLibrary the start-up
            // thread is over (it held the module until its last instruction).
            if (reserved == nullptr) {
                platform::library_unload();
                if (platform::startUpFinished != nullptr) {
                    CloseHandle(platform::startUpFinished);
                }
            }
            break;
        default:
            break;
    }
    return TRUE;
}
