// Counts the system calls a library asks for, at the C library's boundary.
//
// The benchmark executable that links this defines open, read, write, ioctl,
// poll, close and friends itself; the dynamic loader binds every shared
// library's calls to them first, and they pass each call on to the next
// definition (umockdev's preload library, then the C library). Under umockdev
// the calls are answered by the emulation, but what is counted is what the
// libraries would ask of the kernel on a real system.
//
// Only calls made while counting is on are counted, and only on threads that
// did not exist when counting started, plus the thread that started it and the
// libraries' own long-lived threads (those named "tesslink-..."): the
// emulation's threads (created before) stay out, the library's own threads
// (its writer, and any created during the command) are in.
#pragma once

#include <cstdint>

namespace bench::syscalls {

struct Counts {
    uint64_t opens = 0;                  // open, openat, fopen, opendir (sysfs files included)
    uint64_t links = 0;                  // readlink, readlinkat (sysfs links)
    uint64_t closes = 0;                 // close, fclose, closedir
    uint64_t reads = 0;                  // read
    uint64_t writes = 0;                 // write
    uint64_t ioctls = 0;                 // every ioctl, the URB ones below included
    uint64_t polls = 0;                  // poll, ppoll
    uint64_t threads = 0;                // pthread_create
    uint64_t urb_bulk_out = 0;           // USBDEVFS_SUBMITURB, bulk, OUT endpoint
    uint64_t urb_bulk_in = 0;            // USBDEVFS_SUBMITURB, bulk, IN endpoint
    uint64_t urb_other = 0;              // USBDEVFS_SUBMITURB, control and others
    uint64_t urb_reaps = 0;              // USBDEVFS_REAPURB / REAPURBNDELAY
    uint64_t urb_discards = 0;           // USBDEVFS_DISCARDURB
    uint64_t hid_descriptor_ioctls = 0;  // HIDIOCGRDESCSIZE, HIDIOCGRDESC
    uint64_t hidraw_opens = 0;           // opens of /dev/hidraw*
};

// Starts counting from zero; the threads alive now, but for the caller and the
// libraries' own, are left out.
void start();
// Stops counting and returns what was counted.
Counts stop();

}  // namespace bench::syscalls
