// Identity of the HID adapter and the fixed sizes of the reports it exchanges.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace tesslink {

inline constexpr std::uint16_t kAdapterVendorId = 0x04D8;
inline constexpr std::uint16_t kAdapterProductId = 0xFF5C;

// Byte 0 of every report is the report ID; the command layouts name bytes up to
// index 63, so a report buffer always holds at least this many bytes.
inline constexpr std::size_t kMinReportBuffer = 64;

// Largest report length (report-ID byte included) a device may declare and
// still be taken for the adapter. Larger declarations are treated as broken
// descriptors; the adapter's own reports are 65 bytes.
inline constexpr std::size_t kMaxReportLength = 4096;

// Longest a transfer waits for a reply, and longest a write holds its caller.
inline constexpr std::chrono::milliseconds kTransferTimeout{1000};

// Byte positions shared by every report.
inline constexpr std::size_t kReportIdByte = 0;
inline constexpr std::size_t kCommandByte = 1;
inline constexpr std::size_t kCountByte = 2;
inline constexpr std::size_t kReplyStatusByte = 3;
inline constexpr std::size_t kReplyDataByte = 4;

}  // namespace tesslink
