// The simulated toolkit behaves as the toolkit interface promises: notifications
// on its own thread, handles valid from attach to the end of detach, faults and
// the transfer log.
#include <gtest/gtest.h>
#include <wdapi801_sim.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "sim_points.hpp"

namespace {

using simtest::ready;
using simtest::run_detached;
using simtest::SimPoints;

struct Recorder {
    std::mutex mutex;
    std::vector<std::pair<char, wd_handle>> events;  // 'A'ttach, 'D'etach
    std::vector<std::thread::id> threads;
    int accept = 1;
    std::atomic<bool> unplug_during_attach{false};
    std::function<void()> during_attach;  // runs inside each attach handler

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
        if (self.during_attach) {
            self.during_attach();
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
    void init() { ASSERT_EQ(init_status(), WD_STATUS_SUCCESS); }
    wd_status init_status() {
        const wd_match_entry match{0x04CC, 0xF297, 0, 0, 0, 0, 0, 0};
        const wd_event_table table{Recorder::on_attach, Recorder::on_detach, nullptr, &recorder};
        return WDU_Init(&driver, &match, 1, &table, 1);
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

// The temperature register of the demo bench's sensor (0x48, bus form 0x90),
// read with a write-then-read command: the status byte, then 25.0 C.
std::vector<uint8_t> read_bench_temperature(wd_handle device) {
    uint8_t packet[] = {0x01, 0x40, 0x00, 0x01, 0x00, 0x02, 0x90, 0x91, 0x00};
    uint32_t moved = 0;
    EXPECT_EQ(WDU_TransferBulk(device, 0x02, 0, 0, packet, sizeof packet, &moved, 4000),
              WD_STATUS_SUCCESS);
    std::vector<uint8_t> reply(3);
    EXPECT_EQ(WDU_TransferBulk(device, 0x82, 1, 0, reply.data(), 3, &moved, 4000),
              WD_STATUS_SUCCESS);
    reply.resize(moved);
    return reply;
}

TEST_F(SimToolkit, BenchesAnswerFromTheirDeviceModels) {
    EXPECT_EQ(wdsim_plug_bench("no such bench", nullptr), 0U);
    const wd_handle demo = wdsim_plug_bench("demo", "5678");
    const wd_handle bare = wdsim_plug_bench("bare", nullptr);
    ASSERT_NE(demo, 0U);
    ASSERT_NE(bare, 0U);
    init();
    ASSERT_EQ(wdsim_settle(2000), 1);
    EXPECT_EQ(read_bench_temperature(demo), (std::vector<uint8_t>{0x00, 0x19, 0x00}));
    EXPECT_NE(read_bench_temperature(bare).at(0), 0x00) << "nothing answers on a bare bench";

    uint8_t descriptor[10] = {};
    const uint8_t setup[8] = {0x80, 0x06, 0x03, 0x03, 0x09, 0x04, 0x0A, 0x00};
    uint32_t moved = 0;
    ASSERT_EQ(WDU_TransferDefaultPipe(demo, 1, 0, descriptor, 10, &moved, setup, 10000),
              WD_STATUS_SUCCESS);
    EXPECT_EQ(std::vector<uint8_t>(descriptor + 2, descriptor + 10),
              (std::vector<uint8_t>{'5', 0, '6', 0, '7', 0, '8', 0}));
}

// What a process started with WDSIM_BENCH sees when its first driver registers:
// the two benches it could plug, attached, the demo one answering.
bool benches_from_environment_attach() {
#ifdef _WIN32
    (void)_putenv_s("WDSIM_BENCH", "demo:1111,nonsense,bare");
#else
    ::setenv("WDSIM_BENCH", "demo:1111,nonsense,bare", 1);
#endif
    std::vector<wd_handle> attached;
    const auto on_attach = [](wd_handle device, const wd_device_info *, void *context) {
        static_cast<std::vector<wd_handle> *>(context)->push_back(device);
        return 1;
    };
    const wd_match_entry match{0x04CC, 0xF297, 0, 0, 0, 0, 0, 0};
    const wd_event_table table{on_attach, nullptr, nullptr, &attached};
    wd_handle driver = 0;
    const bool ok = WDU_Init(&driver, &match, 1, &table, 1) == WD_STATUS_SUCCESS &&
                    wdsim_settle(2000) == 1 && attached.size() == 2 &&
                    read_bench_temperature(attached.front()).at(1) == 0x19;
    WDU_Uninit(driver);
    return ok;
}

// WDSIM_BENCH is read when the first driver registers, so the case runs in a
// process of its own (the threadsafe death-test style starts a fresh one).
TEST(SimToolkitEnvironment, WdsimBenchPlugsItsBenchesBeforeTheFirstDriverRegisters) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(benches_from_environment_attach() ? 0 : 1),
                ::testing::ExitedWithCode(0), "WDSIM_BENCH: cannot plug \"nonsense\"");
}

TEST_F(SimToolkit, InitReturnsOnceTheAdaptersPresentHaveBeenAttachedOnItsThread) {
    const wd_handle first = plug(0xF297, "1111");
    plug(0x1111);  // another product: never reported
    const wd_handle second = plug(0xF297, "2222");
    // Each handler goes on only once WDU_Init either waits for it (as it must)
    // or has returned (a build that does not wait), so the order is forced.
    SimPoints points;
    std::atomic<bool> init_returned{false};
    std::vector<bool> ran_after_return;
    recorder.during_attach = [&] {
        EXPECT_TRUE(points.wait_for([&](const SimPoints::Point &p) {
            return p.point == WDSIM_POINT_INIT_WAIT || init_returned.load();
        }));
        std::lock_guard lock(recorder.mutex);
        ran_after_return.push_back(init_returned.load());
    };
    init();
    init_returned = true;
    std::lock_guard lock(recorder.mutex);
    using Events = std::vector<std::pair<char, wd_handle>>;
    EXPECT_EQ(recorder.events, (Events{{'A', first}, {'A', second}}));
    EXPECT_EQ(ran_after_return, (std::vector<bool>{false, false}));
    EXPECT_EQ(wdsim_settle(0), 1) << "something left to deliver when WDU_Init returned";
    for (const auto id : recorder.threads) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST_F(SimToolkit, InitStopsWaitingForAHandlerThatCannotProgressAndTheDeliveryGoesOn) {
    const wd_handle device = plug();
    // The handler needs something that the caller of WDU_Init gives only once
    // WDU_Init has returned (as a loader lock would).
    std::promise<void> caller_free;
    std::shared_future<void> free = caller_free.get_future().share();
    recorder.during_attach = [free] { free.wait(); };
    auto init = run_detached([this] { return init_status(); });
    ASSERT_TRUE(ready(init)) << "WDU_Init waited for ever for the handler";
    EXPECT_EQ(init.get(), WD_STATUS_SUCCESS);
    EXPECT_TRUE(recorder.events.empty());
    caller_free.set_value();
    ASSERT_EQ(wdsim_settle(5000), 1);
    using Events = std::vector<std::pair<char, wd_handle>>;
    EXPECT_EQ(recorder.events, (Events{{'A', device}}));
}

TEST_F(SimToolkit, SilentTransferEndsAtItsLimitOnUnplugOrWhenTheRegistrationStops) {
    struct Case {
        const char *name;
        uint32_t limit_ms;
        std::function<void(wd_handle driver, wd_handle device)> end;  // null: the limit ends it
        wd_status status;
    };
    const Case cases[] = {
        {"the limit passes", 1, nullptr, WD_STATUS_TRANSFER_TIMEOUT},
        {"the adapter is pulled out", 0, [](wd_handle, wd_handle device) { wdsim_unplug(device); },
         WD_STATUS_DEVICE_GONE},
        {"WDU_Uninit", 0, [](wd_handle registration, wd_handle) { WDU_Uninit(registration); },
         WD_STATUS_INVALID_HANDLE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        init();
        const wd_handle device = plug();
        ASSERT_EQ(wdsim_settle(2000), 1);
        SimPoints points;
        wdsim_inject_silence(WDSIM_OP_BULK_IN, 0);
        auto read = run_detached([device, limit = c.limit_ms] {
            uint8_t reply[4] = {};
            uint32_t moved = 77;
            const wd_status status =
                WDU_TransferBulk(device, 0x82, 1, 0, reply, 4, &moved, limit);
            return std::make_pair(status, moved);
        });
        if (c.end) {
            ASSERT_TRUE(points.wait_for([device](const SimPoints::Point &p) {
                return p.point == WDSIM_POINT_TRANSFER_WAIT && p.handle == device && p.value == 0;
            }));
            c.end(driver, device);
        }
        ASSERT_TRUE(ready(read)) << "the silent transfer was not ended";
        const auto [status, moved] = read.get();
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(moved, 0U);
        WDU_Uninit(driver);
        wdsim_reset();
    }
}

}  // namespace
