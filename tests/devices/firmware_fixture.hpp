// A firmware with the demo bench behind it, driven packet by packet.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "devices/bulk_adapter/bulk_adapter_firmware.hpp"
#include "devices/bulk_adapter/demo_bench.hpp"
#include "hex.hpp"

namespace devices::test {

using tbtest::hex;
using tbtest::to_hex;

inline constexpr std::string_view kNoReply = "(none)";

class FirmwareBench : public ::testing::Test {
protected:
    // Sends one packet (hex text) and returns the reply as hex text, or kNoReply.
    std::string send(std::string_view packet) {
        firmware.receive(hex(packet));
        const auto reply = firmware.take_reply(4096);
        return reply ? to_hex(*reply) : std::string(kNoReply);
    }
    std::string bus_log() {
        const auto events = firmware.i2c_bus().events();
        firmware.i2c_bus().clear_events();
        return format_i2c_events(events);
    }

    BulkAdapterFirmware firmware;
    DemoBench bench = install_demo_bench(firmware);
};

}  // namespace devices::test
