#include "fake_hid_system.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace tesslink::testing {

// {4D1E55B2-F16F-11CF-88CB-001111000030}, the class Windows reports.
const GUID kFakeHidClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

namespace {

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

bool isHidClass(const GUID *guid) {
    return guid != nullptr && std::memcmp(guid, &kFakeHidClass, sizeof(GUID)) == 0;
}

}  // namespace

std::ostream &operator<<(std::ostream &out, const FakeHoldings &h) {
    return out << "device handles " << h.deviceHandles << ", events " << h.events
               << ", interface sets " << h.interfaceSets << ", detail records " << h.detailRecords
               << ", allocations " << h.allocations << ", preparsed data " << h.preparsedData
               << ", transfers in progress " << h.transfersInProgress;
}

FakeHidSystem::~FakeHidSystem() {
    for (auto &[block, size] : allocations_) {
        delete[] static_cast<std::uint8_t *>(block);
    }
}

// --- What a test drives -------------------------------------------------------

void FakeHidSystem::sendInput(std::size_t index, const Report &report) {
    for (auto &[handle, device] : devices_) {
        if (device.interfaceIndex == index) {
            device.inputs.push_back(report);
        }
    }
    serveReads();
}

void FakeHidSystem::acceptWritesInProgress(std::size_t index) {
    for (std::size_t i = 0; i < transfers_.size();) {
        const Transfer &t = transfers_[i];
        if (t.isWrite && devices_.at(t.device).interfaceIndex == index) {
            takeWrite(i);  // removes it from the list
        } else {
            ++i;
        }
    }
}

FakeHoldings FakeHidSystem::holdings() const {
    FakeHoldings h;
    h.deviceHandles = static_cast<int>(devices_.size());
    h.events = static_cast<int>(events_.size());
    h.interfaceSets = static_cast<int>(sets_.size());
    h.detailRecords = static_cast<int>(detailRecords_.size());
    h.allocations = static_cast<int>(allocations_.size());
    h.preparsedData = static_cast<int>(preparsed_.size());
    h.transfersInProgress = static_cast<int>(transfers_.size());
    return h;
}

// --- Helpers --------------------------------------------------------------------

HANDLE FakeHidSystem::newHandle() {
    lastHandle_ += 4;
    return reinterpret_cast<HANDLE>(lastHandle_);
}

void FakeHidSystem::fault(const std::string &text) {
    faults.push_back(text);
}

BOOL FakeHidSystem::fail(DWORD error) {
    lastError_ = error;
    return FALSE;
}

FakeHidSystem::OpenDevice *FakeHidSystem::openDevice(HANDLE handle, const char *call) {
    const auto found = devices_.find(handle);
    if (found == devices_.end()) {
        fault(std::string(call) + " on a handle that is not an open device");
        return nullptr;
    }
    return &found->second;
}

std::vector<std::size_t> FakeHidSystem::presentInterfaces() const {
    std::vector<std::size_t> present;
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        if (interfaces[i].present) {
            present.push_back(i);
        }
    }
    return present;
}

