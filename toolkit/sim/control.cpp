// The control interface of wdapi801_sim.h: plugging, replies, faults, the log.
#include <chrono>

#include "benches.hpp"
#include "handle_table.hpp"
#include "simulator.hpp"

using wdsim::simulator;

extern "C" {

wd_handle wdsim_plug(const wdsim_adapter *description) {
    if (description == nullptr ||
        (description->model != nullptr && description->model->bulk == nullptr)) {
        return 0;
    }
    try {
        auto adapter = std::make_shared<wdsim::Adapter>();
        adapter->handle = wdcommon::next_handle_value();
        adapter->info.vendor_id = description->vendor_id;
        adapter->info.product_id = description->product_id;
        adapter->info.interface_number = description->interface_number;
        adapter->serial = description->serial != nullptr ? description->serial : "";
        if (description->model != nullptr) {
            adapter->model = *description->model;
        }
        auto &sim = simulator();
        std::lock_guard lock(sim.mutex);
        sim.adapters.emplace(adapter->handle, adapter);
        wdsim::offer_to_driver(sim, adapter);
        return adapter->handle;
    } catch (...) {
        return 0;
    }
}

void wdsim_unplug(wd_handle device) try {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    const auto it = sim.adapters.find(device);
    if (it == sim.adapters.end() || it->second->gone) {
        return;
    }
    const auto adapter = it->second;
    adapter->gone = true;
    switch (adapter->state) {
        case wdsim::AdapterState::unclaimed:
            sim.adapters.erase(it);
            break;
        case wdsim::AdapterState::attach_pending:  // never reported: withdraw it
            std::erase_if(sim.driver->queue, [&](const wdsim::Notification &n) {
                if (n.adapter != adapter) {
                    return false;
                }
                sim.driver->initial_pending -= n.initial ? 1U : 0U;  // WDU_Init waits no more
                return true;
            });
            adapter->state = wdsim::AdapterState::unclaimed;
            sim.adapters.erase(it);
            break;
        case wdsim::AdapterState::attaching:  // the thread queues the detach if accepted
            break;
        case wdsim::AdapterState::attached:
            sim.driver->queue.push_back({false, adapter});
            break;
    }
    sim.changed.notify_all();
} catch (...) {  // out of memory: the adapter stays plugged in
}

int wdsim_settle(uint32_t timeout_ms) {
    auto &sim = simulator();
    std::unique_lock lock(sim.mutex);
    return sim.changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
        return !sim.driver || sim.driver->stopping ||
               (sim.driver->queue.empty() && !sim.driver->handler_running);
    }) ? 1 : 0;
}

void wdsim_reset(void) {
    {
        auto &sim = simulator();
        std::lock_guard lock(sim.mutex);
        sim.adapters.clear();
        for (auto &queue : sim.faults) {
            queue.clear();
        }
        sim.log.clear();
    }
    wdsim::forget_benches();
}

uint32_t wdsim_adapter_count(void) {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    uint32_t count = 0;
    for (const auto &[handle, adapter] : sim.adapters) {
        count += adapter->gone ? 0U : 1U;
    }
    return count;
}

uint32_t wdsim_open_records(void) {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    return sim.open_records;
}

void wdsim_queue_reply(wd_handle device, const uint8_t *data, uint32_t length) try {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    const auto it = sim.adapters.find(device);
    if (it == sim.adapters.end() || (data == nullptr && length > 0)) {
        return;
    }
    it->second->replies.emplace_back(data, data + length);
} catch (...) {  // out of memory: the reply is not queued
}

void wdsim_inject_fault(wdsim_op op, uint32_t skip, wd_status status, uint32_t moved) try {
    const auto index = static_cast<std::size_t>(op);
    if (index >= wdsim::kOpCount) {
        return;
    }
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    sim.faults.at(index).push_back({skip, status, moved});
} catch (...) {  // out of memory: the fault is not injected
}

void wdsim_inject_silence(wdsim_op op, uint32_t skip) try {
    if (op != WDSIM_OP_BULK_OUT && op != WDSIM_OP_BULK_IN && op != WDSIM_OP_CONTROL) {
        return;
    }
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    wdsim::Fault fault;
    fault.skip = skip;
    fault.silent = true;
    sim.faults.at(static_cast<std::size_t>(op)).push_back(fault);
} catch (...) {  // out of memory: nothing is injected
}

uint32_t wdsim_log_count(void) {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    return static_cast<uint32_t>(sim.log.size());
}

int wdsim_log_entry(uint32_t index, wdsim_transfer *entry) {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    if (entry == nullptr || index >= sim.log.size()) {
        return 0;
    }
    *entry = sim.log[index].record;
    return 1;
}

void wdsim_log_clear(void) {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    sim.log.clear();
}

void wdsim_log_enable(int enabled) {
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    sim.log_enabled = enabled != 0;
}

}  // extern "C"
