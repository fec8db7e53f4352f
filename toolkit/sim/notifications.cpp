// WDU_Init and WDU_Uninit, and the thread that delivers attach and detach
// notifications to the registered driver.
#include "benches.hpp"
#include "handle_table.hpp"
#include "initial_delivery.hpp"
#include "simulator.hpp"

namespace wdsim {
namespace {

// Runs each queued notification's handler without the lock held.
void deliver_notifications(Simulator &sim) {
    std::unique_lock lock(sim.mutex);
    Driver &driver = *sim.driver;
    for (;;) {
        sim.changed.wait(lock, [&] { return driver.stopping || !driver.queue.empty(); });
        if (driver.stopping) {
            return;
        }
        Notification note = std::move(driver.queue.front());
        driver.queue.pop_front();
        Adapter &adapter = *note.adapter;
        driver.handler_running = true;
        const wd_event_table events = driver.events;
        if (note.attach) {
            adapter.state = AdapterState::attaching;
            const wd_device_info info = adapter.info;
            lock.unlock();
            const int accepted =
                events.on_attach ? events.on_attach(adapter.handle, &info, events.user_data) : 0;
            lock.lock();
            adapter.state = accepted ? AdapterState::attached : AdapterState::unclaimed;
            if (adapter.gone) {  // pulled out while its attach ran
                if (accepted) {
                    driver.queue.push_back({false, note.adapter});
                } else {
                    sim.adapters.erase(adapter.handle);
                }
            }
        } else {
            lock.unlock();
            if (events.on_detach) {
                events.on_detach(adapter.handle, events.user_data);
            }
            lock.lock();
            adapter.state = AdapterState::unclaimed;
            sim.adapters.erase(adapter.handle);  // the handle turns stale here
        }
        driver.initial_pending -= note.initial ? 1U : 0U;
        driver.handler_running = false;
        sim.changed.notify_all();
    }
}

}  // namespace
}  // namespace wdsim

using wdsim::simulator;

extern "C" {

wd_status WDU_Init(wd_handle *driver_handle, const wd_match_entry *matches, uint32_t match_count,
                   const wd_event_table *events, uint32_t /*options*/) {
    if (driver_handle == nullptr || events == nullptr || (matches == nullptr && match_count > 0)) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    wdsim::plug_benches_from_environment();  // before the adapters present are offered
    auto &sim = simulator();
    std::unique_lock lock(sim.mutex);
    if (const auto fault = wdsim::take_fault(sim, WDSIM_OP_INIT)) {
        return fault->status;
    }
    if (sim.driver) {
        return WD_STATUS_ALREADY_INITIALIZED;
    }
    try {
        auto driver = std::make_unique<wdsim::Driver>();
        driver->handle = wdcommon::next_handle_value();
        driver->matches.assign(matches, matches + match_count);
        driver->events = *events;
        sim.driver = std::move(driver);
        for (const auto &[handle, adapter] : sim.adapters) {
            wdsim::offer_to_driver(sim, adapter);
        }
        for (auto &note : sim.driver->queue) {
            note.initial = true;
        }
        sim.driver->initial_pending = static_cast<uint32_t>(sim.driver->queue.size());
        sim.driver->thread = std::thread(wdsim::deliver_notifications, std::ref(sim));
    } catch (...) {
        sim.driver.reset();
        return WD_STATUS_NO_RESOURCES;
    }
    // The adapters present are reported before WDU_Init returns, within the limit.
    const wdsim::Driver &registered = *sim.driver;
    if (registered.initial_pending != 0) {
        wdsim::notify_hook(WDSIM_POINT_INIT_WAIT, 0,
                           static_cast<int32_t>(registered.initial_pending));
    }
    sim.changed.wait_for(lock, wdcommon::kInitialDeliveryLimit,
                         [&] { return registered.initial_pending == 0; });
    *driver_handle = registered.handle;
    return WD_STATUS_SUCCESS;
}

void WDU_Uninit(wd_handle driver_handle) {
    auto &sim = simulator();
    std::unique_lock lock(sim.mutex);
    if (!sim.driver || sim.driver->handle != driver_handle || sim.driver->stopping ||
        sim.driver->thread.get_id() == std::this_thread::get_id()) {
        return;  // unknown, already stopping, or called from a handler (not allowed)
    }
    sim.driver->stopping = true;
    sim.changed.notify_all();
    // Wait for a running handler to return, then for the thread to end.
    sim.changed.wait(lock, [&] { return !sim.driver->handler_running; });
    std::thread thread = std::move(sim.driver->thread);
    lock.unlock();
    thread.join();
    lock.lock();
    // Every device is released: handles of adapters still plugged stop working,
    // and adapters pulled out meanwhile are forgotten.
    for (auto it = sim.adapters.begin(); it != sim.adapters.end();) {
        it->second->state = wdsim::AdapterState::unclaimed;
        it = it->second->gone ? sim.adapters.erase(it) : std::next(it);
    }
    sim.driver.reset();
    sim.changed.notify_all();
}

}  // extern "C"
