// Every export of tessbridge.dll called through a pointer of the type its
// header declares (__stdcall on 32-bit Windows), with no adapter attached: the
// commands return their failure values and report the missing hardware to the
// installed presenter.
#include <tessbridge.h>

#include <iterator>
#include <vector>

#include "call_exports.hpp"
#include "tessbridge_api.hpp"

namespace wintest {
namespace {

const ExportEntry kTable[] = {
#include "tessbridge_table.inc"
};

void record(const char *text, void *context) {
    static_cast<std::vector<std::string> *>(context)->emplace_back(text);
}

}  // namespace

void call_tessbridge(const char *dll, Report &report) {
    const LoadedDll library(dll, kTable, report);
    if (!library.loaded()) {
        return;
    }
    tbtest::TessbridgeApi tb;
    std::string unresolved;
    std::size_t functions = 0;
#define TB_RESOLVE(name)                                  \
    tb.name = library.get<decltype(tb.name)>(#name);      \
    unresolved += tb.name == nullptr ? " " #name : "";    \
    ++functions;
    TESSBRIDGE_EXPORTS(TB_RESOLVE)
#undef TB_RESOLVE
    report.check(unresolved.empty() && functions == std::size(kTable),
                 "every export resolves to its declared type" + unresolved);
    if (!unresolved.empty()) {
        return;
    }

    std::vector<std::string> messages;
    uint8_t bytes[16] = {1, 2, 3, 4};
    int32_t serials[10] = {};
    TB_STACK_CHECKED(report, "SetMessagePresenter(record, &messages)",
                     tb.SetMessagePresenter(record, &messages));

    // Makes no transfer.
    TB_CALL_EXPECT(report, 0x1811, tb.Get_DLL_Version());
    TB_CALL_EXPECT(report, 0, tb.GetNumberOfDevices());
    TB_CALL_EXPECT(report, 0, tb.GetSerialNumbers(serials));
    TB_CALL_EXPECT(report, 0, tb.SelectBySerialNumber(1234));
    report.check(messages.empty(), "  no message from the calls that make no transfer");

    // Each of these finds no adapter selected and says so once.
    TB_CALL_EXPECT(report, 0, tb.Enable3VOutputPower(1));
    TB_CALL_EXPECT(report, 0, tb.Enable5VOutputPower(0));
    TB_CALL_EXPECT(report, 255, tb.GetFirmwareRevision());
    TB_CALL_EXPECT(report, 255, tb.GetHardwareInfo(bytes));
    TB_CALL_EXPECT(report, 0, tb.GetI2CFrequency());
    TB_CALL_EXPECT(report, 0, tb.SetI2CFrequency(400));
    TB_CALL_EXPECT(report, 255, tb.I2C10ReadArray(0x150, 0x10, 4, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2C10WriteArray(0x150, 0x10, 4, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2CRead(0xA0, 4, bytes, 1));
    TB_CALL_EXPECT(report, 255, tb.I2CReadArray(0xA0, 0x10, 4, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2CReadArrayDB(0xA0, 0x01, 0x10, 4, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2CReadByte(0xA0, 0x10, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2CReceiveByte(0xA0, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2CSendByte(0xA0, 0x55));
    TB_CALL_EXPECT(report, 255, tb.I2CWrite(0xA0, 4, bytes, 1));
    TB_CALL_EXPECT(report, 255, tb.I2CWriteArray(0xA0, 0x10, 4, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2CWriteArrayDB(0xA0, 0x01, 0x10, 4, bytes));
    TB_CALL_EXPECT(report, 255, tb.I2CWriteByte(0xA0, 0x10, 0x55));
    TB_CALL_EXPECT(report, 255, tb.I2CWriteRepWrite(0xA0, 2, bytes, 0xA2, 2, bytes + 2));
    TB_CALL_EXPECT(report, 255, tb.SPI_Configure(3));
    TB_CALL_EXPECT(report, 255, tb.SPI_SetFrequency(1000));
    TB_CALL_EXPECT(report, 255, tb.SPI_Generic(4, bytes, bytes + 8));
    TB_CALL_EXPECT(report, 255, tb.SPI_Write(4, bytes));
    TB_CALL_EXPECT(report, 255, tb.SPI_WriteRead(2, 2, bytes, bytes + 8));
    TB_CALL_EXPECT(report, 255, tb.SPI_WriteWithOC(4, bytes));
    TB_CALL_EXPECT(report, -1, tb.Read_IO());
    TB_CALL_EXPECT(report, 0, tb.Write_IO(1));
    TB_CALL_EXPECT(report, 0, tb.Enable_I2C());
    TB_CALL_EXPECT(report, 0, tb.Disable_I2C());
    TB_CALL_EXPECT(report, 0, tb.Enable_SPI());
    TB_CALL_EXPECT(report, 0, tb.Disable_SPI());
    TB_CALL_EXPECT(report, 0, tb.GPIO_I2C_Write(3));
    TB_CALL_EXPECT(report, 0, tb.GPIO_SPI_Write(15));
    TB_CALL_EXPECT(report, 255, tb.GPIO_I2C_Read());
    TB_CALL_EXPECT(report, 255, tb.GPIO_SPI_Read());
    constexpr std::size_t kCommands = 35;

    const std::vector<std::string> expected(kCommands, "No hardware detected");
    report.check(messages == expected, std::to_string(kCommands) +
                                           " messages \"No hardware detected\" (got " +
                                           std::to_string(messages.size()) + ")");
    TB_STACK_CHECKED(report, "ShutdownProcedure()", tb.ShutdownProcedure());
    TB_STACK_CHECKED(report, "SetMessagePresenter(nullptr, nullptr)",
                     tb.SetMessagePresenter(nullptr, nullptr));

    // The check itself: a __stdcall export called through a __cdecl pointer
    // must show. On 32-bit Windows the callee pops its 4 bytes and the caller
    // pops them again; the stack pointer is then set back by hand.
#if defined(__i386__)
    using WrongSelect = int32_t(__cdecl *)(int32_t);
    const auto wrong = library.get<WrongSelect>("SelectBySerialNumber");
    std::uintptr_t before = 0;
    std::uintptr_t after = 0;
    TB_READ_SP(before);
    wrong(1234);
    TB_READ_SP(after);
    __asm__ volatile("subl %0, %%esp" : : "r"(static_cast<uint32_t>(after - before)) : "memory");
    report.check(after - before == 4,
                 "control: SelectBySerialNumber called as __cdecl moves the stack pointer by 4 "
                 "(moved by " + std::to_string(static_cast<long long>(after - before)) + ")");
#endif
}

}  // namespace wintest
