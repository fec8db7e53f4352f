"""A small PMBus layer over any SMBus object with ``i2c_rdwr``: tessbridge's,
tesslink's or smbus2's.

``PMBusDevice(bus, address)`` reads a device's telemetry as numbers, its status
registers as named flags and its ``MFR_*`` strings::

    psu = PMBusDevice(tesslink.SMBus(), 0x58)
    psu.page = 1
    print(psu.read_vout(), psu.read_iout(), psu.status_word())

Every transaction is made as i2c_rdwr messages, so that the packet error code
(``pec=True``) is computed and checked here, in software, on every form the
adapter can carry (a form it cannot carry raises NotImplementedError from the
bus). Data formats as the PMBus specification defines them: READ_VOUT in the
format VOUT_MODE announces (LINEAR16 with its exponent, DIRECT with the
device's coefficients, IEEE half precision); the other telemetry LINEAR11,
unless the device's coefficients for the command are given (DIRECT).

MFR strings are SMBus block reads, whose length the device's count byte sets.
Neither adapter can end a read there, so the layer reads 33 bytes (34 with PEC)
in one register read, takes the count from the first and drops the rest; the
device answers the extra reads as reads past its block. The tess tool reads
them the same way.
"""

import enum
import errno
import math
import struct
from dataclasses import dataclass
from typing import Dict, List, Optional

from .errors import I2CError, PECError
from .pec import crc8
from .transaction import i2c_msg as _own_i2c_msg
from .validate import integer, seven_bit_address

try:  # smbus2's own message type, which its i2c_rdwr requires; ours take it too
    from smbus2 import i2c_msg as _i2c_msg
except ImportError:  # pragma: no cover - depends on what is installed
    _i2c_msg = _own_i2c_msg

# Command codes.
PAGE = 0x00
OPERATION = 0x01
CLEAR_FAULTS = 0x03
VOUT_MODE = 0x20
VOUT_COMMAND = 0x21
STATUS_BYTE = 0x78
STATUS_WORD = 0x79
STATUS_VOUT = 0x7A
STATUS_IOUT = 0x7B
STATUS_INPUT = 0x7C
STATUS_TEMPERATURE = 0x7D
STATUS_CML = 0x7E
STATUS_OTHER = 0x7F
STATUS_MFR_SPECIFIC = 0x80
STATUS_FANS_1_2 = 0x81
STATUS_FANS_3_4 = 0x82
READ_VIN = 0x88
READ_IIN = 0x89
READ_VOUT = 0x8B
READ_IOUT = 0x8C
READ_TEMPERATURE_1 = 0x8D
READ_TEMPERATURE_2 = 0x8E
READ_TEMPERATURE_3 = 0x8F
READ_POUT = 0x96
READ_PIN = 0x97
MFR_ID = 0x99
MFR_MODEL = 0x9A
MFR_REVISION = 0x9B
MFR_LOCATION = 0x9C
MFR_DATE = 0x9D
MFR_SERIAL = 0x9E

BLOCK_MAX = 32


# ---- data formats ------------------------------------------------------------


def _signed(value: int, bits: int) -> int:
    value &= (1 << bits) - 1
    return value - (1 << bits) if value & (1 << (bits - 1)) else value


def linear11(raw: int) -> float:
    """LINEAR11: bits 15-11 a signed exponent N, bits 10-0 a signed mantissa Y;
    the value is Y * 2^N."""
    return math.ldexp(_signed(raw, 11), _signed(raw >> 11, 5))


def linear16(raw: int, exponent: int) -> float:
    """LINEAR16: an unsigned 16-bit mantissa times 2^exponent (VOUT_MODE's)."""
    return math.ldexp(raw & 0xFFFF, exponent)


def direct(raw: int, m: int, b: int, r: int) -> float:
    """DIRECT: (Y * 10^-R - b) / m, Y the 16-bit two's complement value."""
    y = _signed(raw, 16)
    scaled = y / 10 ** r if r > 0 else y * 10 ** -r
    return (scaled - b) / m


def vout_mode_exponent(vout_mode: int) -> Optional[int]:
    """The exponent of VOUT_MODE when its mode bits (7-5) say linear (000);
    None for the VID, DIRECT and IEEE half modes."""
    if vout_mode >> 5:
        return None
    return _signed(vout_mode, 5)


