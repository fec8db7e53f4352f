#include "tessbridge_loader.hpp"

#include <dlfcn.h>
#include <wdapi801_sim.h>

#include <atomic>
#include <cstdlib>

#include "guarded_buffer.hpp"

namespace tbfuzz {
namespace {

std::atomic<unsigned long> messages{0};

void count_message(const char *, void *) { messages.fetch_add(1); }

tbtest::TessbridgeApi load() {
    void *library = ::dlopen(TESSBRIDGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        fail(::dlerror());
    }
    tbtest::TessbridgeApi api;
#define TB_RESOLVE(name) \
    api.name = reinterpret_cast<decltype(api.name)>(::dlsym(library, #name));
    TESSBRIDGE_EXPORTS(TB_RESOLVE)
#undef TB_RESOLVE
    api.SetMessagePresenter(count_message, nullptr);
    // The connection is closed before the toolkit's own statics go at exit.
    static void (*shutdown)() = api.ShutdownProcedure;
    std::atexit([] { shutdown(); });
    if (wdsim_settle(5000) != 1) {
        fail("notifications did not settle after loading");
    }
    return api;
}

}  // namespace

const tbtest::TessbridgeApi &loadTessbridge() {
    static const tbtest::TessbridgeApi api = load();
    return api;
}

unsigned long messageCount() { return messages.load(); }

}  // namespace tbfuzz
