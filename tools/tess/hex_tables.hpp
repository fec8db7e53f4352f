// Text tables: the 8x16 grid of an I2C bus scan and the hex and ASCII dump of
// a device's registers, in the layout users know from i2cdetect and i2cdump.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess {

enum class ProbeResult : std::uint8_t {
    NotProbed,  // outside the scanned range: blank
    Absent,     // no acknowledge: "--"
    Present,    // acknowledged: the address
    Failed,     // the adapter reported a bus failure for this address: "!!"
};

using ScanResults = std::array<ProbeResult, 128>;

// The grid, a header line and 8 rows, each line ending in '\n'.
std::string scan_grid(const ScanResults &results);

// A hex and ASCII table of `bytes`, the first at register `first`. Rows start at
// multiples of 16; cells before `first` and after the last byte stay blank.
// Row labels have 2 hex digits, 4 when the registers go beyond 0xFF, 6 beyond
// 0xFFFF.
std::string dump_table(std::size_t first, const std::vector<std::uint8_t> &bytes);

}  // namespace tess
