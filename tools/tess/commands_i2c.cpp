// tess i2c: scan, get, set, dump, read, transfer and clock on the bulk adapter.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

#include "command.hpp"
#include "hex_tables.hpp"
#include "i2c_messages.hpp"
#include "i2c_target.hpp"
#include "numbers.hpp"
#include "progress_bar.hpp"

namespace tess {

namespace {

// Bytes moved per library call of a long plain read: whole 500-byte commands,
// so the transaction on the wire is the same as one big read.
constexpr std::size_t kReadPiece = 4000;

Json byte_array(const std::vector<std::uint8_t> &bytes) { return Json::array_of(bytes); }

// Data bytes from the positional values and --text.
std::vector<std::uint8_t> data_of(const std::vector<std::string> &values, const std::string &text) {
    std::vector<std::uint8_t> bytes = parse_bytes(values);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

// ---- scan ------------------------------------------------------------------

struct ScanOptions {
    std::string first = "0x08";
    std::string last = "0x77";
};

void run_scan(Context &context, const ScanOptions &options) {
    const unsigned first = parse_address7(options.first);
    const unsigned last = parse_address7(options.last);
    if (first > last) {
        throw bad_argument("--first is above --last", "give the lower address first");
    }
    TessbridgeLibrary &tb = context.session.bridge();
    ScanResults results{};
    Json present = Json::array();
    for (unsigned address = first; address <= last; ++address) {
        std::uint8_t byte = 0;
        const std::uint8_t status = tb.I2CReceiveByte(static_cast<std::uint8_t>(address << 1U), &byte);
        if (status == 0) {
            results[address] = ProbeResult::Present;
            present.push(static_cast<int>(address));
        } else if (status == 1) {
            results[address] = ProbeResult::Absent;
        } else if (status == 2) {
            results[address] = ProbeResult::Failed;
        } else {
            char what[64];
            (void)std::snprintf(what, sizeof what, "scan stopped at 0x%02x", address);
            check_bridge_status(context, status, what);
        }
    }
    check_bridge_messages(context, "scan");
    context.out.text(scan_grid(results));
    context.out.result(Json::object({{"first", static_cast<int>(first)},
                                     {"last", static_cast<int>(last)},
                                     {"present", std::move(present)}}));
}

// ---- get -------------------------------------------------------------------

struct RegisterOptions {
    std::string address;
    std::string reg;
    bool ten_bit = false;
    bool reg16 = false;
};

struct GetOptions : RegisterOptions {
    std::string count = "1";
};

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

void run_get(Context &context, const GetOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, options.ten_bit);
    const auto count = static_cast<std::uint16_t>(parse_number(options.count, "count", 1, 256));
    std::vector<std::uint8_t> data;
    Json result = Json::object({{"address", static_cast<int>(target.address)}});
    if (options.reg.empty()) {
        if (options.ten_bit || options.reg16) {
            throw bad_argument("a read without a register is for 7-bit devices",
                               "give the register to read");
        }
        TessbridgeLibrary &tb = context.session.bridge();
        data.assign(count, 0xFF);
        const std::uint8_t status = tb.I2CRead(target.bus_form(), count, data.data(), 1);
        check_bridge_status(context, status, "reading the " + target.name());
    } else {
        const std::uint16_t reg = parse_register(options);
        result.set("register", static_cast<int>(reg));
        data = read_registers(context, target, options.reg16, reg, count);
    }
    context.out.line(hex_bytes(data));
    result.set("data", byte_array(data));
    context.out.result(result);
}

// ---- set -------------------------------------------------------------------

struct SetOptions : RegisterOptions {
    std::vector<std::string> values;
    std::string text;
    std::string page_size;
};

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

void run_set(Context &context, const SetOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, options.ten_bit);
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
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t at = reg + done;
        std::size_t piece = data.size() - done;
        if (page != 0) {
            piece = std::min(piece, page - at % page);
        }
        write_registers(context, target, options.reg16, static_cast<std::uint16_t>(at),
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
}

// ---- dump ------------------------------------------------------------------

struct DumpOptions {
    std::string address;
    std::string first = "0";
    std::string length;
    bool ten_bit = false;
    bool reg16 = false;
};

void run_dump(Context &context, const DumpOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, options.ten_bit);
    if (options.reg16 && options.ten_bit) {
        throw bad_argument("--reg16 and --ten-bit cannot be combined",
                           "the adapter reads 10-bit devices with a 1-byte register");
    }
    const std::int64_t space = options.reg16 ? 0x10000 : 0x100;
    const auto first = static_cast<std::size_t>(parse_number(options.first, "first register", 0, space - 1));
    const auto length = options.length.empty()
                            ? std::min<std::size_t>(256, static_cast<std::size_t>(space) - first)
                            : static_cast<std::size_t>(parse_number(
                                  options.length, "length", 1, space - static_cast<std::int64_t>(first)));
    std::vector<std::uint8_t> data;
    ProgressBar bar("dump", length, !context.out.json() && length > 1024);
    while (data.size() < length) {
        const auto piece = static_cast<std::uint16_t>(std::min<std::size_t>(256, length - data.size()));
        const auto at = static_cast<std::uint16_t>(first + data.size());
        const auto bytes = read_registers(context, target, options.reg16, at, piece);
        data.insert(data.end(), bytes.begin(), bytes.end());
        bar.update(data.size());
    }
    bar.finish();
    context.out.text(dump_table(first, data));
    context.out.result(Json::object({{"address", static_cast<int>(target.address)},
                                     {"first", static_cast<int>(first)},
                                     {"data", byte_array(data)}}));
}

// ---- read: a long plain read -------------------------------------------------

struct ReadOptions {
    std::string address;
    std::string count;
    std::string output;
};

void run_read(Context &context, const ReadOptions &options) {
    const I2cTarget target = I2cTarget::parse(options.address, false);
    const auto count = static_cast<std::size_t>(parse_number(options.count, "count", 1, 1 << 20));
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
    if (!options.output.empty()) {
        std::ofstream file(options.output, std::ios::binary);
        file.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
        if (!file) {
            throw ToolError(ExitCode::Environment, "cannot write " + options.output,
                            "check the path and the free space");
        }
        context.out.line("read " + std::to_string(count) + " bytes into " + options.output);
        context.out.result(Json::object({{"address", static_cast<int>(target.address)},
                                         {"read", static_cast<int>(count)},
                                         {"file", options.output}}));
        return;
    }
    context.out.text(dump_table(0, data));
    context.out.result(Json::object({{"address", static_cast<int>(target.address)},
                                     {"data", byte_array(data)}}));
}

// ---- transfer ----------------------------------------------------------------

struct TransferOptions {
    std::vector<std::string> messages;
    bool ten_bit = false;
};

void run_transfer(Context &context, const TransferOptions &options) {
    const std::vector<I2cMessage> messages = parse_i2c_messages(options.messages, options.ten_bit);
    for (const I2cMessage &message : messages) {
        if (options.ten_bit && !message.read && message.length + 1 > kMaxWriteMessage) {
            throw bad_argument("a 10-bit write message carries at most " +
                                   std::to_string(kMaxWriteMessage - 1) + " bytes",
                               "split it into several messages");
        }
    }
    TessbridgeLibrary &tb = context.session.bridge();
    Json reads = Json::array();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const I2cMessage &message = messages[i];
        const I2cTarget target{message.address, options.ten_bit};
        // A 10-bit address goes out as 11110xx plus the R/W bit, its low byte as
        // the first data byte of a write; a read after a write in the same
        // transaction needs the first byte alone.
        const std::uint8_t address_byte =
            options.ten_bit ? static_cast<std::uint8_t>(0xF0U | ((message.address >> 7U) & 0x06U))
                            : target.bus_form();
        const int end = i + 1 == messages.size() ? 1 : 0;
        const std::string what = "message " + std::to_string(i + 1) + " (" +
                                 (message.read ? "read from the " : "write to the ") +
                                 target.name() + ")";
        if (message.read) {
            std::vector<std::uint8_t> data(message.length, 0xFF);
            const std::uint8_t status = tb.I2CRead(address_byte, static_cast<std::uint16_t>(message.length),
                                                   data.data(), end);
            check_bridge_status(context, status, what);
            context.out.line(hex_bytes(data));
            reads.push(byte_array(data));
        } else {
            std::vector<std::uint8_t> bytes;
            if (options.ten_bit) {
                bytes.push_back(static_cast<std::uint8_t>(message.address & 0xFFU));
            }
            bytes.insert(bytes.end(), message.data.begin(), message.data.end());
            const std::uint8_t status = tb.I2CWrite(address_byte, static_cast<std::uint16_t>(bytes.size()),
                                                    bytes.data(), end);
            check_bridge_status(context, status, what);
        }
    }
    context.out.result(Json::object({{"messages", static_cast<int>(messages.size())},
                                     {"reads", std::move(reads)}}));
}

