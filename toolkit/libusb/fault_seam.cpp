// The real toolkit never fails its event and mutex calls on purpose, and has no
// one to tell about its waits.
#include <fault_seam.hpp>

namespace wdcommon {
wd_status injected_failure(SeamOp /*op*/) { return WD_STATUS_SUCCESS; }
void reached(SyncPoint /*point*/, wd_handle /*handle*/, int32_t /*value*/) {}
}  // namespace wdcommon
