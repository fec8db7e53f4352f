#include "startup.hpp"

#include <tessbridge.h>

#include <chrono>
#include <mutex>
#include <utility>

#include "c_boundary.hpp"
#include "driver_state.hpp"
#include "load_entry.hpp"
#include "messages.hpp"
#include "registry.hpp"

namespace tessbridge {
namespace {

using Clock = std::chrono::steady_clock;

// The whole start-up shares one budget: what WDU_Init spends delivering the
// adapters present (wdapi801.h: at most 2 s) comes off the wait for the first
// attach. OsEventWait counts whole seconds, so the rest is rounded up; once
// WDU_Init has used it all, the wait only looks whether an attach came.
constexpr std::chrono::seconds kStartUpBudget{2};
constexpr uint32_t kInitOptions = 1;

constexpr wd_match_entry kMatchEntries[2] = {
    {0x04CC, 0xF297, 0, 0, 0, 0, 0, 0},
    {0x18E4, 0x2000, 0, 0, 0, 0, 0, 0},
};

void report_event_create_failure(wd_handle event, wd_status status) {
    show_message("main: OsEventCreate() failed on event 0x%x: error 0x%x %s",
                                {event, status, Stat2Str(status)});
}

// Seconds left of the budget begun at `start`, rounded up; 0 once it is spent.
int32_t seconds_left(Clock::time_point start) {
    const auto left = kStartUpBudget - (Clock::now() - start);
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    return static_cast<int32_t>(std::chrono::ceil<std::chrono::seconds>(left).count());
}

}  // namespace

void StartDriverConnection() {
    const Clock::time_point start = Clock::now();
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

    // WDU_Init returns once the adapters present have been attached (their
    // serial numbers read), so none of them can change the selection made below.
    const wd_event_table events{OnDeviceAttach, OnDeviceDetach, nullptr, &state};
    driverHandle = 0;
    status = WDU_Init(&driverHandle, kMatchEntries, 2, &events, kInitOptions);
    if (status != kToolkitSuccess) {
        show_message("main: failed to initialize USB driver: error 0x%x %s",
                                    {status, Stat2Str(status)});
        return;
    }

    status = OsEventWait(state.attachEvent, seconds_left(start));
    if (status != kToolkitSuccess && status != kToolkitWaitTimeout) {
        show_message("main: OsEventWait() failed on event 0x%x: error 0x%x %s",
                                    {state.attachEvent, status, Stat2Str(status)});
        return;
    }
    if (state.adapterCount.load() == 0) {
        return;
    }
    ListLock lock(state);
    if (!lock.held() || state.adapterCount.load() == 0) {
        return;
    }
    if (state.activeEntry == nullptr) {
        state.activeEntry = state.adapterList;
    }
    SelectByPosition(1);  // takes listMutex again: it is re-entrant
}

}  // namespace tessbridge

// The load-time entry (platform/load_entry.hpp) runs these.
void platform::library_start_up() noexcept {
    tessbridge::guarded([] { tessbridge::StartDriverConnection(); });
}

// Unloading does not close the connection. Once ShutdownProcedure has closed it
// no handler can run any more, so the entries still listed are freed.
void platform::library_unload() noexcept {
    using namespace tessbridge;
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

// Closing starts by setting connectionClosed: a handler stops at its next step
// (no further serial read), and a selection waiting for listMutex fails once
// the close below ends its wait. The shutdown then waits only for a handler's
// short use of the objects in progress (ObjectUse), closes them, and has
// WDU_Uninit end the transfer in flight and wait for the handler to return.
extern "C" TESSBRIDGE_API void TESSBRIDGE_CALL ShutdownProcedure(void) {
    using namespace tessbridge;
    exported([] {
        if (connectionClosed.exchange(true)) {
            return;  // already shut down
        }
        // Waits for a handler's use of the objects in progress; later ones see the flag.
        notificationGate.lock();
        notificationGate.unlock();
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
    return exported(int32_t{0}, [] {
        if (SerialTable.front().load() == 0) {
            return int32_t{0};
        }
        return static_cast<int32_t>(driverState.adapterCount.load());
    });
}
