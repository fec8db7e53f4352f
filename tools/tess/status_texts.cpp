#include "status_texts.hpp"

namespace tess {

namespace {

const char *const kCheckConnection =
    "check the USB cable and that 'tess list' shows the adapter";

}  // namespace

StatusText bulk_i2c_status(std::uint8_t status) {
    switch (status) {
        case 1:
            return {"no device acknowledged the address",
                    "check the address with 'tess i2c scan', the wiring and the device's "
                    "supply ('tess power 3v on')"};
        case 2:
            return {"the device did not acknowledge a data byte",
                    "check the register or sub-address and whether the device is write "
                    "protected"};
        case 3:
            return {"the adapter's I2C function is switched off",
                    "switch it on with 'tess io bus i2c on'"};
        case 4:
            return {"the bus is busy: SDA is held low",
                    "free the bus with 'tess i2c recover'"};
        case 10:
            return {"the request is over the adapter's limit", "ask for fewer bytes"};
        case 255:
            return {"the command did not reach the adapter or its reply did not come back",
                    kCheckConnection};
        default:
            return {"the adapter reported status " + std::to_string(status), kCheckConnection};
    }
}

StatusText hid_i2c_status(std::uint8_t status) {
    switch (status) {
        case 1:
            return {"no device acknowledged the address",
                    "check the address (7-bit, e.g. 0x58) and the wiring"};
        case 2:
            return {"the device did not acknowledge a data byte",
                    "check the register; PMBus devices refuse unsupported commands"};
        case 129:
            return {"the length is out of the adapter's range", "ask for fewer bytes"};
        case 255:
            return {"the HID adapter was not found or did not answer within 1 second",
                    "check that it is plugged in ('tess list')"};
        default:
            return {"the HID adapter reported status " + std::to_string(status),
                    "check the device and the wiring"};
    }
}

ToolError bulk_i2c_error(std::uint8_t status, const std::string &context) {
    StatusText text = bulk_i2c_status(status);
    return {status == 10 ? ExitCode::BadArgument : ExitCode::BusError,
            context + ": " + text.what, text.hint};
}

ToolError hid_i2c_error(std::uint8_t status, const std::string &context) {
    StatusText text = hid_i2c_status(status);
    return {status == 129 ? ExitCode::BadArgument : ExitCode::BusError,
            context + ": " + text.what, text.hint};
}

}  // namespace tess
