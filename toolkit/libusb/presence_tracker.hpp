// What changed between two enumerations of the devices present: the logic of
// the polling watcher (polling_watcher.cpp), apart from libusb so that it can
// be driven with fake devices.
//
// A device is known by the object its reference points to (`ref.get()`): libusb
// keeps one libusb_device per connected device while a reference to it exists,
// so a device still present is listed as the same object, and a replugged one
// as a new object. The tracker holds a reference to every device of the round
// it accepted last, which keeps that identity stable from one round to the next.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

namespace wdusb {

// `Ref`: a copyable owning reference with get() (UsbDeviceRef; a shared_ptr in tests).
template <typename Ref>
class PresenceTracker {
public:
    struct Changes {
        std::vector<Ref> left;     // known before, missing now; in the order they were known
        std::vector<Ref> arrived;  // present now, unknown before; in the order listed
    };

    // What changed from the devices last accepted to `present` (one complete
    // enumeration, each device once); before the first accept() every device
    // counts as arrived. Throws std::bad_alloc.
    Changes compare(const std::vector<Ref> &present) const {
        Changes changes;
        for (const Ref &device : known_) {
            if (!contains(present, device)) {
                changes.left.push_back(device);
            }
        }
        for (const Ref &device : present) {
            if (!contains(known_, device)) {
                changes.arrived.push_back(device);
            }
        }
        return changes;
    }

    // Makes `present` the devices the next compare() starts from. Called once
    // the changes were reported: a round that fails before leaves the state as
    // it was, so the next round reports the same changes again.
    void accept(std::vector<Ref> present) noexcept { known_ = std::move(present); }

private:
    static bool contains(const std::vector<Ref> &set, const Ref &device) {
        return std::any_of(set.begin(), set.end(),
                           [&](const Ref &known) { return known.get() == device.get(); });
    }

    std::vector<Ref> known_;
};

}  // namespace wdusb
