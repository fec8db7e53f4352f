// Every export of tesslink.dll called through a pointer of its calling
// convention, written out here as the DLL's users see it: the MPU functions
// __cdecl, the Java natives __stdcall (JNICALL on 32-bit Windows), each native
// taking the JNI environment and the receiver first. Nothing needs an
// adapter: the calls are refused before any device is touched, or find none.
#include <cstdint>
#include <iterator>

#include "call_exports.hpp"

namespace wintest {
namespace {

const ExportEntry kTable[] = {
#include "tesslink_table.inc"
};

using Bytes = unsigned char *;
using ConstBytes = const unsigned char *;
using I2CRead = unsigned char(__cdecl *)(unsigned char, unsigned int, Bytes, unsigned char);
using I2CWrite = unsigned char(__cdecl *)(unsigned char, unsigned int, ConstBytes, unsigned char);
using I2CReadArray = unsigned char(__cdecl *)(unsigned char, unsigned char, unsigned int, Bytes);
using I2CWriteArray = unsigned char(__cdecl *)(unsigned char, unsigned char, unsigned int,
                                               ConstBytes);
using Value = unsigned short(__cdecl *)();
using SetValue = unsigned short(__cdecl *)(unsigned int);
using Reset = unsigned char(__cdecl *)();
using Version = int(__cdecl *)();

// jni.h's types, as they are on Windows.
using JniEnv = void *;
using JniObject = void *;
using JniArray = void *;
using NativeShort = int16_t(__stdcall *)(JniEnv, JniObject);
using NativeInt = int32_t(__stdcall *)(JniEnv, JniObject);
using NativeByte = int8_t(__stdcall *)(JniEnv, JniObject);
using NativeSetFrequency = int16_t(__stdcall *)(JniEnv, JniObject, int32_t);
using NativeTransfer = int8_t(__stdcall *)(JniEnv, JniObject, int32_t, int32_t, JniArray, int32_t);
using NativeBlock = int8_t(__stdcall *)(JniEnv, JniObject, int32_t, int32_t, int32_t, JniArray);

constexpr unsigned char kBadLength = 129;
constexpr unsigned char kNotFound = 255;
constexpr int8_t kJavaBadLength = -127;

}  // namespace

void call_tesslink(const char *dll, Report &report) {
    const LoadedDll library(dll, kTable, report);
    if (!library.loaded()) {
        return;
    }
    const auto read = library.get<I2CRead>("MPUI2CRead");
    const auto write = library.get<I2CWrite>("MPUI2CWrite");
    const auto read_array = library.get<I2CReadArray>("MPUI2CReadArray");
    const auto write_array = library.get<I2CWriteArray>("MPUI2CWriteArray");
    const auto get_frequency = library.get<Value>("MPUGetI2CFrequency");
    const auto set_frequency = library.get<SetValue>("MPUSetI2CFrequency");
    const auto device_version = library.get<Value>("MPUSBGetDeviceVersion");
    const auto flash = library.get<Value>("MPUSBFlashLED");
    const auto reset = library.get<Reset>("MPUReset");
    const auto dll_version = library.get<Version>("MPUSBGetDLLVersion");
    const auto java_flash = library.get<NativeShort>("Java_PMBus_flashLED");
    const auto java_dll_version = library.get<NativeInt>("Java_PMBus_getDLLVersion");
    const auto java_device_version = library.get<NativeShort>("Java_PMBus_getDeviceVersion");
    const auto java_get_frequency = library.get<NativeShort>("Java_PMBus_getFrequency");
    const auto java_set_frequency = library.get<NativeSetFrequency>("Java_PMBus_setFrequency");
    const auto java_reset = library.get<NativeByte>("Java_PMBus_reset");
    const auto java_read = library.get<NativeTransfer>("Java_PMBus_read");
    const auto java_write = library.get<NativeTransfer>("Java_PMBus_write");
    const auto java_read_array = library.get<NativeBlock>("Java_PMBus_readArray");
    const auto java_write_array = library.get<NativeBlock>("Java_PMBus_writeArray");
    const bool resolved = read && write && read_array && write_array && get_frequency &&
                          set_frequency && device_version && flash && reset && dll_version &&
                          java_flash && java_dll_version && java_device_version &&
                          java_get_frequency && java_set_frequency && java_reset && java_read &&
                          java_write && java_read_array && java_write_array;
    constexpr std::size_t kTypedPointers = 20;
    report.check(resolved && kTypedPointers == std::size(kTable),
                 "every export resolves to its declared type");
    if (!resolved) {
        return;
    }

    unsigned char data[8] = {};
    // Refused before any device is touched.
    TB_CALL_EXPECT(report, 0x0408, dll_version());
    TB_CALL_EXPECT(report, kBadLength, read(0xA0, 0, data, 0x10));
    TB_CALL_EXPECT(report, kBadLength, write(0xA0, 0, data, 0x10));
    TB_CALL_EXPECT(report, kBadLength, read_array(0xA0, 0x10, 0, data));
    TB_CALL_EXPECT(report, kBadLength, write_array(0xA0, 0x10, 0, data));
    TB_CALL_EXPECT(report, 1032, java_dll_version(nullptr, nullptr));
    // A null array is refused without the JNI environment.
    TB_CALL_EXPECT(report, kJavaBadLength, java_read(nullptr, nullptr, 0xA0, 4, nullptr, 0x10));
    TB_CALL_EXPECT(report, kJavaBadLength, java_write(nullptr, nullptr, 0xA0, 4, nullptr, 0x10));
    TB_CALL_EXPECT(report, kJavaBadLength,
                   java_read_array(nullptr, nullptr, 0xA0, 0x10, 4, nullptr));
    TB_CALL_EXPECT(report, kJavaBadLength,
                   java_write_array(nullptr, nullptr, 0xA0, 0x10, 4, nullptr));
    // No adapter is attached: each finds none.
    unsigned char block[256] = {};
    TB_CALL_EXPECT(report, kNotFound, read(0xB0, 2, data, 0x8B));
    TB_CALL_EXPECT(report, kNotFound, write(0xA0, 4, data, 0x10));
    TB_CALL_EXPECT(report, kNotFound, read_array(0xA0, 0x00, 256, block));
    TB_CALL_EXPECT(report, kNotFound, write_array(0xA0, 0x00, 100, block));
    TB_CALL_EXPECT(report, 0, get_frequency());
    TB_CALL_EXPECT(report, 0, set_frequency(400));
    TB_CALL_EXPECT(report, 0, device_version());
    TB_CALL_EXPECT(report, 255, flash());
    TB_CALL_EXPECT(report, 0, reset());
    TB_CALL_EXPECT(report, 0, java_get_frequency(nullptr, nullptr));
    TB_CALL_EXPECT(report, 0, java_set_frequency(nullptr, nullptr, 400));
    TB_CALL_EXPECT(report, 0, java_device_version(nullptr, nullptr));
    TB_CALL_EXPECT(report, 255, java_flash(nullptr, nullptr));
    TB_CALL_EXPECT(report, 0, java_reset(nullptr, nullptr));
}

}  // namespace wintest
