// The contract between the command set and the operating system's HID access.
//
// A transport moves whole HID reports to and from the first attached adapter
// (vendor 0x04D8, product 0xFF5C). Nothing stays open between transfers: every
// write and every reply channel finds the adapter again, opens it, learns its
// report lengths from its report descriptor, and closes it when done.
//
// Report lengths are always counted with the report-ID byte, which is byte 0 of
// every buffer in either direction, whether or not the device numbers its
// reports. A device that declares no output report, an input report shorter
// than kMinReportBuffer, or a report longer than kMaxReportLength, is not taken
// for the adapter.
//
// Ordering rule for commands that answer: open the reply channel first, then
// write. An operating system may hand an input report only to the handles that
// were open when it arrived, so a reply channel opened after the write could
// miss an adapter that answers at once.
//
// Time limits: no operation holds its caller for more than about
// kTransferTimeout beyond the search, also when the adapter stops taking
// reports. A write that the system has not finished within that limit is, on
// Windows, cancelled and waited for until the system has let go of it. On
// Linux, where a hidraw write cannot be cancelled, it is left to finish in the
// background; until it has, the transport touches no device: writeReport is
// NotSent and openReplyChannel null at once, and a handle given up meanwhile is
// closed once the write has ended (an open or a close of a hidraw node would
// wait for it). What the system does not let a program cancel is named in
// tesslink.h.
//
// Implementations: hid_transport_hidraw.cpp (Linux hidraw) and
// hid_transport_win32.cpp (Windows' HID class driver). Tests substitute their
// own systemTransport().
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tesslink {

using Report = std::vector<std::uint8_t>;

// An open reading handle on the adapter. Destroying it closes the handle.
class HidReplyChannel {
  public:
    virtual ~HidReplyChannel() = default;

    // Blocks until one whole input report arrives or kTransferTimeout has
    // passed. A report shorter than the declared input length (report-ID byte
    // included) is not a reply: it is dropped and the wait goes on.
    // true: `report` holds the report, sized max(kMinReportBuffer, declared
    //   input length); byte 0 is the report ID (0 for a device without
    //   numbered reports), bytes past the received report are 0.
    // false: no whole report within the time limit or the device failed; the
    //   contents of `report` are then unspecified.
    // May be called more than once; each call waits for the next report.
    virtual bool readReport(Report &report) = 0;
};

enum class WriteResult {
    Sent,     // the report was handed to the device (or is still being written)
    NotSent,  // adapter not found, or the device refused the report
    TooLong,  // the bytes given do not fit the adapter's output report; nothing sent
};

class HidTransport {
  public:
    virtual ~HidTransport() = default;

    // Finds and opens the adapter for reading. Blocks only for the search.
    // Returns null when the adapter is not found, or when it cannot be opened
    // now without waiting for an earlier write still in progress (see the time
    // limits above).
    virtual std::unique_ptr<HidReplyChannel> openReplyChannel() = 0;

    // Finds and opens the adapter and writes one output report of its declared
    // length: `layout` (byte 0 the report ID, then the command's bytes) followed
    // by zeros. Blocks the caller for at most about kTransferTimeout. A write the
    // system has not finished by then either completes in the background,
    // closes its handle when it completes, and counts as Sent (where the system
    // cannot cancel it: hidraw), or is cancelled and waited for until the
    // system has let go of it, and counts as Sent only if it completed before
    // the cancel took hold (Windows). A write that cannot be started without
    // blocking the caller is NotSent, among them every write asked for while an
    // earlier one is still in progress in the background. The caller's bytes
    // are copied; `layout` is not used after the call.
    virtual WriteResult writeReport(std::span<const std::uint8_t> layout) = 0;
};

// The transport the exported functions use: the platform's own in the library.
HidTransport &systemTransport();

}  // namespace tesslink
