// wdapi801.dll, the real toolkit over libusb's WinUSB backend, on a system with
// no adapter (Wine has no USB devices, and WinUSB itself cannot run there): a
// registration starts, polls for some periods, reports nothing and stops.
#include <gtest/gtest.h>
#include <wdapi801.h>

#include <atomic>
#include <cstdint>

namespace {

struct Notifications {
    std::atomic<int> attached{0};
    std::atomic<int> detached{0};
    wd_handle attach_event = 0;
};

int on_attach(wd_handle /*device*/, const wd_device_info * /*info*/, void *user_data) {
    auto *seen = static_cast<Notifications *>(user_data);
    ++seen->attached;
    OsEventSignal(seen->attach_event);
    return 1;
}

void on_detach(wd_handle /*device*/, void *user_data) {
    ++static_cast<Notifications *>(user_data)->detached;
}

// The adapters' two ID pairs, as Tessbridge registers them.
constexpr wd_match_entry kMatches[] = {
    {0x04CC, 0xF297, 0, 0, 0, 0, 0, 0},
    {0x18E4, 0x2000, 0, 0, 0, 0, 0, 0},
};

class NoAdapter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(OsEventCreate(&seen_.attach_event), WD_STATUS_SUCCESS); }
    void TearDown() override { OsEventClose(seen_.attach_event); }

    wd_status init(wd_handle &driver) {
        const wd_event_table table{on_attach, on_detach, nullptr, &seen_};
        return WDU_Init(&driver, kMatches, 2, &table, 1);
    }

    Notifications seen_;
};

TEST_F(NoAdapter, RegistrationPollsReportsNothingAndStopsAgainAndAgain) {
    for (int registration = 1; registration <= 2; ++registration) {
        SCOPED_TRACE(registration);
        wd_handle driver = 0;
        ASSERT_EQ(init(driver), WD_STATUS_SUCCESS);
        EXPECT_NE(driver, 0U);
        // As Tessbridge's start-up waits: two seconds, four polling periods.
        EXPECT_EQ(OsEventWait(seen_.attach_event, 2), WD_STATUS_WAIT_TIMEOUT);
        WDU_Uninit(driver);
        EXPECT_EQ(seen_.attached.load(), 0);
        EXPECT_EQ(seen_.detached.load(), 0);
    }
}

TEST_F(NoAdapter, OneRegistrationAtATimeAndStaleHandlesAreAnswered) {
    wd_handle driver = 0;
    ASSERT_EQ(init(driver), WD_STATUS_SUCCESS);
    wd_handle second = 0;
    EXPECT_EQ(init(second), WD_STATUS_ALREADY_INITIALIZED);
    EXPECT_EQ(second, 0U);
    WDU_Uninit(driver + 1);  // not the registration: ignored

    uint8_t buffer[64] = {};
    uint32_t moved = 99;
    EXPECT_EQ(WDU_TransferBulk(driver, 0x82, 1, 0, buffer, sizeof buffer, &moved, 100),
              WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(moved, 0U);
    wd_device_info *info = nullptr;
    EXPECT_EQ(WDU_GetDeviceInfo(driver, &info), WD_STATUS_INVALID_HANDLE);

    WDU_Uninit(driver);
    WDU_Uninit(driver);  // a second time: nothing
    ASSERT_EQ(init(driver), WD_STATUS_SUCCESS) << "free for a new registration";
    WDU_Uninit(driver);
}

}  // namespace
