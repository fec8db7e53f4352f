// The Win32 HID transport and tesslink.dll over the system's own SetupDi and
// HidD calls, with no adapter attached. Under Wine the system still presents
// HID interfaces of its own (a virtual mouse and keyboard): the search must
// meet them and pass them by, find nothing, and leave no handle open.
#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "hid_transport_win32.hpp"
#include "tesslink.h"
#include "win32_hid_api_system.hpp"

namespace {

using tesslink::WriteResult;

// Windows' calls, watched: the interfaces the search met, what it learnt of
// each, and what it holds at the moment.
class WatchedWindows final : public tesslink::SystemWin32HidApi {
  public:
    struct Met {
        std::string path;
        bool opened = false;
        bool attributesRead = false;
        USHORT vendor = 0;
        USHORT product = 0;
    };
    std::vector<Met> met;
    int searches = 0;
    int heldSets = 0;
    int heldHandles = 0;  // devices and events
    int heldPreparsedData = 0;
    int heldMemory = 0;

    HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent,
                                  DWORD flags) override {
        ++searches;
        HDEVINFO set =
            SystemWin32HidApi::SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
        heldSets += set != INVALID_HANDLE_VALUE ? 1 : 0;
        return set;
    }
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override {
        --heldSets;
        return SystemWin32HidApi::SetupDiDestroyDeviceInfoList(set);
    }
    HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override {
        HANDLE device = SystemWin32HidApi::CreateFileA(path, access, share, security, disposition,
                                                       flags, templateFile);
        met.push_back(Met{path, device != INVALID_HANDLE_VALUE});
        heldHandles += met.back().opened ? 1 : 0;
        return device;
    }
    HANDLE CreateEventA(SECURITY_ATTRIBUTES *security, BOOL manualReset, BOOL initialState,
                        LPCSTR name) override {
        HANDLE event = SystemWin32HidApi::CreateEventA(security, manualReset, initialState, name);
        heldHandles += event != nullptr ? 1 : 0;
        return event;
    }
    BOOL CloseHandle(HANDLE object) override {
        --heldHandles;
        return SystemWin32HidApi::CloseHandle(object);
    }
    BOOLEAN HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES *attributes) override {
        const BOOLEAN read = SystemWin32HidApi::HidD_GetAttributes(device, attributes);
        if (read != FALSE && !met.empty()) {
            met.back().attributesRead = true;
            met.back().vendor = attributes->VendorID;
            met.back().product = attributes->ProductID;
        }
        return read;
    }
    BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA *data) override {
        const BOOLEAN got = SystemWin32HidApi::HidD_GetPreparsedData(device, data);
        heldPreparsedData += got != FALSE ? 1 : 0;
        return got;
    }
    BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) override {
        --heldPreparsedData;
        return SystemWin32HidApi::HidD_FreePreparsedData(data);
    }
    void *allocate(std::size_t bytes) override {
        void *block = SystemWin32HidApi::allocate(bytes);
        heldMemory += block != nullptr ? 1 : 0;
        return block;
    }
    void release(void *block) override {
        --heldMemory;
        SystemWin32HidApi::release(block);
    }
};

// The handles of this process in the system's handle table; -1 when it
// cannot be read.
long handlesInTheSystemTable() {
    struct Entry {      // one handle, as NtQuerySystemInformation class 16 lists it
        ULONG process;  // Windows fills only the low 16 bits
        UCHAR type;
        UCHAR flags;
        USHORT value;
        void *object;
        ULONG access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr auto kLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(
            static_cast<SYSTEM_INFORMATION_CLASS>(kSystemHandleInformation), buffer.data(),
            static_cast<ULONG>(buffer.size()), &needed);
        if (status == kLengthMismatch) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) {
            return -1;
        }
        break;
    }
    const auto *table = reinterpret_cast<const Table *>(buffer.data());
    const ULONG self = GetCurrentProcessId() & 0xFFFF;
    long count = 0;
    for (ULONG i = 0; i < table->count; ++i) {
        count += (table->entries[i].process & 0xFFFF) == self ? 1 : 0;
    }
    return count;
}

