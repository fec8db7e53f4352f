// Report lengths declared by a HID report descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tesslink {

struct ReportLengths {
    std::size_t input = 0;   // longest input report, report-ID byte included; 0 if none
    std::size_t output = 0;  // longest output report, report-ID byte included; 0 if none
    bool numbered = false;   // the descriptor assigns report IDs
};

// Sums Report Size x Report Count of every Input and Output main item per
// report ID and gives the longest report of each direction in bytes, plus one
// byte for the report ID (the ID 0 byte when reports are unnumbered).
// Returns nullopt for a descriptor whose items run past its end.
std::optional<ReportLengths> parseReportLengths(std::span<const std::uint8_t> descriptor);

// True when the input report holds at least kMinReportBuffer bytes, an output
// report is declared, and neither is longer than kMaxReportLength bytes.
bool isUsable(const ReportLengths &lengths);

}  // namespace tesslink
