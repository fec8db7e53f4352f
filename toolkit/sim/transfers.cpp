// Device records and transfers on the virtual adapters, each one logged.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "simulator.hpp"

namespace wdsim {
namespace {

constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kStringDescriptor = 0x03;
constexpr uint8_t kDeviceToHost = 0x80;

void log_transfer(Simulator &sim, const wdsim_transfer &record, const uint8_t *data) {
    if (!sim.log_enabled) {
        return;
    }
    LogEntry entry;
    entry.record = record;
    if (data != nullptr && record.moved > 0) {
        entry.bytes.assign(data, data + record.moved);
    }
    sim.log.push_back(std::move(entry));
    auto &stored = sim.log.back();
    stored.record.data = stored.bytes.empty() ? nullptr : stored.bytes.data();
}

// Answers GET_DESCRIPTOR for strings from the adapter's serial number: index 0
// the language list (English, United States), index 3 the serial number.
wd_status answer_control(const Adapter &adapter, const uint8_t setup[8], uint8_t *data,
                         uint32_t length, uint32_t *moved) {
    *moved = 0;
    if (setup[0] != kDeviceToHost || setup[1] != kGetDescriptor ||
        setup[3] != kStringDescriptor) {
        return WD_STATUS_STALL;
    }
    std::vector<uint8_t> descriptor;
    if (setup[2] == 0) {
        descriptor = {4, kStringDescriptor, 0x09, 0x04};
    } else if (setup[2] == 3) {
        const std::size_t chars = std::min<std::size_t>(adapter.serial.size(), 126);
        descriptor.push_back(static_cast<uint8_t>(2 + 2 * chars));
        descriptor.push_back(kStringDescriptor);
        for (std::size_t i = 0; i < chars; ++i) {
            descriptor.push_back(static_cast<uint8_t>(adapter.serial[i]));
            descriptor.push_back(0);
        }
    } else {
        return WD_STATUS_STALL;
    }
    const uint32_t asked = std::min<uint32_t>(length, setup[6] | (setup[7] << 8U));
    *moved = std::min<uint32_t>(asked, static_cast<uint32_t>(descriptor.size()));
    std::copy_n(descriptor.data(), *moved, data);  // no memcpy: a 0-byte read may have no buffer
    return WD_STATUS_SUCCESS;
}

// A bulk transfer without a model: OUT is taken whole, IN takes the oldest
// scripted reply or times out.
wd_status answer_scripted(Simulator &sim, Adapter &adapter, uint32_t is_read, uint8_t *data,
                          uint32_t length, uint32_t *moved) {
    std::lock_guard lock(sim.mutex);
    if (!is_read) {
        *moved = length;
        return WD_STATUS_SUCCESS;
    }
    if (adapter.replies.empty()) {
        *moved = 0;
        return WD_STATUS_TRANSFER_TIMEOUT;
    }
    const auto &reply = adapter.replies.front();
    *moved = std::min<uint32_t>(length, static_cast<uint32_t>(reply.size()));
    std::copy_n(reply.data(), *moved, data);  // no memcpy: an empty reply has no data pointer
    adapter.replies.pop_front();
    return WD_STATUS_SUCCESS;
}

struct Prepared {
    std::shared_ptr<Adapter> adapter;
    std::optional<Fault> fault;
    wd_status refusal = WD_STATUS_SUCCESS;
};

Prepared prepare(Simulator &sim, wd_handle device, wdsim_op op) {
    std::lock_guard lock(sim.mutex);
    Prepared p;
    const auto it = sim.adapters.find(device);
    if (it != sim.adapters.end() && it->second->gone) {
        p.refusal = WD_STATUS_DEVICE_GONE;
        return p;
    }
    p.adapter = usable_adapter(sim, device);
    if (!p.adapter) {
        p.refusal = WD_STATUS_INVALID_HANDLE;
        return p;
    }
    p.fault = take_fault(sim, op);
    return p;
}

// A silent transfer: no answer until the limit passes, the adapter goes or the
// registration stops (WDU_Uninit ends the transfers in flight).
wd_status wait_unanswered(Simulator &sim, const Adapter &adapter, uint32_t timeout_ms) {
    std::unique_lock lock(sim.mutex);
    const wd_handle registration = sim.driver ? sim.driver->handle : 0;
    const auto ended = [&] {
        const wd_handle now = sim.driver && !sim.driver->stopping ? sim.driver->handle : 0;
        return adapter.gone || now != registration;
    };
    if (!ended()) {
        notify_hook(WDSIM_POINT_TRANSFER_WAIT, adapter.handle,
              static_cast<int32_t>(std::min<uint32_t>(timeout_ms, INT32_MAX)));
    }
    if (timeout_ms == 0) {
        sim.changed.wait(lock, ended);
    } else if (!sim.changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), ended)) {
        return WD_STATUS_TRANSFER_TIMEOUT;
    }
    return adapter.gone ? WD_STATUS_DEVICE_GONE : WD_STATUS_INVALID_HANDLE;
}

