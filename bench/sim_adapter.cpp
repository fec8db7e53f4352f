#include "sim_adapter.hpp"

#include "zero_adapter.hpp"

namespace bench {

wd_handle plug_zero_latency(const char *serial) {
    const wdsim_adapter adapter{kVendorId, kProductId, 0, serial, &tbtest::zero_adapter_model()};
    return wdsim_plug(&adapter);
}

}  // namespace bench
