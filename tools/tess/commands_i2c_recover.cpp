// tess i2c recover: frees a bus whose SDA a device holds low (a device that was
// interrupted in the middle of a read keeps driving its data bit). The I2C
// function is switched off, SCL is clocked with the lines as IO until the
// device lets SDA go (at most 9 clocks: 8 data bits and the acknowledge), a
// STOP condition is made by hand, and the I2C function is switched back on.
// The report says what the lines showed, not what was meant to happen.
#include "subcommands.hpp"

namespace tess {

namespace {

// Line bits as GPIO_I2C_Read and GPIO_I2C_Write take them.
constexpr std::int32_t kSda = 0x01;
constexpr std::int32_t kScl = 0x02;
constexpr int kMaxClocks = 9;

std::string levels(std::uint8_t lines) {
    return std::string("SDA ") + ((lines & kSda) != 0 ? "high" : "low") + ", SCL " +
           ((lines & kScl) != 0 ? "high" : "low");
}

class Recovery {
public:
    explicit Recovery(Context &context) : context_(context), tb_(context.session.bridge()) {}
    Recovery(const Recovery &) = delete;
    Recovery &operator=(const Recovery &) = delete;
    // A recovery cut short by a failure still leaves the I2C function on.
    ~Recovery() {
        if (function_off_) {
            (void)tb_.Enable_I2C();
            (void)context_.session.take_messages();
        }
    }

    std::uint8_t read_lines() {
        const std::uint8_t lines = tb_.GPIO_I2C_Read();
        check_bridge_sent(context_, lines != 255, "reading the I2C lines");
        return lines;
    }
    void drive(std::int32_t lines) {
        check_bridge_sent(context_, tb_.GPIO_I2C_Write(lines) == 1, "driving the I2C lines");
    }
    void function_on(bool on) {
        function_off_ = !on;
        check_bridge_sent(context_, (on ? tb_.Enable_I2C() : tb_.Disable_I2C()) == 1,
                          on ? "switching the I2C function on" : "switching the I2C function off");
    }

private:
    Context &context_;
    TessbridgeLibrary &tb_;
    bool function_off_ = false;
};

// What the STOP attempt did, from SDA before it and the lines after it.
std::string stop_report(std::uint8_t before, std::uint8_t after) {
    const std::string lines = "; lines: " + levels(after);
    if ((after & kSda) == 0) {
        return "no STOP: SDA is still held low" + lines;
    }
    if ((before & kSda) == 0) {
        // The STOP raises SCL once with SDA low: the device took that as the
        // clock it still waited for and let go, so SDA could rise.
        return "STOP sent; its own clock was the one the device still waited for, and SDA "
               "came free" + lines;
    }
    return "STOP sent" + lines;
}

void recover(Context &context) {
    Recovery bus(context);
    Json steps = Json::array();
    auto say = [&](const std::string &text) {
        context.out.line(text);
        steps.push(text);
    };

    bus.function_on(false);
    const std::uint8_t before = bus.read_lines();
    say("I2C function off; lines: " + levels(before));

    int clocks = 0;
    std::uint8_t now = before;
    const bool scl_stuck = (before & kScl) == 0;
    if (scl_stuck) {
        say("SCL is held low: a device stretches the clock; clocking cannot help");
    } else {
        while ((now & kSda) == 0 && clocks < kMaxClocks) {
            bus.drive(kSda);         // SCL low, SDA released
            bus.drive(kSda | kScl);  // SCL high: the device shifts out its next bit
            ++clocks;
            now = bus.read_lines();
        }
        if ((before & kSda) == 0) {
            say((now & kSda) != 0 ? "SDA released after " + std::to_string(clocks) + " clock" +
                                        (clocks == 1 ? "" : "s")
                                  : "SDA still low after " + std::to_string(clocks) + " clocks");
        } else {
            say("SDA is high: no clocks needed");
        }
        // STOP: SDA rises while SCL is high.
        const std::uint8_t before_stop = now;
        bus.drive(0);            // SCL low, SDA low
        bus.drive(kScl);         // SCL high, SDA low
        bus.drive(kSda | kScl);  // SDA released: rises unless a device holds it
        now = bus.read_lines();
        say(stop_report(before_stop, now));
    }
    bus.function_on(true);
    const bool free = (now & (kSda | kScl)) == (kSda | kScl);
    say(free ? "I2C function on; the bus is free" : "I2C function on; the bus is still held");
    context.out.result(Json::object({{"lines_before", Json::object({{"sda", (before & kSda) != 0},
                                                                    {"scl", (before & kScl) != 0}})},
                                     {"clocks", clocks},
                                     {"lines_after", Json::object({{"sda", (now & kSda) != 0},
                                                                   {"scl", (now & kScl) != 0}})},
                                     {"recovered", free},
                                     {"steps", std::move(steps)}}));
    if (!free) {
        std::string hint = "switch the device's supply off and on: 'tess power 3v off', then "
                           "'tess power 3v on'";
        if (context.session.options().sim) {
            hint += " (with --sim in one 'tess --sim batch' run: the simulated devices live as "
                    "long as one run)";
        }
        throw ToolError(ExitCode::BusError,
                        scl_stuck ? "SCL is held low" : "a device still holds SDA low", hint);
    }
}

struct RecoverOptions {};

Runner prepare_recover(const RecoverOptions &) { return recover; }

}  // namespace

void add_i2c_recover_command(CLI::App &i2c, CommandSlot &slot) {
    std::shared_ptr<RecoverOptions> options;
    auto *recover_command =
        add_command(i2c, slot, "recover",
                    "Free a bus held low: clock SCL (at most 9 times) until SDA is released, "
                    "then make a STOP",
                    Needs::Bulk, prepare_recover, options);
    describe(recover_command, Needs::Bulk,
             {"tess i2c recover", "tess --sim --sim-hold-sda 3 i2c recover"});
}

}  // namespace tess
