// The adapter registry: attach and detach notifications, the serial-number
// cache and selection, against virtual adapters.
#include <atomic>
#include <new>
#include <string>

#include "tessbridge_fixture.hpp"

// The registry allocates its entries with the non-throwing operator new; this
// test program replaces it so that a test can make the next allocation fail.
// (The executable exports it, so the loaded library binds to it: ELF only.)
std::atomic<bool> g_fail_next_nothrow_new{false};

void *operator new(std::size_t size, const std::nothrow_t & /*tag*/) noexcept {
    if (g_fail_next_nothrow_new.exchange(false)) {
        return nullptr;
    }
    try {
        return ::operator new(size);  // what the library's delete releases
    } catch (...) {
        return nullptr;
    }
}

namespace tbtest {
namespace {

using Registry = TessbridgeTest;

struct SerialCase {
    const char *descriptor_text;
    int32_t serial;
};

class SerialNumbers : public TessbridgeTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialNumbers, AreTheFirstFourCharactersAsADecimalNumber) {
    const SerialCase &c = GetParam();
    plug(c.descriptor_text);
    load();
    EXPECT_EQ(tb.GetNumberOfDevices(), c.serial == 0 ? 0 : 1);
    EXPECT_EQ(tb.SelectBySerialNumber(c.serial), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, SerialNumbers,
    ::testing::Values(SerialCase{"1234", 1234}, SerialCase{"0042", 42}, SerialCase{"0007", 7},
                      SerialCase{"98765", 9876}, SerialCase{"0000", 0},
                      // Not four decimal digits, or fewer than 10 descriptor bytes.
                      SerialCase{"12a4", -1}, SerialCase{"-123", -1}, SerialCase{" 123", -1},
                      SerialCase{"123", -1}, SerialCase{"", -1}));

TEST_F(Registry, SerialReadIsOneControlReadOfStringDescriptorThree) {
    const wd_handle device = plug("1234");
    load();
    const auto all = transfers();
    ASSERT_EQ(all.size(), 1U);
    EXPECT_EQ(all[0].device, device);
    EXPECT_EQ(all[0].kind, WDSIM_CONTROL);
    EXPECT_EQ(all[0].is_read, 1U);
    EXPECT_EQ(all[0].requested, 10U);
    EXPECT_EQ(all[0].timeout_ms, 10000U);
    EXPECT_EQ(Bytes(all[0].setup, all[0].setup + 8), hex("80 06 03 03 09 04 0A 00"));
}

TEST_F(Registry, EachAttachRereadsEverySerialNumberAndSelectsTheNewest) {
    const wd_handle a = plug("1111");
    load();
    forget();
    const wd_handle b = plug("2222", nullptr, kVendorB, kProductB);
    settle();
    std::vector<wd_handle> serial_reads;
    for (const auto &t : transfers()) {
        serial_reads.push_back(t.device);
    }
    EXPECT_EQ(serial_reads, (std::vector<wd_handle>{a, b}));
    EXPECT_EQ(tb.GetNumberOfDevices(), 2);
    EXPECT_EQ(selected(tb), b);
}

TEST_F(Registry, SelectBySerialNumber) {
    const wd_handle a = plug("1111");
    const wd_handle b = plug("2222");
    const wd_handle c = plug("2222");
    load();
    EXPECT_EQ(tb.SelectBySerialNumber(1111), 1);
    EXPECT_EQ(selected(tb), a);
    // Equal serial numbers: the later position wins.
    EXPECT_EQ(tb.SelectBySerialNumber(2222), 1);
    EXPECT_EQ(selected(tb), c);
    // A serial number nobody has selects nothing and keeps the selection.
    EXPECT_EQ(tb.SelectBySerialNumber(9999), 0);
    EXPECT_EQ(selected(tb), c);
    EXPECT_NE(b, c);
}

TEST_F(Registry, DetachOfAnotherAdapterKeepsTheSelectionAndTheSerialSlotsAligned) {
    const wd_handle a = plug("1111");
    const wd_handle b = plug("2222");
    const wd_handle c = plug("3333");
    load();
    ASSERT_EQ(tb.SelectBySerialNumber(1111), 1);
    forget();
    unplug(b);
    EXPECT_TRUE(transfers().empty()) << "a detach reads nothing";
    EXPECT_EQ(tb.GetNumberOfDevices(), 2);
    EXPECT_EQ(selected(tb), a);
    // Position 2 is now the third adapter, and its slot moved with it.
    EXPECT_EQ(tb.SelectBySerialNumber(3333), 1);
    EXPECT_EQ(selected(tb), c);
    EXPECT_EQ(tb.SelectBySerialNumber(2222), 0);
}

TEST_F(Registry, DetachOfTheSelectedAdapterFailsLaterCommandsCleanly) {
    const wd_handle a = plug("1111");
    const wd_handle b = plug("2222");
    load();
    ASSERT_EQ(tb.SelectBySerialNumber(2222), 1);
    unplug(b);
    forget();
    EXPECT_EQ(tb.GetFirmwareRevision(), 255);
    EXPECT_EQ(messages, std::vector<std::string>{
                            "ReadWritePipesMenu: WDU_GetDeviceInfo() failed: error 0x20000001 "
                            "(Invalid handle (closed, detached or unknown))"});
    EXPECT_TRUE(transfers().empty());
    EXPECT_EQ(tb.SelectBySerialNumber(1111), 1);
    EXPECT_EQ(selected(tb), a);
}

TEST_F(Registry, ReplugAfterTheLastAdapterLeftWorksAgain) {
    const wd_handle first = plug("1234");
    load();
    unplug(first);
    const wd_handle again = plug("1234");
    settle();
    EXPECT_EQ(tb.GetNumberOfDevices(), 1);
    EXPECT_EQ(selected(tb), again);
}

TEST_F(Registry, AdaptersBeyondTenStayListedButNeverOverrunTheSerialCache) {
    for (int i = 0; i < 12; ++i) {
        plug(("10" + std::to_string(10 + i)).c_str());
    }
    load();
    EXPECT_EQ(tb.GetNumberOfDevices(), 12);
    // Position 10 is in the cache, position 11 is not.
    EXPECT_EQ(tb.SelectBySerialNumber(1019), 1);
    EXPECT_EQ(selected(tb), plugged[9]);
    EXPECT_EQ(tb.SelectBySerialNumber(1020), 0);
    // The newest attach ends with the last position selected, past the cache too.
    forget();
    const wd_handle thirteenth = plug("1022");
    settle();
    uint32_t serial_reads = 0;
    for (const auto &t : transfers()) {
        serial_reads += t.kind == WDSIM_CONTROL ? 1U : 0U;
    }
    EXPECT_EQ(serial_reads, 10U);
    EXPECT_EQ(selected(tb), thirteenth);
}

TEST_F(Registry, FailedAllocationDeclinesTheAdapterAndSaysSo) {
#ifdef _WIN32
    GTEST_SKIP() << "a DLL allocates with the operator new it was linked with, not this program's";
#endif
    load();
    g_fail_next_nothrow_new = true;
    plug("1234");
    settle();
    EXPECT_EQ(messages, std::vector<std::string>{"DeviceAttach: failed allocating memory"});
    EXPECT_EQ(tb.GetNumberOfDevices(), 0);
    EXPECT_TRUE(transfers().empty());
}

TEST_F(Registry, FailedSerialReadIsReportedAndTheRebuildGoesOn) {
    plug("1111");
    plug("2222");
    wdsim_inject_fault(WDSIM_OP_CONTROL, 0, WD_STATUS_STALL, 0);
    load();
    ASSERT_EQ(startup_stderr.find("WDU_Transfer() failed: error 0x20000006 (Endpoint stalled)\n"),
              0U)
        << startup_stderr;
    EXPECT_EQ(tb.SelectBySerialNumber(2222), 1);
}

}  // namespace
}  // namespace tbtest
