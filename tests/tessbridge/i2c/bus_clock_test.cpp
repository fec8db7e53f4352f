// SetI2CFrequency and GetI2CFrequency: the worked values, and the failures.
#include <climits>

#include "i2c_export.hpp"

namespace tbtest {
namespace {

// A requested clock, the divider counts it sends, what the setter returns (Hz)
// and what the getter computes when the adapter reports those counts (kHz).
struct WorkedValue {
    const char *name;
    int32_t requested_khz;
    uint8_t first;
    uint8_t second;
    int32_t set_hz;
    int32_t get_khz;
};

void PrintTo(const WorkedValue &v, std::ostream *os) {
    *os << v.name;
}

// Not parameterised by ExportCase: one row drives both exports.
class ClockWorkedValue : public OneAdapterTest, public ::testing::WithParamInterface<WorkedValue> {};

TEST_P(ClockWorkedValue, SetterSendsTheDividerAndGetterReadsItBack) {
    const WorkedValue &v = GetParam();
    EXPECT_EQ(tb.SetI2CFrequency(v.requested_khz), v.set_hz);
    reply(adapter, {v.first, v.second, 0x5A, 0xA5});
    EXPECT_EQ(tb.GetI2CFrequency(), v.get_khz);

    EXPECT_EQ(sent_packets(), (std::vector<Bytes>{{0x01, 0x90, v.first, v.second}, hex("01 F7")}));
    EXPECT_EQ(read_lengths(), std::vector<uint32_t>{4});  // the setter reads no reply
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, ClockWorkedValue,
                         ::testing::Values(WorkedValue{"Slowest15", 15, 255, 255, 15686, 15},
                                           WorkedValue{"Zero", 0, 255, 255, 15686, 15},
                                           WorkedValue{"Negative", -5, 255, 255, 15686, 15},
                                           WorkedValue{"MostNegative", INT32_MIN, 255, 255, 15686,
                                                       15},
                                           WorkedValue{"Slowest16", 16, 250, 250, 16000, 16},
                                           WorkedValue{"Khz17", 17, 235, 235, 17021, 17},
                                           WorkedValue{"OddPeriod23", 23, 173, 174, 23054, 23},
                                           WorkedValue{"Khz50", 50, 80, 80, 50000, 50},
                                           WorkedValue{"Standard100", 100, 40, 40, 100000, 100},
                                           WorkedValue{"Khz333", 333, 12, 12, 333333, 333},
                                           WorkedValue{"Fast400", 400, 10, 10, 400000, 400},
                                           WorkedValue{"RoundsUp401", 401, 9, 10, 421052, 421},
                                           WorkedValue{"Fastest1000", 1000, 4, 4, 1000000, 1000},
                                           WorkedValue{"Above1001", 1001, 4, 4, 1000000, 1000},
                                           WorkedValue{"Above5000", 5000, 4, 4, 1000000, 1000},
                                           WorkedValue{"Largest", INT32_MAX, 4, 4, 1000000, 1000}),
                         [](const auto &row) { return std::string(row.param.name); });

const std::vector<ExportCase> kClockCases = {
    {.name = "SetFailedSendIsZero",
     .call = [](auto &tb, auto *) { return tb.SetI2CFrequency(100); },
     .sent = {{}},
     .replies = {},
     .reads = {},
     .result = 0,
     .buffer_after = {},
     .messages = {kIoError},
     .faults = {{WDSIM_OP_BULK_OUT, 0, WD_STATUS_IO_ERROR, 0}}},
    {.name = "SetPacketCutShortIsZero",
     .call = [](auto &tb, auto *) { return tb.SetI2CFrequency(100); },
     .sent = {hex("01 90 28")},
     .replies = {},
     .reads = {},
     .result = 0,
     .buffer_after = {},
     .faults = {{WDSIM_OP_BULK_OUT, 0, WD_STATUS_SUCCESS, 3}}},
    {.name = "GetNeedsOnlyTheTwoDividerBytes",
     .call = [](auto &tb, auto *) { return tb.GetI2CFrequency(); },
     .sent = {hex("01 F7")},
     .replies = {hex("28 28")},
     .reads = {4},
     .result = 100,
     .buffer_after = {}},
    {.name = "GetWithOneDividerByteIsZero",
     .call = [](auto &tb, auto *) { return tb.GetI2CFrequency(); },
     .sent = {hex("01 F7")},
     .replies = {hex("28")},
     .reads = {4},
     .result = 0,
     .buffer_after = {}},
    {.name = "GetWithoutReplyIsZero",
     .call = [](auto &tb, auto *) { return tb.GetI2CFrequency(); },
     .sent = {hex("01 F7")},
     .replies = {},
     .reads = {4},
     .result = 0,
     .buffer_after = {},
     .messages = {kTimedOut}},
    {.name = "GetZeroPeriodIsZero",
     .call = [](auto &tb, auto *) { return tb.GetI2CFrequency(); },
     .sent = {hex("01 F7")},
     .replies = {hex("00 00 12 34")},
     .reads = {4},
     .result = 0,
     .buffer_after = {}},
    {.name = "GetPacketCutShortReadsNothing",
     .call = [](auto &tb, auto *) { return tb.GetI2CFrequency(); },
     .sent = {hex("01")},
     .replies = {hex("28 28 00 00")},
     .reads = {},
     .result = 0,
     .buffer_after = {},
     .faults = {{WDSIM_OP_BULK_OUT, 0, WD_STATUS_SUCCESS, 1}}},
};

INSTANTIATE_TEST_SUITE_P(BusClock, I2CExport, ::testing::ValuesIn(kClockCases), CaseName{});

}  // namespace
}  // namespace tbtest
