// The library's hidraw transport against adapters emulated under umockdev.
// Run with umockdev-wrapper.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "background_writer.hpp"
#include "hid_report.hpp"
#include "hid_transport.hpp"
#include "hidraw_kernel_rules.hpp"
#include "simulated_board.hpp"
#include "tesslink.h"
#include "umockdev_hid_system.hpp"

// Under ThreadSanitizer: the emulation's libraries (umockdev, GLib) are not
// instrumented, so their own synchronisation is invisible and their internal
// accesses are not judged.
extern "C" __attribute__((visibility("default"))) const char *__tsan_default_suppressions() {
    return "race:libumockdev.so\n"
           "race:libglib-2.0.so\n"
           "race:libgobject-2.0.so\n"
           "race:libgio-2.0.so\n";
}

namespace {

using hid_adapter::HidrawInterface;
using hid_adapter::ReportFormat;
using hid_adapter::ServedInterface;
using hid_adapter::SimulatedBoard;
using hid_adapter::UmockdevHidSystem;

constexpr unsigned char kPsu = SimulatedBoard::kPowerSupplyAddress;
constexpr unsigned char kMemory = SimulatedBoard::kMemoryAddress;

class Hidraw : public ::testing::Test {
  protected:
    // The board outlives the system, whose device threads run its firmware.
    SimulatedBoard board;
    std::unique_ptr<UmockdevHidSystem> system = std::make_unique<UmockdevHidSystem>();

    ServedInterface &attachAdapter(unsigned index, ReportFormat format = {}) {
        HidrawInterface adapter;
        adapter.index = index;
        adapter.format = format;
        return system->addServedInterface(adapter, hid_adapter::respondWith(board.firmware));
    }
    unsigned ledFlashes(const ServedInterface &served) {
        unsigned n = 0;
        served.inspect([&] { n = board.firmware.ledFlashes(); });
        return n;
    }
    // Waits until the device has taken `n` reports in all, at most 10 s.
    static bool reportsTaken(const ServedInterface &served, std::size_t n) {
        return eventually([&] { return served.receivedReports().size() >= n; });
    }
    // Waits until `condition` holds, at most `limit`; whether it holds.
    template <typename Condition>
    static bool eventually(Condition condition,
                           std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::yield();
        }
        return true;
    }
};

TEST_F(Hidraw, FindsTheFirstAdapterAmongOtherInterfacesInIndexOrder) {
    HidrawInterface keyboard;
    keyboard.index = 0;
    keyboard.vendor = 0x046D;
    keyboard.product = 0xC31C;
    system->addInterface(keyboard);

    HidrawInterface sameVendorOtherProduct;
    sameVendorOtherProduct.index = 1;
    sameVendorOtherProduct.product = 0x00DD;
    SimulatedBoard otherBoard;
    auto &other = system->addServedInterface(sameVendorOtherProduct,
                                             hid_adapter::respondWith(otherBoard.firmware));

    HidrawInterface cannotOpen;  // the adapter's IDs, but no device node
    cannotOpen.index = 2;
    cannotOpen.hasNode = false;
    system->addInterface(cannotOpen);

    auto &first = attachAdapter(3);
    SimulatedBoard secondBoard;  // hidraw10 sorts before hidraw3 only as text
    HidrawInterface secondAdapter;
    secondAdapter.index = 10;
    auto &second =
        system->addServedInterface(secondAdapter, hid_adapter::respondWith(secondBoard.firmware));

    std::array<unsigned char, 2> vout{};
    EXPECT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 0);
    EXPECT_EQ(vout, (std::array<unsigned char, 2>{0x00, 0x18}));
    EXPECT_EQ(MPUSBFlashLED(), 0);
    EXPECT_EQ(ledFlashes(first), 1U);
    EXPECT_EQ(first.receivedReports().size(), 2U);
    EXPECT_TRUE(second.receivedReports().empty());
    EXPECT_TRUE(other.receivedReports().empty());
}

