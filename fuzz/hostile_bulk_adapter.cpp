#include "hostile_bulk_adapter.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tbfuzz {
namespace {

FuzzedDataProvider *script = nullptr;
BulkTally tally;

wd_status counted(wd_status status, uint32_t length, const uint32_t *moved) {
    ++tally.transfers;
    // The library judges a transfer by the bytes that moved.
    if (*moved != length) {
        ++tally.short_transfers;
    }
    return status;
}

constexpr wd_status kStatuses[8] = {
    WD_STATUS_SUCCESS,          WD_STATUS_SUCCESS, WD_STATUS_SUCCESS,
    WD_STATUS_SUCCESS,          WD_STATUS_TRANSFER_TIMEOUT, WD_STATUS_STALL,
    WD_STATUS_DEVICE_GONE,      WD_STATUS_IO_ERROR};

wd_status answer(void *, uint32_t, uint32_t is_read, uint8_t *data, uint32_t length,
                 uint32_t *moved) {
    if (script == nullptr || script->remaining_bytes() == 0) {
        *moved = is_read ? 0 : length;
        return counted(is_read ? WD_STATUS_TRANSFER_TIMEOUT : WD_STATUS_SUCCESS, length, moved);
    }
    const auto action = script->ConsumeIntegral<uint8_t>();
    const wd_status status = kStatuses[action & 7U];
    // Bit 3: the whole length moves; otherwise the script says how much.
    *moved = (action & 8U) != 0 ? length : script->ConsumeIntegralInRange<uint32_t>(0, length);
    if (is_read) {
        const std::vector<uint8_t> bytes = script->ConsumeBytes<uint8_t>(*moved);
        std::memset(data, 0, *moved);
        std::copy(bytes.begin(), bytes.end(), data);
    }
    return counted(status, length, moved);
}

const wdsim_model model{nullptr, answer, nullptr};

}  // namespace

const wdsim_model &hostileBulkModel() { return model; }

void setBulkScript(FuzzedDataProvider *next) { script = next; }

BulkTally &bulkTally() { return tally; }

}  // namespace tbfuzz
