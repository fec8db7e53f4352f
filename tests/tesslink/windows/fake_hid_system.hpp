// A simulated Windows system of HID interfaces behind the calls of
// win32_hid_api.hpp, for testing the Win32 HID transport without devices.
//
// It answers as Windows documents the calls, checks the arguments the
// transport passes (flags, sizes, handles), and keeps count of everything the
// transport holds: device handles, events, interface sets, detail records and
// other allocations, preparsed data and transfers in progress. What the
// transport does wrong (a wrong flag, a handle closed twice, a handle or event
// given up while a transfer still uses it, a wait that could never end) is
// recorded in `faults`.
//
// Time is simulated: a wait for an event that nothing will signal returns
// WAIT_TIMEOUT at once and moves the clock on by the wait's length.
//
// Input reports wait in a queue per open handle, as in Windows' HID class
// driver: a report reaches only the handles open on its interface when it
// arrives.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "hid_report.hpp"
#include "hid_transport.hpp"
#include "win32_hid_api.hpp"

namespace tesslink::testing {

// How a simulated device treats an output report written to it.
enum class WriteBehaviour {
    Accept,       // takes it (the write completes after WriteFile returned)
    NeverAccept,  // leaves the write in progress until it is cancelled
    Refuse,       // WriteFile fails at once
};

struct FakeInterface {
    std::string path;
    bool present = true;  // enumerated at all
    USHORT vendor = kAdapterVendorId;
    USHORT product = kAdapterProductId;
    bool opens = true;  // false: held exclusively, CreateFileA fails
    bool attributesReadable = true;
    bool preparsedDataReadable = true;
    bool capsReadable = true;
    USHORT inputLength = 65;  // declared, report-ID byte included
    USHORT outputLength = 65;
    WriteBehaviour writes = WriteBehaviour::Accept;
    // The input reports the device sends once it has taken an output report.
    std::function<std::vector<Report>(const Report &output)> respond;

    std::vector<Report> written;  // every output report the device took
};

// What the transport holds at one moment; all zero when it holds nothing.
struct FakeHoldings {
    int deviceHandles = 0;
    int events = 0;
    int interfaceSets = 0;
    int detailRecords = 0;
    int allocations = 0;
    int preparsedData = 0;
    int transfersInProgress = 0;

    bool operator==(const FakeHoldings &) const = default;
};

std::ostream &operator<<(std::ostream &out, const FakeHoldings &holdings);

// The HID class identifier the simulated system reports.
extern const GUID kFakeHidClass;

class FakeHidSystem final : public Win32HidApi {
  public:
    FakeHidSystem() = default;
    FakeHidSystem(const FakeHidSystem &) = delete;
    FakeHidSystem &operator=(const FakeHidSystem &) = delete;
    ~FakeHidSystem() override;

    // Interfaces in enumeration order (those not present are left out).
    std::vector<FakeInterface> interfaces;

    // Faults to inject.
    bool classDevsFail = false;
    bool allocationsFail = false;
    bool eventsFail = false;
    int detailFetchFailsAt = -1;  // interface whose detail record cannot be fetched

    // Hooks that put an event where a race would: during a wait that would
    // otherwise time out, and at a CancelIo, before the cancel takes hold.
    std::function<void()> duringWait;
    std::function<void()> atCancel;

    // Sends an input report from interface `index` to every handle open on it.
    void sendInput(std::size_t index, const Report &report);
    // Lets the device of interface `index` take the writes in progress on it.
    void acceptWritesInProgress(std::size_t index);

    [[nodiscard]] FakeHoldings holdings() const;
    [[nodiscard]] ULONGLONG now() const { return clock_; }

    std::vector<std::string> faults;
    std::vector<std::string> calls;   // the calls made, by name, in order
    std::vector<std::size_t> opened;  // the interfaces CreateFileA was asked to open
    std::vector<DWORD> waits;         // the time limit of every WaitForSingleObject

    // Win32HidApi
    void HidD_GetHidGuid(GUID *hidGuid) override;
    BOOLEAN HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES *attributes) override;
    BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA *data) override;
    BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) override;
    NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS *caps) override;
    HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent,
                                  DWORD flags) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA *device,
                                     const GUID *interfaceClass, DWORD index,
                                     SP_DEVICE_INTERFACE_DATA *interfaceData) override;
    BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA *interfaceData,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_A *detail,
                                          DWORD detailSize, DWORD *requiredSize,
                                          SP_DEVINFO_DATA *device) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
    HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override;
    BOOL CloseHandle(HANDLE object) override;
    HANDLE CreateEventA(SECURITY_ATTRIBUTES *security, BOOL manualReset, BOOL initialState,
                        LPCSTR name) override;
    BOOL WriteFile(HANDLE file, const void *buffer, DWORD bytes, DWORD *written,
                   OVERLAPPED *overlapped) override;
    BOOL ReadFile(HANDLE file, void *buffer, DWORD bytes, DWORD *read,
                  OVERLAPPED *overlapped) override;
    DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) override;
    BOOL CancelIo(HANDLE file) override;
    BOOL GetOverlappedResult(HANDLE file, OVERLAPPED *overlapped, DWORD *transferred,
                             BOOL wait) override;
    DWORD GetLastError() override;
    ULONGLONG GetTickCount64() override;
    void *allocate(std::size_t bytes) override;
    void release(void *block) override;

  private:
    struct OpenDevice {
        std::size_t interfaceIndex;
        std::deque<Report> inputs;  // this handle's queue
    };
    struct Transfer {
        HANDLE device;
        OVERLAPPED *overlapped;
        bool isWrite;
        std::uint8_t *readBuffer;  // reads: where the report goes
        DWORD length;
        Report output;  // writes: the report
        bool cancelRequested = false;
    };

    HANDLE newHandle();
    OpenDevice *openDevice(HANDLE handle, const char *call);
    bool isEvent(HANDLE handle) const { return events_.count(handle) != 0; }
    void fault(const std::string &text);
    BOOL fail(DWORD error);
    // Checks and starts a WriteFile or ReadFile; null (with the error set)
    // when it cannot start.
    OpenDevice *startTransfer(HANDLE file, OVERLAPPED *overlapped, DWORD bytes, bool isWrite);
    void complete(std::size_t transfer, DWORD error, DWORD bytes);
    void takeWrite(std::size_t transfer);
    void serveReads();
    std::vector<std::size_t> presentInterfaces() const;

    std::map<HANDLE, OpenDevice> devices_;
    std::map<HANDLE, bool> events_;  // signalled
    std::map<HDEVINFO, bool> sets_;
    std::map<void *, std::size_t> allocations_;  // block, size
    std::map<void *, bool> detailRecords_;       // blocks fetched into as detail records
    std::map<PHIDP_PREPARSED_DATA, std::size_t> preparsed_;  // interface
    std::vector<Transfer> transfers_;                        // in progress
    std::uintptr_t lastHandle_ = 0x1000;
    ULONGLONG clock_ = 1'000'000;
    DWORD lastError_ = 0;
};

}  // namespace tesslink::testing
