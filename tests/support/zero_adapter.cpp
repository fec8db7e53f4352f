#include "zero_adapter.hpp"

#include <cstring>

namespace tbtest {
namespace {

wd_status answer_zeros(void * /*context*/, uint32_t /*pipe*/, uint32_t is_read, uint8_t *data,
                       uint32_t length, uint32_t *moved) {
    if (is_read != 0) {
        std::memset(data, 0, length);
    }
    *moved = length;
    return WD_STATUS_SUCCESS;
}

constexpr wdsim_model kZeroModel{nullptr, answer_zeros, nullptr};

}  // namespace

const wdsim_model &zero_adapter_model() { return kZeroModel; }

}  // namespace tbtest
