"""The bulk adapter: one object per adapter, chosen by serial number."""

import ctypes
from typing import List, Optional

from tessbus.cbytes import byte_array
from tessbus.errors import AdapterNotFoundError
from tessbus.transaction import Segment
from tessbus.validate import byte_string, integer, seven_bit_address

from ._library import Call, library
from .transfers import transfer

I2C_BLOCK_MAX = 256  # register reads, 2-byte sub-address and 10-bit transfers
I2C_WRITE_MAX = 500  # plain writes, register writes, write + write
I2C_READ_MAX = 0xFFFF  # plain reads (in commands of at most 500 bytes)
SPI_MAX = 500


def adapters() -> List[int]:
    """The serial numbers of the attached bulk adapters, in the order the
    library lists them (it follows plugging and unplugging). Loads the library
    on first use: with no adapter attached its start-up waits 2 seconds."""
    with library.call("adapters()") as call:
        serials = (ctypes.c_int32 * 10)()
        count = call.dll.GetSerialNumbers(serials)
        return list(serials[:count])


def adapter_count() -> int:
    """GetNumberOfDevices: the attached adapters, or 0 while the first one's
    serial number is not known."""
    with library.call("adapter_count()") as call:
        return call.dll.GetNumberOfDevices()


def library_version() -> str:
    """The library's version, one hexadecimal digit per part: '1.8.1.1'."""
    with library.call("library_version()") as call:
        packed = call.dll.Get_DLL_Version()
    return ".".join(str((packed >> shift) & 0xF) for shift in (12, 8, 4, 0))


def load_messages() -> List[str]:
    """What the library reported while it loaded (start-up failures), if anything."""
    return list(library.load_messages)


def shutdown() -> None:
    """Closes the library's driver connection (ShutdownProcedure); later calls
    raise. Runs by itself when the interpreter exits."""
    library.shutdown()


def _bus(address) -> int:
    return seven_bit_address(address) << 1


def _khz(value, name: str, low: int, high: int) -> int:
    return integer(value, name, low, high)


