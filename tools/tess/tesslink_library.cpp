#include "tesslink_library.hpp"

#include "shared_library.hpp"

namespace tess {

TesslinkLibrary TesslinkLibrary::load() {
    void *handle = open_library(kTesslinkLibrary, Symbols::Local,
                                "install the Tesslink library, or run the tool from the build "
                                "tree it was built in");
    TesslinkLibrary library;
#define TESS_RESOLVE(name) resolve(handle, kTesslinkLibrary, #name, library.name);
    TESS_TESSLINK_EXPORTS(TESS_RESOLVE)
#undef TESS_RESOLVE
    return library;
}

}  // namespace tess
