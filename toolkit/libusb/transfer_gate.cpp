#include "transfer_gate.hpp"

#include "status_map.hpp"

#include <algorithm>

namespace wdusb {

// libusb is never called with mutex_ held: its completion callback takes
// mutex_, and libusb may hold locks of its own around that callback.
wd_status TransferGate::run(libusb_transfer *transfer) {
    Pending pending{this, false};
    transfer->callback = &TransferGate::on_complete;
    transfer->user_data = &pending;
    {
        std::lock_guard lock(mutex_);
        if (closed_reason_ != WD_STATUS_SUCCESS) {
            return closed_reason_;
        }
        ++submitting_;
    }
    const int error = libusb_submit_transfer(transfer);

    std::unique_lock lock(mutex_);
    --submitting_;
    if (error != LIBUSB_SUCCESS) {
        changed_.notify_all();
        return status_from_libusb_error(error);
    }
    bool cancel_now = false;
    if (!pending.done) {
        running_.push_back(transfer);
        // close() ran while this one was being submitted and could not see it.
        cancel_now = closed_reason_ != WD_STATUS_SUCCESS;
    }
    if (cancel_now) {
        ++cancelling_;
        lock.unlock();
        libusb_cancel_transfer(transfer);
        lock.lock();
        --cancelling_;
        changed_.notify_all();
    }
    // A cancel batch of close() may still hold this transfer's address: wait it
    // out before the caller frees the transfer.
    changed_.wait(lock, [&] { return pending.done && cancelling_ == 0; });
    return status_from_transfer(static_cast<libusb_transfer_status>(transfer->status),
                                closed_reason_);
}

void LIBUSB_CALL TransferGate::on_complete(libusb_transfer *transfer) {
    auto *pending = static_cast<Pending *>(transfer->user_data);
    TransferGate &gate = *pending->gate;
    std::lock_guard lock(gate.mutex_);
    pending->done = true;  // `pending` may vanish once the mutex is released
    std::erase(gate.running_, transfer);
    gate.changed_.notify_all();
}

void TransferGate::close(wd_status reason) {
    std::vector<libusb_transfer *> to_cancel;
    {
        std::lock_guard lock(mutex_);
        if (closed_reason_ == WD_STATUS_SUCCESS) {
            closed_reason_ = reason;
        }
        to_cancel = running_;
        ++cancelling_;
    }
    for (libusb_transfer *transfer : to_cancel) {
        libusb_cancel_transfer(transfer);  // LIBUSB_ERROR_NOT_FOUND when already done
    }
    std::lock_guard lock(mutex_);
    --cancelling_;
    changed_.notify_all();
}

void TransferGate::wait_idle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [this] { return running_.empty() && submitting_ == 0 && cancelling_ == 0; });
}

}  // namespace wdusb