template <typename Answer>
wd_status run_transfer_unguarded(Simulator &sim, wdsim_transfer record, wdsim_op op,
                                 uint8_t *data, bool arguments_valid, uint32_t *transferred,
                                 Answer answer) {
    const Prepared p = prepare(sim, record.device, op);
    uint32_t moved = 0;
    wd_status status = p.refusal;
    if (status == WD_STATUS_SUCCESS && !arguments_valid) {
        status = WD_STATUS_INVALID_PARAMETER;
    }
    if (status == WD_STATUS_SUCCESS && p.fault && p.fault->silent) {
        status = wait_unanswered(sim, *p.adapter, record.timeout_ms);
    } else if (status == WD_STATUS_SUCCESS) {
        const uint32_t reach = p.fault ? std::min(p.fault->moved, record.requested) : record.requested;
        if (!(p.fault && reach == 0)) {
            status = answer(*p.adapter, reach, moved);
            moved = std::min(moved, reach);
        }
        if (p.fault && p.fault->status != WD_STATUS_SUCCESS) {
            status = p.fault->status;
        }
    }
    if (transferred != nullptr) {
        *transferred = moved;
    }
    record.moved = moved;
    record.status = status;
    std::lock_guard lock(sim.mutex);
    log_transfer(sim, record, data);
    return status;
}

// Runs one transfer the way every transfer runs: refuses a departed or unknown
// device and bad arguments, applies an injected fault (a shorter reach, a
// failure status), lets the adapter answer, reports the count and logs it.
template <typename Answer>
wd_status run_transfer(wdsim_transfer record, wdsim_op op, uint8_t *data, bool arguments_valid,
                       uint32_t *transferred, Answer answer) {
    auto &sim = simulator();
    try {
        return run_transfer_unguarded(sim, record, op, data, arguments_valid, transferred, answer);
    } catch (...) {  // out of memory for the log or a reply: the transfer fails
        if (transferred != nullptr) {
            *transferred = 0;
        }
        return WD_STATUS_NO_RESOURCES;
    }
}

}  // namespace
}  // namespace wdsim

using wdsim::simulator;

extern "C" {

wd_status WDU_GetDeviceInfo(wd_handle device, wd_device_info **info) {
    if (info == nullptr) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    *info = nullptr;
    auto &sim = simulator();
    const auto p = wdsim::prepare(sim, device, WDSIM_OP_GET_DEVICE_INFO);
    if (p.refusal != WD_STATUS_SUCCESS) {
        return p.refusal;
    }
    if (p.fault) {
        return p.fault->status;
    }
    auto *record = new (std::nothrow) wd_device_info(p.adapter->info);
    if (record == nullptr) {
        return WD_STATUS_NO_RESOURCES;
    }
    std::lock_guard lock(sim.mutex);
    ++sim.open_records;
    *info = record;
    return WD_STATUS_SUCCESS;
}

void WDU_PutDeviceInfo(wd_device_info *info) {
    if (info == nullptr) {
        return;
    }
    delete info;
    auto &sim = simulator();
    std::lock_guard lock(sim.mutex);
    --sim.open_records;
}

wd_status WDU_TransferBulk(wd_handle device, uint32_t pipe, uint32_t is_read, uint32_t /*options*/,
                           void *buffer, uint32_t length, uint32_t *transferred,
                           uint32_t timeout_ms) {
    auto *data = static_cast<uint8_t *>(buffer);
    wdsim_transfer record{};
    record.device = device;
    record.kind = WDSIM_BULK;
    record.pipe = pipe;
    record.is_read = is_read;
    record.requested = length;
    record.timeout_ms = timeout_ms;
    const bool valid = data != nullptr || length == 0;
    return wdsim::run_transfer(
        record, is_read ? WDSIM_OP_BULK_IN : WDSIM_OP_BULK_OUT, data, valid, transferred,
        [&](wdsim::Adapter &adapter, uint32_t reach, uint32_t &moved) {
            if (adapter.model) {
                const wdsim_model &model = *adapter.model;
                return model.bulk(model.context, pipe, is_read, data, reach, &moved);
            }
            return wdsim::answer_scripted(simulator(), adapter, is_read, data, reach, &moved);
        });
}

wd_status WDU_TransferDefaultPipe(wd_handle device, uint32_t is_read, uint32_t /*options*/,
                                  void *buffer, uint32_t length, uint32_t *transferred,
                                  const uint8_t setup_packet[8], uint32_t timeout_ms) {
    auto *data = static_cast<uint8_t *>(buffer);
    wdsim_transfer record{};
    record.device = device;
    record.kind = WDSIM_CONTROL;
    record.is_read = is_read;
    record.requested = length;
    record.timeout_ms = timeout_ms;
    if (setup_packet != nullptr) {
        std::memcpy(record.setup, setup_packet, sizeof record.setup);
    }
    const bool valid = setup_packet != nullptr && (data != nullptr || length == 0);
    return wdsim::run_transfer(
        record, WDSIM_OP_CONTROL, data, valid, transferred,
        [&](wdsim::Adapter &adapter, uint32_t reach, uint32_t &moved) {
            if (adapter.model && adapter.model->control) {
                const wdsim_model &model = *adapter.model;
                return model.control(model.context, setup_packet, data, reach, &moved);
            }
            return wdsim::answer_control(adapter, setup_packet, data, reach, &moved);
        });
}

}  // extern "C"
