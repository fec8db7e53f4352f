#include "tessbridge_loader.hpp"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace bench {

LoadedTessbridge::LoadedTessbridge()
    : handle_(::dlopen(TESSBRIDGE_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) {
        throw std::runtime_error(std::string("cannot load libtessbridge: ") + ::dlerror());
    }
#define BENCH_RESOLVE(name) \
    api_.name = reinterpret_cast<decltype(api_.name)>(::dlsym(handle_, #name));
    TESSBRIDGE_EXPORTS(BENCH_RESOLVE)
#undef BENCH_RESOLVE
}

LoadedTessbridge::~LoadedTessbridge() {
    if (api_.ShutdownProcedure != nullptr) {
        api_.ShutdownProcedure();
    }
    ::dlclose(handle_);
}

}  // namespace bench
