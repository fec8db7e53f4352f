#include "pmbus_power_supply.hpp"

namespace hid_adapter {
namespace {

std::vector<std::uint8_t> word(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value & 0xFFU), static_cast<std::uint8_t>(value >> 8)};
}

bool supported(std::uint8_t command) {
    switch (command) {
        case pmbus::kPage:
        case pmbus::kClearFaults:
        case pmbus::kVoutMode:
        case pmbus::kVoutCommand:
        case pmbus::kStatusWord:
        case pmbus::kReadVout:
        case pmbus::kReadIout:
        case pmbus::kReadTemperature1:
        case pmbus::kMfrId:
            return true;
        default:
            return false;
    }
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

void PmbusPowerSupply::endWrite() {
    writing_ = false;
    commandSeen_ = false;
    refused_ = false;
    data_.clear();
}

bool PmbusPowerSupply::start(bool read) {
    // A write left without STOP (repeated START) is dropped.
    endWrite();
    reply_.clear();
    replyPosition_ = 0;
    if (!read) {
        writing_ = true;
        return true;
    }
    reply_ = readData(selected_);
    return reply_.empty() ? refuse() : true;
}

// Whether `byte` may follow the data bytes received so far for the selected
// command.
bool PmbusPowerSupply::acceptsData(std::uint8_t byte) const {
    switch (selected_) {
        case pmbus::kPage:
            return data_.empty() && byte < kPages;
        case pmbus::kVoutCommand:
            return data_.size() < 2;
        default:
            // CLEAR_FAULTS is a send byte; the others are read-only.
            return false;
    }
}

bool PmbusPowerSupply::write(std::uint8_t byte) {
    if (!writing_ || refused_) {
        return false;
    }
    if (!commandSeen_) {
        commandSeen_ = true;
        selected_ = byte;
        if (!supported(byte)) {
            refused_ = true;
            return refuse();
        }
        return true;
    }
    if (!acceptsData(byte)) {
        refused_ = true;
        return refuse();
    }
    data_.push_back(byte);
    return true;
}

// Carries out the write that STOP ended: the command byte and data_.
void PmbusPowerSupply::execute() {
    switch (selected_) {
        case pmbus::kPage:
            if (!data_.empty()) {
                page_ = data_[0];
            }
            break;
        case pmbus::kClearFaults:
            pages_[page_].status = 0;
            break;
        case pmbus::kVoutCommand:
            if (data_.size() == 2) {
                pages_[page_].voutCommand = static_cast<std::uint16_t>(data_[0] | (data_[1] << 8));
            } else if (!data_.empty()) {
                refuse();  // half a word
            }
            break;
        default:
            break;  // a read-only command selected for a later read
    }
}

std::uint8_t PmbusPowerSupply::read(bool /*ack_from_master*/) {
    return replyPosition_ < reply_.size() ? reply_[replyPosition_++] : 0xFF;
}

void PmbusPowerSupply::stop() {
    if (writing_ && commandSeen_ && !refused_) {
        execute();
    }
    endWrite();
    reply_.clear();
    replyPosition_ = 0;
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

}  // namespace hid_adapter
