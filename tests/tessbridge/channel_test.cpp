// The command channel: transfers, byte counts and the three failure messages,
// shown through the firmware revision query (2 bytes out, 1 byte back).
#include "tessbridge_fixture.hpp"

namespace tbtest {
namespace {

using Channel = TessbridgeTest;

TEST_F(Channel, SendsToBulkOutTwoAndReadsFromBulkInEightyTwo) {
    const wd_handle device = plug("1234");
    load();
    forget();
    reply(device, {0x42});
    EXPECT_EQ(tb.GetFirmwareRevision(), 0x42);
    const auto all = transfers();
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0].pipe, 0x02U);
    EXPECT_EQ(all[0].is_read, 0U);
    EXPECT_EQ(Bytes(all[0].data, all[0].data + all[0].moved), hex("01 F0"));
    EXPECT_EQ(all[1].pipe, 0x82U);
    EXPECT_EQ(all[1].is_read, 1U);
    EXPECT_EQ(all[1].requested, 1U);
    for (const auto &t : all) {
        EXPECT_EQ(t.timeout_ms, 4000U);
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(wdsim_open_records(), 0U);
}

struct ChannelFault {
    const char *name;
    wdsim_op op;
    wd_status status;
    uint32_t moved;
    std::vector<std::string> messages;
    uint32_t transfers;  // transfers made
};

class ChannelFaults : public TessbridgeTest, public ::testing::WithParamInterface<ChannelFault> {};

TEST_P(ChannelFaults, ShowOneMessageAndNeverReadAfterAFailedSend) {
    const ChannelFault &fault = GetParam();
    const wd_handle device = plug("1234");
    load();
    forget();
    reply(device, {0x42});
    wdsim_inject_fault(fault.op, 0, fault.status, fault.moved);
    EXPECT_EQ(tb.GetFirmwareRevision(), 255);
    EXPECT_EQ(messages, fault.messages);
    EXPECT_EQ(transfers().size(), fault.transfers);
    EXPECT_EQ(wdsim_open_records(), 0U) << "the device record is always released";
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, ChannelFaults,
    ::testing::Values(
        ChannelFault{"RecordNotFetched", WDSIM_OP_GET_DEVICE_INFO, WD_STATUS_NO_RESOURCES, 0,
                     {"ReadWritePipesMenu: WDU_GetDeviceInfo() failed: error 0x20000003 "
                      "(Insufficient resources)"},
                     0},
        ChannelFault{"SendStalls", WDSIM_OP_BULK_OUT, WD_STATUS_STALL, 1,
                     {"WDU_Transfer() failed: error 0x20000006 (Endpoint stalled)"}, 1},
        ChannelFault{"SendShortWithoutError", WDSIM_OP_BULK_OUT, WD_STATUS_SUCCESS, 1, {}, 1},
        ChannelFault{"ReplyTimesOut", WDSIM_OP_BULK_IN, WD_STATUS_TRANSFER_TIMEOUT, 0,
                     {"WDU_Transfer() failed: error 0x20000005 (Transfer timed out)"}, 2},
        ChannelFault{"ReplyEmptyWithoutError", WDSIM_OP_BULK_IN, WD_STATUS_SUCCESS, 0, {}, 2},
        ChannelFault{"UnknownStatus", WDSIM_OP_BULK_IN, 0xC0DE0001, 0,
                     {"WDU_Transfer() failed: error 0xC0DE0001 (Unrecognized error)"}, 2}),
    CaseName{});

TEST_F(Channel, FailedTransferReportsTheBytesThatMoved) {
    const wd_handle device = plug("1234");
    load();
    forget();
    // The reply read fails after delivering its byte: the count is what moved,
    // and the query still counts as answered in full.
    reply(device, {0x33});
    wdsim_inject_fault(WDSIM_OP_BULK_IN, 0, WD_STATUS_IO_ERROR, 1);
    EXPECT_EQ(tb.GetFirmwareRevision(), 0x33);
    EXPECT_EQ(messages, std::vector<std::string>{
                            "WDU_Transfer() failed: error 0x20000008 (Input/output error)"});
}

}  // namespace
}  // namespace tbtest
