// Adapter information: firmware revision.
#include <tessbridge.h>

#include "connection/command.hpp"

namespace {

constexpr uint8_t kFirmwareRevisionQuery = 0xF0;

}  // namespace

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL GetFirmwareRevision(void) {
    using namespace tessbridge;
    CommandPacket packet(kFirmwareRevisionQuery);
    std::array<uint8_t, 1> reply{};
    const CommandResult result = send_command(packet, reply);
    return result.answered(reply.size()) ? reply[0] : kNoReplyByte;
}
