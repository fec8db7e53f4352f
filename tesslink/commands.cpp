// The MPU exports: each builds its command report, exchanges it over the
// transport and turns the reply into the function's result.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "command_reports.hpp"
#include "hid_report.hpp"
#include "hid_transport.hpp"
#include "tesslink.h"

namespace tesslink {
namespace {

enum class Outcome { NotSent, TooLong, NoReply, Replied };

struct Exchange {
    Outcome outcome = Outcome::NotSent;
    Report reply;
};

// Sends one command report and waits for its reply. The reply channel is open
// before the report goes out, so an adapter that answers at once is not missed.
Exchange exchange(const Report &request) {
    HidTransport &transport = systemTransport();
    const auto channel = transport.openReplyChannel();
    if (!channel) {
        return {Outcome::NotSent, {}};
    }
    switch (transport.writeReport(request)) {
        case WriteResult::NotSent:
            return {Outcome::NotSent, {}};
        case WriteResult::TooLong:
            return {Outcome::TooLong, {}};
        case WriteResult::Sent:
            break;
    }
    Exchange result{Outcome::NoReply, {}};
    if (channel->readReport(result.reply)) {
        result.outcome = Outcome::Replied;
    }
    return result;
}

std::uint8_t i2cStatus(const Exchange &ex) {
    switch (ex.outcome) {
        case Outcome::NotSent:
        case Outcome::NoReply:
            return kStatusNoAnswer;
        case Outcome::TooLong:
            return kStatusBadLength;
        case Outcome::Replied:
            return ex.reply[kReplyStatusByte];
    }
    return kStatusNoAnswer;
}

// The report ID 0 followed by the command's header bytes.
Report header(std::initializer_list<std::uint8_t> bytes) {
    Report report(1 + bytes.size());
    std::copy(bytes.begin(), bytes.end(), report.begin() + 1);
    return report;
}

std::uint16_t low16(unsigned int value) {
    return static_cast<std::uint16_t>(value & 0xFFFFU);
}

// The number of bytes an I2C function moves: the low 16 bits of `length`, or
// nullopt when that is 0 or above `limit` or there is no buffer.
std::optional<std::size_t> transferLength(unsigned int length, std::size_t limit,
                                          const void *data) {
    const std::size_t n = low16(length);
    if (n == 0 || n > limit || data == nullptr) {
        return std::nullopt;
    }
    return n;
}

// One read exchange (0x43, 0x41): the reply's data go to `dest` only when its
// status is 0.
std::uint8_t readExchange(CommandCode command, std::uint8_t address, std::uint8_t reg,
                          std::size_t n, std::uint8_t *dest) {
    const Exchange ex = exchange(header({command, static_cast<std::uint8_t>(n), address, reg}));
    const std::uint8_t status = i2cStatus(ex);
    if (status == kStatusOk) {
        std::memcpy(dest, ex.reply.data() + kReplyDataByte, n);
    }
    return status;
}

// One write exchange (0x44, 0x42): the data follow the header bytes. A report
// longer than the adapter's output report comes back as TooLong (129).
std::uint8_t writeExchange(CommandCode command, std::uint8_t address, std::uint8_t reg,
                           const std::uint8_t *src, std::size_t n) {
    Report request = header({command, kWriteMarker, static_cast<std::uint8_t>(n), address, reg});
    request.resize(kWriteHeaderBytes + n);
    std::copy_n(src, n, request.begin() + static_cast<std::ptrdiff_t>(kWriteHeaderBytes));
    return i2cStatus(exchange(request));
}

// Block transfers: `chunkExchange(register, offset, length)` moves one chunk of
// up to 48 bytes at the start register plus the bytes already moved (modulo
// 256) and returns its status. The transfer stops at the first chunk that does
// not return 0 and returns that status.
template <typename ChunkExchange>
std::uint8_t inChunks(std::uint8_t startRegister, std::size_t total, ChunkExchange chunkExchange) {
    for (std::size_t done = 0; done < total;) {
        const std::size_t chunk = std::min(kBlockChunk, total - done);
        const auto reg = static_cast<std::uint8_t>(startRegister + done);
        const std::uint8_t status = chunkExchange(reg, done, chunk);
        if (status != kStatusOk) {
            return status;
        }
        done += chunk;
    }
    return kStatusOk;
}

std::uint8_t i2cRead(std::uint8_t address, unsigned int length, std::uint8_t *data,
                     std::uint8_t command) {
    const auto n = transferLength(length, kMaxSingleTransfer, data);
    return n ? readExchange(kCmdI2CRead, address, command, *n, data) : kStatusBadLength;
}

std::uint8_t i2cWrite(std::uint8_t address, unsigned int length, const std::uint8_t *data,
                      std::uint8_t command) {
    const auto n = transferLength(length, kMaxSingleTransfer, data);
    return n ? writeExchange(kCmdI2CWrite, address, command, data, *n) : kStatusBadLength;
}

std::uint8_t i2cReadArray(std::uint8_t address, std::uint8_t startRegister, unsigned int count,
                          std::uint8_t *data) {
    const auto total = transferLength(count, kMaxBlockTransfer, data);
    if (!total) {
        return kStatusBadLength;
    }
    return inChunks(startRegister, *total, [&](std::uint8_t reg, std::size_t done, std::size_t n) {
        return readExchange(kCmdI2CReadArray, address, reg, n, data + done);
    });
}

std::uint8_t i2cWriteArray(std::uint8_t address, std::uint8_t startRegister, unsigned int count,
                           const std::uint8_t *data) {
    const auto total = transferLength(count, kMaxBlockTransfer, data);
    if (!total) {
        return kStatusBadLength;
    }
    return inChunks(startRegister, *total, [&](std::uint8_t reg, std::size_t done, std::size_t n) {
        return writeExchange(kCmdI2CWriteArray, address, reg, data + done, n);
    });
}

bool echoes(const Exchange &ex, std::uint8_t command) {
    return ex.outcome == Outcome::Replied && ex.reply[kCommandByte] == command &&
           ex.reply[kCountByte] == kInfoMarker;
}

// Version and clock commands: the 16-bit value of a reply that echoes the
// command, 0 otherwise.
std::uint16_t infoValue(Report request) {
    const std::uint8_t command = request[kCommandByte];
    const Exchange ex = exchange(request);
    if (!echoes(ex, command)) {
        return 0;
    }
    return static_cast<std::uint16_t>(ex.reply[kReplyStatusByte] |
                                      (ex.reply[kReplyStatusByte + 1] << 8));
}

std::uint16_t setI2CClock(unsigned int value) {
    const std::uint16_t v = low16(value);
    return infoValue(header({kCmdSetI2CClock, kInfoMarker, static_cast<std::uint8_t>(v & 0xFFU),
                             static_cast<std::uint8_t>(v >> 8)}));
}

std::uint16_t flashLed() {
    return echoes(exchange(header({kCmdFlashLed, kInfoMarker})), kCmdFlashLed)
               ? kFlashLedAcknowledged
               : kFlashLedFailed;
}

std::uint8_t reset() {
    static constexpr std::uint8_t kResetReport[] = {0, kCmdReset};
    return systemTransport().writeReport(kResetReport) == WriteResult::Sent ? kResetSent
                                                                            : kResetNotSent;
}

// Nothing thrown (only allocation failures can be) crosses the C boundary.
template <typename Result, typename Call>
Result guarded(Result onFailure, Call call) noexcept {
    try {
        return call();
    } catch (...) {
        return onFailure;
    }
}

}  // namespace
}  // namespace tesslink

