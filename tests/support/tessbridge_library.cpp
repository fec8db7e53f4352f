#include "tessbridge_library.hpp"

#include <stdexcept>
#include <string>

#include "shared_library.hpp"

namespace tbtest {

TessbridgeLibrary::TessbridgeLibrary(const char *path, Unload unload)
    : handle_(open_library(path)), unload_(unload) {
    if (handle_ == nullptr) {
        throw std::runtime_error(std::string("cannot load ") + path + ": " + library_error());
    }
#define TB_RESOLVE(name) \
    api_.name = reinterpret_cast<decltype(api_.name)>(find_export(handle_, #name));
    TESSBRIDGE_EXPORTS(TB_RESOLVE)
#undef TB_RESOLVE
    // The load as a host sees it: on Windows the start-up runs on a thread of
    // its own and the first call waits for it (tessbridge.h); on Linux it was
    // over when the load returned.
    (void)api_.Get_DLL_Version();
}

TessbridgeLibrary::~TessbridgeLibrary() {
    if (api_.ShutdownProcedure != nullptr) {
        api_.ShutdownProcedure();
    }
    if (unload_ == Unload::on_destruction) {
        close_library(handle_);
    }
}

}  // namespace tbtest
