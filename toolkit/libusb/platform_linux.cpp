// The toolkit on Linux (and other systems whose libusb reports hotplug).
#include "device_watcher.hpp"
#include "usb_context.hpp"

namespace wdusb {

std::unique_ptr<DeviceWatcher> make_system_watcher(libusb_context *context,
                                                   DeviceEventQueue &queue,
                                                   RemovalNotice on_removal) {
    if (UsbContext::has_hotplug()) {
        return make_hotplug_watcher(context, queue, std::move(on_removal));
    }
    return make_polling_watcher(context, queue, std::move(on_removal), kPollingPeriod);
}

}  // namespace wdusb
