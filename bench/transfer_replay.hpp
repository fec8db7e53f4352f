// The floor of an export: the toolkit calls its command needs, made directly.
//
// record() runs the export once with the simulated toolkit's log on and keeps
// each bulk transfer it made (endpoint, direction, length, the bytes sent).
// run() then makes the same transfers on the same adapter the way any host of
// the toolkit must: WDU_GetDeviceInfo, WDU_TransferBulk, WDU_PutDeviceInfo per
// transfer, with the same byte counts and packets, and nothing else.
#pragma once

#include <wdapi801.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace bench {

struct BulkStep {
    uint32_t pipe = 0;
    uint32_t is_read = 0;
    uint32_t length = 0;
    std::vector<uint8_t> bytes;  // OUT: the packet as sent
};

class TransferReplay {
  public:
    // Runs `call` once and keeps its bulk transfers. Control transfers are not
    // expected from an export; they are counted in control_transfers().
    static TransferReplay record(wd_handle device, const std::function<void()> &call);

    // Makes the recorded transfers again; returns the bytes moved (to keep
    // the work observable).
    uint32_t run();

    const std::vector<BulkStep> &steps() const { return steps_; }
    uint32_t control_transfers() const { return control_transfers_; }

  private:
    wd_handle device_ = 0;
    std::vector<BulkStep> steps_;
    std::vector<uint8_t> in_buffer_;
    uint32_t control_transfers_ = 0;
};

}  // namespace bench