// ---- clock -------------------------------------------------------------------

void run_clock(Context &context, const std::string &khz_text) {
    TessbridgeLibrary &tb = context.session.bridge();
    if (khz_text.empty()) {
        const std::int32_t khz = tb.GetI2CFrequency();
        check_bridge_sent(context, khz != 0, "reading the I2C clock");
        context.out.line("I2C clock: " + std::to_string(khz) + " kHz");
        context.out.result(Json::object({{"khz", khz}}));
        return;
    }
    const auto khz = static_cast<std::int32_t>(parse_number(khz_text, "clock in kHz", 1, 1000));
    const std::int32_t hz = tb.SetI2CFrequency(khz);
    check_bridge_sent(context, hz != 0, "setting the I2C clock");
    context.out.line("I2C clock set to " + std::to_string(hz) + " Hz (asked for " +
                     std::to_string(khz) + " kHz)");
    context.out.result(Json::object({{"requested_khz", khz}, {"hz", hz}}));
}

template <class Options>
std::shared_ptr<Options> options_for(CLI::App *command, CommandSlot &slot,
                                     void (*run)(Context &, const Options &)) {
    auto options = std::make_shared<Options>();
    command->callback([&slot, options, run] {
        slot = Command{[options, run](Context &context) { run(context, *options); }, Needs::Bulk};
    });
    return options;
}

}  // namespace

