// A serial NOR flash on the simulated SPI bus.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "devices/bus/spi_device.hpp"

namespace devices {

// Commands (first byte of a frame; addresses are 24 bits, high byte first):
//   0x9F  read JEDEC ID: the 3 ID bytes, then 0xFF
//   0x05  read status: the status register, repeated; bit 0 WIP (busy),
//         bit 1 WEL (write enabled)
//   0x06  write enable: sets WEL
//   0x04  write disable: clears WEL
//   0x03  read: address, then data from there on, wrapping at the end of memory
//   0x02  page program: address, then up to 256 data bytes latched into the
//         page (the in-page part of the address wraps, later bytes replace
//         earlier ones); at deselect the page is programmed, which only clears
//         bits (new = old AND data)
//   0x20  sector erase: address; at deselect the 4 KiB sector holding it reads 0xFF
// Program and erase need WEL, are ignored without it, and clear it when they
// run. They complete at once; set_busy_polls() makes WIP read 1 for a number
// of status bytes after each, for hosts that poll. Unknown commands are
// ignored. MISO is 0xFF wherever the flash has nothing to send. Addresses
// beyond the capacity wrap.
class SpiNorFlash : public SpiDevice {
public:
    using JedecId = std::array<std::uint8_t, 3>;
    // Manufacturer 0x5A is not a valid JEDEC code (its parity is even), so the
    // part is plainly fictitious; type 0x40 and capacity code 0x18 (16 MiB)
    // follow the common layout.
    static constexpr JedecId kDefaultId{0x5A, 0x40, 0x18};
    static constexpr std::size_t kPageSize = 256;
    static constexpr std::size_t kSectorSize = 4096;
    static constexpr std::uint8_t kStatusBusy = 0x01;
    static constexpr std::uint8_t kStatusWriteEnabled = 0x02;

    // The capacity is 2^(id[2]) bytes, id[2] clamped to 12..24 (4 KiB..16 MiB).
    explicit SpiNorFlash(JedecId id = kDefaultId);

    void select() override;
    std::uint8_t exchange(std::uint8_t mosi) override;
    void deselect() override;

    [[nodiscard]] std::size_t capacity() const { return capacity_; }
    [[nodiscard]] const JedecId &jedec_id() const { return id_; }
    [[nodiscard]] std::uint8_t status() const;
    void set_busy_polls(unsigned polls) { busy_polls_ = polls; }
    // Direct access for tests and demos (wraps at the end of memory).
    [[nodiscard]] std::vector<std::uint8_t> peek(std::size_t address, std::size_t length) const;
    void load(std::size_t address, std::span<const std::uint8_t> bytes);

private:
    using Sector = std::array<std::uint8_t, kSectorSize>;

    [[nodiscard]] std::uint8_t byte_at(std::size_t address) const;
    Sector &sector_for(std::size_t address);
    void finish_command();

    JedecId id_;
    std::size_t capacity_;
    std::vector<std::unique_ptr<Sector>> sectors_;  // null: erased (all 0xFF)
    bool write_enabled_ = false;
    unsigned busy_polls_ = 0;
    unsigned busy_left_ = 0;

    // The frame in progress.
    std::size_t position_ = 0;  // bytes exchanged in this frame
    std::uint8_t command_ = 0;
    std::size_t address_ = 0;
    std::array<std::uint8_t, kPageSize> page_latch_{};
    std::size_t latched_ = 0;
};

}  // namespace devices
