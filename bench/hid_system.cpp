#include "hid_system.hpp"

#include <fstream>
#include <optional>
#include <span>
#include <string>

namespace bench {
namespace {

constexpr unsigned kAdapterIndex = 100;
constexpr std::uint8_t kResetCommand = 0xFF;
constexpr std::size_t kCommandByte = 1;
constexpr std::size_t kStatusByte = 3;

std::optional<hid_adapter::HidReport> echo(std::span<const std::uint8_t> report) {
    if (report.size() <= kStatusByte || report[kCommandByte] == kResetCommand) {
        return std::nullopt;
    }
    hid_adapter::HidReport reply(report.begin(), report.end());
    reply[kStatusByte] = 0;
    return reply;
}

// The kernel names every HID device in its uevent (HID_NAME, HID_UNIQ), and
// hidapi passes over devices without them; the emulation leaves them out.
void add_hid_names(unsigned index) {
    std::ofstream uevent("/sys/class/hidraw/hidraw" + std::to_string(index) + "/device/uevent",
                         std::ios::app);
    uevent << "HID_NAME=Bench HID " << index << "\nHID_UNIQ=\n";
}

}  // namespace

HidBenchSystem::HidBenchSystem() : system_(std::make_unique<hid_adapter::UmockdevHidSystem>()) {
    hid_adapter::HidrawInterface adapter;
    adapter.index = kAdapterIndex;
    system_->addServedInterface(adapter, echo);
    add_hid_names(kAdapterIndex);
}

void HidBenchSystem::grow_to(unsigned total) {
    while (others_ + 1 < total) {
        hid_adapter::HidrawInterface other;
        other.index = others_;
        other.vendor = 0x046D;  // some other vendor's keyboard or mouse
        other.product = static_cast<std::uint16_t>(0xC000 + others_);
        system_->addInterface(other);
        add_hid_names(others_);
        ++others_;
    }
}

}  // namespace bench
