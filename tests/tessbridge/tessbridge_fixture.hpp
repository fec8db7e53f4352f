// Test fixture: a simulated toolkit with virtual adapters, and libtessbridge.so
// loaded and unloaded per test so that its start-up runs each time.
#pragma once

#include <gtest/gtest.h>
#include <wdapi801_sim.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hex.hpp"
#include "tessbridge_library.hpp"

namespace tbtest {

inline constexpr uint16_t kVendorA = 0x04CC, kProductA = 0xF297;
inline constexpr uint16_t kVendorB = 0x18E4, kProductB = 0x2000;

class TessbridgeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Plugs a virtual adapter in (scripted replies unless a model is given).
    wd_handle plug(const char *serial, const wdsim_model *model = nullptr,
                   uint16_t vendor = kVendorA, uint16_t product = kProductA);
    // Pulls it out and waits for the detach to be handled.
    void unplug(wd_handle device);
    // Waits until every notification has been handled.
    void settle();

    // Loads the library (its start-up runs), installs a presenter that records
    // messages and, unless told not to, waits until every notification has
    // been handled. What the start-up wrote to standard error is kept, and
    // whether notifications were still queued or running when the load returned.
    enum class Settle { yes, no };
    void load(Settle settle = Settle::yes);
    // ShutdownProcedure (a second call is harmless), then unloads the library.
    void unload();

    // Clears messages and the transfer log.
    void forget();

    TessbridgeApi tb;
    std::vector<std::string> messages;
    std::string startup_stderr;
    bool pending_at_load = false;
    std::vector<wd_handle> plugged;

private:
    std::optional<TessbridgeLibrary> library_;
};

// Queues a scripted reply on a virtual adapter.
void reply(wd_handle device, const Bytes &bytes);

// Every transfer logged since the last clear; the bulk OUT packets alone; the
// lengths asked by the bulk IN transfers.
std::vector<wdsim_transfer> transfers();
std::vector<Bytes> sent_packets();
std::vector<uint32_t> read_lengths();

// The device that received the last bulk OUT packet, or 0.
wd_handle device_of_last_command();

// Sends one query (unanswered: its time-out message is of no interest) and
// tells which adapter received it: the one selected.
wd_handle selected(const TessbridgeApi &tb);

// Names a parameterised case by its `name` field.
struct CaseName {
    template <typename ParamInfo>
    std::string operator()(const ParamInfo &param_info) const {
        return param_info.param.name;
    }
};

}  // namespace tbtest
