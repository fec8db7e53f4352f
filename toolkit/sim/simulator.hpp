// State of the simulated toolkit: the virtual adapters, the registered driver
// with its notification thread, injected faults and the transfer log. One
// process-wide instance, guarded by one mutex; models and handlers are always
// called without it.
#pragma once

#include <wdapi801_sim.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace wdsim {

enum class AdapterState {
    unclaimed,       // no driver has it
    attach_pending,  // an attach notification is queued
    attaching,       // the attach handler is running
    attached,        // accepted: transfers allowed, a detach will follow
};

struct Adapter {
    wd_handle handle = 0;
    wd_device_info info{};
    std::string serial;
    std::optional<wdsim_model> model;
    std::deque<std::vector<uint8_t>> replies;
    AdapterState state = AdapterState::unclaimed;
    bool gone = false;  // pulled out
};

struct Notification {
    bool attach = true;
    std::shared_ptr<Adapter> adapter;
    bool initial = false;  // an adapter present at WDU_Init, which waits for its delivery
};

struct Driver {
    wd_handle handle = 0;
    std::vector<wd_match_entry> matches;
    wd_event_table events{};
    std::deque<Notification> queue;
    bool stopping = false;
    bool handler_running = false;
    uint32_t initial_pending = 0;  // initial notifications not delivered yet
    std::thread thread;
};

struct Fault {
    uint32_t skip = 0;
    wd_status status = WD_STATUS_SUCCESS;
    uint32_t moved = 0;
    bool silent = false;  // no answer: the transfer waits until it is ended
};

struct LogEntry {
    wdsim_transfer record{};
    std::vector<uint8_t> bytes;
};

inline constexpr std::size_t kOpCount = 8;

struct Simulator {
    std::mutex mutex;
    std::condition_variable changed;  // queue, handler or driver state changed
    std::map<wd_handle, std::shared_ptr<Adapter>> adapters;
    std::unique_ptr<Driver> driver;
    std::array<std::deque<Fault>, kOpCount> faults;
    std::deque<LogEntry> log;
    bool log_enabled = true;
    uint32_t open_records = 0;
};

Simulator &simulator();

// Takes the fault due for this call of `op`, if any. Caller holds the mutex.
std::optional<Fault> take_fault(Simulator &sim, wdsim_op op);

bool matches(const Driver &driver, const wd_device_info &info);

// Queues an attach for the adapter if the registered driver wants it. Caller
// holds the mutex.
void offer_to_driver(Simulator &sim, const std::shared_ptr<Adapter> &adapter);

// The adapter behind a handle while transfers may use it, or null.
std::shared_ptr<Adapter> usable_adapter(Simulator &sim, wd_handle device);

// Tells the test's hook (wdsim_set_hook), if one is installed, that the calling
// thread reached `point`.
void notify_hook(wdsim_point point, wd_handle handle, int32_t value);

}  // namespace wdsim
