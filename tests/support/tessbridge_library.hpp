// libtessbridge loaded at run time, so that its start-up runs when the caller
// has set the simulated toolkit up, and runs again after an unload.
#pragma once

#include "tessbridge_api.hpp"

namespace tbtest {

class TessbridgeLibrary {
  public:
    // What the destructor does after ShutdownProcedure. `never` leaves the
    // library, and the toolkit it brought in, loaded until the process ends.
    enum class Unload { on_destruction, never };

    // Loads the library at `path` and resolves every export; its start-up is
    // over on return (on Windows through a first call, which waits for it). Throws std::runtime_error, saying why, when it cannot be loaded.
    explicit TessbridgeLibrary(const char *path, Unload unload = Unload::on_destruction);
    // ShutdownProcedure, then unloads the library unless told not to.
    ~TessbridgeLibrary();
    TessbridgeLibrary(const TessbridgeLibrary &) = delete;
    TessbridgeLibrary &operator=(const TessbridgeLibrary &) = delete;

    const TessbridgeApi &api() const { return api_; }

  private:
    void *handle_;
    Unload unload_;
    TessbridgeApi api_;
};

}  // namespace tbtest
