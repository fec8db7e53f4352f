// tess i2c: the I2C commands of the bulk adapter on the command line, and the
// bus scan and clock.
#include <cstdio>
#include <memory>

#include "hex_tables.hpp"
#include "i2c_commands.hpp"
#include "numbers.hpp"
#include "subcommands.hpp"

namespace tess {

namespace {

// Hertz as kilohertz with the decimals that are not 0: 400000 is "400",
// 421052 is "421.052".
std::string khz_text(std::int32_t hz) {
    char text[32];
    (void)std::snprintf(text, sizeof text, "%d.%03d", hz / 1000, hz % 1000);
    std::string khz = text;
    while (khz.back() == '0') {
        khz.pop_back();
    }
    if (khz.back() == '.') {
        khz.pop_back();
    }
    return khz;
}

const char *const kTenBitAddressHelp = "Device address (7-bit; 10-bit with --ten-bit)";

}  // namespace

Runner prepare_i2c_scan(const ScanOptions &options) {
    const unsigned first = parse_address7(options.first, options.force);
    const unsigned last = parse_address7(options.last, options.force);
    if (first > last) {
        throw bad_argument("--first is above --last", "give the lower address first");
    }
    return [first, last](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        ScanResults results{};
        Json present = Json::array();
        for (unsigned address = first; address <= last; ++address) {
            std::uint8_t byte = 0;
            const std::uint8_t status =
                tb.I2CReceiveByte(static_cast<std::uint8_t>(address << 1U), &byte);
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
    };
}

Runner prepare_i2c_clock(const ClockOptions &options) {
    if (options.khz.empty()) {
        return [](Context &context) {
            TessbridgeLibrary &tb = context.session.bridge();
            const std::int32_t khz = tb.GetI2CFrequency();
            check_bridge_sent(context, khz != 0, "reading the I2C clock");
            context.out.line("I2C clock: " + std::to_string(khz) + " kHz");
            context.out.result(Json::object({{"khz", khz}}));
        };
    }
    const auto khz = static_cast<std::int32_t>(parse_number(options.khz, "clock in kHz", 1, 1000));
    return [khz](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        const std::int32_t hz = tb.SetI2CFrequency(khz);
        check_bridge_sent(context, hz != 0, "setting the I2C clock");
        context.out.line("I2C clock set to " + khz_text(hz) + " kHz (asked for " +
                         std::to_string(khz) + " kHz)");
        context.out.result(
            Json::object({{"requested_khz", khz}, {"khz", static_cast<double>(hz) / 1000.0}}));
    };
}

void add_i2c_commands(CLI::App &app, CommandSlot &slot) {
    auto *i2c = app.add_subcommand("i2c", "I2C on the bulk adapter");
    i2c->require_subcommand(1);
    describe(i2c, Needs::Bulk, {"tess i2c scan", "tess i2c get 0x48 0x00 -n 2"});

    std::shared_ptr<ScanOptions> scan_options;
    auto *scan = add_command(*i2c, slot, "scan", "Probe every address and draw the 8x16 grid",
                             Needs::Bulk, prepare_i2c_scan, scan_options);
    scan->add_option("--first", scan_options->first, "First address probed (default 0x08)")
        ->type_name("ADDR");
    scan->add_option("--last", scan_options->last, "Last address probed (default 0x77)")
        ->type_name("ADDR");
    add_force_flag(scan, scan_options->force);
    describe(scan, Needs::Bulk, {"tess i2c scan", "tess --json i2c scan --first 0x40 --last 0x4f"});

    std::shared_ptr<GetOptions> get_options;
    auto *get = add_command(*i2c, slot, "get", "Read registers (or, without a register, plain bytes)",
                            Needs::Bulk, prepare_i2c_get, get_options);
    add_address(get, get_options->address, get_options->force, kTenBitAddressHelp);
    get->add_option("register", get_options->reg, "Register (sub-address)")->type_name("REG");
    get->add_option("-n,--count", get_options->count, "Bytes to read, 1-256 (default 1)")
        ->type_name("N");
    get->add_flag("-t,--ten-bit", get_options->ten_bit, "10-bit device address");
    get->add_flag("-w,--reg16", get_options->reg16, "2-byte sub-address (large EEPROMs)");
    describe(get, Needs::Bulk,
             {"tess i2c get 0x48 0x00 -n 2", "tess i2c get -w 0x54 0x1234 -n 16"});

    std::shared_ptr<SetOptions> set_options;
    auto *set = add_command(*i2c, slot, "set", "Write bytes to registers", Needs::Bulk,
                            prepare_i2c_set, set_options);
    add_address(set, set_options->address, set_options->force, kTenBitAddressHelp);
    set->add_option("register", set_options->reg, "First register (sub-address)")
        ->type_name("REG")
        ->required();
    add_bytes(set, set_options->values, set_options->text);
    set->add_option("--page-size", set_options->page_size,
                    "Split the write at multiples of N registers, waiting for the device "
                    "between pieces (EEPROM pages)")
        ->type_name("N");
    set->add_flag("-t,--ten-bit", set_options->ten_bit, "10-bit device address");
    set->add_flag("-w,--reg16", set_options->reg16, "2-byte sub-address (large EEPROMs)");
    describe(set, Needs::Bulk,
             {"tess i2c set 0x50 0x00 0xde 0xad", "tess i2c set 0x50 0 --text \"Hello\" --page-size 8"});

    std::shared_ptr<DumpOptions> dump_options;
    auto *dump = add_command(*i2c, slot, "dump", "Show a device's registers as a hex and ASCII table",
                             Needs::Bulk, prepare_i2c_dump, dump_options);
    add_address(dump, dump_options->address, dump_options->force, kTenBitAddressHelp);
    dump->add_option("--first", dump_options->first, "First register (default 0)")
        ->type_name("REG");
    dump->add_option("--length", dump_options->length, "Number of registers (default 256)")
        ->type_name("N");
    dump->add_flag("-t,--ten-bit", dump_options->ten_bit, "10-bit device address");
    dump->add_flag("-w,--reg16", dump_options->reg16, "2-byte sub-address (large EEPROMs)");
    describe(dump, Needs::Bulk, {"tess i2c dump 0x50", "tess i2c dump -w 0x54 --length 1024"});

    std::shared_ptr<ReadOptions> read_options;
    auto *read = add_command(*i2c, slot, "read",
                             "Plain read of many bytes (a progress bar on a terminal)", Needs::Bulk,
                             prepare_i2c_read, read_options);
    add_address(read, read_options->address, read_options->force, "Device address (7-bit)");
    read->add_option("count", read_options->count, "Bytes to read, up to 1 MiB (1048576)")
        ->type_name("N")
        ->required();
    read->add_option("-o,--output", read_options->output, "Write the bytes to this file")
        ->type_name("FILE");
    describe(read, Needs::Bulk, {"tess i2c read 0x54 65536 -o eeprom.bin", "tess i2c read 0x50 32"});

    std::shared_ptr<TransferOptions> transfer_options;
    auto *transfer = add_command(*i2c, slot, "transfer",
                                 "Combined transfer with repeated STARTs, i2ctransfer style: "
                                 "w2@0x54 0x00 0x10 r16",
                                 Needs::Bulk, prepare_i2c_transfer, transfer_options);
    transfer->add_option("messages", transfer_options->messages,
                         "r<len>[@addr] or w<len>[@addr] followed by the bytes")
        ->type_name("MSG...")
        ->required();
    transfer->add_flag("-t,--ten-bit", transfer_options->ten_bit, "Addresses are 10-bit");
    add_force_flag(transfer, transfer_options->force);
    describe(transfer, Needs::Bulk,
             {"tess i2c transfer w2@0x54 0x12 0x34 r4", "tess i2c transfer -t w1@0x2a5 0x00 r2"});

    std::shared_ptr<ClockOptions> clock_options;
    auto *clock = add_command(*i2c, slot, "clock",
                              "Show the I2C clock, or set it in kHz (1-1000; 15 and below give "
                              "the slowest, 15.686 kHz)",
                              Needs::Bulk, prepare_i2c_clock, clock_options);
    clock->add_option("khz", clock_options->khz, "New clock in kHz")->type_name("KHZ");
    describe(clock, Needs::Bulk, {"tess i2c clock", "tess i2c clock 400"});

    add_i2c_recover_command(*i2c, slot);
}

}  // namespace tess
