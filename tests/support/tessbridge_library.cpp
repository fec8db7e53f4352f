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
