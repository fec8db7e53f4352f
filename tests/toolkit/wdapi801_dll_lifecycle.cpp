// wdapi801.dll loaded at run time, through the ends of its life that the
// in-process tests cannot reach (ctest bounds each run, so a hang fails too):
//
//   wdapi801_dll_lifecycle unload
//       load, register, let it poll, WDU_Uninit, unload; twice. WDU_Uninit must
//       have joined every thread of the toolkit: one still running in the
//       unloaded code would crash the process.
//   wdapi801_dll_lifecycle exit-registered
//       load, register, let it poll, and end the process without WDU_Uninit.
//       Windows ends the toolkit's threads first, then detaches the DLL: a
//       join or a lock at that point would hang or abort the process.
//
// Exits 0 when the run went through, 1 with a message otherwise.
#include <windows.h>

#include <wdapi801.h>

#include <cstdio>
#include <cstring>

namespace {

struct Toolkit {
    HMODULE module = nullptr;
    decltype(&WDU_Init) init = nullptr;
    decltype(&WDU_Uninit) uninit = nullptr;
    decltype(&OsEventCreate) event_create = nullptr;
    decltype(&OsEventWait) event_wait = nullptr;
    decltype(&OsEventClose) event_close = nullptr;
};

template <typename Function>
bool resolve(HMODULE module, const char *name, Function &out) {
    out = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    if (out == nullptr) {
        std::fprintf(stderr, "wdapi801.dll exports no %s\n", name);
    }
    return out != nullptr;
}

bool load(Toolkit &toolkit) {
    toolkit.module = LoadLibraryA("wdapi801.dll");
    if (toolkit.module == nullptr) {
        std::fprintf(stderr, "LoadLibrary(wdapi801.dll) failed: error %lu\n", GetLastError());
        return false;
    }
    return resolve(toolkit.module, "WDU_Init", toolkit.init) &&
           resolve(toolkit.module, "WDU_Uninit", toolkit.uninit) &&
           resolve(toolkit.module, "OsEventCreate", toolkit.event_create) &&
           resolve(toolkit.module, "OsEventWait", toolkit.event_wait) &&
           resolve(toolkit.module, "OsEventClose", toolkit.event_close);
}

int on_attach(wd_handle, const wd_device_info *, void *) { return 1; }

// Registers for the adapters and lets the polling watcher run a few rounds.
bool register_and_poll(const Toolkit &toolkit, wd_handle &driver) {
    const wd_match_entry matches[] = {{0x04CC, 0xF297, 0, 0, 0, 0, 0, 0},
                                      {0x18E4, 0x2000, 0, 0, 0, 0, 0, 0}};
    const wd_event_table table{on_attach, nullptr, nullptr, nullptr};
    if (const wd_status status = toolkit.init(&driver, matches, 2, &table, 1)) {
        std::fprintf(stderr, "WDU_Init failed: 0x%lx\n", static_cast<unsigned long>(status));
        return false;
    }
    wd_handle never_signalled = 0;
    if (toolkit.event_create(&never_signalled) != WD_STATUS_SUCCESS) {
        std::fprintf(stderr, "OsEventCreate failed\n");
        return false;
    }
    const wd_status waited = toolkit.event_wait(never_signalled, 2);
    toolkit.event_close(never_signalled);
    if (waited != WD_STATUS_WAIT_TIMEOUT) {
        std::fprintf(stderr, "OsEventWait: 0x%lx\n", static_cast<unsigned long>(waited));
        return false;
    }
    return true;
}

int unload() {
    for (int round = 1; round <= 2; ++round) {
        Toolkit toolkit;
        wd_handle driver = 0;
        if (!load(toolkit) || !register_and_poll(toolkit, driver)) {
            return 1;
        }
        toolkit.uninit(driver);
        if (!FreeLibrary(toolkit.module)) {
            std::fprintf(stderr, "FreeLibrary failed: error %lu\n", GetLastError());
            return 1;
        }
        if (GetModuleHandleA("wdapi801.dll") != nullptr) {
            std::fprintf(stderr, "wdapi801.dll is still loaded after FreeLibrary\n");
            return 1;
        }
        std::printf("round %d: registered, polled, stopped, unloaded\n", round);
    }
    return 0;
}

int exit_registered() {
    Toolkit toolkit;
    wd_handle driver = 0;
    if (!load(toolkit) || !register_and_poll(toolkit, driver)) {
        return 1;
    }
    std::printf("registered and polling; the process ends without WDU_Uninit\n");
    std::fflush(stdout);
    return 0;  // ExitProcess: the toolkit's threads are ended, then the DLL detached
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "unload") == 0) {
        return unload();
    }
    if (argc == 2 && std::strcmp(argv[1], "exit-registered") == 0) {
        return exit_registered();
    }
    std::fprintf(stderr, "usage: wdapi801_dll_lifecycle unload|exit-registered\n");
    return 2;
}
