// tess i2c: the I2C commands of the bulk adapter on the command line, and the
// bus scan and clock.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "hex_tables.hpp"
#include "i2c_commands.hpp"
#include "numbers.hpp"

namespace tess {

namespace {

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

void run_i2c_scan(Context &context, const ScanOptions &options) {
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

void run_i2c_clock(Context &context, const std::string &khz_text) {
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

void add_i2c_commands(CLI::App &app, CommandSlot &slot) {
    auto *i2c = app.add_subcommand("i2c", "I2C on the bulk adapter");
    i2c->require_subcommand(1);

    auto *scan = i2c->add_subcommand("scan", "Probe every address and draw the 8x16 grid");
    auto scan_options = options_for<ScanOptions>(scan, slot, run_i2c_scan);
    scan->add_option("--first", scan_options->first, "First address probed (default 0x08)");
    scan->add_option("--last", scan_options->last, "Last address probed (default 0x77)");

    auto *get = i2c->add_subcommand("get", "Read registers (or, without a register, plain bytes)");
    auto get_options = options_for<GetOptions>(get, slot, run_i2c_get);
    get->add_option("address", get_options->address, "Device address")->required();
    get->add_option("register", get_options->reg, "Register (sub-address)");
    get->add_option("-n,--count", get_options->count, "Bytes to read, 1-256 (default 1)");
    get->add_flag("-t,--ten-bit", get_options->ten_bit, "10-bit device address");
    get->add_flag("-w,--reg16", get_options->reg16, "2-byte sub-address (large EEPROMs)");

    auto *set = i2c->add_subcommand("set", "Write bytes to registers");
    auto set_options = options_for<SetOptions>(set, slot, run_i2c_set);
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
    auto dump_options = options_for<DumpOptions>(dump, slot, run_i2c_dump);
    dump->add_option("address", dump_options->address, "Device address")->required();
    dump->add_option("--first", dump_options->first, "First register (default 0)");
    dump->add_option("--length", dump_options->length, "Number of registers (default 256)");
    dump->add_flag("-t,--ten-bit", dump_options->ten_bit, "10-bit device address");
    dump->add_flag("-w,--reg16", dump_options->reg16, "2-byte sub-address (large EEPROMs)");

    auto *read = i2c->add_subcommand("read", "Plain read of many bytes (a progress bar on a terminal)");
    auto read_options = options_for<ReadOptions>(read, slot, run_i2c_read);
    read->add_option("address", read_options->address, "Device address")->required();
    read->add_option("count", read_options->count, "Bytes to read, up to 1 MiB")->required();
    read->add_option("-o,--output", read_options->output, "Write the bytes to this file");

    auto *transfer = i2c->add_subcommand(
        "transfer", "Combined transfer with repeated STARTs, i2ctransfer style: "
                    "w2@0x54 0x00 0x10 r16");
    auto transfer_options = options_for<TransferOptions>(transfer, slot, run_i2c_transfer);
    transfer->add_option("messages", transfer_options->messages,
                         "r<len>[@addr] or w<len>[@addr] followed by the bytes")
        ->required();
    transfer->add_flag("-t,--ten-bit", transfer_options->ten_bit, "Addresses are 10-bit");

    auto *clock = i2c->add_subcommand("clock", "Show the I2C clock, or set it in kHz (1-1000; 15 and below give the slowest, 15.7 kHz)");
    auto khz = std::make_shared<std::string>();
    clock->add_option("khz", *khz, "New clock in kHz");
    clock->callback([&slot, khz] {
        slot = Command{[khz](Context &context) { run_i2c_clock(context, *khz); }, Needs::Bulk};
    });

    add_i2c_recover_command(*i2c, slot);
}

}  // namespace tess