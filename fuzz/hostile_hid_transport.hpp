// A HID adapter whose report descriptor, presence and replies come from the
// fuzzer's input, behind the transport contract of tesslink/hid_transport.hpp.
// It does what the hidraw transport does with what a device declares: parses
// the report descriptor with the library's parser on every open, refuses a
// device whose lengths are not usable, refuses layouts longer than the output
// report, and hands out input reports sized and filled as hidraw's read()
// would. Everything the library sends is kept for the harness to check.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <vector>

#include "hid_transport.hpp"

namespace tbfuzz {

struct HidScript {
    std::vector<std::uint8_t> descriptor;
    FuzzedDataProvider *answers = nullptr;  // presence, write outcome, replies
    std::vector<tesslink::Report> sent;              // reports the adapter received
    unsigned repliesRead = 0;
    unsigned successReplies = 0;  // replies whose status byte says success
};

// The script the transport follows from now on (null: no adapter attached).
void setHidScript(HidScript *script);

}  // namespace tbfuzz
