#include "tesslink_cases.hpp"

#include <tesslink.h>

#include <array>

namespace bench {
namespace {

std::array<unsigned char, 256> in_bytes{};
std::array<unsigned char, 256> out_bytes{};

// The block transfers move 256 bytes in chunks of 48: six exchanges.
constexpr TesslinkCase kCases[] = {
    {"MPUI2CRead/60", 1, 0, [] { (void)MPUI2CRead(0xA0, 60, in_bytes.data(), 0); }},
    {"MPUI2CWrite/58", 1, 0, [] { (void)MPUI2CWrite(0xA0, 58, out_bytes.data(), 0); }},
    {"MPUI2CReadArray/256", 6, 0, [] { (void)MPUI2CReadArray(0xA0, 0, 256, in_bytes.data()); }},
    {"MPUI2CWriteArray/256", 6, 0, [] { (void)MPUI2CWriteArray(0xA0, 0, 256, out_bytes.data()); }},
    {"MPUSetI2CFrequency", 1, 0, [] { (void)MPUSetI2CFrequency(100); }},
    {"MPUGetI2CFrequency", 1, 0, [] { (void)MPUGetI2CFrequency(); }},
    {"MPUSBGetDeviceVersion", 1, 0, [] { (void)MPUSBGetDeviceVersion(); }},
    {"MPUSBFlashLED", 1, 0, [] { (void)MPUSBFlashLED(); }},
    {"MPUReset", 0, 1, [] { (void)MPUReset(); }},
    {"MPUSBGetDLLVersion", 0, 0, [] { (void)MPUSBGetDLLVersion(); }},
};

}  // namespace

std::span<const TesslinkCase> tesslink_cases() {
    return kCases;
}

}  // namespace bench
