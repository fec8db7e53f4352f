// Device information records handed out by WDU_GetDeviceInfo.
//
// Each record is a copy that belongs to the caller until WDU_PutDeviceInfo; it
// stays readable even if the device goes meanwhile. Only records issued here are
// ever freed: releasing null, an unknown pointer or a record twice does nothing.
#pragma once

#include <wdapi801.h>

namespace wdusb {

// Throws std::bad_alloc when out of memory.
wd_device_info *issue_info_record(const wd_device_info &info);
void release_info_record(wd_device_info *record);

}  // namespace wdusb
