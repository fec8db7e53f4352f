// Runs the transfers of one device and can end them all at once.
//
// A caller thread submits an asynchronous libusb transfer and sleeps until the
// completion callback, which the event thread runs; the caller never handles
// libusb events itself. close() refuses every later transfer and cancels the
// running ones, which then end with the reason given to close() (so a transfer
// running when its device is pulled out ends with WD_STATUS_DEVICE_GONE, even on
// a platform that would let it run into its time limit).
#pragma once

#include <wdapi801.h>

#include <libusb.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace wdusb {

class TransferGate {
public:
    // Submits `transfer` (filled by the caller; its callback and user_data are
    // set here) and blocks until it has finished. Returns its status (see
    // status_map.hpp); the moved count is transfer->actual_length. Fails at once,
    // submitting nothing, after close(). Any thread except the event thread.
    wd_status run(libusb_transfer *transfer);

    // From now on run() fails at once with `reason`; running transfers are
    // cancelled and end with `reason`. Does not wait; never blocks on I/O, so it
    // may be called from a libusb callback. Later calls keep the first reason.
    void close(wd_status reason);

    // Blocks until no transfer of this gate is being submitted or running.
    void wait_idle();

private:
    struct Pending {
        TransferGate *gate;
        bool done;
    };
    static void LIBUSB_CALL on_complete(libusb_transfer *transfer);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<libusb_transfer *> running_;
    unsigned submitting_ = 0;  // submits in progress (made outside the mutex)
    unsigned cancelling_ = 0;  // cancel batches in progress (made outside the mutex)
    wd_status closed_reason_ = WD_STATUS_SUCCESS;
};

}  // namespace wdusb
