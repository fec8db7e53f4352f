// One call of an export against a scripted adapter, described as data: the
// call, the replies the adapter gives, and everything the call must do (the
// packets on the wire, the reply lengths asked, the result, the bytes that
// reach the caller's buffer and the messages shown). Each test file lists its
// cases in a table and instantiates a suite derived from ExportCaseTest.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tessbridge_fixture.hpp"

namespace tbtest {

// What the caller's buffer holds before the call, so untouched bytes show.
inline constexpr uint8_t kUntouched = 0xEE;

inline const std::string kTimedOut = "WDU_Transfer() failed: error 0x20000005 (Transfer timed out)";
inline const std::string kIoError = "WDU_Transfer() failed: error 0x20000008 (Input/output error)";
inline const std::string kNoHardware = "No hardware detected";

// A transfer that goes wrong: after `skip` good calls of `op`, the next one
// reports `status` and moves `moved` bytes.
struct Fault {
    wdsim_op op;
    uint32_t skip;
    wd_status status;
    uint32_t moved;
};

// Only the first packet byte goes out, without an error status.
inline constexpr Fault kShortSend{WDSIM_OP_BULK_OUT, 0, WD_STATUS_SUCCESS, 1};

// Packets in a table row: a list of byte strings, or one packet as hex text
// ("01 F0"; "" is an empty packet, nullptr none).
struct Packets : std::vector<Bytes> {
    Packets() = default;
    Packets(std::initializer_list<Bytes> packets) : std::vector<Bytes>(packets) {}
    Packets(const char *hex_text) {
        if (hex_text != nullptr) {
            push_back(hex(hex_text));
        }
    }
};

// Bytes in a table row: a byte string, or hex text.
struct TableBytes : Bytes {
    TableBytes() = default;
    TableBytes(Bytes bytes) : Bytes(std::move(bytes)) {}
    TableBytes(const char *hex_text) : Bytes(hex(hex_text)) {}
};

struct ExportCase {
    std::string name;
    // Calls the export; `buffer` holds buffer_after.size() bytes of kUntouched.
    std::function<int64_t(const TessbridgeApi &tb, uint8_t *buffer)> call;
    Packets sent;                 // the bulk OUT packets, in order
    Packets replies;              // queued on the adapter before the call
    std::vector<uint32_t> reads;  // the lengths asked by the bulk IN transfers
    int64_t result = 0;
    TableBytes buffer_after = {};
    std::vector<std::string> messages = {};
    std::vector<Fault> faults = {};
};

// Test names show the case's name instead of its bytes.
inline void PrintTo(const ExportCase &c, std::ostream *os) { *os << c.name; }

// An adapter plugged in and selected, with nothing logged yet.
class OneAdapterTest : public TessbridgeTest {
  protected:
    void SetUp() override {
        TessbridgeTest::SetUp();
        adapter = plug("1234");
        load();
        forget();
    }
    wd_handle adapter = 0;
};

// check() makes the call of the case and compares everything it did.
class ExportCaseTest : public OneAdapterTest, public ::testing::WithParamInterface<ExportCase> {
  protected:
    void check() {
        const ExportCase &c = GetParam();
        for (const Fault &fault : c.faults) {
            wdsim_inject_fault(fault.op, fault.skip, fault.status, fault.moved);
        }
        for (const Bytes &bytes : c.replies) {
            reply(adapter, bytes);
        }
        Bytes buffer(c.buffer_after.size(), kUntouched);

        EXPECT_EQ(c.call(tb, buffer.data()), c.result);
        EXPECT_EQ(sent_packets(), c.sent);
        EXPECT_EQ(read_lengths(), c.reads);
        EXPECT_EQ(buffer, c.buffer_after);
        EXPECT_EQ(messages, c.messages);
    }
};

}  // namespace tbtest
