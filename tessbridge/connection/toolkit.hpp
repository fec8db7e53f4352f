// The driver toolkit calls the connection makes, and the toolkit values it
// relies on. The functions themselves are declared in wdapi801.h.
#pragma once

#include <wdapi801.h>

namespace tessbridge {

inline constexpr wd_status kToolkitSuccess = WD_STATUS_SUCCESS;
inline constexpr wd_status kToolkitWaitTimeout = WD_STATUS_WAIT_TIMEOUT;  // 0x20000015

static_assert(sizeof(wd_match_entry) == 10, "match entries are 10 packed bytes");

}  // namespace tessbridge
