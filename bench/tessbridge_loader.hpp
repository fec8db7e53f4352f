// libtessbridge.so loaded at run time, so that its start-up runs after the
// benchmark has plugged its adapters in, and can run again after an unload.
#pragma once

#include "tessbridge_api.hpp"

namespace bench {

class LoadedTessbridge {
  public:
    // dlopen()s the library (its start-up runs inside) and resolves every
    // export. Throws std::runtime_error when the library cannot be loaded.
    LoadedTessbridge();
    // ShutdownProcedure, then dlclose().
    ~LoadedTessbridge();
    LoadedTessbridge(const LoadedTessbridge &) = delete;
    LoadedTessbridge &operator=(const LoadedTessbridge &) = delete;

    const tbtest::TessbridgeApi &api() const { return api_; }

  private:
    void *handle_ = nullptr;
    tbtest::TessbridgeApi api_;
};

}  // namespace bench
