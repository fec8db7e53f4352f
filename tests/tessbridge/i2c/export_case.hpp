// One call of an I2C export against a scripted adapter, described as data: the
// call, the replies the adapter gives, and everything the call must do (the
// packets on the wire, the reply lengths asked, the result, the bytes that
// reach the caller's buffer and the messages shown). Each test file lists its
// cases in a table and instantiates the I2CExport suite with it.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "tessbridge_fixture.hpp"

namespace tbtest {

// What the caller's buffer holds before the call, so untouched bytes show.
inline constexpr uint8_t kUntouched = 0xEE;

inline const std::string kTimedOut = "WDU_Transfer() failed: error 0x20000005 (Transfer timed out)";
inline const std::string kIoError = "WDU_Transfer() failed: error 0x20000008 (Input/output error)";

struct Fault {
    wdsim_op op;
    uint32_t skip;
    wd_status status;
    uint32_t moved;
};

struct ExportCase {
    std::string name;
    // Calls the export; `buffer` holds buffer_after.size() bytes of kUntouched.
    std::function<int(const TessbridgeApi &tb, uint8_t *buffer)> call;
    std::vector<Bytes> replies;   // queued on the adapter before the call
    std::vector<Bytes> sent;      // the bulk OUT packets, in order
    std::vector<uint32_t> reads;  // the lengths asked by the bulk IN transfers
    int result;
    Bytes buffer_after;
    std::vector<std::string> messages = {};
    std::vector<Fault> faults = {};
};

// Test names show the case's name instead of its bytes.
inline void PrintTo(const ExportCase &c, std::ostream *os) {
    *os << c.name;
}

// An adapter plugged in and selected, with nothing logged yet.
class I2CExport : public TessbridgeTest, public ::testing::WithParamInterface<ExportCase> {
  protected:
    void SetUp() override;
    wd_handle adapter = 0;
};

std::string case_name(const ::testing::TestParamInfo<ExportCase> &info);

// n bytes of a pattern that does not repeat within 251 bytes.
Bytes pattern(std::size_t n, uint8_t seed = 0);
// The parts one after the other.
Bytes join(std::initializer_list<Bytes> parts);
// n bytes of kUntouched.
Bytes untouched(std::size_t n);

}  // namespace tbtest
