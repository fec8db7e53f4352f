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

// Set by ShutdownProcedure before it closes anything. From then on nothing
// starts to use the toolkit objects: a handler stops at its next step (no
// further serial read), and a lock that returns to find it set counts as failed.
extern std::atomic<bool> connectionClosed;

// Held shared by a notification handler for each short use of the toolkit
// objects (a list change, a selection, a signal), never across a serial read or
// a message; the shutdown takes it exclusively after setting connectionClosed,
// so it waits for such a use at most, and no handler touches an object it closes.
extern std::shared_mutex notificationGate;

// One such use by a handler: touch the objects only while open() is true.
class ObjectUse {
public:
    ObjectUse() : gate_(notificationGate) {}
    bool open() const { return !connectionClosed.load(); }

private:
    std::shared_lock<std::shared_mutex> gate_;
};

// Holds listMutex for a scope, when held() says so. A lock attempt fails when
// the shutdown has begun: before it (nothing is tried) or while it waited (the
// shutdown's OsMutexClose ends the wait; wdapi801.h). The caller then returns
// its failure value and touches nothing that the mutex guards.
class ListLock {
public:
    explicit ListLock(const DriverState &state) : mutex_(state.listMutex) {
        if (connectionClosed.load()) {
            return;
        }
        OsMutexLock(mutex_);
        held_ = !connectionClosed.load();
        if (!held_) {
            // Gives back a lock granted just as the shutdown began; on a mutex
            // the shutdown has closed already this does nothing.
            OsMutexUnlock(mutex_);
        }
    }
    ~ListLock() {
        if (held_) {
            OsMutexUnlock(mutex_);
        }
    }
    ListLock(const ListLock &) = delete;
    ListLock &operator=(const ListLock &) = delete;

    bool held() const { return held_; }

private:
    wd_handle mutex_;
    bool held_ = false;
};

}  // namespace tessbridge
