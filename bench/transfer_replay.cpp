#include "transfer_replay.hpp"

#include <wdapi801_sim.h>

#include <algorithm>

namespace bench {

TransferReplay TransferReplay::record(wd_handle device, const std::function<void()> &call) {
    TransferReplay replay;
    replay.device_ = device;
    wdsim_log_clear();
    wdsim_log_enable(1);
    call();
    wdsim_log_enable(0);
    uint32_t longest_read = 1;
    for (uint32_t i = 0; i < wdsim_log_count(); ++i) {
        wdsim_transfer entry{};
        wdsim_log_entry(i, &entry);
        if (entry.kind != WDSIM_BULK) {
            ++replay.control_transfers_;
            continue;
        }
        BulkStep step{entry.pipe, entry.is_read, entry.requested, {}};
        if (entry.is_read == 0 && entry.data != nullptr) {
            step.bytes.assign(entry.data, entry.data + entry.moved);
        }
        step.bytes.resize(entry.is_read == 0 ? entry.requested : 0);
        longest_read = std::max(longest_read, entry.is_read != 0 ? entry.requested : 0U);
        replay.steps_.push_back(std::move(step));
    }
    wdsim_log_clear();
    replay.in_buffer_.assign(longest_read, 0);
    return replay;
}

uint32_t TransferReplay::run() {
    uint32_t total = 0;
    for (BulkStep &step : steps_) {
        wd_device_info *info = nullptr;
        if (WDU_GetDeviceInfo(device_, &info) != WD_STATUS_SUCCESS) {
            return total;
        }
        void *buffer = step.is_read != 0 ? in_buffer_.data() : step.bytes.data();
        uint32_t moved = 0;
        WDU_TransferBulk(device_, step.pipe, step.is_read, 0, buffer, step.length, &moved, 4000);
        WDU_PutDeviceInfo(info);
        total += moved;
    }
    return total;
}

}  // namespace bench
