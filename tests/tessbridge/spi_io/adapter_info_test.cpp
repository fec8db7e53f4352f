// Adapter information and supply outputs: serial numbers, hardware information,
// firmware revision, library version and the supply switches.
#include <array>
#include <string>

#include "export_case.hpp"

namespace tbtest {
namespace {

class InfoAndSupplies : public ExportCaseTest {};

TEST_P(InfoAndSupplies, SendTheirQueryAndReturnWhatTheAdapterTold) { check(); }

const Fault kStall{WDSIM_OP_BULK_OUT, 0, WD_STATUS_STALL, 0};
const std::string kStalled = "WDU_Transfer() failed: error 0x20000006 (Endpoint stalled)";

int64_t supply3v(const TessbridgeApi &tb, int32_t on) { return tb.Enable3VOutputPower(on); }
int64_t supply5v(const TessbridgeApi &tb, int32_t on) { return tb.Enable5VOutputPower(on); }
int64_t hardware_info(const TessbridgeApi &tb, uint8_t *record) { return tb.GetHardwareInfo(record); }
int64_t firmware(const TessbridgeApi &tb, uint8_t *) { return tb.GetFirmwareRevision(); }

// Columns: name, call, packet sent, reply given, read lengths, result, caller's
// buffer afterwards, messages, faults.
INSTANTIATE_TEST_SUITE_P(
    SupplySwitches, InfoAndSupplies,
    ::testing::Values(
        // Success is -1, not 1; any non-zero argument switches on.
        ExportCase{"ThreeVoltOn", [](auto &tb, auto) { return supply3v(tb, 1); }, "01 71", nullptr, {},
                 -1},
        ExportCase{"ThreeVoltOff", [](auto &tb, auto) { return supply3v(tb, 0); }, "01 70", nullptr,
                 {}, -1},
        ExportCase{"ThreeVoltTwoIsOn", [](auto &tb, auto) { return supply3v(tb, 2); }, "01 71",
                 nullptr, {}, -1},
        ExportCase{"ThreeVoltNegativeIsOn", [](auto &tb, auto) { return supply3v(tb, -7); }, "01 71",
                 nullptr, {}, -1},
        ExportCase{"FiveVoltOn", [](auto &tb, auto) { return supply5v(tb, 1); }, "01 75", nullptr, {},
                 -1},
        ExportCase{"FiveVoltOff", [](auto &tb, auto) { return supply5v(tb, 0); }, "01 74", nullptr, {},
                 -1},
        ExportCase{"ShortSendIsZero", [](auto &tb, auto) { return supply3v(tb, 1); }, "01", nullptr,
                 {}, 0, "", {}, {kShortSend}},
        ExportCase{"StalledSendIsZero", [](auto &tb, auto) { return supply5v(tb, 1); }, "",
                 nullptr, {}, 0, "", {kStalled}, {kStall}}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    HardwareInfo, InfoAndSupplies,
    ::testing::Values(
        // The first record byte is 4000 / (divider sum), the I2C clock in 2 kHz units.
        ExportCase{"HundredKilohertz", hardware_info, "01 F7", "28 28 03 07", {4}, 0, "32 03 07"},
        ExportCase{"FirstByteKeepsLowEightBits", hardware_info, "01 F7", "04 04 00 00", {4}, 0,
                 "F4 00 00"},
        ExportCase{"SlowestClock", hardware_info, "01 F7", "FF FF 12 34", {4}, 0, "07 12 34"},
        ExportCase{"ZeroPeriodGivesZeroNotAFault", hardware_info, "01 F7", "00 00 AB CD", {4}, 0,
                 "00 AB CD"},
        ExportCase{"ShortReplyZeroesTheRecord", hardware_info, "01 F7", "28 28 03", {4}, 255,
                 "00 00 00"},
        ExportCase{"NoReplyZeroesTheRecord", hardware_info, "01 F7", nullptr, {4}, 255, "00 00 00",
                 {kTimedOut}},
        ExportCase{"ShortSendReadsNothing", hardware_info, "01", "28 28 03 07", {}, 255, "00 00 00",
                 {}, {kShortSend}},
        ExportCase{"NullRecordSendsNothing",
                 [](auto &tb, auto) { return hardware_info(tb, nullptr); }, nullptr, nullptr, {},
                 255}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    FirmwareRevision, InfoAndSupplies,
    ::testing::Values(
        ExportCase{"RevisionByte", firmware, "01 F0", "17", {1}, 0x17},
        ExportCase{"RevisionFF", firmware, "01 F0", "FF", {1}, 255},
        ExportCase{"NoReply", firmware, "01 F0", nullptr, {1}, 255, "", {kTimedOut}},
        ExportCase{"EmptyReply", firmware, "01 F0", "", {1}, 255},
        ExportCase{"ShortSend", firmware, "01", "17", {}, 255, "", {}, {kShortSend}},
        ExportCase{"LibraryVersionAsksNothing",
                 [](auto &tb, auto) -> int64_t { return tb.Get_DLL_Version(); }, nullptr, nullptr,
                 {}, 0x1811}),
    CaseName{});

// ---- Serial numbers ---------------------------------------------------------

using SerialNumbers = TessbridgeTest;
constexpr int32_t kUnwritten = -555;

TEST_F(SerialNumbers, TwoAdaptersInListOrderWithoutTalkingToThem) {
    plug("1234");
    plug("5678", nullptr, kVendorB, kProductB);
    load();
    forget();
    std::array<int32_t, 10> serials{};
    serials.fill(kUnwritten);
    EXPECT_EQ(tb.GetSerialNumbers(serials.data()), 2);
    EXPECT_EQ(serials[0], 1234);
    EXPECT_EQ(serials[1], 5678);
    EXPECT_EQ(serials[2], kUnwritten);
    EXPECT_TRUE(transfers().empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(SerialNumbers, NothingWhileTheFirstSerialNumberIsZero) {
    plug("0000");
    plug("5678");
    load();
    std::array<int32_t, 10> serials{};
    serials.fill(kUnwritten);
    EXPECT_EQ(tb.GetSerialNumbers(serials.data()), 0);
    EXPECT_EQ(serials[0], kUnwritten);
    EXPECT_EQ(serials[1], kUnwritten);
}

TEST_F(SerialNumbers, NeverMoreThanTenWhateverIsAttached) {
    for (int n = 0; n < 11; ++n) {
        plug(std::to_string(1001 + n).c_str());
    }
    load();
    std::array<int32_t, 12> serials{};
    serials.fill(kUnwritten);
    EXPECT_EQ(tb.GetSerialNumbers(serials.data()), 10);
    EXPECT_EQ(serials[0], 1001);
    EXPECT_EQ(serials[9], 1010);
    EXPECT_EQ(serials[10], kUnwritten);
}

TEST_F(SerialNumbers, NullArrayIsRefusedWithZero) {
    plug("1234");
    load();
    EXPECT_EQ(tb.GetSerialNumbers(nullptr), 0);
}

}  // namespace
}  // namespace tbtest
