// libtessbridge.so, loaded by name at run time, and its exports.
#pragma once

#include <string>
#include <vector>

#include "tessbridge.h"

namespace tess {

#define TESS_TESSBRIDGE_EXPORTS(X)                                                             \
    X(ShutdownProcedure) X(GetNumberOfDevices) X(SelectBySerialNumber) X(GetSerialNumbers)     \
    X(GetHardwareInfo) X(GetFirmwareRevision) X(Get_DLL_Version) X(Enable3VOutputPower)        \
    X(Enable5VOutputPower) X(Write_IO) X(Read_IO) X(Enable_I2C) X(Disable_I2C) X(Enable_SPI)   \
    X(Disable_SPI) X(GPIO_I2C_Write) X(GPIO_SPI_Write) X(GPIO_I2C_Read) X(GPIO_SPI_Read)        \
    X(SetI2CFrequency) X(GetI2CFrequency) X(I2CReceiveByte) X(I2CReadArray) X(I2CReadArrayDB)  \
    X(I2C10ReadArray) X(I2CRead) X(I2CWrite) X(I2CWriteArray) X(I2CWriteArrayDB)               \
    X(I2C10WriteArray) X(SPI_Configure) X(SPI_SetFrequency) X(SPI_Generic) X(SPI_Write)        \
    X(SPI_WriteRead) X(SetMessagePresenter)

// The library's exports as function pointers. Loading runs the library's
// start-up (it waits up to 2 seconds for a first adapter).
struct TessbridgeLibrary {
#define TESS_DECLARE(name) decltype(&::name) name = nullptr;
    TESS_TESSBRIDGE_EXPORTS(TESS_DECLARE)
#undef TESS_DECLARE

    // The driver toolkit the library loaded (libwdapi801.so): its file, and
    // whether it is the simulated one.
    std::string toolkit_file;
    bool toolkit_simulated = false;

    // dlopen("libtessbridge.so") and dlsym of every export; what the library
    // printed to standard error while it loaded is returned in `load_messages`.
    // Throws ToolError (Environment) when it cannot be loaded.
    static TessbridgeLibrary load(std::vector<std::string> &load_messages);
};

}  // namespace tess
