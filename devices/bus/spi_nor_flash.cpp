#include "devices/bus/spi_nor_flash.hpp"

#include <algorithm>

namespace devices {
namespace {

constexpr std::uint8_t kReadId = 0x9F;
constexpr std::uint8_t kReadStatus = 0x05;
constexpr std::uint8_t kWriteEnable = 0x06;
constexpr std::uint8_t kWriteDisable = 0x04;
constexpr std::uint8_t kRead = 0x03;
constexpr std::uint8_t kPageProgram = 0x02;
constexpr std::uint8_t kSectorErase = 0x20;
constexpr std::size_t kAddressEnd = 4;  // command byte + 3 address bytes

std::size_t capacity_of(const SpiNorFlash::JedecId &id) {
    const unsigned code = std::clamp<unsigned>(id[2], 12, 24);
    return std::size_t{1} << code;
}

}  // namespace

SpiNorFlash::SpiNorFlash(JedecId id)
    : id_(id), capacity_(capacity_of(id)), sectors_(capacity_ / kSectorSize) {}

std::uint8_t SpiNorFlash::status() const {
    return static_cast<std::uint8_t>((busy_left_ > 0 ? kStatusBusy : 0U) |
                                     (write_enabled_ ? kStatusWriteEnabled : 0U));
}

std::uint8_t SpiNorFlash::byte_at(std::size_t address) const {
    const auto &sector = sectors_[(address % capacity_) / kSectorSize];
    return sector ? (*sector)[address % kSectorSize] : 0xFF;
}

SpiNorFlash::Sector &SpiNorFlash::sector_for(std::size_t address) {
    auto &sector = sectors_[(address % capacity_) / kSectorSize];
    if (!sector) {
        sector = std::make_unique<Sector>();
        sector->fill(0xFF);
    }
    return *sector;
}

std::vector<std::uint8_t> SpiNorFlash::peek(std::size_t address, std::size_t length) const {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = byte_at(address + i);
    }
    return bytes;
}

void SpiNorFlash::load(std::size_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t at = (address + i) % capacity_;
        sector_for(at)[at % kSectorSize] = bytes[i];
    }
}

void SpiNorFlash::select() {
    position_ = 0;
    command_ = 0;
    address_ = 0;
    latched_ = 0;
}

std::uint8_t SpiNorFlash::exchange(std::uint8_t mosi) {
    const std::size_t position = position_++;
    if (position == 0) {
        command_ = mosi;
        return 0xFF;
    }
    switch (command_) {
        case kReadId:
            return position <= id_.size() ? id_[position - 1] : 0xFF;
        case kReadStatus: {
            const std::uint8_t value = status();
            if (busy_left_ > 0) {
                --busy_left_;
            }
            return value;
        }
        case kRead:
        case kPageProgram:
        case kSectorErase:
            if (position < kAddressEnd) {
                address_ = (address_ << 8U) | mosi;
                return 0xFF;
            }
            if (command_ == kRead) {
                return byte_at(address_ + (position - kAddressEnd));
            }
            if (command_ == kPageProgram) {
                if (latched_ == 0) {
                    page_latch_.fill(0xFF);
                }
                page_latch_[(address_ + (position - kAddressEnd)) % kPageSize] = mosi;
                latched_ = std::min(latched_ + 1, kPageSize);
            }
            return 0xFF;
        default:
            return 0xFF;
    }
}

void SpiNorFlash::deselect() {
    finish_command();
    position_ = 0;
}

void SpiNorFlash::finish_command() {
    if (position_ == 0) {
        return;
    }
    switch (command_) {
        case kWriteEnable:
            write_enabled_ = true;
            return;
        case kWriteDisable:
            write_enabled_ = false;
            return;
        case kPageProgram:
            if (!write_enabled_ || latched_ == 0) {
                return;
            }
            {
                const std::size_t page = (address_ % capacity_) & ~(kPageSize - 1);
                for (std::size_t i = 0; i < kPageSize; ++i) {
                    sector_for(page + i)[(page + i) % kSectorSize] &= page_latch_[i];
                }
            }
            break;
        case kSectorErase:
            if (!write_enabled_ || position_ < kAddressEnd) {
                return;
            }
            sectors_[(address_ % capacity_) / kSectorSize].reset();
            break;
        default:
            return;
    }
    write_enabled_ = false;
    busy_left_ = busy_polls_;
}

}  // namespace devices
