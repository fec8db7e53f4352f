// Translation of libusb outcomes into toolkit statuses: the one place where a
// libusb error code becomes a wd_status.
//
//   libusb                                   wd_status
//   LIBUSB_SUCCESS / TRANSFER_COMPLETED      WD_STATUS_SUCCESS
//   ERROR_TIMEOUT / TRANSFER_TIMED_OUT       WD_STATUS_TRANSFER_TIMEOUT
//   ERROR_PIPE / TRANSFER_STALL              WD_STATUS_STALL
//   ERROR_NO_DEVICE / TRANSFER_NO_DEVICE     WD_STATUS_DEVICE_GONE
//   ERROR_OVERFLOW / TRANSFER_OVERFLOW       WD_STATUS_OVERFLOW
//   ERROR_ACCESS                             WD_STATUS_ACCESS_DENIED
//   ERROR_BUSY                               WD_STATUS_BUSY
//   ERROR_NO_MEM                             WD_STATUS_NO_RESOURCES
//   ERROR_NOT_SUPPORTED                      WD_STATUS_NOT_SUPPORTED
//   ERROR_INVALID_PARAM                      WD_STATUS_INVALID_PARAMETER
//   TRANSFER_CANCELLED                       the reason the toolkit cancelled it
//                                            (WD_STATUS_DEVICE_GONE on unplug)
//   anything else (IO, NOT_FOUND,            WD_STATUS_IO_ERROR
//   INTERRUPTED, OTHER, TRANSFER_ERROR)
#pragma once

#include <wdapi801.h>

#include <libusb.h>

namespace wdusb {

// `error` is a libusb_error value (0 or negative).
wd_status status_from_libusb_error(int error);

// The status of a finished transfer; `cancel_reason` is what a cancelled
// transfer reports (the toolkit only cancels for a reason of its own).
wd_status status_from_transfer(libusb_transfer_status status, wd_status cancel_reason);

}  // namespace wdusb
