// The libusb toolkit through its C interface, on adapters emulated by umockdev:
// matching, the notification thread, transfers and their statuses, unplugging,
// and the registration's life. Tessbridge is not involved here.
#include "usb_bench.hpp"
#include "wait_until.hpp"

#include <wdapi801.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using emulated::AdapterDescription;
using emulated::EmulatedAdapter;
using emulated::UsbBench;
using emulated::wait_until;

constexpr wd_match_entry kAdapterIds[] = {
    {0x04CC, 0xF297, 0, 0, 0, 0, 0, 0},
    {0x18E4, 0x2000, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kSerialSetup[8] = {0x80, 0x06, 0x03, 0x03, 0x09, 0x04, 0x0A, 0x00};

// What the handlers saw, and a registration that is always undone.
class Registration {
public:
    struct Attach {
        wd_handle device;
        wd_device_info info;
        std::thread::id thread;
    };

    explicit Registration(std::span<const wd_match_entry> entries = kAdapterIds) {
        const wd_event_table table{&Registration::on_attach, &Registration::on_detach, nullptr,
                                   this};
        status_ = WDU_Init(&driver_, entries.data(), static_cast<uint32_t>(entries.size()),
                           &table, 1);
    }
    ~Registration() { WDU_Uninit(driver_); }

    wd_status status() const { return status_; }
    wd_handle driver() const { return driver_; }

    std::vector<Attach> attaches() {
        std::lock_guard lock(mutex_);
        return attaches_;
    }
    std::vector<wd_handle> detaches() {
        std::lock_guard lock(mutex_);
        return detaches_;
    }
    // The handle of the first attached device with this vendor ID.
    wd_handle device_of(uint16_t vendor_id) {
        std::lock_guard lock(mutex_);
        for (const auto &attach : attaches_) {
            if (attach.info.vendor_id == vendor_id) {
                return attach.device;
            }
        }
        return 0;
    }
    bool wait_for_attaches(size_t count) {
        return wait_until([&] { return attaches().size() >= count; });
    }

    // Runs inside the detach handler, before it returns.
    std::function<void(wd_handle)> during_detach;
    std::function<int(wd_handle)> during_attach;

private:
    static int on_attach(wd_handle device, const wd_device_info *info, void *self_ptr) {
        auto *self = static_cast<Registration *>(self_ptr);
        {
            std::lock_guard lock(self->mutex_);
            self->attaches_.push_back({device, *info, std::this_thread::get_id()});
        }
        return self->during_attach ? self->during_attach(device) : 1;
    }
    static void on_detach(wd_handle device, void *self_ptr) {
        auto *self = static_cast<Registration *>(self_ptr);
        if (self->during_detach) {
            self->during_detach(device);
        }
        std::lock_guard lock(self->mutex_);
        self->detaches_.push_back(device);
    }

    wd_handle driver_ = 0;
    wd_status status_;
    std::mutex mutex_;
    std::vector<Attach> attaches_;
    std::vector<wd_handle> detaches_;
};

// Adapters plugged for one test and pulled out at its end.
class ToolkitOnEmulatedUsb : public ::testing::Test {
protected:
    EmulatedAdapter &plug(AdapterDescription description) {
        EmulatedAdapter &adapter = UsbBench::get().plug_new(std::move(description));
        plugged_.push_back(&adapter);
        return adapter;
    }
    void TearDown() override {
        for (auto *adapter : plugged_) {
            UsbBench::get().unplug(*adapter);
        }
    }

private:
    std::vector<EmulatedAdapter *> plugged_;
};

TEST_F(ToolkitOnEmulatedUsb, ReportsMatchingDevicesOnItsOwnThreadOnly) {
    plug({.vendor_id = 0x04CC, .product_id = 0xF297, .serial = "1111"});
    plug({.vendor_id = 0x18E4, .product_id = 0x2000, .serial = "2222"});
    plug({.vendor_id = 0x1234, .product_id = 0x5678, .serial = "3333"});  // someone else's

    struct Case {
        const char *name;
        std::vector<wd_match_entry> entries;
        std::set<uint16_t> vendors;
    };
    const Case cases[] = {
        {"the adapters' two ID pairs", {std::begin(kAdapterIds), std::end(kAdapterIds)},
         {0x04CC, 0x18E4}},
        {"a zero entry matches anything", {{0, 0, 0, 0, 0, 0, 0, 0}}, {0x04CC, 0x18E4, 0x1234}},
        {"a zero product ID matches any product", {{0x1234, 0, 0, 0, 0, 0, 0, 0}}, {0x1234}},
        {"a vendor-class interface is required", {{0, 0, 0, 0, 0xFF, 0, 0, 0}},
         {0x04CC, 0x18E4, 0x1234}},
        {"an interface class the devices lack", {{0, 0, 0, 0, 0x03, 0, 0, 0}}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // WDU_Init returns once every device present has been offered and the
        // matching ones reported, so what the handlers saw by then is the whole
        // answer: a device reported wrongly cannot come later.
        Registration registration(c.entries);
        ASSERT_EQ(registration.status(), WD_STATUS_SUCCESS);
        std::set<uint16_t> seen;
        for (const auto &attach : registration.attaches()) {
            seen.insert(attach.info.vendor_id);
            EXPECT_NE(attach.thread, std::this_thread::get_id());
            EXPECT_EQ(attach.info.interface_number, 0);
        }
        EXPECT_EQ(seen, c.vendors);
    }
}

TEST_F(ToolkitOnEmulatedUsb, TransfersWithInconsistentArgumentsTouchNothing) {
    EmulatedAdapter &adapter = plug({.serial = "4444"});
    Registration registration;
    ASSERT_TRUE(registration.wait_for_attaches(1));
    const wd_handle device = registration.device_of(0x04CC);
    const unsigned serial_reads = adapter.serial_reads();

    uint8_t buffer[16] = {};
    const uint8_t in_wants_20[8] = {0x80, 0x06, 0x03, 0x03, 0x09, 0x04, 20, 0};
    const uint8_t out_with_data[8] = {0x40, 0x01, 0, 0, 0, 0, 4, 0};
    struct Case {
        const char *name;
        std::function<wd_status(uint32_t *)> call;
    };
    const Case cases[] = {
        {"bulk OUT endpoint with the read flag",
         [&](uint32_t *n) { return WDU_TransferBulk(device, 0x02, 1, 0, buffer, 4, n, 100); }},
        {"bulk IN endpoint without the read flag",
         [&](uint32_t *n) { return WDU_TransferBulk(device, 0x82, 0, 0, buffer, 4, n, 100); }},
        {"endpoint 0 as a bulk pipe",
         [&](uint32_t *n) { return WDU_TransferBulk(device, 0x00, 0, 0, buffer, 4, n, 100); }},
        {"pipe number beyond an endpoint address",
         [&](uint32_t *n) { return WDU_TransferBulk(device, 0x102, 0, 0, buffer, 4, n, 100); }},
        {"null buffer with a length",
         [&](uint32_t *n) { return WDU_TransferBulk(device, 0x02, 0, 0, nullptr, 4, n, 100); }},
        {"control data stage longer than the buffer",
         [&](uint32_t *n) {
             return WDU_TransferDefaultPipe(device, 1, 0, buffer, 16, n, in_wants_20, 100);
         }},
        {"control read whose setup says write",
         [&](uint32_t *n) {
             return WDU_TransferDefaultPipe(device, 1, 0, buffer, 16, n, out_with_data, 100);
         }},
        {"control transfer without a setup packet",
         [&](uint32_t *n) {
             return WDU_TransferDefaultPipe(device, 1, 0, buffer, 16, n, nullptr, 100);
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t moved = 77;
        EXPECT_EQ(c.call(&moved), WD_STATUS_INVALID_PARAMETER);
        EXPECT_EQ(moved, 0u);
    }
    EXPECT_TRUE(adapter.packets_out().empty());
    EXPECT_EQ(adapter.serial_reads(), serial_reads);
    EXPECT_EQ(adapter.waiting_reads(), 0u);
}

TEST_F(ToolkitOnEmulatedUsb, TransferOutcomesHaveDistinctStatuses) {
    EmulatedAdapter &adapter = plug({.vendor_id = 0x18E4, .product_id = 0x2000, .serial = "5678-B"});
    Registration registration;
    ASSERT_TRUE(registration.wait_for_attaches(1));
    const wd_handle device = registration.device_of(0x18E4);

    // String descriptor 3 as Tessbridge reads it: the first 10 of its 14 bytes.
    uint8_t serial[10] = {};
    uint32_t moved = 0;
    ASSERT_EQ(WDU_TransferDefaultPipe(device, 1, 0, serial, sizeof serial, &moved, kSerialSetup,
                                      10000),
              WD_STATUS_SUCCESS);
    EXPECT_EQ(moved, 10u);
    EXPECT_EQ(std::vector<uint8_t>(serial, serial + 10),
              (std::vector<uint8_t>{14, 3, '5', 0, '6', 0, '7', 0, '8', 0}));

    // Firmware revision query out on 0x02, its one-byte answer in on 0x82.
    uint8_t query[2] = {0x01, 0xF0};
    ASSERT_EQ(WDU_TransferBulk(device, 0x02, 0, 0, query, 2, &moved, 4000), WD_STATUS_SUCCESS);
    EXPECT_EQ(moved, 2u);
    uint8_t reply[8] = {};
    ASSERT_EQ(WDU_TransferBulk(device, 0x82, 1, 0, reply, 8, &moved, 4000), WD_STATUS_SUCCESS);
    EXPECT_EQ(moved, 1u);
    EXPECT_EQ(reply[0], devices::BulkAdapterFirmware::kDefaultFirmwareRevision);
    EXPECT_EQ(adapter.packets_out(), (std::vector<std::vector<uint8_t>>{{0x01, 0xF0}}));

    // Nothing to read: the limit passes; the count is written on failure too.
    moved = 77;
    EXPECT_EQ(WDU_TransferBulk(device, 0x82, 1, 0, reply, 8, &moved, 200),
              WD_STATUS_TRANSFER_TIMEOUT);
    EXPECT_EQ(moved, 0u);

    // A request the adapter does not know is stalled.
    const uint8_t vendor_request[8] = {0xC0, 0x42, 0, 0, 0, 0, 4, 0};
    moved = 77;
    EXPECT_EQ(WDU_TransferDefaultPipe(device, 1, 0, reply, 8, &moved, vendor_request, 1000),
              WD_STATUS_STALL);
    EXPECT_EQ(moved, 0u);

    // The exchange goes on normally after the time-out and the stall.
    ASSERT_EQ(WDU_TransferBulk(device, 0x02, 0, 0, query, 2, &moved, 4000), WD_STATUS_SUCCESS);
    ASSERT_EQ(WDU_TransferBulk(device, 0x82, 1, 0, reply, 8, &moved, 4000), WD_STATUS_SUCCESS);
    EXPECT_EQ(moved, 1u);

    const std::set<std::string> texts{
        Stat2Str(WD_STATUS_SUCCESS),       Stat2Str(WD_STATUS_WAIT_TIMEOUT),
        Stat2Str(WD_STATUS_TRANSFER_TIMEOUT), Stat2Str(WD_STATUS_STALL),
        Stat2Str(WD_STATUS_DEVICE_GONE),   Stat2Str(WD_STATUS_IO_ERROR),
        Stat2Str(WD_STATUS_INVALID_HANDLE), Stat2Str(0x7777)};
    EXPECT_EQ(texts.size(), 8u) << "every status has a text of its own";
}

TEST_F(ToolkitOnEmulatedUsb, UnplugEndsARunningTransferAndRetiresTheHandle) {
    EmulatedAdapter &adapter = plug({.serial = "6666"});
    Registration registration;
    ASSERT_TRUE(registration.wait_for_attaches(1));
    const wd_handle device = registration.device_of(0x04CC);

    wd_device_info *record = nullptr;
    ASSERT_EQ(WDU_GetDeviceInfo(device, &record), WD_STATUS_SUCCESS);

    // What the handle answers while the detach handler runs.
    wd_status info_in_handler = 0xFFFFFFFF, transfer_in_handler = 0xFFFFFFFF;
    registration.during_detach = [&](wd_handle gone) {
        wd_device_info *inner = nullptr;
        info_in_handler = WDU_GetDeviceInfo(gone, &inner);
        WDU_PutDeviceInfo(inner);
        uint8_t byte = 0;
        uint32_t moved = 0;
        transfer_in_handler = WDU_TransferBulk(gone, 0x02, 0, 0, &byte, 1, &moved, 4000);
    };

    // A read with no time limit: only the unplug can end it.
    auto reading = std::async(std::launch::async, [&] {
        uint8_t reply[8];
        uint32_t moved = 77;
        const wd_status status = WDU_TransferBulk(device, 0x82, 1, 0, reply, 8, &moved, 0);
        return std::make_pair(status, moved);
    });
    ASSERT_TRUE(wait_until([&] { return adapter.waiting_reads() == 1; }));
    UsbBench::get().unplug(adapter);

    const auto [status, moved] = reading.get();
    EXPECT_EQ(status, WD_STATUS_DEVICE_GONE);
    EXPECT_EQ(moved, 0u);
    ASSERT_TRUE(wait_until([&] { return registration.detaches().size() == 1; }));
    EXPECT_EQ(registration.detaches().front(), device);
    EXPECT_EQ(info_in_handler, WD_STATUS_SUCCESS) << "valid until the detach handler returns";
    EXPECT_EQ(transfer_in_handler, WD_STATUS_DEVICE_GONE);

    wd_device_info *after = nullptr;
    EXPECT_EQ(WDU_GetDeviceInfo(device, &after), WD_STATUS_INVALID_HANDLE);
    uint8_t byte = 0;
    uint32_t count = 77;
    EXPECT_EQ(WDU_TransferBulk(device, 0x02, 0, 0, &byte, 1, &count, 4000),
              WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(count, 0u);

    // A record fetched before stays readable until released; releasing twice,
    // or something never issued, does nothing.
    EXPECT_EQ(record->vendor_id, 0x04CC);
    EXPECT_EQ(record->product_id, 0xF297);
    WDU_PutDeviceInfo(record);
    WDU_PutDeviceInfo(record);
    wd_device_info stranger{};
    WDU_PutDeviceInfo(&stranger);
    WDU_PutDeviceInfo(nullptr);
}

TEST_F(ToolkitOnEmulatedUsb, UninitWaitsForARunningHandlerAndCanBeRepeated) {
    // A registration whose attach handler is inside a read that has no time
    // limit and gets no reply: only WDU_Uninit can end it. Once it has, the
    // handler tries to end or repeat the registration from inside (refused,
    // without waiting for itself), and looks whether WDU_Uninit returned while
    // it still ran. In the build under test WDU_Uninit waits, so that look
    // lasts its whole limit; a WDU_Uninit that did not wait would return within
    // it, long before the limit is up.
    struct Blocking {
        std::atomic<wd_handle> driver{0};
        std::promise<wd_status> read_ended;
        std::shared_future<void> uninit_returned;
        std::atomic<bool> returned_while_running{false};
        wd_status init_inside = WD_STATUS_SUCCESS;
        std::atomic<bool> finished{false};

        static int on_attach(wd_handle device, const wd_device_info *, void *self_ptr) {
            auto &self = *static_cast<Blocking *>(self_ptr);
            uint8_t reply[8];
            uint32_t moved = 0;
            self.read_ended.set_value(WDU_TransferBulk(device, 0x82, 1, 0, reply, 8, &moved, 0));
            self.returned_while_running =
                self.uninit_returned.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
            WDU_Uninit(self.driver.load());
            wd_handle another = 0;
            const wd_event_table table{&Blocking::on_attach, nullptr, nullptr, self_ptr};
            self.init_inside = WDU_Init(&another, kAdapterIds, 2, &table, 1);
            self.finished = true;
            return 1;
        }
    } blocking;
    std::promise<void> uninit_returned;
    blocking.uninit_returned = uninit_returned.get_future().share();
    const wd_event_table table{&Blocking::on_attach, nullptr, nullptr, &blocking};
    wd_handle driver = 0;
    ASSERT_EQ(WDU_Init(&driver, kAdapterIds, 2, &table, 1), WD_STATUS_SUCCESS);
    blocking.driver = driver;
    EmulatedAdapter &adapter = plug({.serial = "7777"});
    ASSERT_TRUE(wait_until([&] { return adapter.waiting_reads() == 1; }));

    // Only one registration at a time.
    wd_handle second = 0;
    EXPECT_EQ(WDU_Init(&second, kAdapterIds, 2, &table, 1), WD_STATUS_ALREADY_INITIALIZED);
    EXPECT_EQ(second, 0u);

    auto uninit = std::async(std::launch::async, [&] {
        WDU_Uninit(driver);
        uninit_returned.set_value();
        return blocking.finished.load();
    });
    EXPECT_EQ(blocking.read_ended.get_future().get(), WD_STATUS_INVALID_HANDLE)
        << "WDU_Uninit did not end the handler's read";
    EXPECT_TRUE(uninit.get()) << "WDU_Uninit returned while the handler still ran";
    EXPECT_FALSE(blocking.returned_while_running.load());
    EXPECT_EQ(blocking.init_inside, WD_STATUS_ALREADY_INITIALIZED);

    WDU_Uninit(driver);  // a second time: nothing happens
    WDU_Uninit(0);

    // A new registration finds the adapter again, under a new handle, before
    // WDU_Init returns.
    Registration again;
    ASSERT_EQ(again.status(), WD_STATUS_SUCCESS);
    EXPECT_NE(again.driver(), driver);
    EXPECT_EQ(again.attaches().size(), 1u);
}

}  // namespace
