// One export call against a scripted adapter, as a row of a table: the packet
// that must go out, the reply the adapter gives, and what the caller gets back.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tessbridge_fixture.hpp"

namespace tbtest {

// A transfer that goes wrong: the next call of `op` reports `status` and moves
// `moved` bytes.
struct Fault {
    wdsim_op op;
    wd_status status;
    uint32_t moved;
};

// Only the first packet byte goes out, without an error status.
inline constexpr Fault kShortSend{WDSIM_OP_BULK_OUT, WD_STATUS_SUCCESS, 1};

inline const std::string kTimedOut = "WDU_Transfer() failed: error 0x20000005 (Transfer timed out)";
inline const std::string kNoHardware = "No hardware detected";

// The caller's buffer starts out holding this byte in every place.
inline constexpr uint8_t kUntouched = 0xEE;

struct Exchange {
    const char *name;
    // Calls the export with the caller's buffer; returns its result.
    int64_t (*call)(const TessbridgeApi &tb, uint8_t *buffer);
    const char *sent = nullptr;   // the one packet that goes out (hex); nullptr: none
    const char *reply = nullptr;  // the adapter's reply (hex); nullptr: none comes
    std::vector<uint32_t> reads = {};  // the lengths the reply reads ask for
    int64_t result = 0;
    const char *buffer = "";  // the caller's buffer afterwards (hex)
    std::vector<std::string> messages = {};
    std::optional<Fault> fault = std::nullopt;
};

// Shown for the parameter in test listings.
inline void PrintTo(const Exchange &x, std::ostream *os) { *os << x.name; }

inline std::string exchange_name(const ::testing::TestParamInfo<Exchange> &info) {
    return info.param.name;
}

class ExchangeTest : public TessbridgeTest, public ::testing::WithParamInterface<Exchange> {
protected:
    void check_exchange() {
        const Exchange &x = GetParam();
        const wd_handle device = plug("1234");
        load();
        forget();
        if (x.reply != nullptr) {
            reply(device, hex(x.reply));
        }
        if (x.fault) {
            wdsim_inject_fault(x.fault->op, 0, x.fault->status, x.fault->moved);
        }
        const Bytes expectedBuffer = hex(x.buffer);
        Bytes buffer(expectedBuffer.size(), kUntouched);

        EXPECT_EQ(x.call(tb, buffer.data()), x.result);
        EXPECT_EQ(sent_packets(), x.sent ? std::vector<Bytes>{hex(x.sent)} : std::vector<Bytes>{});
        EXPECT_EQ(read_lengths(), x.reads);
        EXPECT_EQ(buffer, expectedBuffer);
        EXPECT_EQ(messages, x.messages);
    }
};

}  // namespace tbtest
