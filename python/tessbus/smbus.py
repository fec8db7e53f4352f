"""The ``smbus2.SMBus`` interface over an adapter that carries I2C transactions.

Every SMBus operation is written here once, as the list of messages the SMBus
specification defines for it (i2c-dev emulates SMBus on plain I2C adapters in
the same way); an adapter's class says only how it carries such a list
(``_transfer``), and refuses with ``NotImplementedError`` what it cannot
carry. With ``pec`` on, the packet error code is appended to writes and
checked on reads in software, for the operations that have one (not for
``write_quick``, the I2C block operations or ``i2c_rdwr``).

Addresses are 7-bit, as with smbus2. ``force`` arguments are accepted for
compatibility and have no effect: no kernel driver holds the addresses.
"""

import enum
from typing import List, Optional

from . import errors
from .pec import crc8
from .transaction import Segment, fill, segments_of
from .validate import byte_string, integer, seven_bit_address

I2C_SMBUS_BLOCK_MAX = 32


class I2cFunc(enum.IntFlag):
    """Functionality bits as Linux's I2C_FUNCS reports them (``SMBus.funcs``)."""

    I2C = 0x00000001
    ADDR_10BIT = 0x00000002
    SMBUS_PEC = 0x00000008
    SMBUS_BLOCK_PROC_CALL = 0x00008000
    SMBUS_QUICK = 0x00010000
    SMBUS_READ_BYTE = 0x00020000
    SMBUS_WRITE_BYTE = 0x00040000
    SMBUS_READ_BYTE_DATA = 0x00080000
    SMBUS_WRITE_BYTE_DATA = 0x00100000
    SMBUS_READ_WORD_DATA = 0x00200000
    SMBUS_WRITE_WORD_DATA = 0x00400000
    SMBUS_PROC_CALL = 0x00800000
    SMBUS_READ_BLOCK_DATA = 0x01000000
    SMBUS_WRITE_BLOCK_DATA = 0x02000000
    SMBUS_READ_I2C_BLOCK = 0x04000000
    SMBUS_WRITE_I2C_BLOCK = 0x08000000


def _word(data: bytes) -> int:
    return data[0] | (data[1] << 8)


def _hex(value: int) -> str:
    return f"0x{value:02x}"


