// The one place where a toolkit may make its own event and mutex calls fail on
// purpose, and where it may let a test see a thread reach a waiting point. The
// real toolkit answers WD_STATUS_SUCCESS always and shows nobody anything; the
// simulated one answers what a test injected and calls the test's hook.
#pragma once

#include <wdapi801.h>

namespace wdcommon {

enum class SeamOp { event_create, mutex_create, event_wait };

// Status that the next call of `op` must fail with, or WD_STATUS_SUCCESS.
wd_status injected_failure(SeamOp op);

enum class SyncPoint {
    mutex_wait,   // OsMutexLock found the mutex held by another thread; about to wait
    mutex_taken,  // OsMutexLock took the mutex (not on re-entry)
    event_wait,   // OsEventWait found the event not signalled; about to wait (value: the limit)
};

// Told when a thread reaches `point` on the object behind `handle`. At the wait
// points the object's own lock is held, so whatever another thread does to the
// object afterwards finds this thread waiting; it must return promptly.
void reached(SyncPoint point, wd_handle handle, int32_t value);

}  // namespace wdcommon
