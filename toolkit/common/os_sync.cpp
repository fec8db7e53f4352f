// OsEvent* and OsMutex*: auto-reset events and re-entrant mutexes behind handles.
#include "fault_seam.hpp"
#include "handle_table.hpp"

#include <chrono>
#include <condition_variable>
#include <thread>

namespace wdcommon {

wd_handle next_handle_value() {
    static std::atomic<wd_handle> counter{0x100};
    wd_handle value = counter.fetch_add(1, std::memory_order_relaxed);
    if (value == 0) {  // after a wrap, skip the "none" value
        value = counter.fetch_add(1, std::memory_order_relaxed);
    }
    return value;
}

namespace {

class Event {
public:
    void signal() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        cv_.notify_one();
    }

    // Ends a wait that can no longer be satisfied.
    void close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        cv_.notify_all();
    }

    wd_status wait(wd_handle handle, int32_t timeout_seconds) {
        std::unique_lock lock(mutex_);
        const auto ready = [this] { return signalled_ || closed_; };
        if (!ready()) {
            reached(SyncPoint::event_wait, handle, timeout_seconds);
        }
        if (timeout_seconds < 0) {
            cv_.wait(lock, ready);
        } else if (!cv_.wait_for(lock, std::chrono::seconds(timeout_seconds), ready)) {
            return WD_STATUS_WAIT_TIMEOUT;
        }
        if (!signalled_) {
            return WD_STATUS_INVALID_HANDLE;
        }
        signalled_ = false;  // auto-reset: one signal releases one wait
        return WD_STATUS_SUCCESS;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    bool closed_ = false;
};

// Re-entrant for its holder; an unlock by a thread that does not hold it is
// ignored. Closing it ends every wait for it: those locks return without it.
class RecursiveMutex {
public:
    // True when the calling thread now holds the mutex, false when it was closed.
    bool lock(wd_handle handle) {
        const auto self = std::this_thread::get_id();
        {
            std::unique_lock lock(mutex_);
            if (closed_) {
                return false;
            }
            if (depth_ > 0 && owner_ == self) {
                ++depth_;
                return true;
            }
            if (depth_ > 0) {
                reached(SyncPoint::mutex_wait, handle, 0);
                cv_.wait(lock, [this] { return depth_ == 0 || closed_; });
                if (closed_) {
                    return false;
                }
            }
            owner_ = self;
            depth_ = 1;
        }
        reached(SyncPoint::mutex_taken, handle, 0);
        return true;
    }

    void unlock() {
        std::unique_lock lock(mutex_);
        if (depth_ == 0 || owner_ != std::this_thread::get_id()) {
            return;
        }
        if (--depth_ == 0) {
            owner_ = {};
            lock.unlock();
            cv_.notify_one();
        }
    }

    void close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::thread::id owner_;
    unsigned depth_ = 0;
    bool closed_ = false;
};

// Never destroyed: a toolkit thread may still signal an event while the
// process exits.
HandleTable<Event> &events() {
    static auto *table = new HandleTable<Event>;
    return *table;
}

HandleTable<RecursiveMutex> &mutexes() {
    static auto *table = new HandleTable<RecursiveMutex>;
    return *table;
}

}  // namespace
}  // namespace wdcommon

using wdcommon::events;
using wdcommon::injected_failure;
using wdcommon::mutexes;
using wdcommon::SeamOp;

extern "C" {

wd_status OsEventCreate(wd_handle *event) {
    if (event == nullptr) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    if (const wd_status failure = injected_failure(SeamOp::event_create)) {
        return failure;
    }
    try {
        *event = events().insert(std::make_shared<wdcommon::Event>());
        return WD_STATUS_SUCCESS;
    } catch (...) {
        return WD_STATUS_NO_RESOURCES;
    }
}

void OsEventClose(wd_handle event) {
    if (const auto object = events().remove(event)) {
        object->close();
    }
}

wd_status OsEventSignal(wd_handle event) {
    const auto object = events().find(event);
    if (!object) {
        return WD_STATUS_INVALID_HANDLE;
    }
    object->signal();
    return WD_STATUS_SUCCESS;
}

wd_status OsEventWait(wd_handle event, int32_t timeout_seconds) {
    if (const wd_status failure = injected_failure(SeamOp::event_wait)) {
        return failure;
    }
    const auto object = events().find(event);
    if (!object) {
        return WD_STATUS_INVALID_HANDLE;
    }
    return object->wait(event, timeout_seconds);
}

wd_status OsMutexCreate(wd_handle *mutex) {
    if (mutex == nullptr) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    if (const wd_status failure = injected_failure(SeamOp::mutex_create)) {
        return failure;
    }
    try {
        *mutex = mutexes().insert(std::make_shared<wdcommon::RecursiveMutex>());
        return WD_STATUS_SUCCESS;
    } catch (...) {
        return WD_STATUS_NO_RESOURCES;
    }
}

void OsMutexClose(wd_handle mutex) {
    if (const auto object = mutexes().remove(mutex)) {
        object->close();
    }
}

void OsMutexLock(wd_handle mutex) {
    if (const auto object = mutexes().find(mutex)) {
        object->lock(mutex);
    }
}

void OsMutexUnlock(wd_handle mutex) {
    if (const auto object = mutexes().find(mutex)) {
        object->unlock();
    }
}

}  // extern "C"
