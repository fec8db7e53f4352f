// FakeTransport (../fake_transport.hpp) for the Windows build: the command
// set's tests run over the Win32 HID transport, which runs over a simulated
// system holding a mouse and the adapter, whose device is the FakeTransport's
// board. Each FakeTransport has a system of its own; when it goes, the system
// must hold nothing and have seen no fault.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>

#include "fake_hid_system.hpp"
#include "fake_transport.hpp"
#include "hid_transport_win32.hpp"

namespace tesslink {
namespace testing {
namespace {

FakeTransport *current = nullptr;

constexpr std::size_t kAdapterInterface = 1;

struct WindowsSystem {
    FakeHidSystem system;
    std::unique_ptr<HidTransport> transport = makeWin32HidTransport(system);
};

std::map<const FakeTransport *, std::unique_ptr<WindowsSystem>> systems;

WindowsSystem &systemOf(FakeTransport &fake) {
    WindowsSystem &windows = *systems.at(&fake);
    // The FakeTransport's settings, as the adapter's interface declares them.
    FakeInterface &adapter = windows.system.interfaces[kAdapterInterface];
    adapter.present = fake.present;
    adapter.inputLength = static_cast<USHORT>(fake.inputLength);
    adapter.outputLength = static_cast<USHORT>(fake.outputLength);
    return windows;
}

}  // namespace

FakeTransport::FakeTransport() : previous_(std::exchange(current, this)) {
    auto windows = std::make_unique<WindowsSystem>();
    FakeInterface mouse;
    mouse.path = "\\\\?\\hid#vid_845e&pid_0001#mouse";
    mouse.vendor = 0x845E;
    mouse.product = 0x0001;
    windows->system.interfaces.push_back(mouse);

    FakeInterface adapter;
    adapter.path = "\\\\?\\hid#vid_04d8&pid_ff5c#adapter";
    adapter.respond = [this](const Report &output) {
        written.push_back(output);
        std::optional<Report> reply = board.firmware.handle(output);
        if (tamper) {
            reply = tamper(written.size() - 1, std::move(reply));
        }
        std::vector<Report> replies;
        if (reply) {
            reply->resize(inputLength, 0);
            replies.push_back(std::move(*reply));
        }
        return replies;
    };
    windows->system.interfaces.push_back(adapter);
    systems[this] = std::move(windows);
}

FakeTransport::~FakeTransport() {
    const FakeHidSystem &system = systems.at(this)->system;
    EXPECT_EQ(system.holdings(), FakeHoldings{});
    for (const auto &fault : system.faults) {
        ADD_FAILURE() << fault;
    }
    systems.erase(this);
    current = previous_;
}

std::unique_ptr<HidReplyChannel> FakeTransport::openReplyChannel() {
    ++searches;
    auto channel = systemOf(*this).transport->openReplyChannel();
    if (channel) {
        ++channelsOpened;
    }
    return channel;
}

WriteResult FakeTransport::writeReport(std::span<const std::uint8_t> layout) {
    ++searches;
    return systemOf(*this).transport->writeReport(layout);
}

}  // namespace testing

HidTransport &systemTransport() {
    return *testing::current;
}

}  // namespace tesslink
