#include "simulator.hpp"

#include "fault_seam.hpp"

#include <atomic>

namespace wdsim {
namespace {

// The test's hook. Not under the simulator's mutex: the hook is also called
// while that mutex or an event's or mutex's own lock is held.
struct Hook {
    std::mutex mutex;
    std::atomic<bool> installed{false};
    wdsim_hook function = nullptr;
    void *context = nullptr;
};

Hook &hook() {
    static auto *instance = new Hook;
    return *instance;
}

}  // namespace

void notify_hook(wdsim_point point, wd_handle handle, int32_t value) {
    Hook &h = hook();
    if (!h.installed.load(std::memory_order_acquire)) {
        return;
    }
    wdsim_hook function = nullptr;
    void *context = nullptr;
    {
        std::lock_guard lock(h.mutex);
        function = h.function;
        context = h.context;
    }
    if (function != nullptr) {
        function(point, handle, value, context);
    }
}

// Never destroyed: a process may exit with a driver registered and its
// notification thread still running.
Simulator &simulator() {
    static auto *instance = new Simulator;
    return *instance;
}

std::optional<Fault> take_fault(Simulator &sim, wdsim_op op) {
    auto &queue = sim.faults.at(static_cast<std::size_t>(op));
    if (queue.empty()) {
        return std::nullopt;
    }
    if (queue.front().skip > 0) {
        --queue.front().skip;
        return std::nullopt;
    }
    const Fault fault = queue.front();
    queue.pop_front();
    return fault;
}

bool matches(const Driver &driver, const wd_device_info &info) {
    for (const auto &entry : driver.matches) {
        if ((entry.vendor_id == 0 || entry.vendor_id == info.vendor_id) &&
            (entry.product_id == 0 || entry.product_id == info.product_id)) {
            return true;
        }
    }
    return false;
}

void offer_to_driver(Simulator &sim, const std::shared_ptr<Adapter> &adapter) {
    if (!sim.driver || sim.driver->stopping || adapter->gone ||
        adapter->state != AdapterState::unclaimed || !matches(*sim.driver, adapter->info)) {
        return;
    }
    adapter->state = AdapterState::attach_pending;
    sim.driver->queue.push_back({true, adapter});
    sim.changed.notify_all();
}

std::shared_ptr<Adapter> usable_adapter(Simulator &sim, wd_handle device) {
    const auto it = sim.adapters.find(device);
    if (it == sim.adapters.end()) {
        return nullptr;
    }
    const auto state = it->second->state;
    return state == AdapterState::attached || state == AdapterState::attaching ? it->second
                                                                              : nullptr;
}

}  // namespace wdsim

namespace wdcommon {

wd_status injected_failure(SeamOp op) {
    auto &sim = wdsim::simulator();
    std::lock_guard lock(sim.mutex);
    wdsim_op sim_op = WDSIM_OP_EVENT_CREATE;
    switch (op) {
        case SeamOp::event_create:
            sim_op = WDSIM_OP_EVENT_CREATE;
            break;
        case SeamOp::mutex_create:
            sim_op = WDSIM_OP_MUTEX_CREATE;
            break;
        case SeamOp::event_wait:
            sim_op = WDSIM_OP_EVENT_WAIT;
            break;
    }
    const auto fault = wdsim::take_fault(sim, sim_op);
    return fault ? fault->status : WD_STATUS_SUCCESS;
}

void reached(SyncPoint point, wd_handle handle, int32_t value) {
    switch (point) {
        case SyncPoint::mutex_wait:
            wdsim::notify_hook(WDSIM_POINT_MUTEX_WAIT, handle, value);
            break;
        case SyncPoint::mutex_taken:
            wdsim::notify_hook(WDSIM_POINT_MUTEX_TAKEN, handle, value);
            break;
        case SyncPoint::event_wait:
            wdsim::notify_hook(WDSIM_POINT_EVENT_WAIT, handle, value);
            break;
    }
}

}  // namespace wdcommon

extern "C" void wdsim_set_hook(wdsim_hook function, void *context) {
    auto &h = wdsim::hook();
    std::lock_guard lock(h.mutex);
    h.function = function;
    h.context = context;
    h.installed.store(function != nullptr, std::memory_order_release);
}
