// HidTransport over Windows' HID class driver (SetupDi, HidD and overlapped
// file I/O), made through `api` so that tests can run it against a simulated
// system. The library's own transport is the one over systemWin32HidApi().
#pragma once

#include <memory>

#include "hid_transport.hpp"
#include "win32_hid_api.hpp"

namespace tesslink {

// `api` must outlive the transport and every reply channel it opens.
std::unique_ptr<HidTransport> makeWin32HidTransport(Win32HidApi &api);

}  // namespace tesslink
