#include "command.hpp"

#include "status_texts.hpp"

namespace tess {

namespace {

std::string joined(const std::vector<std::string> &messages) {
    std::string text;
    for (const std::string &message : messages) {
        text += (text.empty() ? "" : "; ") + message;
    }
    return text;
}

const char *const kConnectionHint =
    "check the USB cable and that 'tess list' shows the adapter";

}  // namespace

void check_bridge_messages(Context &context, const std::string &what) {
    const auto messages = context.session.take_messages();
    if (!messages.empty()) {
        throw ToolError(ExitCode::BusError, what + ": the adapter library reports: " + joined(messages),
                        kConnectionHint);
    }
}

void check_bridge_status(Context &context, std::uint8_t status, const std::string &what) {
    const auto messages = context.session.take_messages();
    if (status != 0) {
        ToolError error = bulk_i2c_error(status, what);
        if (!messages.empty()) {
            throw ToolError(error.code(), std::string(error.what()) + " (" + joined(messages) + ")",
                            error.hint());
        }
        throw error;
    }
    if (!messages.empty()) {
        throw ToolError(ExitCode::BusError, what + ": the adapter library reports: " + joined(messages),
                        kConnectionHint);
    }
}

void check_bridge_sent(Context &context, bool sent, const std::string &what) {
    const auto messages = context.session.take_messages();
    if (!sent || !messages.empty()) {
        std::string text = what + ": the command did not reach the adapter";
        if (!messages.empty()) {
            text += " (" + joined(messages) + ")";
        }
        throw ToolError(ExitCode::BusError, text, kConnectionHint);
    }
}

}  // namespace tess