def block_text(block: bytes) -> str:
    """The text of a block read (count byte, then the bytes): the count is cut
    to the bytes present; bytes outside printable ASCII become '?'."""
    if not block:
        return ""
    return "".join(chr(c) if 0x20 <= c < 0x7F else "?" for c in block[1:1 + block[0]])


@dataclass(frozen=True)
class Coefficients:
    """A command's DIRECT coefficients, from the device's data sheet."""

    m: int
    b: int
    r: int


class VoutModeKind(enum.IntEnum):
    LINEAR = 0
    VID = 1
    DIRECT = 2
    IEEE_HALF = 3


# ---- status registers as named flags ---------------------------------------------


class StatusWord(enum.IntFlag):
    NONE_OF_THE_ABOVE = 1 << 0
    CML = 1 << 1
    TEMPERATURE = 1 << 2
    VIN_UV = 1 << 3
    IOUT_OC = 1 << 4
    VOUT_OV = 1 << 5
    OFF = 1 << 6
    BUSY = 1 << 7
    UNKNOWN = 1 << 8
    OTHER = 1 << 9
    FANS = 1 << 10
    POWER_GOOD_N = 1 << 11  # POWER_GOOD#: set while the output's power is not good
    MFR = 1 << 12
    INPUT = 1 << 13
    IOUT_POUT = 1 << 14
    VOUT = 1 << 15


# STATUS_BYTE is the low byte of STATUS_WORD.
StatusByte = enum.IntFlag("StatusByte", {flag.name: flag.value for flag in StatusWord
                                         if flag.value < 0x100}, module=__name__)


class StatusVout(enum.IntFlag):
    VOUT_TRACKING_ERROR = 1 << 0
    TOFF_MAX_WARNING = 1 << 1
    TON_MAX_FAULT = 1 << 2
    VOUT_MAX_MIN_WARNING = 1 << 3
    VOUT_UV_FAULT = 1 << 4
    VOUT_UV_WARNING = 1 << 5
    VOUT_OV_WARNING = 1 << 6
    VOUT_OV_FAULT = 1 << 7


class StatusIout(enum.IntFlag):
    POUT_OP_WARNING = 1 << 0
    POUT_OP_FAULT = 1 << 1
    POWER_LIMITING = 1 << 2
    CURRENT_SHARE_FAULT = 1 << 3
    IOUT_UC_FAULT = 1 << 4
    IOUT_OC_WARNING = 1 << 5
    IOUT_OC_LV_FAULT = 1 << 6
    IOUT_OC_FAULT = 1 << 7


class StatusInput(enum.IntFlag):
    PIN_OP_WARNING = 1 << 0
    IIN_OC_WARNING = 1 << 1
    IIN_OC_FAULT = 1 << 2
    UNIT_OFF_LOW_INPUT = 1 << 3
    VIN_UV_FAULT = 1 << 4
    VIN_UV_WARNING = 1 << 5
    VIN_OV_WARNING = 1 << 6
    VIN_OV_FAULT = 1 << 7


class StatusTemperature(enum.IntFlag):
    UT_FAULT = 1 << 4
    UT_WARNING = 1 << 5
    OT_WARNING = 1 << 6
    OT_FAULT = 1 << 7


class StatusCml(enum.IntFlag):
    OTHER_MEMORY_OR_LOGIC_FAULT = 1 << 0
    OTHER_COMMUNICATION_FAULT = 1 << 1
    PROCESSOR_FAULT = 1 << 3
    MEMORY_FAULT = 1 << 4
    PEC_FAILED = 1 << 5
    INVALID_DATA = 1 << 6
    INVALID_COMMAND = 1 << 7


class StatusOther(enum.IntFlag):
    FIRST_TO_ASSERT_SMBALERT = 1 << 0
    OUTPUT_ORING_FAULT = 1 << 1
    INPUT_B_ORING_FAULT = 1 << 2
    INPUT_A_ORING_FAULT = 1 << 3
    INPUT_B_FUSE_FAULT = 1 << 4
    INPUT_A_FUSE_FAULT = 1 << 5


