// The command channel: every command reaches the selected adapter through
// SendCommand (bulk OUT 0x02) and ReadReply (bulk IN 0x82). Each reports a
// failure to the user once and returns the number of bytes that moved; it never
// looks at the bytes. Commands run on the caller's thread without a lock.
#pragma once

#include <cstdint>

#include "toolkit.hpp"

namespace tessbridge {

inline constexpr uint32_t kCommandPipe = 0x02;  // bulk OUT endpoint
inline constexpr uint32_t kReplyPipe = 0x82;    // bulk IN endpoint
inline constexpr uint32_t kBulkTimeoutMs = 4000;

// Writes `length` bytes of `packet` to the selected adapter; returns the count
// written (0 with "No hardware detected" when none is selected).
int32_t SendCommand(int32_t length, const uint8_t *packet);

// Reads at most `length` bytes of the selected adapter's reply into `buffer`;
// returns the count read.
int32_t ReadReply(int32_t length, uint8_t *buffer);

// The guarded transfer both use, and the serial-number read too: checks that an
// adapter is selected, holds its device record for the length of `transfer`,
// and shows the channel's messages. `transfer` makes one toolkit transfer on
// the given device, writes the moved count and returns the status.
//
// Messages::unless_closed keeps quiet once the connection is closed: a
// notification handler's transfer that the shutdown ended (or that finds the
// device released) is no failure to tell the user, and a message box there
// would hold up the shutdown, which waits for the handler.
enum class Messages { always, unless_closed };
using ToolkitTransfer = wd_status (*)(wd_handle device, void *context, uint32_t *moved);
int32_t GuardedTransfer(ToolkitTransfer transfer, void *context, uint32_t length,
                        Messages messages = Messages::always);

}  // namespace tessbridge