void add_i2c_commands(CLI::App &app, CommandSlot &slot) {
    auto *i2c = app.add_subcommand("i2c", "I2C on the bulk adapter");
    i2c->require_subcommand(1);

    auto *scan = i2c->add_subcommand("scan", "Probe every address and draw the 8x16 grid");
    auto scan_options = options_for<ScanOptions>(scan, slot, run_scan);
    scan->add_option("--first", scan_options->first, "First address probed (default 0x08)");
    scan->add_option("--last", scan_options->last, "Last address probed (default 0x77)");

    auto *get = i2c->add_subcommand("get", "Read registers (or, without a register, plain bytes)");
    auto get_options = options_for<GetOptions>(get, slot, run_get);
    get->add_option("address", get_options->address, "Device address")->required();
    get->add_option("register", get_options->reg, "Register (sub-address)");
    get->add_option("-n,--count", get_options->count, "Bytes to read, 1-256 (default 1)");
    get->add_flag("-t,--ten-bit", get_options->ten_bit, "10-bit device address");
    get->add_flag("-w,--reg16", get_options->reg16, "2-byte sub-address (large EEPROMs)");

    auto *set = i2c->add_subcommand("set", "Write bytes to registers");
    auto set_options = options_for<SetOptions>(set, slot, run_set);
    set->add_option("address", set_options->address, "Device address")->required();
    set->add_option("register", set_options->reg, "First register (sub-address)")->required();
    set->add_option("values", set_options->values, "Bytes to write");
    set->add_option("--text", set_options->text, "Write the characters of this text (after the values)");
    set->add_option("--page-size", set_options->page_size,
                    "Split the write at multiples of N registers, waiting for the device "
                    "between pieces (EEPROM pages)");
    set->add_flag("-t,--ten-bit", set_options->ten_bit, "10-bit device address");
    set->add_flag("-w,--reg16", set_options->reg16, "2-byte sub-address (large EEPROMs)");

    auto *dump = i2c->add_subcommand("dump", "Show a device's registers as a hex and ASCII table");
    auto dump_options = options_for<DumpOptions>(dump, slot, run_dump);
    dump->add_option("address", dump_options->address, "Device address")->required();
    dump->add_option("--first", dump_options->first, "First register (default 0)");
    dump->add_option("--length", dump_options->length, "Number of registers (default 256)");
    dump->add_flag("-t,--ten-bit", dump_options->ten_bit, "10-bit device address");
    dump->add_flag("-w,--reg16", dump_options->reg16, "2-byte sub-address (large EEPROMs)");

    auto *read = i2c->add_subcommand("read", "Plain read of many bytes (a progress bar on a terminal)");
    auto read_options = options_for<ReadOptions>(read, slot, run_read);
    read->add_option("address", read_options->address, "Device address")->required();
    read->add_option("count", read_options->count, "Bytes to read, up to 1 MiB")->required();
    read->add_option("-o,--output", read_options->output, "Write the bytes to this file");

    auto *transfer = i2c->add_subcommand(
        "transfer", "Combined transfer with repeated STARTs, i2ctransfer style: "
                    "w2@0x54 0x00 0x10 r16");
    auto transfer_options = options_for<TransferOptions>(transfer, slot, run_transfer);
    transfer->add_option("messages", transfer_options->messages,
                         "r<len>[@addr] or w<len>[@addr] followed by the bytes")
        ->required();
    transfer->add_flag("-t,--ten-bit", transfer_options->ten_bit, "Addresses are 10-bit");

    auto *clock = i2c->add_subcommand("clock", "Show the I2C clock, or set it in kHz (1-1000; 15 and below give the slowest, 15.7 kHz)");
    auto khz = std::make_shared<std::string>();
    clock->add_option("khz", *khz, "New clock in kHz");
    clock->callback([&slot, khz] {
        slot = Command{[khz](Context &context) { run_clock(context, *khz); }, Needs::Bulk};
    });

    add_i2c_recover_command(*i2c, slot);
}

}  // namespace tess
