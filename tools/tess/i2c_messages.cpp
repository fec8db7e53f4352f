#include "i2c_messages.hpp"

#include <optional>

#include "numbers.hpp"
#include "tool_error.hpp"

namespace tess {

namespace {

const char *const kFormatHint =
    "write messages as r<length>[@address] or w<length>[@address] followed by the bytes, "
    "for example: w1@0x50 0x00 r16";

bool is_message_word(const std::string &word) {
    return word.size() >= 2 && (word[0] == 'r' || word[0] == 'w') &&
           (word[1] >= '0' && word[1] <= '9');
}

}  // namespace

std::vector<I2cMessage> parse_i2c_messages(const std::vector<std::string> &words, bool ten_bit,
                                           bool force) {
    if (words.empty()) {
        throw bad_argument("no messages given", kFormatHint);
    }
    std::vector<I2cMessage> messages;
    std::optional<std::uint16_t> last_address;
    std::size_t i = 0;
    while (i < words.size()) {
        const std::string &word = words[i];
        if (!is_message_word(word)) {
            throw bad_argument("'" + word + "' is not the start of a message", kFormatHint);
        }
        I2cMessage message;
        message.read = word[0] == 'r';
        const auto at = word.find('@');
        const std::string length_text = word.substr(1, at == std::string::npos ? at : at - 1);
        const std::size_t limit = message.read ? kMaxReadMessage : kMaxWriteMessage;
        message.length = static_cast<std::size_t>(
            parse_number(length_text, message.read ? "read length" : "write length", 1,
                         static_cast<std::int64_t>(limit)));
        if (at != std::string::npos) {
            const std::string address_text = word.substr(at + 1);
            message.address = ten_bit ? parse_address10(address_text)
                                      : parse_address7(address_text, force);
        } else if (last_address) {
            message.address = *last_address;
        } else {
            throw bad_argument("the first message '" + word + "' names no address",
                               "add the address, for example " + word + "@0x50");
        }
        last_address = message.address;
        ++i;
        if (!message.read) {
            for (std::size_t n = 0; n < message.length; ++n, ++i) {
                if (i >= words.size() || is_message_word(words[i])) {
                    throw bad_argument("message '" + word + "' announces " +
                                           std::to_string(message.length) + " bytes but has " +
                                           std::to_string(n),
                                       "give exactly as many bytes as the length says");
                }
                message.data.push_back(
                    static_cast<std::uint8_t>(parse_number(words[i], "byte", 0, 0xFF)));
            }
        }
        messages.push_back(std::move(message));
    }
    return messages;
}

}  // namespace tess
