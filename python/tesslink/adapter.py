"""The HID adapter (the library talks to the first one it finds)."""

from tessbus.cbytes import byte_array
from tessbus.errors import TransferError
from tessbus.validate import byte_string, integer, seven_bit_address

from ._library import library

BLOCK_MAX = 256


def library_version() -> int:
    """MPUSBGetDLLVersion: 0x0408."""
    with library.call("library_version()") as call:
        return call.dll.MPUSBGetDLLVersion()


def _bus(address) -> int:
    return seven_bit_address(address) << 1


def _no_answer(context: str, what: str = "the HID adapter was not found or did not answer "
                                         "within 1000 ms") -> TransferError:
    return TransferError(f"{context}: {what}", 255)


class Adapter:
    """The HID adapter. Addresses are 7-bit (0x00-0x7f). Every failure raises
    (see tessbus.errors); arguments outside a limit raise ValueError before
    anything is sent."""

    def __repr__(self):
        return "tesslink.Adapter()"

    def i2c_read(self, address, register, count) -> bytes:
        """`count` (1-256) bytes from `register` on. The library reads in chunks
        of at most 48 bytes, each a transaction of its own at the register
        that follows the bytes already read."""
        bus, register = _bus(address), integer(register, "register", 0, 0xFF)
        count = integer(count, "count", 1, BLOCK_MAX)
        with library.call(f"i2c_read(0x{bus >> 1:02x}, 0x{register:02x}, {count})") as call:
            data = byte_array(size=count)
            call.status(call.dll.MPUI2CReadArray(bus, register, count, data))
            return bytes(data[:count])

    def i2c_write(self, address, register, data) -> None:
        """Writes 1-256 bytes from `register` on, in chunks as i2c_read."""
        bus, register = _bus(address), integer(register, "register", 0, 0xFF)
        data = byte_string(data, low=1, high=BLOCK_MAX)
        with library.call(f"i2c_write(0x{bus >> 1:02x}, 0x{register:02x}, {len(data)} bytes)") as call:
            call.status(call.dll.MPUI2CWriteArray(bus, register, len(data), byte_array(data)))

    @property
    def clock(self) -> int:
        """The adapter's I2C clock setting (in the firmware's unit)."""
        with library.call("clock") as call:
            value = call.dll.MPUGetI2CFrequency()
        if value == 0:
            raise _no_answer("clock")
        return value

    def set_clock(self, value) -> int:
        """Sets the I2C clock (1-65535, in the firmware's unit) and returns the
        setting the adapter reports back."""
        value = integer(value, "value", 1, 0xFFFF)
        with library.call(f"set_clock({value})") as call:
            reported = call.dll.MPUSetI2CFrequency(value)
        if reported == 0:
            raise _no_answer(f"set_clock({value})")
        return reported

    def device_version(self) -> int:
        """The adapter's firmware version."""
        with library.call("device_version()") as call:
            version = call.dll.MPUSBGetDeviceVersion()
        if version == 0:
            raise _no_answer("device_version()")
        return version

    def flash_led(self) -> None:
        with library.call("flash_led()") as call:
            result = call.dll.MPUSBFlashLED()
        if result != 0:
            raise _no_answer("flash_led()", "the HID adapter was not found, did not answer within "
                                            "1000 ms, or answered without the echo")

    def reset(self) -> None:
        """Sends the reset command (the adapter does not answer it)."""
        with library.call("reset()") as call:
            sent = call.dll.MPUReset()
        if sent != 255:
            raise _no_answer("reset()", "the HID adapter was not found or the report could not "
                                        "be sent")
