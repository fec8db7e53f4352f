// The one place where a toolkit may make its own event and mutex calls fail on
// purpose. The real toolkit answers WD_STATUS_SUCCESS always; the simulated one
// answers what a test injected.
#pragma once

#include <wdapi801.h>

namespace wdcommon {

enum class SeamOp { event_create, mutex_create, event_wait };

// Status that the next call of `op` must fail with, or WD_STATUS_SUCCESS.
wd_status injected_failure(SeamOp op);

}  // namespace wdcommon
