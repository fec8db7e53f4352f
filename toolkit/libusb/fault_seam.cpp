// The real toolkit never fails its event and mutex calls on purpose.
#include <fault_seam.hpp>

namespace wdcommon {
wd_status injected_failure(SeamOp /*op*/) { return WD_STATUS_SUCCESS; }
}  // namespace wdcommon