class Adapter:
    """One bulk adapter. `serial` picks it by serial number; None takes the
    first one attached now. Raises AdapterNotFoundError when there is none.

    Addresses are 7-bit (0x00-0x7f; 10-bit ones 0x000-0x3ff for the i2c10_
    methods). Reads return bytes; data may be bytes or a sequence of 0-255.
    Every failure raises (see tessbus.errors); arguments outside a limit raise
    ValueError before anything is sent."""

    def __init__(self, serial: Optional[int] = None):
        present = adapters()
        if serial is None:
            if not present:
                raise AdapterNotFoundError(_nothing_attached())
            serial = present[0]
        serial = integer(serial, "serial", -(1 << 31), (1 << 31) - 1)
        if serial not in present:
            raise AdapterNotFoundError(
                f"no bulk adapter with serial number {serial} is attached "
                f"(attached: {', '.join(map(str, present)) or 'none'})")
        self.serial = serial

    def __repr__(self):
        return f"tessbridge.Adapter(serial={self.serial})"

    def _call(self, context: str):
        return library.call(context, self.serial)

    # ---- I2C: single bytes ---------------------------------------------------

    def i2c_read_byte(self, address, register) -> int:
        """Register read of one byte (write register, repeated START, read)."""
        bus, register = _bus(address), integer(register, "register", 0, 0xFF)
        with self._call(f"i2c_read_byte(0x{bus >> 1:02x}, 0x{register:02x})") as call:
            data = ctypes.c_uint8()
            call.status(call.dll.I2CReadByte(bus, register, ctypes.byref(data)))
            return data.value

    def i2c_write_byte(self, address, register, value) -> None:
        bus, register = _bus(address), integer(register, "register", 0, 0xFF)
        value = integer(value, "value", 0, 0xFF)
        with self._call(f"i2c_write_byte(0x{bus >> 1:02x}, 0x{register:02x})") as call:
            call.status(call.dll.I2CWriteByte(bus, register, value))

    def i2c_receive_byte(self, address) -> int:
        """One byte read with no register byte."""
        bus = _bus(address)
        with self._call(f"i2c_receive_byte(0x{bus >> 1:02x})") as call:
            data = ctypes.c_uint8()
            call.status(call.dll.I2CReceiveByte(bus, ctypes.byref(data)))
            return data.value

    def i2c_send_byte(self, address, value) -> None:
        """One byte written with no register byte."""
        bus, value = _bus(address), integer(value, "value", 0, 0xFF)
        with self._call(f"i2c_send_byte(0x{bus >> 1:02x})") as call:
            call.status(call.dll.I2CSendByte(bus, value))

    # ---- I2C: blocks ------------------------------------------------------

    def i2c_read(self, address, register, count) -> bytes:
        """`count` (0-256) bytes from `register` on (write register, repeated
        START, read)."""
        bus, register = _bus(address), integer(register, "register", 0, 0xFF)
        count = integer(count, "count", 0, I2C_BLOCK_MAX)
        with self._call(f"i2c_read(0x{bus >> 1:02x}, 0x{register:02x}, {count})") as call:
            data = byte_array(size=count)
            call.status(call.dll.I2CReadArray(bus, register, count, data))
            return bytes(data[:count])

    def i2c_write(self, address, register, data) -> None:
        """Writes `register`, then the data (0-500 bytes)."""
        bus, register = _bus(address), integer(register, "register", 0, 0xFF)
        data = byte_string(data, high=I2C_WRITE_MAX)
        with self._call(f"i2c_write(0x{bus >> 1:02x}, 0x{register:02x}, {len(data)} bytes)") as call:
            call.status(call.dll.I2CWriteArray(bus, register, len(data), byte_array(data)))

    def i2c_read_reg16(self, address, register, count) -> bytes:
        """As i2c_read for a device with a 2-byte register address (0-0xffff,
        high byte first on the bus), 0-256 bytes."""
        bus, register = _bus(address), integer(register, "register", 0, 0xFFFF)
        count = integer(count, "count", 0, I2C_BLOCK_MAX)
        with self._call(f"i2c_read_reg16(0x{bus >> 1:02x}, 0x{register:04x}, {count})") as call:
            data = byte_array(size=count)
            call.status(call.dll.I2CReadArrayDB(bus, register >> 8, register & 0xFF, count, data))
            return bytes(data[:count])

    def i2c_write_reg16(self, address, register, data) -> None:
        """As i2c_write with a 2-byte register address; 0-256 data bytes."""
        bus, register = _bus(address), integer(register, "register", 0, 0xFFFF)
        data = byte_string(data, high=I2C_BLOCK_MAX)
        context = f"i2c_write_reg16(0x{bus >> 1:02x}, 0x{register:04x}, {len(data)} bytes)"
        with self._call(context) as call:
            call.status(call.dll.I2CWriteArrayDB(bus, register >> 8, register & 0xFF, len(data),
                                                 byte_array(data)))

    def i2c10_read(self, address, register, count) -> bytes:
        """Register read from a device with a 10-bit address (0-0x3ff); 0-256 bytes."""
        address = integer(address, "address", 0, 0x3FF)
        register = integer(register, "register", 0, 0xFF)
        count = integer(count, "count", 0, I2C_BLOCK_MAX)
        with self._call(f"i2c10_read(0x{address:03x}, 0x{register:02x}, {count})") as call:
            data = byte_array(size=count)
            call.status(call.dll.I2C10ReadArray(address, register, count, data))
            return bytes(data[:count])

    def i2c10_write(self, address, register, data) -> None:
        """Register write to a device with a 10-bit address; 0-256 data bytes."""
        address = integer(address, "address", 0, 0x3FF)
        register = integer(register, "register", 0, 0xFF)
        data = byte_string(data, high=I2C_BLOCK_MAX)
        context = f"i2c10_write(0x{address:03x}, 0x{register:02x}, {len(data)} bytes)"
        with self._call(context) as call:
            call.status(call.dll.I2C10WriteArray(address, register, len(data), byte_array(data)))

    def i2c_receive(self, address, count, stop: bool = True) -> bytes:
        """Plain read of 1-65535 bytes. The library reads in commands of at
        most 500 bytes, each beginning with a (repeated) START. `stop` False
        leaves the transaction open for this adapter's next I2C command."""
        bus, count = _bus(address), integer(count, "count", 1, I2C_READ_MAX)
        with self._call(f"i2c_receive(0x{bus >> 1:02x}, {count})") as call:
            data = byte_array(size=count)
            call.status(call.dll.I2CRead(bus, count, data, int(bool(stop))))
            return bytes(data[:count])

    def i2c_send(self, address, data, stop: bool = True) -> None:
        """Plain write of 1-500 bytes; `stop` as for i2c_receive."""
        bus, data = _bus(address), byte_string(data, low=1, high=I2C_WRITE_MAX)
        with self._call(f"i2c_send(0x{bus >> 1:02x}, {len(data)} bytes)") as call:
            call.status(call.dll.I2CWrite(bus, len(data), byte_array(data), int(bool(stop))))

    def i2c_write_write(self, address, data, second_address, second_data) -> None:
        """A write, a repeated START and a second write (to the same or another
        device), then STOP; 500 data bytes in all."""
        bus, second_bus = _bus(address), _bus(second_address)
        data, second_data = byte_string(data), byte_string(second_data, "second_data")
        if len(data) + len(second_data) > I2C_WRITE_MAX:
            raise ValueError(f"data and second_data hold {len(data) + len(second_data)} bytes; "
                             f"at most {I2C_WRITE_MAX} are allowed")
        context = f"i2c_write_write(0x{bus >> 1:02x}, 0x{second_bus >> 1:02x})"
        with self._call(context) as call:
            call.status(call.dll.I2CWriteRepWrite(bus, len(data), byte_array(data), second_bus,
                                                  len(second_data), byte_array(second_data)))

    def i2c_write_read(self, address, data, count) -> bytes:
        """Writes `data` (1-500 bytes), then after a repeated START reads
        `count` (1-500) bytes from the same device: one transaction."""
        address = seven_bit_address(address)
        data = byte_string(data, low=1, high=I2C_WRITE_MAX)
        count = integer(count, "count", 1, I2C_WRITE_MAX)
        context = f"i2c_write_read(0x{address:02x}, {len(data)} bytes, {count})"
        with self._call(context) as call:
            segments = [Segment.writing(address, data), Segment.reading(address, count)]
            return transfer(call, segments)[0]

    # ---- I2C clock ---------------------------------------------------------------

    @property
    def i2c_clock(self) -> int:
        """The adapter's I2C clock in kHz."""
        with self._call("i2c_clock") as call:
            khz = call.dll.GetI2CFrequency()
            call.done(khz != 0, "the adapter's clock could not be read")
            return khz

    def set_i2c_clock(self, khz) -> int:
        """Sets the I2C clock (1-1000 kHz; up to 15 gives the slowest clock,
        15.686 kHz) and returns the clock the adapter's dividers give, in Hz."""
        khz = _khz(khz, "khz", 1, 1000)
        with self._call(f"set_i2c_clock({khz})") as call:
            hertz = call.dll.SetI2CFrequency(khz)
            call.done(hertz != 0)
            return hertz

    # ---- SPI ----------------------------------------------------------------

    def spi_mode(self, mode, option_bit: bool = False) -> None:
        """SPI mode 0-3 (clock polarity bit 1, phase bit 0) and the adapter's
        option bit."""
        mode = integer(mode, "mode", 0, 3)
        with self._call(f"spi_mode({mode})") as call:
            call.done(call.dll.SPI_Configure(mode | (0x10 if option_bit else 0)) == 0)

    def spi_clock(self, khz) -> int:
        """Selects 4000, 1000, 250 or 125 kHz, the highest not above `khz`
        (125 below 250), and returns it."""
        khz = _khz(khz, "khz", 0, 0xFFFFFFFF)
        with self._call(f"spi_clock({khz})") as call:
            selected = call.dll.SPI_SetFrequency(khz)
            call.done(selected != 255)
            return selected

    def spi_transfer(self, data) -> bytes:
        """Full duplex: sends 1-500 bytes and returns as many read meanwhile."""
        data = byte_string(data, low=1, high=SPI_MAX)
        with self._call(f"spi_transfer({len(data)} bytes)") as call:
            received = byte_array(size=len(data))
            received[0] = 0  # stays so when no complete reply arrives
            first = call.dll.SPI_Generic(len(data), byte_array(data), received)
            call.done(first == received[0], "the reply did not come back in full")
            return bytes(received[:len(data)])

    def spi_write(self, data) -> None:
        """Sends 1-500 bytes."""
        data = byte_string(data, low=1, high=SPI_MAX)
        with self._call(f"spi_write({len(data)} bytes)") as call:
            call.done(call.dll.SPI_Write(len(data), byte_array(data)) == 1)

    def spi_write_oc(self, data) -> None:
        """Sends 1-500 bytes of which the first stands outside the command's
        length field (SPI_WriteWithOC)."""
        data = byte_string(data, low=1, high=SPI_MAX)
        with self._call(f"spi_write_oc({len(data)} bytes)") as call:
            call.done(call.dll.SPI_WriteWithOC(len(data), byte_array(data)) == 0)

    def spi_write_read(self, data, count) -> bytes:
        """Sends 0-500 bytes, then reads `count` (1-500) bytes."""
        data = byte_string(data, high=SPI_MAX)
        count = integer(count, "count", 1, SPI_MAX)
        with self._call(f"spi_write_read({len(data)} bytes, {count})") as call:
            received = byte_array(size=count)
            call.done(call.dll.SPI_WriteRead(len(data), count, byte_array(data), received) == 0)
            return bytes(received[:count])

    # ---- IO pins, bus functions, supplies -----------------------------------

    def write_io(self, level: bool) -> None:
        """Drives the general-purpose output low (False) or high (True)."""
        with self._call(f"write_io({int(bool(level))})") as call:
            call.done(call.dll.Write_IO(int(bool(level))) == 1)

    def read_io(self) -> int:
        """The adapter's IO byte (0-255)."""
        with self._call("read_io()") as call:
            value = call.dll.Read_IO()
            call.done(value >= 0)
            return value

    def set_i2c_enabled(self, on: bool) -> None:
        """Switches the adapter's I2C function on or off."""
        with self._call(f"set_i2c_enabled({bool(on)})") as call:
            call.done((call.dll.Enable_I2C() if on else call.dll.Disable_I2C()) == 1)

    def set_spi_enabled(self, on: bool) -> None:
        """Switches the adapter's SPI function on or off."""
        with self._call(f"set_spi_enabled({bool(on)})") as call:
            call.done((call.dll.Enable_SPI() if on else call.dll.Disable_SPI()) == 1)

    def i2c_lines(self) -> int:
        """The I2C lines read as IO: bit 0 SDA, bit 1 SCL."""
        with self._call("i2c_lines()") as call:
            return _lines(call, call.dll.GPIO_I2C_Read())

    def set_i2c_lines(self, lines) -> None:
        """Drives the I2C lines as IO (bit 0 SDA, bit 1 SCL), while the I2C
        function is off."""
        lines = integer(lines, "lines", 0, 3)
        with self._call(f"set_i2c_lines({lines})") as call:
            call.done(call.dll.GPIO_I2C_Write(lines) == 1)

    def spi_lines(self) -> int:
        """The SPI lines read as IO: bit 0 SCK, 1 MOSI, 2 MISO, 3 CS."""
        with self._call("spi_lines()") as call:
            return _lines(call, call.dll.GPIO_SPI_Read())

    def set_spi_lines(self, lines) -> None:
        """Drives the SPI lines as IO (bits as spi_lines), while the SPI
        function is off."""
        lines = integer(lines, "lines", 0, 15)
        with self._call(f"set_spi_lines({lines})") as call:
            call.done(call.dll.GPIO_SPI_Write(lines) == 1)

    def set_supply_3v(self, on: bool) -> None:
        """Switches the 3 V supply output."""
        with self._call(f"set_supply_3v({bool(on)})") as call:
            call.done(call.dll.Enable3VOutputPower(int(bool(on))) == -1)

    def set_supply_5v(self, on: bool) -> None:
        """Switches the 5 V supply output."""
        with self._call(f"set_supply_5v({bool(on)})") as call:
            call.done(call.dll.Enable5VOutputPower(int(bool(on))) == -1)

    # ---- identification ------------------------------------------------------

    def firmware_revision(self) -> int:
        with self._call("firmware_revision()") as call:
            revision = call.dll.GetFirmwareRevision()
            call.done()
            return revision

    def hardware_info(self) -> bytes:
        """Three bytes: the I2C clock in units of 2 kHz (modulo 256), then the
        adapter's two hardware information bytes."""
        with self._call("hardware_info()") as call:
            record = byte_array(size=3)
            call.done(call.dll.GetHardwareInfo(record) == 0)
            return bytes(record[:3])


def _lines(call: Call, value: int) -> int:
    call.done(value != 255)
    return value


def _nothing_attached() -> str:
    text = "no bulk adapter is attached"
    if library.load_messages:
        text += "; libtessbridge reported at start-up: " + " ".join(library.load_messages)
    return text
