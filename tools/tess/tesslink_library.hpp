// libtesslink.so, loaded by name at run time, and its exports.
#pragma once

#include "tesslink.h"

namespace tess {

#define TESS_TESSLINK_EXPORTS(X)                                                           \
    X(MPUI2CRead) X(MPUI2CWrite) X(MPUI2CReadArray) X(MPUI2CWriteArray) X(MPUSetI2CFrequency) \
    X(MPUGetI2CFrequency) X(MPUSBGetDeviceVersion) X(MPUSBFlashLED) X(MPUReset)             \
    X(MPUSBGetDLLVersion)

struct TesslinkLibrary {
#define TESS_DECLARE(name) decltype(&::name) name = nullptr;
    TESS_TESSLINK_EXPORTS(TESS_DECLARE)
#undef TESS_DECLARE

    // dlopen("libtesslink.so") and dlsym of every export. Throws ToolError
    // (Environment) when it cannot be loaded.
    static TesslinkLibrary load();
};

}  // namespace tess
