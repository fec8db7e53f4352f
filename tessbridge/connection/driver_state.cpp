#include "driver_state.hpp"

namespace tessbridge {

constinit DriverState driverState;
constinit wd_handle driverHandle = 0;
constinit std::atomic<wd_handle> ActiveDevice{0};
constinit std::array<std::atomic<int32_t>, kSerialSlots> SerialTable{};
constinit std::atomic<bool> connectionClosed{false};
std::shared_mutex notificationGate;

}  // namespace tessbridge
