"""A combined I2C transaction as data: a list of read and write messages.

``i2c_msg`` has the layout and the methods of Linux's ``struct i2c_msg`` as
``smbus2`` offers it, so code written for ``smbus2.i2c_msg`` runs unchanged;
``SMBus.i2c_rdwr`` of both bindings also takes ``smbus2.i2c_msg`` objects
themselves. Internally a transaction is a list of ``Segment``.
"""

import ctypes
from dataclasses import dataclass, field
from typing import Iterable, List, Optional

from .validate import byte_string, seven_bit_address

I2C_M_RD = 0x0001  # the message reads
I2C_M_TEN = 0x0010  # 10-bit address


class i2c_msg(ctypes.Structure):  # noqa: N801 - the name smbus2 and Linux use
    """One message of ``SMBus.i2c_rdwr``: ``i2c_msg.read(address, length)`` or
    ``i2c_msg.write(address, data)``; after the transfer a read message holds
    the bytes read (``list(msg)``, ``bytes(msg)``)."""

    _fields_ = [
        ("addr", ctypes.c_uint16),
        ("flags", ctypes.c_uint16),
        ("len", ctypes.c_uint16),
        ("buf", ctypes.POINTER(ctypes.c_char)),
    ]

    def __iter__(self):
        return iter(bytes(self))

    def __len__(self):
        return self.len

    def __bytes__(self):
        return ctypes.string_at(self.buf, self.len)

    def __repr__(self):
        return f"i2c_msg({self.addr},{self.flags},{bytes(self)!r})"

    @staticmethod
    def read(address: int, length: int) -> "i2c_msg":
        buffer = ctypes.create_string_buffer(length)
        return i2c_msg(addr=address, flags=I2C_M_RD, len=length, buf=buffer)

    @staticmethod
    def write(address: int, buf) -> "i2c_msg":
        data = bytes(map(ord, buf)) if isinstance(buf, str) else bytes(buf)
        buffer = ctypes.create_string_buffer(data, len(data))
        return i2c_msg(addr=address, flags=0, len=len(data), buf=buffer)


@dataclass
class Segment:
    """One message: a write of `data`, or a read of `length` bytes."""

    address: int  # 7-bit
    read: bool
    data: bytes = b""
    length: int = 0
    message: Optional[object] = field(default=None, repr=False)  # the i2c_msg to fill

    @staticmethod
    def writing(address: int, data: bytes) -> "Segment":
        return Segment(address, False, bytes(data))

    @staticmethod
    def reading(address: int, length: int) -> "Segment":
        return Segment(address, True, length=length)


def segments_of(operation: str, messages: Iterable) -> List[Segment]:
    """The segments of i2c_msg objects (ours, smbus2's or any with the same
    fields); flags other than I2C_M_RD cannot be carried."""
    segments = []
    for message in messages:
        flags = int(message.flags)
        if flags & ~I2C_M_RD:
            what = "10-bit addresses" if flags & I2C_M_TEN else f"message flags 0x{flags:04x}"
            raise NotImplementedError(f"{operation}: the adapter cannot carry {what}")
        address = seven_bit_address(message.addr)
        length = int(message.len)
        if flags & I2C_M_RD:
            segment = Segment.reading(address, length)
        else:
            segment = Segment.writing(address, byte_string(ctypes.string_at(message.buf, length)))
        segment.message = message
        segments.append(segment)
    if not segments:
        raise ValueError(f"{operation}: no message to transfer")
    return segments


def fill(segment: Segment, data: bytes) -> None:
    """Stores the bytes a read segment received into its i2c_msg."""
    if segment.message is not None:
        ctypes.memmove(segment.message.buf, data, min(len(data), segment.length))
