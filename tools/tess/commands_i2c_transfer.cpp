// tess i2c read and transfer: a long plain read with a progress bar, and a
// combined transaction of several messages joined by repeated STARTs.
#include <algorithm>
#include <optional>

#include "hex_tables.hpp"
#include "i2c_commands.hpp"
#include "i2c_messages.hpp"
#include "i2c_target.hpp"
#include "numbers.hpp"
#include "output_file.hpp"
#include "progress_bar.hpp"

namespace tess {

namespace {

// Bytes moved per library call of a long plain read: whole 500-byte commands,
// so the transaction on the wire is the same as one big read.
constexpr std::size_t kReadPiece = 4000;

Json byte_array(const std::vector<std::uint8_t> &bytes) { return Json::array_of(bytes); }

}  // namespace

Runner prepare_i2c_read(const ReadOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, false, options.force);
    const auto count = static_cast<std::size_t>(parse_number(options.count, "count", 1, 1 << 20));
    const std::string path = options.output;
    return [target, count, path](Context &context) {
        // The file is opened before anything is sent: a path that cannot be
        // written costs no bus traffic.
        std::optional<OutputFile> file;
        if (!path.empty()) {
            file.emplace(path);
        }
        TessbridgeLibrary &tb = context.session.bridge();
        std::vector<std::uint8_t> data(count, 0xFF);
        ProgressBar bar("read", count, !context.out.json() && count > kReadPiece);
        std::size_t done = 0;
        while (done < count) {
            const std::size_t piece = std::min(kReadPiece, count - done);
            const bool last = done + piece == count;
            const std::uint8_t status = tb.I2CRead(target.bus_form(), static_cast<std::uint16_t>(piece),
                                                   data.data() + done, last ? 1 : 0);
            check_bridge_status(context, status, "reading the " + target.name() + " at byte " +
                                                     std::to_string(done));
            done += piece;
            bar.update(done);
        }
        bar.finish();
        if (file) {
            file->write(data);
            file->close();
            context.out.line("read " + std::to_string(count) + " bytes into " + path);
            context.out.result(Json::object({{"address", static_cast<int>(target.address)},
                                             {"read", static_cast<int>(count)},
                                             {"file", path}}));
            return;
        }
        context.out.text(dump_table(0, data));
        if (context.out.json()) {  // a megabyte as JSON numbers only when asked for
            context.out.result(Json::object(
                {{"address", static_cast<int>(target.address)}, {"data", Json::array_of(data)}}));
        }
    };
}

Runner prepare_i2c_transfer(const TransferOptions &options) {
    const std::vector<I2cMessage> messages =
        parse_i2c_messages(options.messages, options.ten_bit, options.force);
    for (const I2cMessage &message : messages) {
        if (options.ten_bit && !message.read && message.length + 1 > kMaxWriteMessage) {
            throw bad_argument("a 10-bit write message carries at most " +
                                   std::to_string(kMaxWriteMessage - 1) + " bytes",
                               "split it into several messages");
        }
    }
    const bool ten_bit = options.ten_bit;
    return [messages, ten_bit](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        Json reads = Json::array();
        // The 10-bit device this transaction has addressed in full (for writing).
        std::optional<std::uint16_t> addressed;
        for (std::size_t i = 0; i < messages.size(); ++i) {
            const I2cMessage &message = messages[i];
            const I2cTarget target{message.address, ten_bit};
            const int end = i + 1 == messages.size() ? 1 : 0;
            const std::string what = "message " + std::to_string(i + 1) + " (" +
                                     (message.read ? "read from the " : "write to the ") +
                                     target.name() + ")";
            if (ten_bit && message.read && addressed != message.address) {
                // A 10-bit read goes out as the first address byte alone, with
                // the read bit, after a repeated START: only a device addressed
                // in full for writing earlier in the transaction answers it. As
                // the I2C-bus specification has it, a write of the address
                // alone comes first.
                const auto low = static_cast<std::uint8_t>(message.address & 0xFFU);
                const std::uint8_t status = tb.I2CWrite(target.ten_bit_first_byte(false), 1, &low, 0);
                check_bridge_status(context, status, what + ", addressing it");
                addressed = message.address;
            }
            if (message.read) {
                std::vector<std::uint8_t> data(message.length, 0xFF);
                const std::uint8_t address_byte =
                    ten_bit ? target.ten_bit_first_byte(true) : target.bus_form();
                const std::uint8_t status = tb.I2CRead(
                    address_byte, static_cast<std::uint16_t>(message.length), data.data(), end);
                check_bridge_status(context, status, what);
                context.out.line(hex_bytes(data));
                reads.push(byte_array(data));
            } else {
                // A 10-bit address goes out as 11110xx plus the R/W bit, its
                // low byte as the first data byte.
                std::vector<std::uint8_t> bytes = message.data;
                if (ten_bit) {
                    bytes.insert(bytes.begin(), static_cast<std::uint8_t>(message.address & 0xFFU));
                    addressed = message.address;
                }
                const std::uint8_t address_byte =
                    ten_bit ? target.ten_bit_first_byte(false) : target.bus_form();
                const std::uint8_t status = tb.I2CWrite(
                    address_byte, static_cast<std::uint16_t>(bytes.size()), bytes.data(), end);
                check_bridge_status(context, status, what);
            }
        }
        context.out.result(Json::object({{"messages", static_cast<int>(messages.size())},
                                         {"reads", std::move(reads)}}));
    };
}

}  // namespace tess