FakeHidSystem::OpenDevice *FakeHidSystem::startTransfer(HANDLE file, OVERLAPPED *overlapped,
                                                        DWORD bytes, bool isWrite) {
    const std::string call = isWrite ? "WriteFile" : "ReadFile";
    calls.push_back(call);
    OpenDevice *device = openDevice(file, call.c_str());
    if (device == nullptr) {
        fail(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (overlapped == nullptr || !isEvent(overlapped->hEvent)) {
        fault(call + " without an OVERLAPPED record whose event is open");
        fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (const Transfer &t : transfers_) {
        if (t.overlapped == overlapped) {
            fault(call + " with an OVERLAPPED record still in use");
            fail(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    if (overlapped->Offset != 0 || overlapped->OffsetHigh != 0) {
        fault(call + " with an offset in its OVERLAPPED record");
    }
    const FakeInterface &i = interfaces[device->interfaceIndex];
    const USHORT declared = isWrite ? i.outputLength : i.inputLength;
    if (bytes != declared) {
        fault(call + " of " + std::to_string(bytes) + " bytes; the report has " +
              std::to_string(declared));
    }
    events_[overlapped->hEvent] = false;  // the system resets it as the transfer starts
    overlapped->Internal = STATUS_PENDING;
    overlapped->InternalHigh = 0;
    return device;
}

// Ends a transfer as the system does: the result goes into its OVERLAPPED
// record and its event is signalled.
void FakeHidSystem::complete(std::size_t transfer, DWORD error, DWORD bytes) {
    OVERLAPPED *overlapped = transfers_[transfer].overlapped;
    transfers_.erase(transfers_.begin() + static_cast<std::ptrdiff_t>(transfer));
    overlapped->Internal = error;  // this fake keeps the Windows error code there
    overlapped->InternalHigh = bytes;
    events_[overlapped->hEvent] = true;
}

void FakeHidSystem::takeWrite(std::size_t transfer) {
    const Transfer t = transfers_[transfer];
    const std::size_t index = devices_.at(t.device).interfaceIndex;
    FakeInterface &device = interfaces[index];
    device.written.push_back(t.output);
    complete(transfer, ERROR_SUCCESS, t.length);
    if (device.respond) {
        for (const Report &reply : device.respond(t.output)) {
            sendInput(index, reply);
        }
    }
}

void FakeHidSystem::serveReads() {
    for (std::size_t i = 0; i < transfers_.size();) {
        Transfer &t = transfers_[i];
        auto &inputs = devices_.at(t.device).inputs;
        if (t.isWrite || t.cancelRequested || inputs.empty()) {
            ++i;
            continue;
        }
        const Report report = inputs.front();
        inputs.pop_front();
        const auto n = static_cast<DWORD>(std::min<std::size_t>(report.size(), t.length));
        std::copy_n(report.begin(), n, t.readBuffer);
        complete(i, ERROR_SUCCESS, n);
    }
}

// --- hid.dll -----------------------------------------------------------------------

void FakeHidSystem::HidD_GetHidGuid(GUID *hidGuid) {
    calls.emplace_back("HidD_GetHidGuid");
    *hidGuid = kFakeHidClass;
}

BOOLEAN FakeHidSystem::HidD_GetAttributes(HANDLE handle, HIDD_ATTRIBUTES *attributes) {
    calls.emplace_back("HidD_GetAttributes");
    const OpenDevice *device = openDevice(handle, "HidD_GetAttributes");
    if (device == nullptr) {
        return FALSE;
    }
    const FakeInterface &i = interfaces[device->interfaceIndex];
    if (!i.attributesReadable) {
        return FALSE;
    }
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = i.vendor;
    attributes->ProductID = i.product;
    attributes->VersionNumber = 0x0100;
    return TRUE;
}

BOOLEAN FakeHidSystem::HidD_GetPreparsedData(HANDLE handle, PHIDP_PREPARSED_DATA *data) {
    calls.emplace_back("HidD_GetPreparsedData");
    const OpenDevice *device = openDevice(handle, "HidD_GetPreparsedData");
    if (device == nullptr || !interfaces[device->interfaceIndex].preparsedDataReadable) {
        return FALSE;
    }
    auto *preparsed = reinterpret_cast<PHIDP_PREPARSED_DATA>(newHandle());
    preparsed_[preparsed] = device->interfaceIndex;
    *data = preparsed;
    return TRUE;
}

BOOLEAN FakeHidSystem::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    calls.emplace_back("HidD_FreePreparsedData");
    if (preparsed_.erase(data) == 0) {
        fault("HidD_FreePreparsedData of data that is not held");
        return FALSE;
    }
    return TRUE;
}

NTSTATUS FakeHidSystem::HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS *caps) {
    calls.emplace_back("HidP_GetCaps");
    const auto found = preparsed_.find(data);
    if (found == preparsed_.end()) {
        fault("HidP_GetCaps of data that is not held");
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    const FakeInterface &i = interfaces[found->second];
    if (!i.capsReadable) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    *caps = HIDP_CAPS{};
    caps->UsagePage = 0xFF00;
    caps->Usage = 0x01;
    caps->InputReportByteLength = i.inputLength;
    caps->OutputReportByteLength = i.outputLength;
    return HIDP_STATUS_SUCCESS;
}

// --- setupapi.dll ------------------------------------------------------------------

HDEVINFO FakeHidSystem::SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent,
                                             DWORD flags) {
    calls.emplace_back("SetupDiGetClassDevsA");
    if (!isHidClass(classGuid) || enumerator != nullptr || parent != nullptr ||
        flags != kPresentInterfaces) {
        fault("SetupDiGetClassDevsA not asked for the present interfaces of the HID class");
    }
    if (classDevsFail) {
        lastError_ = ERROR_NOT_ENOUGH_MEMORY;
        return INVALID_HANDLE_VALUE;
    }
    HDEVINFO set = newHandle();
    sets_[set] = true;
    return set;
}

BOOL FakeHidSystem::SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA *device,
                                                const GUID *interfaceClass, DWORD index,
                                                SP_DEVICE_INTERFACE_DATA *interfaceData) {
    calls.emplace_back("SetupDiEnumDeviceInterfaces");
    if (sets_.count(set) == 0 || device != nullptr || !isHidClass(interfaceClass) ||
        interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        fault("SetupDiEnumDeviceInterfaces with wrong arguments");
        return fail(ERROR_INVALID_PARAMETER);
    }
    const auto present = presentInterfaces();
    if (index >= present.size()) {
        return fail(ERROR_NO_MORE_ITEMS);
    }
    interfaceData->InterfaceClassGuid = kFakeHidClass;
    interfaceData->Flags = SPINT_ACTIVE;
    interfaceData->Reserved = present[index];
    return TRUE;
}

BOOL FakeHidSystem::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                     SP_DEVICE_INTERFACE_DATA *interfaceData,
                                                     SP_DEVICE_INTERFACE_DETAIL_DATA_A *detail,
                                                     DWORD detailSize, DWORD *requiredSize,
                                                     SP_DEVINFO_DATA *device) {
    calls.emplace_back(detail == nullptr ? "SetupDiGetDeviceInterfaceDetailA(size)"
                                         : "SetupDiGetDeviceInterfaceDetailA(record)");
    if (sets_.count(set) == 0 || interfaceData == nullptr || device != nullptr ||
        interfaceData->Reserved >= interfaces.size()) {
        fault("SetupDiGetDeviceInterfaceDetailA with wrong arguments");
        return fail(ERROR_INVALID_PARAMETER);
    }
    const std::size_t index = interfaceData->Reserved;
    const std::string &path = interfaces[index].path;
    const auto needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                           path.size() + 1);
    if (requiredSize != nullptr) {
        *requiredSize = needed;
    }
    if (detail == nullptr) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    const auto block = allocations_.find(detail);
    if (block == allocations_.end() || block->second < detailSize) {
        fault("a detail record that is not an allocation of its stated size");
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        fault("a detail record whose structure size is not set");
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    if (static_cast<int>(index) == detailFetchFailsAt) {
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    if (detailSize < needed) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::copy(path.begin(), path.end(), detail->DevicePath);
    detail->DevicePath[path.size()] = '\0';
    detailRecords_[detail] = true;
    return TRUE;
}

BOOL FakeHidSystem::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    calls.emplace_back("SetupDiDestroyDeviceInfoList");
    if (sets_.erase(set) == 0) {
        fault("SetupDiDestroyDeviceInfoList of a set that is not held");
        return fail(ERROR_INVALID_HANDLE);
    }
    return TRUE;
}

// --- kernel32.dll --------------------------------------------------------------------

HANDLE FakeHidSystem::CreateFileA(LPCSTR path, DWORD access, DWORD share,
                                  SECURITY_ATTRIBUTES *security, DWORD disposition, DWORD flags,
                                  HANDLE templateFile) {
    calls.emplace_back("CreateFileA");
    if (access != (GENERIC_READ | GENERIC_WRITE) || share != (FILE_SHARE_READ | FILE_SHARE_WRITE) ||
        security != nullptr || disposition != OPEN_EXISTING || flags != FILE_FLAG_OVERLAPPED ||
        templateFile != nullptr) {
        fault(std::string("CreateFileA of ") + path + " with the wrong access, sharing or flags");
    }
    for (const std::size_t index : presentInterfaces()) {
        if (interfaces[index].path != path) {
            continue;
        }
        opened.push_back(index);
        if (!interfaces[index].opens) {
            lastError_ = ERROR_ACCESS_DENIED;
            return INVALID_HANDLE_VALUE;
        }
        HANDLE handle = newHandle();
        devices_[handle] = OpenDevice{index, {}};
        return handle;
    }
    lastError_ = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
}

BOOL FakeHidSystem::CloseHandle(HANDLE object) {
    calls.emplace_back("CloseHandle");
    const bool isDevice = devices_.count(object) != 0;
    if (!isDevice && !isEvent(object)) {
        fault("CloseHandle of a handle that is not open");
        return fail(ERROR_INVALID_HANDLE);
    }
    const auto inUse = [&](const Transfer &t) {
        return isDevice ? t.device == object : t.overlapped->hEvent == object;
    };
    if (std::any_of(transfers_.begin(), transfers_.end(), inUse)) {
        fault(std::string(isDevice ? "a device handle" : "an event") +
              " closed while a transfer still uses it");
        std::erase_if(transfers_, inUse);
    }
    devices_.erase(object);
    events_.erase(object);
    return TRUE;
}

HANDLE FakeHidSystem::CreateEventA(SECURITY_ATTRIBUTES *security, BOOL manualReset,
                                   BOOL initialState, LPCSTR name) {
    calls.emplace_back("CreateEventA");
    if (security != nullptr || manualReset != FALSE || initialState != FALSE || name != nullptr) {
        fault("CreateEventA not of an unnamed, auto-reset, not signalled event");
    }
    if (eventsFail) {
        lastError_ = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    HANDLE event = newHandle();
    events_[event] = initialState != FALSE;
    return event;
}

BOOL FakeHidSystem::WriteFile(HANDLE file, const void *buffer, DWORD bytes, DWORD *written,
                              OVERLAPPED *overlapped) {
    (void)written;
    const OpenDevice *device = startTransfer(file, overlapped, bytes, true);
    if (device == nullptr) {
        return FALSE;
    }
    const WriteBehaviour behaviour = interfaces[device->interfaceIndex].writes;
    if (behaviour == WriteBehaviour::Refuse) {
        overlapped->Internal = ERROR_GEN_FAILURE;
        return fail(ERROR_GEN_FAILURE);
    }
    const auto *bytesIn = static_cast<const std::uint8_t *>(buffer);
    transfers_.push_back(
        Transfer{file, overlapped, true, nullptr, bytes, Report(bytesIn, bytesIn + bytes)});
    if (behaviour == WriteBehaviour::Accept) {
        takeWrite(transfers_.size() - 1);
    }
    return fail(ERROR_IO_PENDING);
}

BOOL FakeHidSystem::ReadFile(HANDLE file, void *buffer, DWORD bytes, DWORD *read,
                             OVERLAPPED *overlapped) {
    const OpenDevice *device = startTransfer(file, overlapped, bytes, false);
    if (device == nullptr) {
        return FALSE;
    }
    transfers_.push_back(
        Transfer{file, overlapped, false, static_cast<std::uint8_t *>(buffer), bytes, {}});
    if (device->inputs.empty()) {
        return fail(ERROR_IO_PENDING);
    }
    // A report is waiting: the read completes at once, as it does on Windows.
    serveReads();
    if (read != nullptr) {
        *read = static_cast<DWORD>(overlapped->InternalHigh);
    }
    return TRUE;
}

DWORD FakeHidSystem::WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    calls.emplace_back("WaitForSingleObject");
    waits.push_back(milliseconds);
    if (!isEvent(object)) {
        fault("WaitForSingleObject of a handle that is not an open event");
        lastError_ = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    if (!events_[object] && duringWait) {
        duringWait();
    }
    for (std::size_t i = 0; i < transfers_.size() && !events_[object]; ++i) {
        if (transfers_[i].overlapped->hEvent == object && transfers_[i].cancelRequested) {
            complete(i, ERROR_OPERATION_ABORTED, 0);
        }
    }
    if (events_[object]) {
        events_[object] = false;  // auto-reset
        return WAIT_OBJECT_0;
    }
    if (milliseconds == INFINITE) {
        fault("WaitForSingleObject without a time limit on an event that nothing will signal");
        return WAIT_FAILED;
    }
    clock_ += milliseconds;
    return WAIT_TIMEOUT;
}

BOOL FakeHidSystem::CancelIo(HANDLE file) {
    calls.emplace_back("CancelIo");
    if (openDevice(file, "CancelIo") == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    if (atCancel) {
        atCancel();
    }
    for (Transfer &t : transfers_) {
        if (t.device == file) {
            t.cancelRequested = true;  // it ends when the transfer is next waited for
        }
    }
    return TRUE;
}

BOOL FakeHidSystem::GetOverlappedResult(HANDLE file, OVERLAPPED *overlapped, DWORD *transferred,
                                        BOOL wait) {
    calls.emplace_back(wait != FALSE ? "GetOverlappedResult(wait)"
                                     : "GetOverlappedResult(no wait)");
    const auto inProgress =
        std::find_if(transfers_.begin(), transfers_.end(),
                     [&](const Transfer &t) { return t.overlapped == overlapped; });
    if (inProgress != transfers_.end()) {
        if (inProgress->device != file) {
            fault("GetOverlappedResult on another handle than its transfer's");
        }
        if (wait == FALSE) {
            return fail(ERROR_IO_INCOMPLETE);
        }
        if (!inProgress->cancelRequested) {
            fault("GetOverlappedResult waits for a transfer that nothing will end");
        }
        complete(static_cast<std::size_t>(inProgress - transfers_.begin()), ERROR_OPERATION_ABORTED,
                 0);
        events_[overlapped->hEvent] = false;  // consumed by the wait
    } else if (overlapped->Internal == STATUS_PENDING) {
        fault("GetOverlappedResult of a transfer that was never started");
        return fail(ERROR_INVALID_PARAMETER);
    }
    *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (overlapped->Internal != ERROR_SUCCESS) {
        return fail(static_cast<DWORD>(overlapped->Internal));
    }
    return TRUE;
}

DWORD FakeHidSystem::GetLastError() {
    return lastError_;
}

ULONGLONG FakeHidSystem::GetTickCount64() {
    return clock_;
}

void *FakeHidSystem::allocate(std::size_t bytes) {
    calls.emplace_back("allocate");
    if (allocationsFail) {
        return nullptr;
    }
    auto *block = new std::uint8_t[bytes];
    std::fill_n(block, bytes, std::uint8_t{0xCD});
    allocations_[block] = bytes;
    return block;
}

void FakeHidSystem::release(void *block) {
    calls.emplace_back("release");
    if (allocations_.erase(block) == 0) {
        fault("release of memory that is not allocated");
        return;
    }
    detailRecords_.erase(block);
    delete[] static_cast<std::uint8_t *>(block);
}

}  // namespace tesslink::testing
