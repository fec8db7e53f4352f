// Emulated hidraw interfaces for a process that runs under umockdev-wrapper.
//
// A UmockdevHidSystem owns a umockdev testbed: fake /sys/class/hidraw entries
// with their HID IDs and report descriptors, and /dev/hidrawN nodes. A served
// interface's node is a PTY whose far end is worked by a device thread: it
// takes each output report the host writes and hands the responder's reply
// back as the input report, the way hidraw would deliver it (without the
// report-ID byte when the device has no numbered reports).
//
// Like hidraw, a served interface hands a reply only to a host that has the
// device open at that moment: a reply that finds no open handle is dropped
// and counted. The HIDIOC* ioctls (raw info, descriptor size, descriptor) are
// answered from the interface's description.
//
// Create the system before anything in the process looks at /sys or /dev:
// umockdev caches whether it runs in a mocked environment on first use.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "hid_adapter_firmware.hpp"

// umockdev's own type names.
using UMockdevTestbed =
    struct _UMockdevTestbed;  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
using UMockdevIoctlBase =
    struct _UMockdevIoctlBase;  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace hid_adapter {

// Layout of a vendor-defined device with one input and one output report.
struct ReportFormat {
    std::size_t payload = 64;              // bytes after the report-ID byte
    std::optional<std::uint8_t> reportId;  // set: the device numbers its reports
};

// A report descriptor declaring `format` in both directions.
std::vector<std::uint8_t> reportDescriptorFor(const ReportFormat &format);

struct HidrawInterface {
    unsigned index = 0;  // N of /dev/hidrawN
    std::uint16_t vendor = 0x04D8;
    std::uint16_t product = 0xFF5C;
    ReportFormat format;
    bool hasNode = true;  // false: listed in sysfs, but its node cannot be opened
};

// Answers one output report (byte 0 the report ID); nullopt means no reply.
using ReportResponder = std::function<std::optional<HidReport>(std::span<const std::uint8_t>)>;

class ServedInterface {
  public:
    ServedInterface(const HidrawInterface &description, int masterFd, ReportResponder responder);
    ServedInterface(const ServedInterface &) = delete;
    ServedInterface &operator=(const ServedInterface &) = delete;
    ~ServedInterface();

    // false: the device takes reports but never answers.
    void setAnswering(bool answering) { answering_ = answering; }
    // false: the device stops taking output reports, and a write to its node
    // waits in the kernel as hidraw_kernel_rules.hpp describes (the program
    // must link those rules); true: it takes them again, and a waiting write
    // goes through.
    void setTakingReports(bool taking);
    // Sends each later reply cut to its first `bytes` bytes as hidraw hands
    // them over (an unnumbered device's without the report-ID byte), as a
    // device that sends short reports would; 0 sends whole replies again.
    void cutReplies(std::size_t bytes) { replyCut_ = bytes; }
    // Replies dropped because no handle had the device open.
    [[nodiscard]] unsigned droppedReplies() const { return dropped_; }
    // Output reports received so far, exactly as the host wrote them.
    [[nodiscard]] std::vector<HidReport> receivedReports() const;
    // True while some file of this process has the device open.
    [[nodiscard]] bool openByHost() const;
    // Runs `look` while no report is being handled, to read the model's state.
    void inspect(const std::function<void()> &look) const;

    const HidrawInterface description;
    const std::vector<std::uint8_t> descriptor;

  private:
    void serve();
    void deliver(HidReport reply);

    int masterFd_;
    std::string slavePath_;
    ReportResponder responder_;
    std::atomic<bool> answering_{true};
    std::atomic<std::size_t> replyCut_{0};
    std::atomic<unsigned> dropped_{0};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<HidReport> received_;
    std::thread thread_;
};

class UmockdevHidSystem {
  public:
    UmockdevHidSystem();
    UmockdevHidSystem(const UmockdevHidSystem &) = delete;
    UmockdevHidSystem &operator=(const UmockdevHidSystem &) = delete;
    ~UmockdevHidSystem();

    // An interface nobody answers on (a keyboard, another vendor's device, an
    // interface whose node cannot be opened).
    void addInterface(const HidrawInterface &description);

    // An interface whose reports `responder` answers on a device thread.
    ServedInterface &addServedInterface(const HidrawInterface &description,
                                        ReportResponder responder);

  private:
    void addToSysfs(const HidrawInterface &description, const std::vector<std::uint8_t> &rdesc,
                    bool ptyNode);

    UMockdevTestbed *testbed_;
    std::vector<UMockdevIoctlBase *> handlers_;
    std::vector<std::unique_ptr<ServedInterface>> served_;
};

// A responder that runs `firmware`; the firmware must outlive the responder.
ReportResponder respondWith(HidAdapterFirmware &firmware);

}  // namespace hid_adapter
