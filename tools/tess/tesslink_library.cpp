#include "tesslink_library.hpp"

#include "shared_library.hpp"

namespace tess {

TesslinkLibrary TesslinkLibrary::load() {
    void *handle = open_library("libtesslink.so", RTLD_NOW | RTLD_LOCAL,
                                "install the Tesslink library, or run the tool from the build "
                                "tree it was built in");
    TesslinkLibrary library;
#define TESS_RESOLVE(name) resolve(handle, "libtesslink.so", #name, library.name);
    TESS_TESSLINK_EXPORTS(TESS_RESOLVE)
#undef TESS_RESOLVE
    return library;
}

}  // namespace tess
