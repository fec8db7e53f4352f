#include "status_map.hpp"

namespace wdusb {

wd_status status_from_libusb_error(int error) {
    switch (error) {
    case LIBUSB_SUCCESS:
        return WD_STATUS_SUCCESS;
    case LIBUSB_ERROR_TIMEOUT:
        return WD_STATUS_TRANSFER_TIMEOUT;
    case LIBUSB_ERROR_PIPE:
        return WD_STATUS_STALL;
    case LIBUSB_ERROR_NO_DEVICE:
        return WD_STATUS_DEVICE_GONE;
    case LIBUSB_ERROR_OVERFLOW:
        return WD_STATUS_OVERFLOW;
    case LIBUSB_ERROR_ACCESS:
        return WD_STATUS_ACCESS_DENIED;
    case LIBUSB_ERROR_BUSY:
        return WD_STATUS_BUSY;
    case LIBUSB_ERROR_NO_MEM:
        return WD_STATUS_NO_RESOURCES;
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return WD_STATUS_NOT_SUPPORTED;
    case LIBUSB_ERROR_INVALID_PARAM:
        return WD_STATUS_INVALID_PARAMETER;
    default:
        return WD_STATUS_IO_ERROR;
    }
}

wd_status status_from_transfer(libusb_transfer_status status, wd_status cancel_reason) {
    switch (status) {
    case LIBUSB_TRANSFER_COMPLETED:
        return WD_STATUS_SUCCESS;
    case LIBUSB_TRANSFER_TIMED_OUT:
        return WD_STATUS_TRANSFER_TIMEOUT;
    case LIBUSB_TRANSFER_STALL:
        return WD_STATUS_STALL;
    case LIBUSB_TRANSFER_NO_DEVICE:
        return WD_STATUS_DEVICE_GONE;
    case LIBUSB_TRANSFER_OVERFLOW:
        return WD_STATUS_OVERFLOW;
    case LIBUSB_TRANSFER_CANCELLED:
        return cancel_reason != WD_STATUS_SUCCESS ? cancel_reason : WD_STATUS_IO_ERROR;
    case LIBUSB_TRANSFER_ERROR:
    default:
        return WD_STATUS_IO_ERROR;
    }
}

}  // namespace wdusb
