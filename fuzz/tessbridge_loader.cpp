#include "tessbridge_loader.hpp"

#include <wdapi801_sim.h>

#include <atomic>
#include <exception>
#include <optional>

#include "finding.hpp"
#include "tessbridge_library.hpp"

namespace tbfuzz {
namespace {

std::atomic<unsigned long> messages{0};

void count_message(const char *, void *) { messages.fetch_add(1); }

const tbtest::TessbridgeApi &load() {
    // Never unloaded; shut down at exit, before the toolkit's own statics go.
    static std::optional<tbtest::TessbridgeLibrary> library;
    try {
        library.emplace(TESSBRIDGE_LIBRARY, tbtest::TessbridgeLibrary::Unload::never);
    } catch (const std::exception &e) {
        fail(e.what());
    }
    library->api().SetMessagePresenter(count_message, nullptr);
    if (wdsim_settle(5000) != 1) {
        fail("notifications did not settle after loading");
    }
    return library->api();
}

}  // namespace

const tbtest::TessbridgeApi &loadTessbridge() {
    static const tbtest::TessbridgeApi &api = load();
    return api;
}

unsigned long messageCount() { return messages.load(); }

}  // namespace tbfuzz
