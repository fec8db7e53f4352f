#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "devices/bulk_adapter/demo_bench.hpp"
#include "devices/bulk_adapter/sim_adapter.hpp"
#include "hex.hpp"

namespace devices {
namespace {

using tbtest::hex;

class DevicesSimAdapter : public ::testing::Test {
protected:
    // A bulk OUT through the model's callback; returns the status.
    wd_status out(std::uint32_t pipe, std::vector<std::uint8_t> bytes) {
        std::uint32_t moved = 99;
        const wd_status status = model.bulk(model.context, pipe, 0, bytes.data(),
                                            static_cast<std::uint32_t>(bytes.size()), &moved);
        EXPECT_EQ(moved, status == WD_STATUS_SUCCESS ? bytes.size() : 0U);
        return status;
    }
    // A bulk IN of at most `length` bytes; returns the status and the bytes.
    std::pair<wd_status, std::vector<std::uint8_t>> in(std::uint32_t length,
                                                       std::uint32_t pipe = 0x82) {
        std::vector<std::uint8_t> buffer(length);
        std::uint32_t moved = 99;
        const wd_status status =
            model.bulk(model.context, pipe, 1, buffer.data(), length, &moved);
        buffer.resize(moved);
        return {status, buffer};
    }

    SimAdapter adapter;
    wdsim_model model = adapter.model();
};

TEST_F(DevicesSimAdapter, ModelPointsAtTheAdapterAndLeavesControlToTheToolkit) {
    EXPECT_EQ(model.context, &adapter);
    EXPECT_NE(model.bulk, nullptr);
    EXPECT_EQ(model.control, nullptr);
}

TEST_F(DevicesSimAdapter, OutFeedsTheFirmwareAndInServesTheReply) {
    EXPECT_EQ(out(0x02, hex("01 F7")), WD_STATUS_SUCCESS);
    EXPECT_EQ(in(4), std::make_pair(WD_STATUS_SUCCESS, hex("28 28 02 1F")));

    EXPECT_EQ(out(0x02, hex("01 F7")), WD_STATUS_SUCCESS);
    EXPECT_EQ(in(2), std::make_pair(WD_STATUS_SUCCESS, hex("28 28")));
    EXPECT_EQ(in(2).first, WD_STATUS_TRANSFER_TIMEOUT) << "the rest of a short read is dropped";

    EXPECT_EQ(out(0x02, hex("01 71")), WD_STATUS_SUCCESS);
    EXPECT_EQ(in(1), std::make_pair(WD_STATUS_TRANSFER_TIMEOUT, std::vector<std::uint8_t>{}));
    EXPECT_TRUE(adapter.with_firmware([](const BulkAdapterFirmware &f) { return f.supply_3v_on(); }));
}

TEST_F(DevicesSimAdapter, MalformedOutIsAcceptedOnTheWireButNotAnswered) {
    EXPECT_EQ(out(0x02, hex("02 F0")), WD_STATUS_SUCCESS);
    EXPECT_EQ(in(1).first, WD_STATUS_TRANSFER_TIMEOUT);
    EXPECT_EQ(adapter.with_firmware([](const BulkAdapterFirmware &f) { return f.rejected_packets(); }),
              1U);
}

TEST_F(DevicesSimAdapter, OtherPipesStallAndNullBuffersAreRefused) {
    EXPECT_EQ(out(0x82, hex("01 F0")), WD_STATUS_STALL);
    EXPECT_EQ(out(0x01, hex("01 F0")), WD_STATUS_STALL);
    EXPECT_EQ(in(1, 0x02).first, WD_STATUS_STALL);
    std::uint32_t moved = 99;
    EXPECT_EQ(model.bulk(model.context, 0x02, 0, nullptr, 2, &moved), WD_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(moved, 0U);
    EXPECT_EQ(adapter.with_firmware([](const BulkAdapterFirmware &f) { return f.rejected_packets(); }),
              0U);
}

TEST_F(DevicesSimAdapter, DemoBenchAnswersAtItsAddresses) {
    const DemoBench bench = install_demo_bench(adapter);
    bench.temperature->set_half_degrees(51);

    // Write a line into the 24C02, read it back; then the other devices.
    ASSERT_EQ(out(0x02, hex("01 00 00 05 A0 00 48 69 21 0A")), WD_STATUS_SUCCESS);
    EXPECT_EQ(in(2).second, hex("00 00"));
    ASSERT_EQ(out(0x02, hex("01 40 00 01 00 04 A0 A1 00")), WD_STATUS_SUCCESS);
    EXPECT_EQ(in(5).second, hex("00 48 69 21 0A"));

    struct Case {
        const char *packet;
        std::uint32_t length;
        const char *reply;
    };
    const Case cases[] = {
        {"01 40 00 02 00 02 A8 A9 00 00", 3, "00 FF FF"},          // 24C256, 2-byte sub-address
        {"01 40 00 02 00 01 F4 F5 A5 00", 2, "00 A5"},              // 10-bit device's identity
        {"01 40 00 01 00 02 90 91 00", 3, "00 19 80"},              // 25.5 C
        {"01 62 00 01 00 03 9F", 3, "5A 40 18"},                    // flash JEDEC ID
        {"01 40 00 01 00 01 A2 A3 00", 2, "01 FF"},                 // nothing at 0xA2
    };
    for (const Case &c : cases) {
        ASSERT_EQ(out(0x02, hex(c.packet)), WD_STATUS_SUCCESS) << c.packet;
        EXPECT_EQ(in(c.length).second, hex(c.reply)) << c.packet;
    }
}

}  // namespace
}  // namespace devices
