#include "hidraw_search.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <mutex>

#include "background_writer.hpp"
#include "hid_report.hpp"

namespace tesslink {
namespace {

const char *const kClassDir = "/sys/class/hidraw";
constexpr std::string_view kNodeName = "hidraw";

// A path of fixed parts around a node index, built without allocating.
class NodePath {
  public:
    NodePath(std::string_view before, unsigned index, std::string_view after) {
        append(before);
        const auto [end, error] = std::to_chars(next_, text_.end() - 1, index);
        next_ = error == std::errc{} ? end : next_;
        append(after);
        *next_ = '\0';
    }
    [[nodiscard]] const char *c_str() const { return text_.data(); }

  private:
    void append(std::string_view part) {
        const auto room = static_cast<std::size_t>(text_.end() - 1 - next_);
        next_ = std::copy_n(part.begin(), std::min(part.size(), room), next_);
    }

    std::array<char, 64> text_;
    char *next_ = text_.data();
};

// The indices N of /sys/class/hidraw/hidrawN, in increasing order, kept
// without allocating: every transfer lists them.
class NodeIndices {
  public:
    NodeIndices() {
        DIR *dir = ::opendir(kClassDir);
        if (dir == nullptr) {
            return;
        }
        // readdir on a DIR of our own is safe across threads.
        while (const dirent *entry = ::readdir(dir)) {  // NOLINT(concurrency-mt-unsafe)
            add(entry->d_name);
        }
        ::closedir(dir);
        std::sort(indices_.begin(), indices_.begin() + static_cast<std::ptrdiff_t>(count_));
    }
    [[nodiscard]] const unsigned *begin() const { return indices_.data(); }
    [[nodiscard]] const unsigned *end() const { return indices_.data() + count_; }

  private:
    void add(std::string_view name) {
        if (!name.starts_with(kNodeName) || name.size() == kNodeName.size() ||
            count_ == indices_.size()) {
            return;
        }
        unsigned index = 0;
        const char *last = name.data() + name.size();
        const auto [end, error] = std::from_chars(name.data() + kNodeName.size(), last, index);
        if (error == std::errc{} && end == last) {
            indices_[count_++] = index;
        }
    }

    // Room for four times the kernel's HIDRAW_MAX_DEVICES (64) nodes.
    std::array<unsigned, 4 * HIDRAW_MAX_DEVICES> indices_;
    std::size_t count_ = 0;
};

// The sysfs link from hidrawN to its HID device, whose name is the link's last
// part.
class DeviceLink {
  public:
    explicit DeviceLink(unsigned index) {
        const NodePath path("/sys/class/hidraw/hidraw", index, "/device");
        // readlinkat rather than readlink: umockdev, under which the tests run,
        // intercepts both readlinkat and its fortified variant, but not
        // readlink's.
        const ssize_t length = ::readlinkat(AT_FDCWD, path.c_str(), target_.data(), target_.size());
        if (length > 0 && static_cast<std::size_t>(length) < target_.size()) {
            const std::string_view target(target_.data(), static_cast<std::size_t>(length));
            name_ = target.substr(target.rfind('/') + 1);  // npos + 1 is 0: the whole text
        }
    }
    // Empty when the link cannot be read.
    [[nodiscard]] std::string_view deviceName() const { return name_; }

  private:
    std::array<char, 256> target_;
    std::string_view name_;
};

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

// The lengths of the last adapter met, under its device name. Nothing here
// has a destructor, so nothing is destroyed while the process exits.
std::mutex knownMutex;
struct KnownAdapter {
    std::array<char, 64> name;
    std::size_t nameSize = 0;  // 0: no adapter met yet
    ReportLengths lengths;
} known;

// The lengths of the device `name`, open as `fd`: kept ones, or read from its
// report descriptor (and kept when usable).
std::optional<ReportLengths> lengthsOf(std::string_view name, int fd) {
    {
        const std::lock_guard lock(knownMutex);
        if (known.nameSize != 0 && std::string_view(known.name.data(), known.nameSize) == name) {
            return known.lengths;
        }
    }
    auto lengths = readReportLengths(fd);
    if (lengths && name.size() <= known.name.size()) {
        const std::lock_guard lock(knownMutex);
        std::copy(name.begin(), name.end(), known.name.begin());
        known.nameSize = name.size();
        known.lengths = *lengths;
    }
    return lengths;
}

}  // namespace

DeviceHandle &DeviceHandle::operator=(DeviceHandle &&other) noexcept {
    if (this != &other) {
        reset();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void DeviceHandle::reset() {
    if (fd_ >= 0) {
        closeDevice(fd_);
    }
    fd_ = -1;
}

std::optional<HidDeviceId> parseHidDeviceName(std::string_view name) {
    // Four hexadecimal fields of 1 to 8 digits; the first three end in their
    // separator, the last at the end of the text. Every transfer parses one
    // name per HID interface, so each character is looked up once.
    static constexpr auto kDigitValue = [] {
        std::array<std::int8_t, 256> values{};
        values.fill(-1);
        for (std::size_t c = 0; c < 10; ++c) {
            values['0' + c] = static_cast<std::int8_t>(c);
        }
        for (std::size_t c = 0; c < 6; ++c) {
            values['A' + c] = values['a' + c] = static_cast<std::int8_t>(10 + c);
        }
        return values;
    }();
    constexpr std::array<char, 3> kSeparators = {':', ':', '.'};
    std::array<std::uint32_t, 4> fields{};
    const std::size_t size = name.size();
    std::size_t at = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t start = at;
        const char end = i < kSeparators.size() ? kSeparators[i] : '\0';
        for (; at < size && name[at] != end; ++at) {
            const int value = kDigitValue[static_cast<unsigned char>(name[at])];
            if (value < 0) {
                return std::nullopt;
            }
            fields[i] = fields[i] << 4 | static_cast<std::uint32_t>(value);
        }
        const std::size_t digits = at - start;
        if (digits == 0 || digits > 8 || (end != '\0' && at == size) ||
            (end == '\0' && at != size)) {
            return std::nullopt;
        }
        ++at;  // past the separator
    }
    return HidDeviceId{fields[1], fields[2]};
}

std::optional<OpenAdapter> openAdapter(int extraFlags) {
    for (const unsigned index : NodeIndices()) {
        const DeviceLink link(index);
        const auto id = parseHidDeviceName(link.deviceName());
        if (!id || id->vendor != kAdapterVendorId || id->product != kAdapterProductId) {
            continue;
        }
        const NodePath node("/dev/hidraw", index, "");
        DeviceHandle handle(::open(node.c_str(), O_RDWR | O_CLOEXEC | extraFlags));
        if (handle.get() < 0) {
            continue;
        }
        if (const auto lengths = lengthsOf(link.deviceName(), handle.get())) {
            return OpenAdapter{std::move(handle), *lengths};
        }
    }
    return std::nullopt;
}

}  // namespace tesslink