TEST_F(Hidraw, AdapterAbsentFailsAtOnce) {
    HidrawInterface keyboard;
    keyboard.vendor = 0x046D;
    system->addInterface(keyboard);
    std::array<unsigned char, 4> data{0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(MPUI2CRead(kPsu, 4, data.data(), 0x8B), 255);
    EXPECT_EQ(data, (std::array<unsigned char, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(MPUSBFlashLED(), 255);
    EXPECT_EQ(MPUReset(), 0);
    EXPECT_EQ(MPUSBGetDeviceVersion(), 0);
    EXPECT_EQ(MPUSBGetDLLVersion(), 1032);
}

struct FormatCase {
    std::string name;
    ReportFormat format;
};

TEST_F(Hidraw, ReportsHaveTheDeclaredLengthAndByteZeroIsTheReportId) {
    const std::vector<FormatCase> cases = {
        {"64-byte unnumbered", {64, std::nullopt}},
        {"64-byte numbered, ID 5", {64, 5}},
        {"128-byte unnumbered", {128, std::nullopt}},
        {"512-byte unnumbered", {512, std::nullopt}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        system.reset();  // one testbed at a time
        system = std::make_unique<UmockdevHidSystem>();
        auto &adapter = attachAdapter(0, c.format);

        // Through the transport: the reply's byte 0 is the report ID.
        auto &transport = tesslink::systemTransport();
        auto channel = transport.openReplyChannel();
        ASSERT_NE(channel, nullptr);
        const std::vector<std::uint8_t> version = {0, 0x00, 2};
        ASSERT_EQ(transport.writeReport(version), tesslink::WriteResult::Sent);
        tesslink::Report reply;
        ASSERT_TRUE(channel->readReport(reply));
        channel.reset();
        EXPECT_EQ(reply.size(), std::max<std::size_t>(64, c.format.payload + 1));
        EXPECT_EQ(reply[0], c.format.reportId.value_or(0));
        EXPECT_EQ(reply[1], 0x00);
        EXPECT_EQ(reply[2], 2);
        EXPECT_EQ(reply[3] | (reply[4] << 8), 0x0105);

        // Through the commands: a 60-byte read and a 60-byte write where they fit.
        std::vector<unsigned char> data(60);
        EXPECT_EQ(MPUI2CRead(kMemory, 60, data.data(), 0x10), 0);
        EXPECT_EQ(data[0], 0x10);
        EXPECT_EQ(data[59], 0x10 + 59);
        const std::vector<unsigned char> toWrite(60, 0x3C);
        const bool fits = c.format.payload + 1 >= 66;
        EXPECT_EQ(MPUI2CWrite(kMemory, 60, toWrite.data(), 0x80), fits ? 0 : 129);

        const auto received = adapter.receivedReports();
        ASSERT_EQ(received.size(), fits ? 3U : 2U);
        for (const auto &report : received) {
            EXPECT_EQ(report.size(), c.format.payload + 1);
            EXPECT_EQ(report[0], 0);
        }
        EXPECT_EQ(received[1][1], 0x43);
        EXPECT_EQ(received[1][2], 60);
        EXPECT_TRUE(std::all_of(received[1].begin() + 5, received[1].end(),
                                [](std::uint8_t b) { return b == 0; }));
    }
}

TEST_F(Hidraw, SingleWriteFillsA65ByteReportExactly) {
    auto &adapter = attachAdapter(0);
    const std::vector<unsigned char> data(60, 0xA5);
    EXPECT_EQ(MPUI2CWrite(kMemory, 60, data.data(), 0x00), 129);
    EXPECT_TRUE(adapter.receivedReports().empty());
    EXPECT_EQ(MPUI2CWrite(kMemory, 59, data.data(), 0x00), 0);
    ASSERT_EQ(adapter.receivedReports().size(), 1U);
    EXPECT_EQ(adapter.receivedReports()[0][64], 0xA5);  // the last data byte went out
    std::array<unsigned char, 1> last{};
    EXPECT_EQ(MPUI2CRead(kMemory, 1, last.data(), 58), 0);
    EXPECT_EQ(last[0], 0xA5);
}

TEST_F(Hidraw, BlockTransfersRoundTripThroughTheKernelInterface) {
    const auto &adapter = attachAdapter(0);
    std::vector<unsigned char> pattern(256);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<unsigned char>(255 - i);
    }
    EXPECT_EQ(MPUI2CWriteArray(kMemory, 0xE0, 256, pattern.data()), 0);
    std::vector<unsigned char> back(256);
    EXPECT_EQ(MPUI2CReadArray(kMemory, 0xE0, 256, back.data()), 0);
    EXPECT_EQ(back, pattern);
    EXPECT_EQ(MPUSetI2CFrequency(400), 400);
    EXPECT_EQ(MPUGetI2CFrequency(), 400);
    EXPECT_EQ(MPUReset(), 255);
    EXPECT_FALSE(adapter.openByHost());  // every transfer closed its handle
}

// The emulated adapter answers within microseconds of the write and, like
// hidraw, drops a reply that finds no handle open.
TEST_F(Hidraw, AnImmediateReplyIsNeverMissed) {
    auto &adapter = attachAdapter(0);
    for (int i = 0; i < 200; ++i) {
        std::array<unsigned char, 2> vout{};
        ASSERT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 0) << "exchange " << i;
        ASSERT_EQ(vout[1], 0x18);
    }
    EXPECT_EQ(adapter.droppedReplies(), 0U);
}

// Control for the test above: opening the reply handle only after the adapter
// has answered loses the reply in this emulation, so the emulation does show
// the fault. (When the answer comes while the write's own handle is still
// open, the reply is kept and read: then the attempt is made again.)
TEST_F(Hidraw, AReplyChannelOpenedAfterTheWriteMissesTheReply) {
    auto &adapter = attachAdapter(0);
    auto &transport = tesslink::systemTransport();
    const std::vector<std::uint8_t> version = {0, 0x00, 2};
    bool missed = false;
    for (int attempt = 0; attempt < 20 && !missed; ++attempt) {
        const unsigned dropped = adapter.droppedReplies();
        ASSERT_EQ(transport.writeReport(version), tesslink::WriteResult::Sent);
        eventually([&] { return adapter.droppedReplies() > dropped; }, std::chrono::seconds(2));
        auto channel = transport.openReplyChannel();
        ASSERT_NE(channel, nullptr);
        tesslink::Report reply;
        missed = !channel->readReport(reply);  // costs one second when missed
    }
    EXPECT_TRUE(missed);
    EXPECT_GE(adapter.droppedReplies(), 1U);
}

TEST_F(Hidraw, AnAdapterThatDoesNotAnswerTimesOutAndTheNextCommandWorks) {
    auto &adapter = attachAdapter(0);
    adapter.setAnswering(false);
    std::array<unsigned char, 2> data{0xEE, 0xEE};
    EXPECT_EQ(MPUI2CRead(kPsu, 2, data.data(), 0x8B), 255);
    EXPECT_EQ(data, (std::array<unsigned char, 2>{0xEE, 0xEE}));
    EXPECT_EQ(adapter.receivedReports().size(), 1U);  // the command did go out
    EXPECT_FALSE(adapter.openByHost());               // the timed-out read closed its handle

    adapter.setAnswering(true);
    EXPECT_EQ(MPUI2CRead(kPsu, 2, data.data(), 0x8B), 0);
    EXPECT_EQ(data[1], 0x18);
}

// In the kernel a hidraw write waits while the device does not take the
// report (usbhid: up to 5 s), and meanwhile every open and close of a hidraw
// node waits for it (hidraw_kernel_rules.hpp). A command whose report is not
// taken counts as sent and gets no reply within its time limits. While that
// write is still in the kernel, later commands are not sent, at once: they
// open nothing, and no call waits in an open or a close. Once the adapter
// takes the report, the handles are closed and commands work again.
TEST_F(Hidraw, AWriteTheAdapterDoesNotTakeHoldsUpNoLaterCall) {
    namespace kernel = hid_adapter::hidraw_kernel;
    auto &adapter = attachAdapter(0);
    const unsigned waitedBefore = kernel::callsThatWaited();
    adapter.setAnswering(false);  // the report, once taken, gets no reply
    adapter.setTakingReports(false);

    const std::array<unsigned char, 2> untouched{0xEE, 0xEE};
    auto data = untouched;
    EXPECT_EQ(MPUI2CRead(kPsu, 2, data.data(), 0x8B), 255);
    EXPECT_EQ(kernel::writesWaiting(), 1U);

    const unsigned opensBefore = kernel::opens(0);
    EXPECT_EQ(MPUI2CRead(kPsu, 2, data.data(), 0x8B), 255);
    EXPECT_EQ(MPUI2CReadArray(kMemory, 0, 2, data.data()), 255);
    EXPECT_EQ(MPUI2CWriteArray(kMemory, 0, 2, data.data()), 255);
    EXPECT_EQ(MPUSBGetDeviceVersion(), 0);
    EXPECT_EQ(MPUSBFlashLED(), 255);
    EXPECT_EQ(MPUReset(), 0);
    EXPECT_EQ(data, untouched);
    EXPECT_EQ(kernel::opens(0), opensBefore);
    EXPECT_EQ(kernel::callsThatWaited() - waitedBefore, 0U);

    adapter.setTakingReports(true);  // the write goes through, then the writer closes both handles
    while (tesslink::writeInProgress()) {
        std::this_thread::yield();
    }
    kernel::waitUntilClosed(0);
    ASSERT_TRUE(reportsTaken(adapter, 1));
    adapter.setAnswering(true);
    EXPECT_EQ(MPUI2CRead(kPsu, 2, data.data(), 0x8B), 0);
    EXPECT_EQ(data[1], 0x18);
    EXPECT_EQ(adapter.receivedReports().size(), 2U);
    EXPECT_EQ(kernel::callsThatWaited() - waitedBefore, 0U);
}

// exit() runs the exit handlers in the reverse order of their registration,
// and the destructors of static objects among them: a handler registered
// before the library's first call runs after anything static that call made
// would be destroyed. A call from that handler still finds the library whole.
TEST_F(Hidraw, ACallFromAnExitHandlerWorks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    attachAdapter(0);
    EXPECT_EXIT(
        {
            std::atexit([] {
                const int reset = MPUReset();
                std::fprintf(stderr, "reset from the exit handler: %d\n", reset);
            });
            std::fprintf(stderr, "reset before exit: %d\n", MPUReset());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "reset from the exit handler: 255");
}

// Threads of this process named `name`.
unsigned threadsNamed(const std::string &name) {
    unsigned n = 0;
    if (DIR *tasks = ::opendir("/proc/self/task")) {
        while (const dirent *entry = ::readdir(tasks)) {  // NOLINT(concurrency-mt-unsafe): own DIR
            std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
            std::string line;
            n += std::getline(comm, line) && line == name ? 1U : 0U;
        }
        ::closedir(tasks);
    }
    return n;
}

// The library's writer thread starts with its first write and is ended and
// joined when the library is unloaded: no thread runs its code afterwards.
TEST_F(Hidraw, TheWriterThreadEndsWhenTheLibraryIsUnloaded) {
    const auto &adapter = attachAdapter(0);
    const unsigned before = threadsNamed("tesslink-writer");  // this program's own writer
    void *library = ::dlopen(TESSLINK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    using Reset = unsigned char (*)();
    const auto reset = reinterpret_cast<Reset>(::dlsym(library, "MPUReset"));
    ASSERT_NE(reset, nullptr);
    EXPECT_EQ(reset(), 255);
    EXPECT_TRUE(reportsTaken(adapter, 1));
    EXPECT_EQ(threadsNamed("tesslink-writer"), before + 1);

    ASSERT_EQ(::dlclose(library), 0);
    EXPECT_EQ(::dlopen(TESSLINK_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
    // Joined: the thread has ended; the system removes it from /proc a moment later.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (threadsNamed("tesslink-writer") != before &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    EXPECT_EQ(threadsNamed("tesslink-writer"), before);
}

struct ShortReplyCase {
    std::string name;
    ReportFormat format;
    std::size_t wireBytes;  // bytes of each reply that hidraw hands over
    bool whole;             // they make up the declared input report
};

// A reply shorter than the declared input report (report-ID byte included,
// after putting back the ID of an unnumbered device) is no reply: its missing
// status and data bytes would otherwise read as zeros, a success the adapter
// never reported. Each short case waits out the 1000 ms limit per command.
TEST_F(Hidraw, AReplyShorterThanTheDeclaredInputReportIsNoReply) {
    const std::vector<ShortReplyCase> cases = {
        {"2 bytes of an unnumbered 64-byte report", {64, std::nullopt}, 2, false},
        {"63 bytes of an unnumbered 64-byte report", {64, std::nullopt}, 63, false},
        {"64 bytes of a numbered 65-byte report", {64, 5}, 64, false},
        {"all 64 bytes of an unnumbered 64-byte report", {64, std::nullopt}, 64, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        system.reset();  // one testbed at a time
        system = std::make_unique<UmockdevHidSystem>();
        auto &adapter = attachAdapter(0, c.format);
        adapter.cutReplies(c.wireBytes);

        std::array<unsigned char, 2> vout{0xEE, 0xEE};
        std::array<unsigned char, 4> block{0xEE, 0xEE, 0xEE, 0xEE};
        if (c.whole) {
            EXPECT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 0);
            EXPECT_EQ(vout, (std::array<unsigned char, 2>{0x00, 0x18}));
            EXPECT_EQ(MPUSBGetDeviceVersion(), 0x0105);
            continue;
        }
        EXPECT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 255);
        EXPECT_EQ(vout, (std::array<unsigned char, 2>{0xEE, 0xEE}));
        EXPECT_EQ(MPUI2CReadArray(kMemory, 0x10, 4, block.data()), 255);
        EXPECT_EQ(block, (std::array<unsigned char, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
        EXPECT_EQ(MPUSBGetDeviceVersion(), 0);
        EXPECT_EQ(adapter.receivedReports().size(), 3U);  // every command did go out
    }
}

// The emulation completes an ioctl whose argument cannot be resolved with
// EFAULT, as the kernel does, instead of writing through a null pointer.
TEST_F(Hidraw, TheEmulatedNodeRefusesAnIoctlWithANullArgument) {
    attachAdapter(0);
    const int fd = ::open("/dev/hidraw0", O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int size = 0;
    ASSERT_EQ(::ioctl(fd, HIDIOCGRDESCSIZE, &size), 0);
    EXPECT_GT(size, 0);
    for (const unsigned long request : {HIDIOCGRDESCSIZE, HIDIOCGRDESC, HIDIOCGRAWINFO}) {
        SCOPED_TRACE(request);
        errno = 0;
        EXPECT_EQ(::ioctl(fd, request, nullptr), -1);
        EXPECT_EQ(errno, EFAULT);
    }
    ::close(fd);
}

}  // namespace
