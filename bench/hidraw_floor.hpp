// The floor of a Tesslink transfer: the hidraw system calls one report
// exchange needs when the host already knows the adapter's node and report
// length. No search, no report descriptor, no thread: open for the reply, open
// for the write, write, close, poll, read, close.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace bench {

inline constexpr std::size_t kHidReportBytes = 65;  // report-ID byte + 64

// Writes `report` and waits at most 1000 ms for the reply; true when one came.
bool hidraw_exchange(const std::string &node, std::span<const std::uint8_t> report,
                     std::span<std::uint8_t> reply);

// Writes `report` without waiting for anything.
bool hidraw_send(const std::string &node, std::span<const std::uint8_t> report);

}  // namespace bench
