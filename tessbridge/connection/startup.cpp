#include "startup.hpp"

#include <tessbridge.h>

#include <mutex>
#include <utility>

#include "c_boundary.hpp"
#include "driver_state.hpp"
#include "messages.hpp"
#include "registry.hpp"

namespace tessbridge {
namespace {

constexpr int32_t kFirstAttachWaitSeconds = 2;
constexpr uint32_t kInitOptions = 1;

constexpr wd_match_entry kMatchEntries[2] = {
    {0x04CC, 0xF297, 0, 0, 0, 0, 0, 0},
    {0x18E4, 0x2000, 0, 0, 0, 0, 0, 0},
};

void report_event_create_failure(wd_handle event, wd_status status) {
    show_message("main: OsEventCreate() failed on event 0x%x: error 0x%x %s",
                                {event, status, Stat2Str(status)});
}

}  // namespace

void StartDriverConnection() {
    DriverState &state = driverState;
    state.attachEvent = 0;
    state.listMutex = 0;
    state.adapterCount.store(0);
    state.adapterList = nullptr;
    state.activeEntry = nullptr;
    state.releaseEvent = 0;

    wd_status status = OsEventCreate(&state.attachEvent);
    if (status != kToolkitSuccess) {
        report_event_create_failure(state.attachEvent, status);
        return;
    }
    status = OsMutexCreate(&state.listMutex);
    if (status != kToolkitSuccess) {
        show_message("main: OsMutexCreate() failed on mutex 0x%x: error 0x%x %s",
                                    {state.listMutex, status, Stat2Str(status)});
        return;
    }
    status = OsEventCreate(&state.releaseEvent);
    if (status != kToolkitSuccess) {
        report_event_create_failure(state.releaseEvent, status);
        return;
    }
    OsEventSignal(state.releaseEvent);  // starts out signalled

    const wd_event_table events{OnDeviceAttach, OnDeviceDetach, nullptr, &state};
    driverHandle = 0;
    status = WDU_Init(&driverHandle, kMatchEntries, 2, &events, kInitOptions);
    if (status != kToolkitSuccess) {
        show_message("main: failed to initialize USB driver: error 0x%x %s",
                                    {status, Stat2Str(status)});
        return;
    }

    status = OsEventWait(state.attachEvent, kFirstAttachWaitSeconds);
    if (status != kToolkitSuccess && status != kToolkitWaitTimeout) {
        show_message("main: OsEventWait() failed on event 0x%x: error 0x%x %s",
                                    {state.attachEvent, status, Stat2Str(status)});
        return;
    }
    if (state.adapterCount.load() == 0) {
        return;
    }
    ListLock lock(state);
    if (state.adapterCount.load() == 0) {
        return;
    }
    if (state.activeEntry == nullptr) {
        state.activeEntry = state.adapterList;
    }
    SelectByPosition(1);  // takes listMutex again: it is re-entrant
}

namespace {

// The load-time entry: start the connection before the host's first call.
__attribute__((constructor)) void start_on_load() {
    guarded([] { StartDriverConnection(); });
}

// Unloading does not close the connection. Once ShutdownProcedure has closed it
// no handler can run any more, so the entries still listed are freed.
__attribute__((destructor)) void free_entries_on_unload() {
    if (!connectionClosed.load()) {
        return;
    }
    AdapterEntry *entry = driverState.adapterList;
    driverState.adapterList = nullptr;
    driverState.activeEntry = nullptr;
    while (entry != nullptr) {
        delete std::exchange(entry, entry->next);
    }
}

}  // namespace
}  // namespace tessbridge

extern "C" TESSBRIDGE_API void TESSBRIDGE_CALL ShutdownProcedure(void) {
    using namespace tessbridge;
    guarded([] {
        {
            // Waits for a running handler; later ones see the connection closed.
            std::unique_lock gate(notificationGate);
            if (connectionClosed.exchange(true)) {
                return;  // already shut down
            }
        }
        DriverState &state = driverState;
        if (state.attachEvent != 0) {
            OsEventClose(state.attachEvent);
        }
        if (state.listMutex != 0) {
            OsMutexClose(state.listMutex);
        }
        if (state.releaseEvent != 0) {
            OsEventClose(state.releaseEvent);
        }
        if (driverHandle != 0) {
            WDU_Uninit(driverHandle);
        }
    });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetNumberOfDevices(void) {
    using namespace tessbridge;
    if (SerialTable.front().load() == 0) {
        return 0;
    }
    return static_cast<int32_t>(driverState.adapterCount.load());
}
