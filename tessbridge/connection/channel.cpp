#include "channel.hpp"

#include <algorithm>

#include "driver_state.hpp"
#include "messages.hpp"

namespace tessbridge {
namespace {

struct BulkRequest {
    uint32_t pipe;
    uint32_t isRead;
    uint8_t *buffer;
    uint32_t length;
};

wd_status bulk_transfer(wd_handle device, void *context, uint32_t *moved) {
    const auto &request = *static_cast<const BulkRequest *>(context);
    return WDU_TransferBulk(device, request.pipe, request.isRead, 0, request.buffer,
                            request.length, moved, kBulkTimeoutMs);
}

int32_t bulk(uint32_t pipe, uint32_t isRead, uint8_t *buffer, int32_t length) {
    if (length < 0 || (buffer == nullptr && length > 0)) {
        return 0;
    }
    BulkRequest request{pipe, isRead, buffer, static_cast<uint32_t>(length)};
    return GuardedTransfer(bulk_transfer, &request, request.length);
}

}  // namespace

int32_t GuardedTransfer(ToolkitTransfer transfer, void *context, uint32_t length,
                        Messages messages) {
    const auto tell = [messages](const char *format, wd_status status) {
        if (messages == Messages::always || !connectionClosed.load()) {
            show_message(format, {status, Stat2Str(status)});
        }
    };
    uint32_t moved = 0;
    // One snapshot of the selection serves the whole transfer.
    const wd_handle device = ActiveDevice.load();
    if (device == 0) {
        show_message("No hardware detected");
        return 0;
    }
    wd_device_info *record = nullptr;
    wd_status status = WDU_GetDeviceInfo(device, &record);
    if (status != kToolkitSuccess) {
        tell("ReadWritePipesMenu: WDU_GetDeviceInfo() failed: error 0x%x (%s)", status);
        return 0;
    }
    status = transfer(device, context, &moved);
    if (status != kToolkitSuccess) {
        tell("WDU_Transfer() failed: error 0x%x (%s)", status);
    }
    WDU_PutDeviceInfo(record);
    // A toolkit that claims more than was asked is not believed.
    return static_cast<int32_t>(std::min(moved, length));
}

int32_t SendCommand(int32_t length, const uint8_t *packet) {
    // The toolkit's buffer parameter serves both directions; an OUT transfer only reads it.
    return bulk(kCommandPipe, 0, const_cast<uint8_t *>(packet), length);
}

int32_t ReadReply(int32_t length, uint8_t *buffer) { return bulk(kReplyPipe, 1, buffer, length); }

}  // namespace tessbridge
