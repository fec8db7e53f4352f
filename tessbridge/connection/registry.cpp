#include "registry.hpp"

#include <tessbridge.h>

#include <algorithm>
#include <new>

#include "c_boundary.hpp"
#include "channel.hpp"
#include "driver_state.hpp"
#include "messages.hpp"

namespace tessbridge {
namespace {

constexpr uint32_t kSerialReadTimeoutMs = 10000;
constexpr int32_t kSerialDescriptorBytes = 10;
// GET_DESCRIPTOR, string 3, language 0x0409, 10 bytes.
constexpr uint8_t kSerialSetupPacket[8] = {0x80, 0x06, 0x03, 0x03, 0x09, 0x04, 0x0A, 0x00};

wd_status serial_control_read(wd_handle device, void *context, uint32_t *moved) {
    return WDU_TransferDefaultPipe(device, 1, 0, context, kSerialDescriptorBytes, moved,
                                   kSerialSetupPacket, kSerialReadTimeoutMs);
}

// The entry at a 1-based position (1 or less: the first), or null past the end.
// Caller holds listMutex.
AdapterEntry *entry_at(const DriverState &state, int32_t position) {
    AdapterEntry *entry = state.adapterList;
    for (int32_t p = 1; p < position && entry != nullptr; ++p) {
        entry = entry->next;
    }
    return entry;
}

// Points the selection at `entry`; past the end of the list the previous
// device stays selected but no entry is active. Caller holds listMutex.
bool select_entry(DriverState &state, AdapterEntry *entry) {
    state.activeEntry = entry;
    if (entry != nullptr) {
        ActiveDevice.store(entry->deviceHandle);
    }
    return entry != nullptr;
}

// Drops the slot of the departing position and moves the later ones down, so
// that slots keep matching list positions. Nothing is read from the adapters:
// a slot that would need a serial number never read is 0.
void drop_serial_slot(int32_t position) {
    if (position < 1 || static_cast<std::size_t>(position) > kSerialSlots) {
        return;
    }
    for (auto k = static_cast<std::size_t>(position - 1); k + 1 < kSerialSlots; ++k) {
        SerialTable.at(k).store(SerialTable.at(k + 1).load());
    }
    SerialTable.back().store(0);
}

}  // namespace

// The handlers' bodies; the handlers run them inside the C boundary.
int attach(wd_handle device, const wd_device_info *info, void *userData);
void detach(wd_handle device, void *userData);

int32_t ParseSerialNumber(const uint8_t descriptor[10], int32_t received) {
    if (received < kSerialDescriptorBytes) {
        return kUnreadableSerial;
    }
    int32_t value = 0;
    for (int i = 2; i <= 8; i += 2) {
        const uint8_t low = descriptor[i];
        const uint8_t high = descriptor[i + 1];
        if (high != 0 || low < '0' || low > '9') {
            return kUnreadableSerial;
        }
        value = value * 10 + (low - '0');
    }
    return value;
}

int32_t ReadSerialDescriptor(uint8_t buffer[10]) {
    return GuardedTransfer(serial_control_read, buffer, kSerialDescriptorBytes,
                           Messages::unless_closed);
}

void SelectByPosition(int32_t position) {
    DriverState &state = driverState;
    if (state.adapterCount.load() == 0) {
        return;
    }
    bool found = false;
    {
        ListLock lock(state);
        if (!lock.held()) {
            return;
        }
        found = select_entry(state, entry_at(state, position));
    }
    if (!found) {
        OsEventSignal(state.releaseEvent);
    }
}

void RebuildSerialTable(int32_t count) {
    for (int32_t position = 1; position <= count; ++position) {
        {
            ObjectUse use;
            if (!use.open()) {
                return;  // shut down: no further read
            }
            SelectByPosition(position);
        }
        // Ten slots: later adapters are selected in turn but have no slot to fill.
        if (static_cast<std::size_t>(position) > kSerialSlots) {
            continue;
        }
        uint8_t descriptor[kSerialDescriptorBytes] = {};
        const int32_t received = ReadSerialDescriptor(descriptor);
        if (connectionClosed.load()) {
            return;  // the shutdown may have ended this read: keep the slot as it was
        }
        SerialTable.at(static_cast<std::size_t>(position - 1))
            .store(ParseSerialNumber(descriptor, received));
    }
    if (count == 0) {
        ActiveDevice.store(0);
    }
}

int OnDeviceAttach(wd_handle device, const wd_device_info *info, void *userData) {
    return guarded(0, [&] { return attach(device, info, userData); });
}

void OnDeviceDetach(wd_handle device, void *userData) {
    guarded([&] { detach(device, userData); });
}

namespace {

void signal_attach(const DriverState &state) {
    ObjectUse use;
    if (use.open()) {
        OsEventSignal(state.attachEvent);
    }
}

}  // namespace

// Each step that touches the toolkit objects runs as one ObjectUse; the serial
// reads and the messages run outside them, so that a shutdown never waits for
// them.
int attach(wd_handle device, const wd_device_info *info, void *userData) {
    if (connectionClosed.load() || userData == nullptr) {
        return 0;
    }
    DriverState &state = *static_cast<DriverState *>(userData);
    auto *entry = new (std::nothrow) AdapterEntry;
    if (entry == nullptr) {
        show_message("DeviceAttach: failed allocating memory");
        signal_attach(state);
        return 0;
    }
    entry->deviceHandle = device;
    if (info != nullptr) {
        entry->interfaceNumber = info->interface_number;
        entry->vendorId = info->vendor_id;
        entry->productId = info->product_id;
    }
    bool linked = false;
    {
        ObjectUse use;
        ListLock lock(state);
        if (lock.held()) {
            AdapterEntry **link = &state.adapterList;
            while (*link != nullptr) {
                link = &(*link)->next;
            }
            *link = entry;
            state.adapterCount.fetch_add(1);
            linked = true;
        }
    }
    if (!linked) {
        delete entry;  // shut down meanwhile: the device is declined
        return 0;
    }
    bool rebuild = false;
    if (state.adapterCount.load() != 0) {
        ObjectUse use;
        ListLock lock(state);
        if (lock.held() && state.adapterCount.load() != 0) {
            if (state.activeEntry == nullptr) {
                state.activeEntry = state.adapterList;
            }
            rebuild = true;
        }
    }
    if (rebuild) {
        RebuildSerialTable(static_cast<int32_t>(state.adapterCount.load()));
    }
    signal_attach(state);
    return 1;
}

void detach(wd_handle device, void *userData) {
    if (connectionClosed.load() || userData == nullptr) {
        return;
    }
    DriverState &state = *static_cast<DriverState *>(userData);
    ObjectUse use;
    bool activeGoing = false;
    {
        ListLock lock(state);
        if (!lock.held()) {
            return;
        }
        int32_t position = 1;
        AdapterEntry **link = &state.adapterList;
        while (*link != nullptr && (*link)->deviceHandle != device) {
            link = &(*link)->next;
            ++position;
        }
        AdapterEntry *entry = *link;
        if (entry == nullptr) {
            return;  // not one of ours: nothing changes
        }
        if (entry == state.activeEntry) {
            state.activeEntry = nullptr;
            activeGoing = true;
        }
        *link = entry->next;
        delete entry;
        state.adapterCount.fetch_sub(1);
        drop_serial_slot(position);
    }
    OsEventSignal(state.releaseEvent);
    if (activeGoing) {
        // Just signalled, and nobody else waits on it, so this returns at once.
        OsEventWait(state.releaseEvent, -1);
    }
}

}  // namespace tessbridge

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL SelectBySerialNumber(int32_t serialNumber) {
    using namespace tessbridge;
    return exported(0, [&] {
        DriverState &state = driverState;
        if (state.adapterCount.load() == 0) {
            return 0;
        }
        bool selected = false;
        {
            ListLock lock(state);
            if (!lock.held()) {
                return 0;  // shut down before or while it waited: nothing is touched
            }
            // Counted under the lock, so a detach cannot shrink the list meanwhile.
            const std::size_t slots =
                std::min<std::size_t>(state.adapterCount.load(), kSerialSlots);
            int32_t target = 0;  // the last slot holding the number wins
            for (std::size_t k = 0; k < slots; ++k) {
                if (SerialTable.at(k).load() == serialNumber) {
                    target = static_cast<int32_t>(k + 1);
                }
            }
            if (target == 0) {
                return 0;  // nobody has it: the selection stays as it was
            }
            selected = select_entry(state, entry_at(state, target));
        }
        if (!selected && !connectionClosed.load()) {
            OsEventSignal(state.releaseEvent);
        }
        return selected ? 1 : 0;
    });
}