class SMBusBase:
    """What both bindings' ``SMBus`` classes share; see the module's text."""

    funcs = I2cFunc(0)  # set by each adapter's class

    def __init__(self):
        self._pec = 0
        self._closed = False

    # ---- what an adapter's class provides ----------------------------------

    def _transfer(self, context: str, segments: List[Segment]) -> List[bytes]:
        """Carries the segments as one transaction and returns the bytes of
        each read segment, in order. Raises NotImplementedError (naming
        `context`) for what the adapter cannot carry."""
        raise NotImplementedError

    # ---- life cycle -------------------------------------------------------

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc_value, traceback):
        self.close()

    def close(self) -> None:
        """Ends the use of the bus; later calls raise ValueError."""
        self._closed = True
        self._pec = 0

    @property
    def pec(self) -> int:
        """1 when packet error checking is on (in software), 0 when off."""
        return self._pec

    @pec.setter
    def pec(self, enable) -> None:
        self.enable_pec(enable)

    def enable_pec(self, enable=True) -> None:
        self._pec = int(bool(enable))

    # ---- the SMBus operations ----------------------------------------------

    def write_quick(self, i2c_addr, force=None) -> None:
        address = seven_bit_address(i2c_addr)
        self._run(f"write_quick({_hex(address)})", [Segment.writing(address, b"")])

    def read_byte(self, i2c_addr, force=None) -> int:
        address = seven_bit_address(i2c_addr)
        return self._read(f"read_byte({_hex(address)})", address, None, 1)[0]

    def write_byte(self, i2c_addr, value, force=None) -> None:
        address = seven_bit_address(i2c_addr)
        value = integer(value, "value", 0, 0xFF)
        self._write(f"write_byte({_hex(address)}, {_hex(value)})", address, bytes([value]))

    def read_byte_data(self, i2c_addr, register, force=None) -> int:
        address, register = self._address_and_register(i2c_addr, register)
        context = f"read_byte_data({_hex(address)}, {_hex(register)})"
        return self._read(context, address, bytes([register]), 1)[0]

    def write_byte_data(self, i2c_addr, register, value, force=None) -> None:
        address, register = self._address_and_register(i2c_addr, register)
        value = integer(value, "value", 0, 0xFF)
        context = f"write_byte_data({_hex(address)}, {_hex(register)}, {_hex(value)})"
        self._write(context, address, bytes([register, value]))

    def read_word_data(self, i2c_addr, register, force=None) -> int:
        address, register = self._address_and_register(i2c_addr, register)
        context = f"read_word_data({_hex(address)}, {_hex(register)})"
        return _word(self._read(context, address, bytes([register]), 2))

    def write_word_data(self, i2c_addr, register, value, force=None) -> None:
        address, register = self._address_and_register(i2c_addr, register)
        value = integer(value, "value", 0, 0xFFFF)
        context = f"write_word_data({_hex(address)}, {_hex(register)}, 0x{value:04x})"
        self._write(context, address, bytes([register, value & 0xFF, value >> 8]))

    def process_call(self, i2c_addr, register, value, force=None) -> int:
        address, register = self._address_and_register(i2c_addr, register)
        value = integer(value, "value", 0, 0xFFFF)
        context = f"process_call({_hex(address)}, {_hex(register)}, 0x{value:04x})"
        return _word(self._read(context, address, bytes([register, value & 0xFF, value >> 8]), 2))

    def read_block_data(self, i2c_addr, register, force=None) -> List[int]:
        address, register = self._address_and_register(i2c_addr, register)
        raise NotImplementedError(
            f"read_block_data({_hex(address)}, {_hex(register)}): {self._adapter_name()} reads "
            "a number of bytes fixed before the transfer starts, and an SMBus block read ends "
            "where the device's count byte says; read a fixed length with i2c_rdwr and take "
            "the count from its first byte")

    def write_block_data(self, i2c_addr, register, data, force=None) -> None:
        address, register = self._address_and_register(i2c_addr, register)
        data = byte_string(data, high=I2C_SMBUS_BLOCK_MAX)
        context = f"write_block_data({_hex(address)}, {_hex(register)}, {len(data)} bytes)"
        self._write(context, address, bytes([register, len(data)]) + data)

    def block_process_call(self, i2c_addr, register, data, force=None) -> List[int]:
        address, register = self._address_and_register(i2c_addr, register)
        byte_string(data, high=I2C_SMBUS_BLOCK_MAX)
        raise NotImplementedError(
            f"block_process_call({_hex(address)}, {_hex(register)}): {self._adapter_name()} "
            "cannot end a read where the device's count byte says")

    def read_i2c_block_data(self, i2c_addr, register, length, force=None) -> List[int]:
        address, register = self._address_and_register(i2c_addr, register)
        length = integer(length, "length", 0, I2C_SMBUS_BLOCK_MAX)
        context = f"read_i2c_block_data({_hex(address)}, {_hex(register)}, {length})"
        segments = [Segment.writing(address, bytes([register])), Segment.reading(address, length)]
        return list(self._run(context, segments)[-1])

    def write_i2c_block_data(self, i2c_addr, register, data, force=None) -> None:
        address, register = self._address_and_register(i2c_addr, register)
        data = byte_string(data, high=I2C_SMBUS_BLOCK_MAX)
        context = f"write_i2c_block_data({_hex(address)}, {_hex(register)}, {len(data)} bytes)"
        self._run(context, [Segment.writing(address, bytes([register]) + data)])

    def i2c_rdwr(self, *i2c_msgs) -> None:
        """One combined transaction: the messages joined by repeated STARTs and
        ended by a STOP. Read messages receive their bytes."""
        segments = segments_of("i2c_rdwr", i2c_msgs)
        shape = ", ".join(
            f"{'r' if s.read else 'w'}{s.length if s.read else len(s.data)}@{_hex(s.address)}"
            for s in segments)
        received = iter(self._run(f"i2c_rdwr({shape})", segments))
        for segment in segments:
            if segment.read:
                fill(segment, next(received))

    # ---- the common path -------------------------------------------------------

    def _adapter_name(self) -> str:
        return "the adapter"

    @staticmethod
    def _address_and_register(i2c_addr, register):
        return seven_bit_address(i2c_addr), integer(register, "register", 0, 0xFF)

    def _run(self, context: str, segments: List[Segment]) -> List[bytes]:
        if self._closed:
            raise ValueError(f"{context}: the bus is closed")
        return self._transfer(context, segments)

    def _write(self, context: str, address: int, payload: bytes) -> None:
        if self._pec:
            payload += bytes([crc8(bytes([address << 1]) + payload)])
        self._run(context, [Segment.writing(address, payload)])

    def _read(self, context: str, address: int, command: Optional[bytes], length: int) -> bytes:
        """Writes `command` (when given), then reads `length` bytes in the same
        transaction; with PEC one more byte, which must match."""
        wanted = length + self._pec
        segments: List[Segment] = []
        if command is not None:
            segments.append(Segment.writing(address, command))
        segments.append(Segment.reading(address, wanted))
        data = self._run(context, segments)[-1]
        if self._pec:
            self._check_pec(context, address, command, data[:length], data[length])
        return data[:length]

    @staticmethod
    def _check_pec(context: str, address: int, command: Optional[bytes], data: bytes,
                   received: int) -> None:
        covered = b"" if command is None else bytes([address << 1]) + command
        expected = crc8(covered + bytes([(address << 1) | 1]) + data)
        if expected != received:
            raise errors.PECError(
                f"{context}: packet error code 0x{received:02x} received, 0x{expected:02x} "
                "expected")