class StatusFans12(enum.IntFlag):
    AIRFLOW_WARNING = 1 << 0
    AIRFLOW_FAULT = 1 << 1
    FAN_2_SPEED_OVERRIDDEN = 1 << 2
    FAN_1_SPEED_OVERRIDDEN = 1 << 3
    FAN_2_WARNING = 1 << 4
    FAN_1_WARNING = 1 << 5
    FAN_2_FAULT = 1 << 6
    FAN_1_FAULT = 1 << 7


class StatusFans34(enum.IntFlag):
    FAN_4_SPEED_OVERRIDDEN = 1 << 2
    FAN_3_SPEED_OVERRIDDEN = 1 << 3
    FAN_4_WARNING = 1 << 4
    FAN_3_WARNING = 1 << 5
    FAN_4_FAULT = 1 << 6
    FAN_3_FAULT = 1 << 7


_STATUS_FLAGS = {
    STATUS_BYTE: StatusByte, STATUS_VOUT: StatusVout, STATUS_IOUT: StatusIout,
    STATUS_INPUT: StatusInput, STATUS_TEMPERATURE: StatusTemperature, STATUS_CML: StatusCml,
    STATUS_OTHER: StatusOther, STATUS_FANS_1_2: StatusFans12, STATUS_FANS_3_4: StatusFans34,
}

# The PMBus specification's names where Python's cannot be the same.
_SPEC_NAMES = {"IOUT_POUT": "IOUT/POUT", "POWER_GOOD_N": "POWER_GOOD#"}


def status_word_names(status: int) -> List[str]:
    """The PMBus names of the STATUS_WORD bits that are set, bit 15 first."""
    return [_SPEC_NAMES.get(flag.name, flag.name)
            for flag in sorted(StatusWord, key=int, reverse=True) if status & flag]


# ---- the device ------------------------------------------------------------------