using namespace tesslink;

extern "C" {

unsigned char TESSLINK_CALL MPUI2CRead(unsigned char address, unsigned int length,
                                       unsigned char *data, unsigned char command) {
    return guarded(kStatusNoAnswer, [&] { return i2cRead(address, length, data, command); });
}

unsigned char TESSLINK_CALL MPUI2CWrite(unsigned char address, unsigned int length,
                                        const unsigned char *data, unsigned char command) {
    return guarded(kStatusNoAnswer, [&] { return i2cWrite(address, length, data, command); });
}

unsigned char TESSLINK_CALL MPUI2CReadArray(unsigned char address, unsigned char start_register,
                                            unsigned int count, unsigned char *data) {
    return guarded(kStatusNoAnswer,
                   [&] { return i2cReadArray(address, start_register, count, data); });
}

unsigned char TESSLINK_CALL MPUI2CWriteArray(unsigned char address, unsigned char start_register,
                                             unsigned int count, const unsigned char *data) {
    return guarded(kStatusNoAnswer,
                   [&] { return i2cWriteArray(address, start_register, count, data); });
}

unsigned short TESSLINK_CALL MPUSetI2CFrequency(unsigned int value) {
    return guarded(std::uint16_t{0}, [&] { return setI2CClock(value); });
}

unsigned short TESSLINK_CALL MPUGetI2CFrequency(void) {
    return guarded(std::uint16_t{0}, [] {
        return infoValue(header({kCmdGetI2CClock, kInfoMarker}));
    });
}

unsigned short TESSLINK_CALL MPUSBGetDeviceVersion(void) {
    return guarded(std::uint16_t{0}, [] {
        return infoValue(header({kCmdDeviceVersion, kInfoMarker}));
    });
}

unsigned short TESSLINK_CALL MPUSBFlashLED(void) {
    return guarded(kFlashLedFailed, [] { return flashLed(); });
}

unsigned char TESSLINK_CALL MPUReset(void) {
    return guarded(kResetNotSent, [] { return reset(); });
}

int TESSLINK_CALL MPUSBGetDLLVersion(void) {
    return kDllVersion;
}

}  // extern "C"
