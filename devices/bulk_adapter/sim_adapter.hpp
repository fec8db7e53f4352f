// A bulk adapter firmware model behind the simulated driver toolkit.
#pragma once

#include <cstdint>
#include <mutex>
#include <type_traits>
#include <utility>

#include "devices/bulk_adapter/bulk_adapter_firmware.hpp"
#include "wdapi801_sim.h"

namespace devices {

// Owns a BulkAdapterFirmware and answers the simulated toolkit's transfers
// with it:
//   - bulk OUT pipe 0x02: the bytes are one command packet; all are accepted;
//   - bulk IN pipe 0x82: the oldest pending reply, at most the length asked
//     (the rest of it is dropped); none pending: WD_STATUS_TRANSFER_TIMEOUT
//     with 0 bytes;
//   - any other pipe or direction: WD_STATUS_STALL; a null buffer with a
//     non-zero length: WD_STATUS_INVALID_PARAMETER.
// Control transfers are left to the toolkit (it answers the serial string).
// A mutex serialises the callbacks, so the toolkit's threads may call them;
// nothing thrown leaves a callback (it becomes WD_STATUS_IO_ERROR).
//
// Typical use:
//   devices::SimAdapter adapter;
//   auto bench = devices::install_demo_bench(adapter);   // optional devices
//   wdsim_model model = adapter.model();
//   wdsim_adapter plugged{0x04CC, 0xF297, 0, "12345", &model};
//   wd_handle h = wdsim_plug(&plugged);                    // the toolkit copies `model`
// The SimAdapter must outlive the plugged adapter (the model points at it);
// it can be neither copied nor moved.
class SimAdapter {
public:
    static constexpr std::uint32_t kOutPipe = 0x02;
    static constexpr std::uint32_t kInPipe = 0x82;

    SimAdapter() = default;
    SimAdapter(const SimAdapter &) = delete;
    SimAdapter &operator=(const SimAdapter &) = delete;
    SimAdapter(SimAdapter &&) = delete;
    SimAdapter &operator=(SimAdapter &&) = delete;
    ~SimAdapter() = default;

    // The toolkit model: context is this object, bulk is served, control null.
    [[nodiscard]] wdsim_model model();

    // Runs f(firmware) under the adapter's lock and returns its result: the way
    // to inspect or set up the firmware while the toolkit may be transferring.
    template <class F>
    auto with_firmware(F &&f) -> std::invoke_result_t<F, BulkAdapterFirmware &> {
        const std::lock_guard lock(mutex_);
        return std::forward<F>(f)(firmware_);
    }

    // The bulk callback itself (what model().bulk calls), for direct use in tests.
    wd_status bulk(std::uint32_t pipe, std::uint32_t is_read, std::uint8_t *data,
                   std::uint32_t length, std::uint32_t *moved) noexcept;

private:
    std::mutex mutex_;
    BulkAdapterFirmware firmware_;
};

}  // namespace devices
