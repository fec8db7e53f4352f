// The adapter registry: the list of attached adapters, their cached serial
// numbers and the selected adapter. The toolkit calls the two handlers on its
// notification thread; the selection operations run on the caller's thread.
#pragma once

#include <cstdint>

#include "toolkit.hpp"

namespace tessbridge {

// Serial number of an adapter whose descriptor did not give four decimal digits.
inline constexpr int32_t kUnreadableSerial = -1;

int OnDeviceAttach(wd_handle device, const wd_device_info *info, void *userData);
void OnDeviceDetach(wd_handle device, void *userData);

// Selects the adapter at a 1-based list position (1 or less: the first).
void SelectByPosition(int32_t position);

// Reads every attached adapter's serial number again, selecting each in turn;
// ends with the last position selected.
void RebuildSerialTable(int32_t count);

// Reads the first 10 bytes of string descriptor 3 of the selected adapter.
int32_t ReadSerialDescriptor(uint8_t buffer[10]);

// The serial number in the first 10 bytes of a string descriptor of which
// `received` bytes arrived: its first four characters as a decimal number, or
// kUnreadableSerial.
int32_t ParseSerialNumber(const uint8_t descriptor[10], int32_t received);

}  // namespace tessbridge
