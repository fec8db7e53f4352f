// HidTransport over Windows' HID class driver.
//
// Search, for every write and every reply channel: the present interfaces of
// the HID class (HidD_GetHidGuid, SetupDiGetClassDevsA with DIGCF_PRESENT |
// DIGCF_DEVICEINTERFACE) in index order. For each, the detail record (the
// device path) is fetched in two calls, size first; a record that cannot be
// allocated or fetched ends the search (adapter not found). The path is opened
// for overlapped reading and writing, shared; an interface that does not open
// (one the system holds exclusively, such as a keyboard) is skipped. The first
// open interface whose attributes carry the adapter's IDs and whose
// capabilities declare usable report lengths is the adapter; one whose
// attributes or capabilities cannot be read is closed and skipped. Every exit
// destroys the interface set.
//
// Report lengths come from HidP_GetCaps, read anew by every search; Windows
// counts the report-ID byte in them and puts it at byte 0 of every report,
// numbered or not, so buffers and lengths are the contract's as they stand.
//
// Reply channels: Windows' HID class driver queues a collection's input
// reports in a ring buffer per open handle (per file object; its size is what
// HidD_SetNumInputBuffers sets, 32 reports unless changed), and a report that
// arrives while no handle is open has no queue to wait in and is dropped. So a
// reply is safe only on a handle that was open when it arrived: the reply
// channel's handle is opened before the write goes out, as the contract asks,
// and a reply that comes before ReadFile is started waits in its queue.
//
// Transfers: one event (auto-reset, not signalled, unnamed) and one OVERLAPPED
// record per transfer, a WriteFile or ReadFile of the declared report length,
// and a wait of at most kTransferTimeout. A transfer still in progress after
// the wait is cancelled (CancelIo), and GetOverlappedResult then waits until
// the system has finished with it, so that the buffer and the OVERLAPPED
// record are released only when the system no longer uses them. A write
// cancelled that way did not reach the adapter and is NotSent; one that
// completed before the cancel took hold is Sent. A read that completed before
// the cancel took hold delivers its report.
#include "hid_transport_win32.hpp"

#include <algorithm>
#include <optional>
#include <utility>

#include "hid_report.hpp"
#include "report_descriptor.hpp"

namespace tesslink {
namespace {

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;  // 0x12
constexpr auto kTimeLimitMs = static_cast<DWORD>(kTransferTimeout.count());
constexpr NTSTATUS kCapsRead = HIDP_STATUS_SUCCESS;

// Owns one system object (a handle, an interface set or a block of memory)
// and hands it back through `release` of the api when it goes. Null and
// INVALID_HANDLE_VALUE, the two ways Windows reports a failed creation, own
// nothing.
template <auto release>
class Owned {
  public:
    Owned(Win32HidApi &api, void *object)
        : api_(&api), object_(object == INVALID_HANDLE_VALUE ? nullptr : object) {}
    Owned(Owned &&other) noexcept
        : api_(other.api_), object_(std::exchange(other.object_, nullptr)) {}
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;
    Owned &operator=(Owned &&) = delete;
    ~Owned() {
        if (object_ != nullptr) {
            (api_->*release)(object_);
        }
    }

    [[nodiscard]] void *get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    Win32HidApi *api_;
    void *object_;
};

using OwnedHandle = Owned<&Win32HidApi::CloseHandle>;
using OwnedInterfaceSet = Owned<&Win32HidApi::SetupDiDestroyDeviceInfoList>;
using OwnedMemory = Owned<&Win32HidApi::release>;

struct OpenAdapter {
    OwnedHandle device;
    ReportLengths lengths;
};

// The detail record of one interface, its device path NUL-terminated; empty
// when it cannot be allocated or fetched.
std::optional<OwnedMemory> interfaceDetail(Win32HidApi &api, HDEVINFO set,
                                           SP_DEVICE_INTERFACE_DATA &interfaceData) {
    DWORD required = 0;
    api.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, nullptr);
    // Room for the record's fixed part whatever size was stated, and a NUL
    // after the path that the fetch never overwrites.
    const std::size_t size =
        std::max<std::size_t>(required, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
    OwnedMemory record(api, api.allocate(size + 1));
    if (!record) {
        return std::nullopt;
    }
    std::fill_n(static_cast<char *>(record.get()), size + 1, '\0');
    auto *detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(record.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!api.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, static_cast<DWORD>(size),
                                              nullptr, nullptr)) {
        return std::nullopt;
    }
    return record;
}

bool carriesAdapterId(Win32HidApi &api, HANDLE device) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    return api.HidD_GetAttributes(device, &attributes) != FALSE &&
           attributes.VendorID == kAdapterVendorId && attributes.ProductID == kAdapterProductId;
}

// The declared report lengths, when they can be read and are usable.
std::optional<ReportLengths> reportLengths(Win32HidApi &api, HANDLE device) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (api.HidD_GetPreparsedData(device, &preparsed) == FALSE) {
        return std::nullopt;
    }
    HIDP_CAPS caps{};
    const NTSTATUS status = api.HidP_GetCaps(preparsed, &caps);
    api.HidD_FreePreparsedData(preparsed);
    if (status != kCapsRead) {
        return std::nullopt;
    }
    const ReportLengths lengths{caps.InputReportByteLength, caps.OutputReportByteLength, false};
    if (!isUsable(lengths)) {
        return std::nullopt;
    }
    return lengths;
}

