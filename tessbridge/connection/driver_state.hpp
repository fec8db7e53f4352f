// The process-wide record of the driver connection and the adapter registry.
//
// DriverState's list fields (adapterList, activeEntry) are guarded by its
// listMutex. Values read without that mutex (adapterCount, ActiveDevice,
// SerialTable) are atomics.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <shared_mutex>

#include "toolkit.hpp"

namespace tessbridge {

struct AdapterEntry {
    AdapterEntry *next = nullptr;
    wd_handle deviceHandle = 0;
    uint32_t vendorId = 0;
    uint32_t productId = 0;
    uint32_t interfaceNumber = 0;
    uint32_t reserved = 0;
};

struct DriverState {
    wd_handle attachEvent = 0;         // signalled at the end of every attach
    wd_handle listMutex = 0;           // guards adapterList, adapterCount, activeEntry
    std::atomic<uint32_t> adapterCount{0};
    AdapterEntry *adapterList = nullptr;  // attach order
    AdapterEntry *activeEntry = nullptr;  // the entry last selected
    wd_handle releaseEvent = 0;        // signalled on every detach and failed selection
};

inline constexpr std::size_t kSerialSlots = 10;

extern DriverState driverState;
extern wd_handle driverHandle;
// Device handle of the selected adapter; 0 when none is selected.
extern std::atomic<wd_handle> ActiveDevice;
// Serial numbers by list position (slot k holds position k + 1).
extern std::array<std::atomic<int32_t>, kSerialSlots> SerialTable;

// Set by ShutdownProcedure. Notification handlers hold `notificationGate` shared
// while they run and do nothing once the connection is closed; the shutdown
// takes it exclusively, so no handler touches an object it closes.
extern std::atomic<bool> connectionClosed;
extern std::shared_mutex notificationGate;

// Holds listMutex for a scope.
class ListLock {
public:
    explicit ListLock(const DriverState &state) : mutex_(state.listMutex) { OsMutexLock(mutex_); }
    ~ListLock() { OsMutexUnlock(mutex_); }
    ListLock(const ListLock &) = delete;
    ListLock &operator=(const ListLock &) = delete;

private:
    wd_handle mutex_;
};

}  // namespace tessbridge
