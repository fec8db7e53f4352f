// The toolkit's device watcher for platforms without hotplug (periodic
// enumeration), exercised here on Linux against emulated adapters, since the
// toolkit itself only uses it where libusb has no hotplug.
#include "usb_bench.hpp"

#include <device_watcher.hpp>

#include <gtest/gtest.h>

#include <libusb.h>

#include <chrono>
#include <future>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using emulated::UsbBench;
using wdusb::DeviceEvent;

// The next event, or nothing when none came within a generous limit.
std::optional<DeviceEvent> next_event(wdusb::DeviceEventQueue &queue) {
    auto popped = std::async(std::launch::async, [&] {
        DeviceEvent event;
        return queue.pop(event) ? std::optional<DeviceEvent>(std::move(event)) : std::nullopt;
    });
    if (popped.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        queue.close();  // releases the pop
    }
    return popped.get();
}

uint16_t vendor_of(const DeviceEvent &event) {
    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(event.device.get(), &descriptor);
    return descriptor.idVendor;
}

TEST(PollingWatcher, ReportsPresentPluggedAndPulledDevices) {
    emulated::EmulatedAdapter &first = UsbBench::get().plug_new({.vendor_id = 0x04CC});
    libusb_context *context = nullptr;
    ASSERT_EQ(libusb_init(&context), LIBUSB_SUCCESS);
    {
        wdusb::DeviceEventQueue queue;
        std::mutex notices_mutex;
        std::vector<libusb_device *> notices;
        auto watcher = wdusb::make_polling_watcher(
            context, queue,
            [&](libusb_device *device) {
                std::lock_guard lock(notices_mutex);
                notices.push_back(device);
            },
            std::chrono::milliseconds(20));
        ASSERT_EQ(watcher->start(), WD_STATUS_SUCCESS);

        // Present before start: queued by start() itself.
        auto event = next_event(queue);
        ASSERT_TRUE(event);
        EXPECT_EQ(event->kind, DeviceEvent::Kind::arrived);
        EXPECT_EQ(vendor_of(*event), 0x04CC);
        libusb_device *first_device = event->device.get();

        UsbBench::get().plug_new({.vendor_id = 0x18E4, .product_id = 0x2000});
        event = next_event(queue);
        ASSERT_TRUE(event);
        EXPECT_EQ(event->kind, DeviceEvent::Kind::arrived);
        EXPECT_EQ(vendor_of(*event), 0x18E4);

        UsbBench::get().unplug(first);
        event = next_event(queue);
        ASSERT_TRUE(event);
        EXPECT_EQ(event->kind, DeviceEvent::Kind::left);
        EXPECT_EQ(event->device.get(), first_device);
        {
            std::lock_guard lock(notices_mutex);
            EXPECT_EQ(notices, std::vector<libusb_device *>{first_device})
                << "the removal notice comes before the event";
        }
        event.reset();
        watcher->stop();
        queue.close();
    }
    libusb_exit(context);
}

}  // namespace
