"""Combined I2C transactions on the HID adapter: the adapter carries two forms
only, each as one report:

- a register write, a write of a register byte and 1-60 data bytes
  (MPUI2CWrite; the adapter's report length may allow fewer, and the library
  then refuses the length with nothing sent);
- a register read, a write of one register byte, a repeated START and a read
  of 1-60 bytes from the same device (MPUI2CRead).

Anything else is refused, before anything is sent, with NotImplementedError.
"""

from typing import List

from tessbus.cbytes import byte_array
from tessbus.transaction import Segment

from ._library import Call

MESSAGE_MAX = 60


def _bus_address(segment: Segment) -> int:
    return segment.address << 1


def transfer(call: Call, segments: List[Segment]) -> List[bytes]:
    """Carries the segments as one transaction; returns the bytes of each read."""
    dll = call.dll
    if len(segments) == 1 and not segments[0].read and 2 <= len(segments[0].data) <= MESSAGE_MAX + 1:
        write = segments[0]
        call.status(dll.MPUI2CWrite(_bus_address(write), len(write.data) - 1,
                                    byte_array(write.data[1:]), write.data[0]))
        return []
    if (len(segments) == 2 and not segments[0].read and segments[1].read
            and segments[0].address == segments[1].address and len(segments[0].data) == 1
            and 1 <= segments[1].length <= MESSAGE_MAX):
        write, read = segments
        data = byte_array(size=read.length)
        call.status(dll.MPUI2CRead(_bus_address(read), read.length, data, write.data[0]))
        return [bytes(data[:read.length])]
    raise NotImplementedError(
        f"{call.context}: the HID adapter carries only a register write (a register byte and "
        f"1-{MESSAGE_MAX} data bytes) and a register read (a register byte, then 1-{MESSAGE_MAX} "
        "bytes read from the same device)")
