// The library's transport on Windows: the Win32 HID transport over Windows'
// own calls.
#include "hid_transport_win32.hpp"
#include "win32_hid_api_system.hpp"

namespace tesslink {

HidTransport &systemTransport() {
    static SystemWin32HidApi windows;
    static const auto transport = makeWin32HidTransport(windows);
    return *transport;
}

}  // namespace tesslink
