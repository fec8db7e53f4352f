// What the kernel's hidraw does around a write that the device does not take,
// for the emulated nodes of umockdev_hid_system.hpp (a PTY takes every write at
// once).
//
// In Linux (drivers/hid/hidraw.c, drivers/hid/usbhid/hid-core.c), write() on a
// hidraw node sends the output report synchronously: usbhid submits an
// interrupt OUT transfer and waits for it up to 5 s, uninterruptibly, then
// fails the write with ETIMEDOUT. Throughout, hidraw holds its device-table lock
// (minors_rwsem) for reading, and open() and close() of every hidraw node take
// that lock for writing: they wait until no write is in the kernel.
//
// A program linked with the object library devices_hid_adapter_kernel_rules
// (which defines open, close and write ahead of umockdev's and the C
// library's) gets those rules for the emulated nodes: once a node stops taking
// reports, a write to it waits until the node takes reports again (the write
// then goes through) or 5 s have passed (ETIMEDOUT), and meanwhile an open or a
// close of any /dev/hidraw node waits for it and is counted.
#pragma once

#include <chrono>

namespace hid_adapter::hidraw_kernel {

// usbhid's limit for an output report (USB_CTRL_SET_TIMEOUT).
inline constexpr std::chrono::milliseconds kWriteTimeout{5000};

// Throws std::logic_error when the program is not linked with the rules.
void setTakingReports(unsigned index, bool taking);

// Writes now waiting in the kernel.
unsigned writesWaiting();
// Opens and closes of hidraw nodes that had to wait for a write, so far.
unsigned callsThatWaited();
// Opens of /dev/hidrawN so far.
unsigned opens(unsigned index);
// Waits until no descriptor of /dev/hidrawN is open in this process.
void waitUntilClosed(unsigned index);

// The interposed functions' side; `path` may be any path, `fd` any descriptor.
void noteRulesLinked();
void beforeOpen(const char *path);
void afterOpen(const char *path, int fd);
// Returns the node index whose close is now made, or -1 for another descriptor;
// afterClose(index) follows the close.
int beforeClose(int fd);
void afterClose(int index);
// False when the write must fail with ETIMEDOUT instead of being made.
bool beforeWrite(int fd);

}  // namespace hid_adapter::hidraw_kernel