std::optional<OpenAdapter> openAdapter(Win32HidApi &api) {
    GUID hidClass{};
    api.HidD_GetHidGuid(&hidClass);
    const OwnedInterfaceSet set(
        api, api.SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, kPresentInterfaces));
    if (!set) {
        return std::nullopt;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (api.SetupDiEnumDeviceInterfaces(set.get(), nullptr, &hidClass, index, &interfaceData) ==
            FALSE) {
            return std::nullopt;  // no more interfaces
        }
        const auto detail = interfaceDetail(api, set.get(), interfaceData);
        if (!detail) {
            return std::nullopt;
        }
        const auto *path = static_cast<const SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(detail->get());
        OwnedHandle device(api, api.CreateFileA(path->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        if (!device || !carriesAdapterId(api, device.get())) {
            continue;
        }
        if (auto lengths = reportLengths(api, device.get())) {
            return OpenAdapter{std::move(device), *lengths};
        }
    }
}

OwnedHandle transferEvent(Win32HidApi &api) {
    return {api, api.CreateEventA(nullptr, FALSE, FALSE, nullptr)};
}

// One overlapped transfer started by `start` on `device`, awaited on `event`
// for at most `limitMs`. Returns the bytes moved, or nothing when the
// transfer failed or was cancelled at the limit. It never returns while the
// system may still use the transfer's buffer or OVERLAPPED record.
template <typename Start>
std::optional<DWORD> transfer(Win32HidApi &api, HANDLE device, HANDLE event, DWORD limitMs,
                              Start start) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    if (start(overlapped) == FALSE && api.GetLastError() != ERROR_IO_PENDING) {
        return std::nullopt;  // refused at once: nothing is in progress
    }
    if (api.WaitForSingleObject(event, limitMs) != WAIT_OBJECT_0) {
        api.CancelIo(device);
    }
    DWORD moved = 0;
    if (api.GetOverlappedResult(device, &overlapped, &moved, TRUE) == FALSE) {
        return std::nullopt;
    }
    return moved;
}

class Win32ReplyChannel final : public HidReplyChannel {
  public:
    Win32ReplyChannel(Win32HidApi &api, OpenAdapter adapter)
        : api_(api), adapter_(std::move(adapter)) {}

    bool readReport(Report &report) override {
        const OwnedHandle event = transferEvent(api_);
        if (!event) {
            return false;
        }
        const std::size_t length = adapter_.lengths.input;
        report.assign(std::max(kMinReportBuffer, length), 0);
        const ULONGLONG deadline = api_.GetTickCount64() + kTimeLimitMs;
        for (ULONGLONG now = api_.GetTickCount64(); now < deadline; now = api_.GetTickCount64()) {
            const auto moved =
                transfer(api_, adapter_.device.get(), event.get(),
                         static_cast<DWORD>(deadline - now), [&](OVERLAPPED &overlapped) {
                             return api_.ReadFile(adapter_.device.get(), report.data(),
                                                  static_cast<DWORD>(length), nullptr, &overlapped);
                         });
            if (!moved) {
                return false;
            }
            if (*moved >= length) {
                return true;
            }
            // A report shorter than declared is no reply: wait for a whole one.
            std::fill(report.begin(), report.end(), std::uint8_t{0});
        }
        return false;
    }

  private:
    Win32HidApi &api_;
    OpenAdapter adapter_;
};

class Win32HidTransport final : public HidTransport {
  public:
    explicit Win32HidTransport(Win32HidApi &api) : api_(api) {}

    std::unique_ptr<HidReplyChannel> openReplyChannel() override {
        auto adapter = openAdapter(api_);
        if (!adapter) {
            return nullptr;
        }
        return std::make_unique<Win32ReplyChannel>(api_, std::move(*adapter));
    }

    WriteResult writeReport(std::span<const std::uint8_t> layout) override {
        const auto adapter = openAdapter(api_);
        if (!adapter) {
            return WriteResult::NotSent;
        }
        if (layout.size() > adapter->lengths.output) {
            return WriteResult::TooLong;
        }
        Report report(adapter->lengths.output, 0);
        std::copy(layout.begin(), layout.end(), report.begin());
        const OwnedHandle event = transferEvent(api_);
        if (!event) {
            return WriteResult::NotSent;
        }
        const auto moved = transfer(
            api_, adapter->device.get(), event.get(), kTimeLimitMs, [&](OVERLAPPED &overlapped) {
                return api_.WriteFile(adapter->device.get(), report.data(),
                                      static_cast<DWORD>(report.size()), nullptr, &overlapped);
            });
        return moved && *moved == report.size() ? WriteResult::Sent : WriteResult::NotSent;
    }

  private:
    Win32HidApi &api_;
};

}  // namespace

std::unique_ptr<HidTransport> makeWin32HidTransport(Win32HidApi &api) {
    return std::make_unique<Win32HidTransport>(api);
}

}  // namespace tesslink
