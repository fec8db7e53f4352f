// Stat2Str: one table of every status this toolkit family produces.
#include <wdapi801.h>

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<wd_status, const char *>, 14> kStatusTexts{{
    {WD_STATUS_SUCCESS, "Success"},
    {WD_STATUS_WAIT_TIMEOUT, "Time-out expired while waiting for an event"},
    {WD_STATUS_INVALID_HANDLE, "Invalid handle (closed, detached or unknown)"},
    {WD_STATUS_INVALID_PARAMETER, "Invalid parameter"},
    {WD_STATUS_NO_RESOURCES, "Insufficient resources"},
    {WD_STATUS_DEVICE_GONE, "Device is no longer connected"},
    {WD_STATUS_TRANSFER_TIMEOUT, "Transfer timed out"},
    {WD_STATUS_STALL, "Endpoint stalled"},
    {WD_STATUS_OVERFLOW, "Device sent more data than requested"},
    {WD_STATUS_IO_ERROR, "Input/output error"},
    {WD_STATUS_ACCESS_DENIED, "Access denied"},
    {WD_STATUS_NOT_SUPPORTED, "Operation not supported on this system"},
    {WD_STATUS_BUSY, "Device or interface is busy"},
    {WD_STATUS_ALREADY_INITIALIZED, "Driver is already initialized"},
}};

}  // namespace

extern "C" const char *Stat2Str(wd_status status) {
    for (const auto &[code, text] : kStatusTexts) {
        if (code == status) {
            return text;
        }
    }
    return "Unrecognized error";
}
