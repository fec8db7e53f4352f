// Win32HidApi over Windows itself: every call goes to the Windows function of
// its name, and memory comes from the C heap. Tests derive from it to watch
// what the transport asks of Windows.
#pragma once

#include <cstdlib>

#include "win32_hid_api.hpp"

namespace tesslink {

class SystemWin32HidApi : public Win32HidApi {
  public:
    void HidD_GetHidGuid(GUID *hidGuid) override { ::HidD_GetHidGuid(hidGuid); }
    BOOLEAN HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES *attributes) override {
        return ::HidD_GetAttributes(device, attributes);
    }
    BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA *data) override {
        return ::HidD_GetPreparsedData(device, data);
    }
    BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) override {
        return ::HidD_FreePreparsedData(data);
    }
    NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS *caps) override {
        return ::HidP_GetCaps(data, caps);
    }

    HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent,
                                  DWORD flags) override {
        return ::SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
    }
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA *device,
                                     const GUID *interfaceClass, DWORD index,
                                     SP_DEVICE_INTERFACE_DATA *interfaceData) override {
        return ::SetupDiEnumDeviceInterfaces(set, device, interfaceClass, index, interfaceData);
    }
    BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA *interfaceData,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_A *detail,
                                          DWORD detailSize, DWORD *requiredSize,
                                          SP_DEVINFO_DATA *device) override {
        return ::SetupDiGetDeviceInterfaceDetailA(set, interfaceData, detail, detailSize,
                                                  requiredSize, device);
    }
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override {
        return ::SetupDiDestroyDeviceInfoList(set);
    }

    HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override {
        return ::CreateFileA(path, access, share, security, disposition, flags, templateFile);
    }
    BOOL CloseHandle(HANDLE object) override { return ::CloseHandle(object); }
    HANDLE CreateEventA(SECURITY_ATTRIBUTES *security, BOOL manualReset, BOOL initialState,
                        LPCSTR name) override {
        return ::CreateEventA(security, manualReset, initialState, name);
    }
    BOOL WriteFile(HANDLE file, const void *buffer, DWORD bytes, DWORD *written,
                   OVERLAPPED *overlapped) override {
        return ::WriteFile(file, buffer, bytes, written, overlapped);
    }
    BOOL ReadFile(HANDLE file, void *buffer, DWORD bytes, DWORD *read,
                  OVERLAPPED *overlapped) override {
        return ::ReadFile(file, buffer, bytes, read, overlapped);
    }
    DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) override {
        return ::WaitForSingleObject(object, milliseconds);
    }
    BOOL CancelIo(HANDLE file) override { return ::CancelIo(file); }
    BOOL GetOverlappedResult(HANDLE file, OVERLAPPED *overlapped, DWORD *transferred,
                             BOOL wait) override {
        return ::GetOverlappedResult(file, overlapped, transferred, wait);
    }
    DWORD GetLastError() override { return ::GetLastError(); }
    ULONGLONG GetTickCount64() override { return ::GetTickCount64(); }

    void *allocate(std::size_t bytes) override { return std::malloc(bytes); }
    void release(void *block) override { std::free(block); }
};

}  // namespace tesslink