class PMBusDevice:
    """A PMBus device at the 7-bit `address` of `bus`. `pec` adds and checks
    the packet error code on every transaction; `coefficients` maps command
    codes to their DIRECT coefficients."""

    def __init__(self, bus, address: int, pec: bool = False,
                 coefficients: Optional[Dict[int, Coefficients]] = None):
        self.bus = bus
        self.address = seven_bit_address(address)
        self.pec = bool(pec)
        self.coefficients = dict(coefficients or {})

    def __repr__(self):
        return f"PMBusDevice({self.bus!r}, 0x{self.address:02x}, pec={self.pec})"

    # ---- transactions -------------------------------------------------------

    def write(self, command: int, data: bytes = b"") -> None:
        """A write of the command code and `data` (send byte, write byte or word)."""
        command = integer(command, "command", 0, 0xFF)
        payload = bytes([command]) + bytes(data)
        if self.pec:
            payload += bytes([crc8(bytes([self.address << 1]) + payload)])
        self.bus.i2c_rdwr(_i2c_msg.write(self.address, payload))

    def read(self, command: int, length: int) -> bytes:
        """The command code, a repeated START and a read of `length` bytes
        (with PEC one more, which must match)."""
        command = integer(command, "command", 0, 0xFF)
        write = _i2c_msg.write(self.address, [command])
        read = _i2c_msg.read(self.address, length + self.pec)
        self.bus.i2c_rdwr(write, read)
        data = bytes(read)
        if self.pec:
            self._check_pec(command, data[:length], data[length])
        return data[:length]

    def _check_pec(self, command: int, data: bytes, received: int) -> None:
        covered = bytes([self.address << 1, command, (self.address << 1) | 1]) + data
        if crc8(covered) != received:
            raise PECError(f"PMBus device 0x{self.address:02x}, command 0x{command:02x}: packet "
                           f"error code 0x{received:02x} received, 0x{crc8(covered):02x} expected")

    def read_byte(self, command: int) -> int:
        return self.read(command, 1)[0]

    def read_word(self, command: int) -> int:
        data = self.read(command, 2)
        return data[0] | (data[1] << 8)

    def write_byte(self, command: int, value: int) -> None:
        self.write(command, bytes([integer(value, "value", 0, 0xFF)]))

    def write_word(self, command: int, value: int) -> None:
        value = integer(value, "value", 0, 0xFFFF)
        self.write(command, bytes([value & 0xFF, value >> 8]))

    def read_block(self, command: int) -> bytes:
        """A block read's bytes (see the module's text for how it is read)."""
        command = integer(command, "command", 0, 0xFF)
        write = _i2c_msg.write(self.address, [command])
        read = _i2c_msg.read(self.address, 1 + BLOCK_MAX + self.pec)
        self.bus.i2c_rdwr(write, read)
        data = bytes(read)
        count = data[0]
        if not 1 <= count <= BLOCK_MAX:
            raise I2CError(f"PMBus device 0x{self.address:02x}, command 0x{command:02x}: block "
                           f"count {count} is outside 1-{BLOCK_MAX}", None, errno.EPROTO)
        if self.pec:
            self._check_pec(command, data[:1 + count], data[1 + count])
        return data[1:1 + count]

    # ---- page, telemetry ---------------------------------------------------------

    @property
    def page(self) -> int:
        return self.read_byte(PAGE)

    @page.setter
    def page(self, page: int) -> None:
        self.write_byte(PAGE, page)

    def clear_faults(self) -> None:
        self.write(CLEAR_FAULTS)

    def vout_mode(self):
        """(VoutModeKind, parameter) of VOUT_MODE: the parameter is the signed
        exponent in linear mode, the 5-bit field otherwise."""
        mode = self.read_byte(VOUT_MODE)
        if mode >> 5 > VoutModeKind.IEEE_HALF:
            raise ValueError(f"VOUT_MODE 0x{mode:02x} names no data format")
        kind = VoutModeKind(mode >> 5)
        return kind, (_signed(mode, 5) if kind == VoutModeKind.LINEAR else mode & 0x1F)

    def read_vout(self) -> float:
        """READ_VOUT in volts, in the format VOUT_MODE announces."""
        kind, parameter = self.vout_mode()
        raw = self.read_word(READ_VOUT)
        if kind == VoutModeKind.LINEAR:
            return linear16(raw, parameter)
        if kind == VoutModeKind.IEEE_HALF:
            return struct.unpack("<e", struct.pack("<H", raw))[0]
        if kind == VoutModeKind.DIRECT:
            if READ_VOUT not in self.coefficients:
                raise ValueError(
                    "READ_VOUT is in DIRECT format (VOUT_MODE says so): give the device's "
                    "coefficients, PMBusDevice(..., coefficients={READ_VOUT: Coefficients(m, b, r)})")
            c = self.coefficients[READ_VOUT]
            return direct(raw, c.m, c.b, c.r)
        raise ValueError(f"READ_VOUT is a VID code (VOUT_MODE VID code type {parameter}); "
                         "its voltage depends on the device's VID table")

    def read_telemetry(self, command: int) -> float:
        """A LINEAR11 reading (DIRECT when the command's coefficients are given)."""
        raw = self.read_word(command)
        c = self.coefficients.get(command)
        return direct(raw, c.m, c.b, c.r) if c is not None else linear11(raw)

    def read_vin(self) -> float:
        return self.read_telemetry(READ_VIN)

    def read_iin(self) -> float:
        return self.read_telemetry(READ_IIN)

    def read_iout(self) -> float:
        return self.read_telemetry(READ_IOUT)

    def read_temperature(self, sensor: int = 1) -> float:
        """READ_TEMPERATURE_1, _2 or _3 in degrees Celsius."""
        sensor = integer(sensor, "sensor", 1, 3)
        return self.read_telemetry(READ_TEMPERATURE_1 + sensor - 1)

    def read_pout(self) -> float:
        return self.read_telemetry(READ_POUT)

    def read_pin(self) -> float:
        return self.read_telemetry(READ_PIN)

    # ---- status ----------------------------------------------------------------

    def status_word(self) -> StatusWord:
        return StatusWord(self.read_word(STATUS_WORD))

    def status(self, command: int) -> enum.IntFlag:
        """A STATUS_* byte as named flags: status(STATUS_VOUT) is a StatusVout.
        STATUS_MFR_SPECIFIC's bits are the manufacturer's (a plain int)."""
        value = self.read_byte(command)
        flags = _STATUS_FLAGS.get(command)
        return flags(value) if flags is not None else value

    # ---- manufacturer strings --------------------------------------------------------

    def mfr_string(self, command: int) -> str:
        """An MFR_* string: mfr_string(MFR_ID), mfr_string(MFR_MODEL), ..."""
        data = self.read_block(command)
        return block_text(bytes([len(data)]) + data)
