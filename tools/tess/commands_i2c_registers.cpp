// tess i2c get, set and dump: register reads and writes with 1- and 2-byte
// sub-addresses and 10-bit devices.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "hex_tables.hpp"
#include "i2c_commands.hpp"
#include "i2c_target.hpp"
#include "numbers.hpp"
#include "progress_bar.hpp"

namespace tess {

namespace {

// Data bytes from the positional values and --text.
std::vector<std::uint8_t> data_of(const std::vector<std::string> &values, const std::string &text) {
    std::vector<std::uint8_t> bytes = parse_bytes(values);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

std::uint16_t parse_register(const RegisterOptions &options) {
    if (options.reg16 && options.ten_bit) {
        throw bad_argument("--reg16 and --ten-bit cannot be combined",
                           "the adapter reads 10-bit devices with a 1-byte register");
    }
    return static_cast<std::uint16_t>(
        parse_number(options.reg, "register", 0, options.reg16 ? 0xFFFF : 0xFF));
}

// One register read of up to 256 bytes with the right library call.
std::vector<std::uint8_t> read_registers(Context &context, const I2cTarget &target, bool reg16,
                                         std::uint16_t reg, std::uint16_t count) {
    TessbridgeLibrary &tb = context.session.bridge();
    std::vector<std::uint8_t> data(count, 0xFF);
    std::uint8_t status = 0;
    if (target.ten_bit) {
        status = tb.I2C10ReadArray(target.address, static_cast<std::uint8_t>(reg), count, data.data());
    } else if (reg16) {
        status = tb.I2CReadArrayDB(target.bus_form(), static_cast<std::uint8_t>(reg >> 8U),
                                   static_cast<std::uint8_t>(reg & 0xFFU), count, data.data());
    } else {
        status = tb.I2CReadArray(target.bus_form(), static_cast<std::uint8_t>(reg), count, data.data());
    }
    check_bridge_status(context, status, "reading the " + target.name());
    return data;
}

// Waits until the device acknowledges again after a write (an EEPROM does not
// while it programs). Gives up after about 50 ms.
void wait_for_acknowledge(Context &context, const I2cTarget &target) {
    if (target.ten_bit) {
        return;
    }
    TessbridgeLibrary &tb = context.session.bridge();
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::uint8_t byte = 0;
        const std::uint8_t status = tb.I2CReceiveByte(target.bus_form(), &byte);
        if (status == 0) {
            return;
        }
        if (status != 1) {
            check_bridge_status(context, status, "waiting for the " + target.name());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    throw ToolError(ExitCode::BusError, "the " + target.name() + " did not answer after a write",
                    "check --page-size against the device's data sheet");
}

void write_registers(Context &context, const I2cTarget &target, bool reg16, std::uint16_t reg,
                     const std::vector<std::uint8_t> &data) {
    TessbridgeLibrary &tb = context.session.bridge();
    const auto count = static_cast<std::uint16_t>(data.size());
    std::uint8_t status = 0;
    if (target.ten_bit) {
        status = tb.I2C10WriteArray(target.address, static_cast<std::uint8_t>(reg), count, data.data());
    } else if (reg16) {
        status = tb.I2CWriteArrayDB(target.bus_form(), static_cast<std::uint8_t>(reg >> 8U),
                                    static_cast<std::uint8_t>(reg & 0xFFU), count, data.data());
    } else {
        status = tb.I2CWriteArray(target.bus_form(), static_cast<std::uint8_t>(reg), count, data.data());
    }
    check_bridge_status(context, status, "writing the " + target.name());
}

}  // namespace

Runner prepare_i2c_get(const GetOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, options.ten_bit, options.force);
    const auto count = static_cast<std::uint16_t>(parse_number(options.count, "count", 1, 256));
    if (options.reg.empty()) {
        if (options.ten_bit || options.reg16) {
            throw bad_argument("a read without a register is for 7-bit devices",
                               "give the register to read");
        }
        return [target, count](Context &context) {
            TessbridgeLibrary &tb = context.session.bridge();
            std::vector<std::uint8_t> data(count, 0xFF);
            const std::uint8_t status = tb.I2CRead(target.bus_form(), count, data.data(), 1);
            check_bridge_status(context, status, "reading the " + target.name());
            context.out.line(hex_bytes(data));
            context.out.result(Json::object(
                {{"address", static_cast<int>(target.address)}, {"data", Json::array_of(data)}}));
        };
    }
    const std::uint16_t reg = parse_register(options);
    const bool reg16 = options.reg16;
    return [target, count, reg, reg16](Context &context) {
        const auto data = read_registers(context, target, reg16, reg, count);
        context.out.line(hex_bytes(data));
        context.out.result(Json::object({{"address", static_cast<int>(target.address)},
                                         {"register", static_cast<int>(reg)},
                                         {"data", Json::array_of(data)}}));
    };
}

Runner prepare_i2c_set(const SetOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, options.ten_bit, options.force);
    const std::uint16_t reg = parse_register(options);
    const std::vector<std::uint8_t> data = data_of(options.values, options.text);
    if (data.empty()) {
        throw bad_argument("nothing to write", "give byte values or --text");
    }
    const std::size_t register_space = options.reg16 ? 0x10000 : 0x100;
    const std::size_t limit = (options.reg16 || options.ten_bit) ? 256 : 500;
    std::size_t page = 0;
    if (!options.page_size.empty()) {
        page = static_cast<std::size_t>(parse_number(options.page_size, "page size", 1,
                                                     static_cast<std::int64_t>(limit)));
    } else if (data.size() > limit) {
        throw bad_argument("one write carries at most " + std::to_string(limit) + " bytes here",
                           "split the write with --page-size N (the device's page size)");
    }
    if (reg + data.size() > register_space) {
        throw bad_argument("the write runs past the last register", "start lower or write less");
    }
    const bool reg16 = options.reg16;
    return [target, reg, data, page, reg16](Context &context) {
        std::size_t done = 0;
        while (done < data.size()) {
            const std::size_t at = reg + done;
            std::size_t piece = data.size() - done;
            if (page != 0) {
                piece = std::min(piece, page - at % page);
            }
            write_registers(context, target, reg16, static_cast<std::uint16_t>(at),
                            {data.begin() + static_cast<std::ptrdiff_t>(done),
                             data.begin() + static_cast<std::ptrdiff_t>(done + piece)});
            done += piece;
            if (page != 0 && done < data.size()) {
                wait_for_acknowledge(context, target);
            }
        }
        char text[120];
        (void)std::snprintf(text, sizeof text, "wrote %zu byte%s to the %s from register 0x%02x",
                            data.size(), data.size() == 1 ? "" : "s", target.name().c_str(),
                            unsigned{reg});
        context.out.line(text);
        context.out.result(Json::object({{"address", static_cast<int>(target.address)},
                                         {"register", static_cast<int>(reg)},
                                         {"written", static_cast<int>(data.size())}}));
    };
}

Runner prepare_i2c_dump(const DumpOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, options.ten_bit, options.force);
    if (options.reg16 && options.ten_bit) {
        throw bad_argument("--reg16 and --ten-bit cannot be combined",
                           "the adapter reads 10-bit devices with a 1-byte register");
    }
    const std::int64_t space = options.reg16 ? 0x10000 : 0x100;
    const auto first =
        static_cast<std::size_t>(parse_number(options.first, "first register", 0, space - 1));
    const auto length =
        options.length.empty()
            ? std::min<std::size_t>(256, static_cast<std::size_t>(space) - first)
            : static_cast<std::size_t>(parse_number(options.length, "length", 1,
                                                    space - static_cast<std::int64_t>(first)));
    const bool reg16 = options.reg16;
    return [target, first, length, reg16](Context &context) {
        std::vector<std::uint8_t> data;
        ProgressBar bar("dump", length, !context.out.json() && length > 1024);
        while (data.size() < length) {
            const auto piece =
                static_cast<std::uint16_t>(std::min<std::size_t>(256, length - data.size()));
            const auto at = static_cast<std::uint16_t>(first + data.size());
            const auto bytes = read_registers(context, target, reg16, at, piece);
            data.insert(data.end(), bytes.begin(), bytes.end());
            bar.update(data.size());
        }
        bar.finish();
        context.out.text(dump_table(first, data));
        if (context.out.json()) {  // up to 64 KiB as JSON numbers only when asked for
            context.out.result(Json::object({{"address", static_cast<int>(target.address)},
                                             {"first", static_cast<int>(first)},
                                             {"data", Json::array_of(data)}}));
        }
    };
}

}  // namespace tess
