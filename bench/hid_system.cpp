#include "hid_system.hpp"

#include <optional>
#include <span>

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

}  // namespace

HidBenchSystem::HidBenchSystem() : system_(std::make_unique<hid_adapter::UmockdevHidSystem>()) {
    hid_adapter::HidrawInterface adapter;
    adapter.index = kAdapterIndex;
    system_->addServedInterface(adapter, echo);
}

void HidBenchSystem::grow_to(unsigned total) {
    while (others_ + 1 < total) {
        hid_adapter::HidrawInterface other;
        other.index = others_;
        other.vendor = 0x046D;  // some other vendor's keyboard or mouse
        other.product = static_cast<std::uint16_t>(0xC000 + others_);
        system_->addInterface(other);
        ++others_;
    }
}

}  // namespace bench
