"""Combined I2C transactions on the bulk adapter: how a list of messages
becomes the library's commands.

One command where one fits: a register read (a write of 1 or 2 bytes, then a
read of up to 256 bytes from the same device) is I2CReadArray or
I2CReadArrayDB; two writes are I2CWriteRepWrite (500 bytes in all). Any other
list is one command per message, each write I2CWrite and each read I2CRead,
all but the last leaving the transaction open so that the next begins with a
repeated START. What no command carries is refused before anything is sent:
a write without data bytes (I2CWrite sends nothing for it) and a read of 0 or
more than 500 bytes (I2CRead splits longer reads into several reads, each
with its own START).
"""

from typing import List

from tessbus.cbytes import byte_array
from tessbus.transaction import Segment

from ._library import Call

REGISTER_READ_MAX = 256
MESSAGE_MAX = 500


def _bus_address(segment: Segment) -> int:
    return segment.address << 1


def _is_register_read(segments: List[Segment]) -> bool:
    if len(segments) != 2:
        return False
    write, read = segments
    return (not write.read and read.read and write.address == read.address
            and 1 <= len(write.data) <= 2 and 1 <= read.length <= REGISTER_READ_MAX)


def _are_two_writes(segments: List[Segment]) -> bool:
    return (len(segments) == 2 and not segments[0].read and not segments[1].read
            and len(segments[0].data) + len(segments[1].data) <= MESSAGE_MAX)


def _refusal(segment: Segment) -> str:
    if segment.read:
        if segment.length == 0:
            return "a read of 0 bytes"
        if segment.length > MESSAGE_MAX:
            return (f"a read of {segment.length} bytes in one message (at most {MESSAGE_MAX}; "
                    "the library splits longer reads, each part with its own START)")
    elif not segment.data:
        return "a write without data bytes (the library sends nothing for it)"
    elif len(segment.data) > MESSAGE_MAX:
        return f"a write of {len(segment.data)} bytes in one message (at most {MESSAGE_MAX})"
    return ""


def transfer(call: Call, segments: List[Segment]) -> List[bytes]:
    """Carries the segments as one transaction; returns the bytes of each read."""
    dll = call.dll
    if _is_register_read(segments):
        write, read = segments
        data = byte_array(size=read.length)
        if len(write.data) == 1:
            status = dll.I2CReadArray(_bus_address(write), write.data[0], read.length, data)
        else:
            status = dll.I2CReadArrayDB(_bus_address(write), write.data[0], write.data[1],
                                        read.length, data)
        call.status(status)
        return [bytes(data[:read.length])]
    if _are_two_writes(segments):
        first, second = segments
        call.status(dll.I2CWriteRepWrite(
            _bus_address(first), len(first.data), byte_array(first.data),
            _bus_address(second), len(second.data), byte_array(second.data)))
        return []
    for segment in segments:
        refusal = _refusal(segment)
        if refusal:
            raise NotImplementedError(f"{call.context}: the bulk adapter cannot carry {refusal}")
    received = []
    last = len(segments) - 1
    for index, segment in enumerate(segments):
        end = 1 if index == last else 0
        if segment.read:
            data = byte_array(size=segment.length)
            call.status(dll.I2CRead(_bus_address(segment), segment.length, data, end))
            received.append(bytes(data[:segment.length]))
        else:
            call.status(dll.I2CWrite(_bus_address(segment), len(segment.data),
                                     byte_array(segment.data), end))
    return received
