// The simulated toolkit behaves as the toolkit interface promises: notifications
// on its own thread, handles valid from attach to the end of detach, faults and
// the transfer log.
#include <gtest/gtest.h>
#include <wdapi801_sim.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Recorder {
    std::mutex mutex;
    std::vector<std::pair<char, wd_handle>> events;  // 'A'ttach, 'D'etach
    std::vector<std::thread::id> threads;
    int accept = 1;
    std::atomic<bool> unplug_during_attach{false};

    static int on_attach(wd_handle device, const wd_device_info *info, void *context) {
        auto &self = *static_cast<Recorder *>(context);
        EXPECT_NE(info, nullptr);
        if (self.unplug_during_attach.exchange(false)) {
            wdsim_unplug(device);
            uint32_t moved = 1;
            uint8_t byte = 0;
            EXPECT_EQ(WDU_TransferBulk(device, 0x82, 1, 0, &byte, 1, &moved, 100),
                      WD_STATUS_DEVICE_GONE);
            EXPECT_EQ(moved, 0U);
        }
        std::lock_guard lock(self.mutex);
        self.events.emplace_back('A', device);
        self.threads.push_back(std::this_thread::get_id());
        return self.accept;
    }
    static void on_detach(wd_handle device, void *context) {
        auto &self = *static_cast<Recorder *>(context);
        // The handle is still valid while the detach handler runs.
        wd_device_info *info = nullptr;
        EXPECT_NE(WDU_GetDeviceInfo(device, &info), WD_STATUS_INVALID_HANDLE);
        WDU_PutDeviceInfo(info);
        std::lock_guard lock(self.mutex);
        self.events.emplace_back('D', device);
    }
};

class SimToolkit : public ::testing::Test {
protected:
    void SetUp() override { wdsim_reset(); }
    void TearDown() override {
        WDU_Uninit(driver);
        wdsim_reset();
    }
    void init() {
        const wd_match_entry match{0x04CC, 0xF297, 0, 0, 0, 0, 0, 0};
        const wd_event_table table{Recorder::on_attach, Recorder::on_detach, nullptr, &recorder};
        ASSERT_EQ(WDU_Init(&driver, &match, 1, &table, 1), WD_STATUS_SUCCESS);
    }
    static wd_handle plug(uint16_t product = 0xF297, const char *serial = "1234") {
        const wdsim_adapter adapter{0x04CC, product, 0, serial, nullptr};
        return wdsim_plug(&adapter);
    }

    Recorder recorder;
    wd_handle driver = 0;
};

TEST_F(SimToolkit, ReportsPresentAndLaterAdaptersOnItsOwnThread) {
    const wd_handle present = plug();
    plug(0x1111);  // another product: never reported
    init();
    const wd_handle later = plug();
    ASSERT_EQ(wdsim_settle(2000), 1);
    wdsim_unplug(present);
    ASSERT_EQ(wdsim_settle(2000), 1);
    using Events = std::vector<std::pair<char, wd_handle>>;
    EXPECT_EQ(recorder.events, (Events{{'A', present}, {'A', later}, {'D', present}}));
    for (const auto id : recorder.threads) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
    // After its detach the handle is stale.
    wd_device_info *info = nullptr;
    EXPECT_EQ(WDU_GetDeviceInfo(present, &info), WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(WDU_Init(&driver, nullptr, 0, nullptr, 0), WD_STATUS_INVALID_PARAMETER);
}

TEST_F(SimToolkit, DeclinedAdaptersGetNoDetachAndNoTransfers) {
    recorder.accept = 0;
    init();
    const wd_handle device = plug();
    ASSERT_EQ(wdsim_settle(2000), 1);
    uint8_t byte = 0;
    EXPECT_EQ(WDU_TransferBulk(device, 0x02, 0, 0, &byte, 1, nullptr, 100),
              WD_STATUS_INVALID_HANDLE);
    wdsim_unplug(device);
    ASSERT_EQ(wdsim_settle(2000), 1);
    EXPECT_EQ(recorder.events.size(), 1U);
}

TEST_F(SimToolkit, AnAdapterPulledOutDuringItsAttachIsDetachedAfterwards) {
    init();
    ASSERT_EQ(wdsim_settle(2000), 1);
    recorder.unplug_during_attach = true;
    const wd_handle device = plug();
    ASSERT_EQ(wdsim_settle(2000), 1);
    using Events = std::vector<std::pair<char, wd_handle>>;
    EXPECT_EQ(recorder.events, (Events{{'A', device}, {'D', device}}));
}

TEST_F(SimToolkit, ScriptedRepliesFaultsAndTheLog) {
    init();
    const wd_handle device = plug();
    ASSERT_EQ(wdsim_settle(2000), 1);
    const uint8_t reply[] = {1, 2, 3, 4};
    wdsim_queue_reply(device, reply, sizeof reply);
    wdsim_inject_fault(WDSIM_OP_BULK_OUT, 1, WD_STATUS_STALL, 2);

    uint8_t packet[] = {9, 8, 7};
    uint32_t moved = 0;
    EXPECT_EQ(WDU_TransferBulk(device, 0x02, 0, 0, packet, 3, &moved, 4000), WD_STATUS_SUCCESS);
    EXPECT_EQ(moved, 3U);
    EXPECT_EQ(WDU_TransferBulk(device, 0x02, 0, 0, packet, 3, &moved, 4000), WD_STATUS_STALL);
    EXPECT_EQ(moved, 2U) << "the count is written on failure too";
    uint8_t in[3] = {};
    EXPECT_EQ(WDU_TransferBulk(device, 0x82, 1, 0, in, 3, &moved, 4000), WD_STATUS_SUCCESS);
    EXPECT_EQ(moved, 3U) << "a reply longer than asked is cut";
    EXPECT_EQ(WDU_TransferBulk(device, 0x82, 1, 0, in, 3, &moved, 4000),
              WD_STATUS_TRANSFER_TIMEOUT);
    EXPECT_EQ(moved, 0U);

    ASSERT_EQ(wdsim_log_count(), 4U);
    wdsim_transfer entry{};
    ASSERT_EQ(wdsim_log_entry(1, &entry), 1);
    EXPECT_EQ(entry.status, WD_STATUS_STALL);
    EXPECT_EQ(std::vector<uint8_t>(entry.data, entry.data + entry.moved),
              (std::vector<uint8_t>{9, 8}));
    EXPECT_EQ(wdsim_log_entry(99, &entry), 0);
}

}  // namespace
