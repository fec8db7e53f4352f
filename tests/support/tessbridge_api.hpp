// The exports of libtessbridge.so, resolved from a library loaded at run time,
// so that each test decides what the simulated toolkit holds when the library
// starts up.
#pragma once

#include <tessbridge.h>

#define TESSBRIDGE_EXPORTS(X)                                                                    \
    X(ShutdownProcedure) X(GetNumberOfDevices) X(SelectBySerialNumber) X(GetSerialNumbers)      \
    X(GetHardwareInfo) X(GetFirmwareRevision) X(Get_DLL_Version) X(Enable3VOutputPower)         \
    X(Enable5VOutputPower) X(Write_IO) X(Read_IO) X(Enable_I2C) X(Disable_I2C) X(Enable_SPI)    \
    X(Disable_SPI) X(GPIO_I2C_Write) X(GPIO_SPI_Write) X(GPIO_I2C_Read) X(GPIO_SPI_Read)        \
    X(SetI2CFrequency) X(GetI2CFrequency) X(I2CWriteByte) X(I2CSendByte) X(I2CReceiveByte)      \
    X(I2CReadByte) X(I2CReadArray) X(I2CReadArrayDB) X(I2C10ReadArray) X(I2CRead) X(I2CWrite)   \
    X(I2CWriteArray) X(I2CWriteArrayDB) X(I2C10WriteArray) X(I2CWriteRepWrite)                  \
    X(SPI_Configure) X(SPI_SetFrequency) X(SPI_Generic) X(SPI_Write) X(SPI_WriteWithOC)         \
    X(SPI_WriteRead) X(SetMessagePresenter)

namespace tbtest {

// One pointer per export, named like the export; null when the library lacks it.
struct TessbridgeApi {
#define TB_API_MEMBER(name) decltype(&::name) name = nullptr;
    TESSBRIDGE_EXPORTS(TB_API_MEMBER)
#undef TB_API_MEMBER
};

}  // namespace tbtest
