// What the emulated Tessbridge tests do as the library's host: record the
// messages it presents, wait for its attach work to settle, plug adapters.
// For executables that link libtessbridge.
#pragma once

#include "usb_bench.hpp"
#include "wait_until.hpp"

#include <tessbridge.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace emulated {

// Messages the library presents, in order.
class Messages {
public:
    Messages() { SetMessagePresenter(&Messages::present, this); }
    ~Messages() { SetMessagePresenter(nullptr, nullptr); }
    Messages(const Messages &) = delete;
    Messages &operator=(const Messages &) = delete;
    std::vector<std::string> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(texts_, {});
    }

private:
    static void present(const char *text, void *self) {
        auto *messages = static_cast<Messages *>(self);
        std::lock_guard lock(messages->mutex_);
        messages->texts_.emplace_back(text);
    }
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

// The serial numbers the library has cached, in list order.
inline std::vector<int32_t> cached_serials() {
    std::array<int32_t, 10> cached{};
    const int32_t count = GetSerialNumbers(cached.data());
    return {cached.begin(), cached.begin() + std::max(count, 0)};
}

// Waits until the attach work has settled: `serials` read, in list order.
inline bool settled_with(const std::vector<int32_t> &serials) {
    return wait_until([&] { return cached_serials() == serials; });
}

// Adds an adapter whose firmware reports `revision`; plugs it in unless told not to.
inline EmulatedAdapter &add_adapter(AdapterDescription description, uint8_t revision,
                                    bool plugged = true) {
    UsbBench &bench = UsbBench::get();
    EmulatedAdapter &adapter = bench.add(std::move(description));
    adapter.with_firmware([&](auto &firmware) { firmware.set_firmware_revision(revision); });
    if (plugged) {
        bench.plug(adapter);
    }
    return adapter;
}

// The path of the libwdapi801.so the process loaded, or "".
inline std::string loaded_toolkit_path() {
    void *toolkit = dlopen("libwdapi801.so", RTLD_NOLOAD | RTLD_LAZY);
    if (toolkit == nullptr) {
        return {};
    }
    link_map *map = nullptr;
    dlinfo(toolkit, RTLD_DI_LINKMAP, &map);
    std::string path = map != nullptr ? map->l_name : "";
    dlclose(toolkit);
    return path;
}

}  // namespace emulated
