// The Windows calls the HID transport makes, gathered in one interface so that
// tests can put a simulated system of HID interfaces where Windows would be.
// Each method has the name, arguments and result of the Windows function it
// stands for, with that function's documented behaviour; SystemWin32HidApi
// (win32_hid_api_system.hpp) forwards every call to Windows itself.
#pragma once

// windows.h first: the other Windows headers need its definitions.
#include <windows.h>

#include <setupapi.h>

// The HID headers have no C++ guard of their own; hidsdi.h comes first, as
// hidpi.h needs its types.
extern "C" {
#include <hidsdi.h>

#include <hidpi.h>
}

#include <cstddef>

namespace tesslink {

class Win32HidApi {
  public:
    virtual ~Win32HidApi() = default;

    // hid.dll
    virtual void HidD_GetHidGuid(GUID *hidGuid) = 0;
    virtual BOOLEAN HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES *attributes) = 0;
    virtual BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA *data) = 0;
    virtual BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) = 0;
    virtual NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS *caps) = 0;

    // setupapi.dll
    virtual HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent,
                                          DWORD flags) = 0;
    virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA *device,
                                             const GUID *interfaceClass, DWORD index,
                                             SP_DEVICE_INTERFACE_DATA *interfaceData) = 0;
    virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                  SP_DEVICE_INTERFACE_DATA *interfaceData,
                                                  SP_DEVICE_INTERFACE_DETAIL_DATA_A *detail,
                                                  DWORD detailSize, DWORD *requiredSize,
                                                  SP_DEVINFO_DATA *device) = 0;
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;

    // kernel32.dll
    virtual HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share,
                               SECURITY_ATTRIBUTES *security, DWORD disposition, DWORD flags,
                               HANDLE templateFile) = 0;
    virtual BOOL CloseHandle(HANDLE object) = 0;
    virtual HANDLE CreateEventA(SECURITY_ATTRIBUTES *security, BOOL manualReset, BOOL initialState,
                                LPCSTR name) = 0;
    virtual BOOL WriteFile(HANDLE file, const void *buffer, DWORD bytes, DWORD *written,
                           OVERLAPPED *overlapped) = 0;
    virtual BOOL ReadFile(HANDLE file, void *buffer, DWORD bytes, DWORD *read,
                          OVERLAPPED *overlapped) = 0;
    virtual DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) = 0;
    virtual BOOL CancelIo(HANDLE file) = 0;
    virtual BOOL GetOverlappedResult(HANDLE file, OVERLAPPED *overlapped, DWORD *transferred,
                                     BOOL wait) = 0;
    virtual DWORD GetLastError() = 0;
    virtual ULONGLONG GetTickCount64() = 0;

    // Memory for the interface detail records, whose size the system states.
    // allocate returns null when there is none.
    virtual void *allocate(std::size_t bytes) = 0;
    virtual void release(void *block) = 0;
};

}  // namespace tesslink
