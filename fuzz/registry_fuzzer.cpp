// Fuzzer: attach, detach and selection sequences on libtessbridge's adapter
// registry. The input plugs adapters (at most 16 at a time) with serial
// strings of its choice, under the adapters' IDs or foreign ones, pulls them
// out, waits or does not wait for the notifications, and selects and queries
// meanwhile. Findings besides crashes and sanitizer reports:
//   - GetSerialNumbers writes at most 10 entries, each -1 or 0 to 9999;
//   - once every notification is handled, the device count is the number of
//     our adapters plugged (or 0 while the first serial number reads 0), and
//     every serial number listed can be selected.
#include <wdapi801_sim.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "finding.hpp"
#include "guarded_buffer.hpp"
#include "tessbridge_loader.hpp"

namespace {

using tbfuzz::fail;

constexpr std::size_t kMaxPlugged = 16;
constexpr std::size_t kMaxStepsPerInput = 48;

struct Plugged {
    wd_handle handle;
    bool ours;
};

void checkSerials(const tbtest::TessbridgeApi &tb, tbtest::GuardedBuffer &buffer, bool settled,
                  std::size_t ours) {
    auto *serials = reinterpret_cast<int32_t *>(buffer.place(10 * sizeof(int32_t), 0xEE));
    const int32_t n = tb.GetSerialNumbers(serials);
    if (n < 0 || n > 10) fail("GetSerialNumbers returned a count outside 0 to 10");
    for (int32_t k = 0; k < n; ++k) {
        if (serials[k] < -1 || serials[k] > 9999) fail("a serial number outside -1 to 9999");
    }
    if (!settled) {
        return;
    }
    const int32_t count = tb.GetNumberOfDevices();
    const bool firstUnread = n == 0;
    if (!firstUnread && static_cast<std::size_t>(count) != ours)
        fail("the device count differs from the adapters plugged");
    if (!firstUnread && static_cast<std::size_t>(n) != std::min<std::size_t>(ours, 10))
        fail("GetSerialNumbers listed a different number of adapters");
    for (int32_t k = 0; k < n; ++k) {
        if (tb.SelectBySerialNumber(serials[k]) != 1) fail("a listed serial number not selectable");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    wdsim_reset();
    const wdsim_adapter adapter{0x04CC, 0xF297, 0, "0001", nullptr};
    const wd_handle first = wdsim_plug(&adapter);
    tbfuzz::loadTessbridge();
    wdsim_unplug(first);
    if (wdsim_settle(5000) != 1) fail("notifications did not settle");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    static tbtest::GuardedBuffer serialBuffer(10 * sizeof(int32_t));
    const auto &tb = tbfuzz::loadTessbridge();
    FuzzedDataProvider in(bytes, size);
    std::vector<Plugged> plugged;
    std::vector<std::string> names;  // serial strings of the input, for selections
    bool settled = true;

    for (std::size_t step = 0; step < kMaxStepsPerInput && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
            case 0:
            case 1: {
                if (plugged.size() == kMaxPlugged) break;
                const std::string serial = in.ConsumeRandomLengthString(12);
                const int ids = in.ConsumeIntegralInRange<int>(0, 4);
                const bool ours = ids < 4;
                const uint16_t vendor = ids < 2 ? 0x04CC : ids < 4 ? 0x18E4 : 0x04CC;
                const uint16_t product = ids < 2 ? 0xF297 : ids < 4 ? 0x2000 : 0x1234;
                const wdsim_adapter adapter{vendor, product, 0, serial.c_str(), nullptr};
                const wd_handle handle = wdsim_plug(&adapter);
                if (handle == 0) fail("wdsim_plug failed");
                plugged.push_back({handle, ours});
                names.push_back(serial);
                settled = false;
                break;
            }
            case 2: {
                if (plugged.empty()) break;
                const auto k = in.ConsumeIntegralInRange<std::size_t>(0, plugged.size() - 1);
                wdsim_unplug(plugged[k].handle);
                plugged.erase(plugged.begin() + static_cast<long>(k));
                settled = false;
                break;
            }
            case 3:
                if (wdsim_settle(5000) != 1) fail("notifications did not settle");
                settled = true;
                break;
            case 4: {
                int32_t wanted = in.ConsumeIntegral<int32_t>();
                if (!names.empty() && in.ConsumeBool()) {
                    const auto &name = names[in.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];
                    wanted = std::atoi(name.substr(0, 4).c_str());
                }
                const int32_t result = tb.SelectBySerialNumber(wanted);
                if (result != 0 && result != 1) fail("SelectBySerialNumber returned neither 0 nor 1");
                break;
            }
            case 5: {
                std::size_t ours = 0;
                for (const auto &p : plugged) ours += p.ours ? 1 : 0;
                checkSerials(tb, serialBuffer, settled, ours);
                if (!serialBuffer.leadIntact()) fail("a byte before the serial array changed");
                break;
            }
            case 6: {
                const int32_t count = tb.GetNumberOfDevices();
                if (count < 0 || count > static_cast<int32_t>(kMaxPlugged))
                    fail("GetNumberOfDevices out of range");
                break;
            }
            default:
                // A command on whatever is selected: it must come back, whatever happened.
                tb.GetFirmwareRevision();
                break;
        }
    }
    for (const auto &p : plugged) wdsim_unplug(p.handle);
    if (wdsim_settle(5000) != 1) fail("notifications did not settle");
    if (tb.GetNumberOfDevices() != 0) fail("adapters left in the list after all were pulled");
    wdsim_log_clear();
    return 0;
}
