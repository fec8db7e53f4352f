// HidTransport over Linux hidraw.
//
// Search: /sys/class/hidraw/hidrawN in index order; the HID ID is read from
// sysfs (device/uevent, HID_ID=bus:vendor:product) before anything is opened.
// The first interface with the adapter's IDs that opens read-write and whose
// report descriptor declares usable lengths is the adapter.
//
// hidraw passes the report-ID byte through on output (it strips an ID of 0
// before the device sees it) but drops it on input when the device has no
// numbered reports; readReport puts it back so byte 0 is always the report ID.
// A report counts as received only when it reaches the declared input length,
// report-ID byte included.
//
// A hidraw write is synchronous and may block in the kernel for seconds, so it
// runs on a worker thread and the caller waits for it at most kTransferTimeout.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <dirent.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "background_writer.hpp"
#include "hid_report.hpp"
#include "hid_transport.hpp"
#include "report_descriptor.hpp"

namespace tesslink {
namespace {

const char *const kHidrawClassDir = "/sys/class/hidraw";

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor() { reset(); }

    [[nodiscard]] int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

struct OpenAdapter {
    FileDescriptor fd;
    ReportLengths lengths;
};

// Names of the hidraw entries, sorted by their index (hidraw2 before hidraw10).
std::vector<std::string> hidrawEntriesInIndexOrder() {
    std::vector<std::pair<unsigned, std::string>> entries;
    DIR *dir = ::opendir(kHidrawClassDir);
    if (dir != nullptr) {
        // readdir on a DIR of our own is safe across threads.
        while (const dirent *entry = ::readdir(dir)) {  // NOLINT(concurrency-mt-unsafe)
            std::string name = entry->d_name;
            constexpr std::string_view kPrefix = "hidraw";
            if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) {
                continue;
            }
            unsigned index = 0;
            const char *first = name.data() + kPrefix.size();
            const char *last = name.data() + name.size();
            const auto [end, error] = std::from_chars(first, last, index);
            if (error == std::errc{} && end == last) {
                entries.emplace_back(index, std::move(name));
            }
        }
        ::closedir(dir);
    }
    std::sort(entries.begin(), entries.end());
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (auto &entry : entries) {
        names.push_back(std::move(entry.second));
    }
    return names;
}

// True when device/uevent of the hidraw entry carries the adapter's HID ID.
bool carriesAdapterId(const std::string &name) {
    std::ifstream uevent(std::string(kHidrawClassDir) + "/" + name + "/device/uevent");
    std::string line;
    constexpr std::string_view kKey = "HID_ID=";
    while (std::getline(uevent, line)) {
        if (line.compare(0, kKey.size(), kKey) != 0) {
            continue;
        }
        // HID_ID=bbbb:vvvvvvvv:pppppppp, all hexadecimal.
        const std::size_t firstColon = line.find(':');
        const std::size_t secondColon = line.find(':', firstColon + 1);
        if (firstColon == std::string::npos || secondColon == std::string::npos) {
            return false;
        }
        unsigned long vendor = 0;
        unsigned long product = 0;
        const char *text = line.data();
        const auto v = std::from_chars(text + firstColon + 1, text + secondColon, vendor, 16);
        const auto p = std::from_chars(text + secondColon + 1, text + line.size(), product, 16);
        return v.ec == std::errc{} && p.ec == std::errc{} && vendor == kAdapterVendorId &&
               product == kAdapterProductId;
    }
    return false;
}

std::optional<ReportLengths> readReportLengths(int fd) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return std::nullopt;
    }
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) {
        return std::nullopt;
    }
    const std::size_t length = std::min<std::size_t>(descriptor.size, HID_MAX_DESCRIPTOR_SIZE);
    auto lengths = parseReportLengths(std::span(descriptor.value, length));
    if (!lengths || !isUsable(*lengths)) {
        return std::nullopt;
    }
    return lengths;
}

std::optional<OpenAdapter> openAdapter(int extraFlags) {
    for (const std::string &name : hidrawEntriesInIndexOrder()) {
        if (!carriesAdapterId(name)) {
            continue;
        }
        const std::string node = "/dev/" + name;
        FileDescriptor fd(::open(node.c_str(), O_RDWR | O_CLOEXEC | extraFlags));
        if (fd.get() < 0) {
            continue;
        }
        if (auto lengths = readReportLengths(fd.get())) {
            return OpenAdapter{std::move(fd), *lengths};
        }
    }
    return std::nullopt;
}

class HidrawReplyChannel final : public HidReplyChannel {
  public:
    explicit HidrawReplyChannel(OpenAdapter adapter) : adapter_(std::move(adapter)) {}

    // Only a whole report counts: one shorter than the declared input length
    // would leave the status and data bytes as the zero filler, which reads
    // as a success the adapter never reported. A short report is dropped and
    // the wait goes on for a whole one until the time limit.
    bool readReport(Report &report) override {
        const ReportLengths &lengths = adapter_.lengths;
        report.assign(std::max(kMinReportBuffer, lengths.input), 0);
        // Without numbered reports hidraw delivers the report without its ID
        // byte; byte 0 then stays the ID 0 and counts towards the length.
        const std::size_t offset = lengths.numbered ? 0 : 1;
        const auto deadline = std::chrono::steady_clock::now() + kTransferTimeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() < 0) {
                return false;
            }
            pollfd waiting{adapter_.fd.get(), POLLIN, 0};
            const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0 || (waiting.revents & POLLIN) == 0) {
                return false;
            }
            const ssize_t got =
                ::read(adapter_.fd.get(), report.data() + offset, report.size() - offset);
            if (got < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    continue;
                }
                return false;
            }
            if (got == 0) {
                return false;  // end of file: the device is gone
            }
            if (offset + static_cast<std::size_t>(got) >= lengths.input) {
                return true;
            }
            std::fill(report.begin(), report.end(), std::uint8_t{0});
        }
    }

  private:
    OpenAdapter adapter_;
};

class HidrawTransport final : public HidTransport {
  public:
    std::unique_ptr<HidReplyChannel> openReplyChannel() override {
        auto adapter = openAdapter(O_NONBLOCK);
        if (!adapter) {
            return nullptr;
        }
        return std::make_unique<HidrawReplyChannel>(std::move(*adapter));
    }

    WriteResult writeReport(std::span<const std::uint8_t> layout) override {
        auto adapter = openAdapter(0);
        if (!adapter) {
            return WriteResult::NotSent;
        }
        if (layout.size() > adapter->lengths.output) {
            return WriteResult::TooLong;
        }
        std::vector<std::uint8_t> report(adapter->lengths.output, 0);
        std::copy(layout.begin(), layout.end(), report.begin());
        // writeWithTimeLimit owns the descriptor from here on every path, and
        // nothing between the release and its call can throw.
        const int fd = adapter->fd.release();
        const WriteOutcome outcome = writeWithTimeLimit(fd, std::move(report), kTransferTimeout);
        return outcome == WriteOutcome::Failed ? WriteResult::NotSent : WriteResult::Sent;
    }
};

}  // namespace

HidTransport &systemTransport() {
    static HidrawTransport transport;
    return transport;
}

}  // namespace tesslink