// The number of handles this process holds: GetProcessHandleCount, or where
// that reports none at all (Wine 8 answers 0 for every process), the
// process's entries in the system's handle table.
long processHandles() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) != FALSE && count > 0) {
        return static_cast<long>(count);
    }
    return handlesInTheSystemTable();
}

TEST(SystemHid, TheCountOfProcessHandlesSeesAHandleOpenedAndClosed) {
    const long before = processHandles();
    ASSERT_GT(before, 0);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(processHandles(), before + 1);
    CloseHandle(event);
    EXPECT_EQ(processHandles(), before);
}

TEST(SystemHid, TheSearchPassesTheSystemsOwnInterfacesByAndFindsNoAdapter) {
    WatchedWindows windows;
    const auto transport = tesslink::makeWin32HidTransport(windows);
    const long before = processHandles();

    EXPECT_EQ(transport->openReplyChannel(), nullptr);
    EXPECT_EQ(transport->writeReport(std::vector<std::uint8_t>{0, 0xA0, 2}), WriteResult::NotSent);

    EXPECT_EQ(windows.searches, 2);
    // Both searches met every interface the system presents; Wine presents
    // at least its mouse and keyboard.
    ASSERT_GE(windows.met.size(), 4U);
    EXPECT_EQ(windows.met.size() % 2, 0U);
    for (const auto &m : windows.met) {
        std::cout << "met " << m.path << (m.opened ? ", opened" : ", not opened");
        if (m.attributesRead) {
            std::cout << std::hex << ", vendor " << m.vendor << " product " << m.product
                      << std::dec;
        }
        std::cout << "\n";
        EXPECT_FALSE(m.path.empty());
        EXPECT_FALSE(m.attributesRead && m.vendor == 0x04D8 && m.product == 0xFF5C) << m.path;
    }
    EXPECT_EQ(windows.heldSets, 0);
    EXPECT_EQ(windows.heldHandles, 0);
    EXPECT_EQ(windows.heldPreparsedData, 0);
    EXPECT_EQ(windows.heldMemory, 0);
    EXPECT_EQ(processHandles(), before);
}

struct ExportCase {
    std::string name;
    std::function<int()> call;
    int notFound;  // the result with no adapter attached
};

TEST(SystemHid, TheExportsFindNoAdapterAndLeaveNoHandleOpen) {
    std::vector<unsigned char> data(256, 0xEE);
    const std::vector<unsigned char> untouched = data;
    const std::vector<ExportCase> cases = {
        {"MPUI2CRead", [&] { return MPUI2CRead(0xB0, 2, data.data(), 0x8B); }, 255},
        {"MPUI2CWrite", [&] { return MPUI2CWrite(0xA0, 4, data.data(), 0x10); }, 255},
        {"MPUI2CReadArray", [&] { return MPUI2CReadArray(0xA0, 0, 256, data.data()); }, 255},
        {"MPUI2CWriteArray", [&] { return MPUI2CWriteArray(0xA0, 0, 100, data.data()); }, 255},
        {"MPUI2CRead, length 0", [&] { return MPUI2CRead(0xB0, 0, data.data(), 0x8B); }, 129},
        {"MPUSetI2CFrequency", [] { return MPUSetI2CFrequency(400); }, 0},
        {"MPUGetI2CFrequency", [] { return MPUGetI2CFrequency(); }, 0},
        {"MPUSBGetDeviceVersion", [] { return MPUSBGetDeviceVersion(); }, 0},
        {"MPUSBFlashLED", [] { return MPUSBFlashLED(); }, 255},
        {"MPUReset", [] { return MPUReset(); }, 0},
        {"MPUSBGetDLLVersion", [] { return MPUSBGetDLLVersion(); }, 1032},
    };
    // What the system itself keeps open for the process after its first use
    // of the device-setup calls is not the library's.
    MPUSBFlashLED();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const long before = processHandles();
        EXPECT_EQ(c.call(), c.notFound);
        EXPECT_EQ(processHandles(), before);
        EXPECT_EQ(data, untouched);
    }
}

}  // namespace
