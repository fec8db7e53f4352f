#include "pmbus_power_supply.hpp"

#include <algorithm>

namespace hid_adapter {
namespace {

std::vector<std::uint8_t> word(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value & 0xFFU), static_cast<std::uint8_t>(value >> 8)};
}

}  // namespace

PmbusPowerSupply::PmbusPowerSupply() {
    // Page 0: 12.0 V, 5.25 A, 41.5 degrees C. Page 1: 3.3 V, 1.5 A, 38 degrees C.
    pages_[0] = {12 * 512, pmbus::linear11(21, -2), pmbus::linear11(83, -1), 0};
    pages_[1] = {1690, pmbus::linear11(3, -1), pmbus::linear11(38, 0), 0};
}

bool PmbusPowerSupply::refuse() {
    pages_[page_].status |= pmbus::kStatusCml;
    return false;
}

bool PmbusPowerSupply::write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return true;  // a quick write: address only
    }
    selected_ = bytes[0];
    const auto data = bytes.subspan(1);
    switch (selected_) {
        case pmbus::kPage:
            if (data.empty()) {
                return true;
            }
            if (data.size() != 1 || data[0] >= kPages) {
                return refuse();
            }
            page_ = data[0];
            return true;
        case pmbus::kClearFaults:
            if (!data.empty()) {
                return refuse();
            }
            pages_[page_].status = 0;
            return true;
        case pmbus::kVoutCommand:
            if (data.empty()) {
                return true;
            }
            if (data.size() != 2) {
                return refuse();
            }
            pages_[page_].voutCommand = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
            return true;
        case pmbus::kVoutMode:
        case pmbus::kStatusWord:
        case pmbus::kReadVout:
        case pmbus::kReadIout:
        case pmbus::kReadTemperature1:
        case pmbus::kMfrId:
            // Read-only: selecting them for a read is fine, writing data is not.
            return data.empty() ? true : refuse();
        default:
            return refuse();
    }
}

std::vector<std::uint8_t> PmbusPowerSupply::readData(std::uint8_t command) const {
    const PageState &state = pages_[page_];
    switch (command) {
        case pmbus::kPage:
            return {page_};
        case pmbus::kVoutMode:
            return {pmbus::kVoutModeLinearExp9};
        case pmbus::kVoutCommand:
        case pmbus::kReadVout:
            return word(state.voutCommand);
        case pmbus::kStatusWord:
            return word(state.status);
        case pmbus::kReadIout:
            return word(state.iout);
        case pmbus::kReadTemperature1:
            return word(state.temperature);
        case pmbus::kMfrId: {
            std::vector<std::uint8_t> block{static_cast<std::uint8_t>(manufacturer_.size())};
            block.insert(block.end(), manufacturer_.begin(), manufacturer_.end());
            return block;
        }
        default:
            return {};
    }
}

bool PmbusPowerSupply::read(std::span<std::uint8_t> bytes) {
    const std::vector<std::uint8_t> data = readData(selected_);
    if (data.empty()) {
        return refuse();
    }
    std::fill(bytes.begin(), bytes.end(), 0xFF);
    std::copy_n(data.begin(), std::min(data.size(), bytes.size()), bytes.begin());
    return true;
}

}  // namespace hid_adapter
