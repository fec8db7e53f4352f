#include "devices/bulk_adapter/sim_adapter.hpp"

#include <algorithm>
#include <span>

namespace devices {
namespace {

wd_status bulk_callback(void *context, uint32_t pipe, uint32_t is_read, uint8_t *data,
                        uint32_t length, uint32_t *moved) {
    return static_cast<SimAdapter *>(context)->bulk(pipe, is_read, data, length, moved);
}

}  // namespace

wdsim_model SimAdapter::model() { return wdsim_model{this, &bulk_callback, nullptr}; }

wd_status SimAdapter::bulk(std::uint32_t pipe, std::uint32_t is_read, std::uint8_t *data,
                           std::uint32_t length, std::uint32_t *moved) noexcept {
    std::uint32_t ignored = 0;
    std::uint32_t &count = moved != nullptr ? *moved : ignored;
    count = 0;
    if (data == nullptr && length > 0) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    try {
        const std::lock_guard lock(mutex_);
        if (pipe == kOutPipe && is_read == 0) {
            firmware_.receive(std::span<const std::uint8_t>(data, length));
            count = length;
            return WD_STATUS_SUCCESS;
        }
        if (pipe == kInPipe && is_read != 0) {
            const auto reply = firmware_.take_reply(length);
            if (!reply) {
                return WD_STATUS_TRANSFER_TIMEOUT;
            }
            std::ranges::copy(*reply, data);
            count = static_cast<std::uint32_t>(reply->size());
            return WD_STATUS_SUCCESS;
        }
        return WD_STATUS_STALL;
    } catch (...) {
        return WD_STATUS_IO_ERROR;
    }
}

}  // namespace devices
