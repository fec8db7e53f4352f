// The toolkit on Windows: libusb's WinUSB backend, which reports no hotplug,
// so devices are found by enumerating every kPollingPeriod. libusb needs
// nothing set for it: WinUSB is its default backend on Windows.
#include "device_watcher.hpp"

namespace wdusb {

std::unique_ptr<DeviceWatcher> make_system_watcher(libusb_context *context,
                                                   DeviceEventQueue &queue,
                                                   RemovalNotice on_removal) {
    return make_polling_watcher(context, queue, std::move(on_removal), kPollingPeriod);
}

}  // namespace wdusb
