"""Simulated bulk adapters, through the simulated toolkit's plain C control
interface (include/wdapi801_sim.h).

The simulated ``libwdapi801.so`` is loaded from the build tree (or the file
``$WDAPI801_SIM_LIBRARY`` names) before libtessbridge, with RTLD_GLOBAL, so
that libtessbridge binds to it when it loads::

    from tessbridge import sim
    toolkit = sim.toolkit()                     # before the first use of tessbridge
    toolkit.plug_bench("demo", "1234")          # the firmware model with the demo devices
    with tessbridge.SMBus(1234) as bus: ...
    for transfer in toolkit.transfers(): ...    # every bulk and control transfer

The simulated toolkit lives as long as the process; adapters can be plugged
and unplugged at any time (the library follows them as it follows real ones).
A host program that cannot call this gets the same adapters from the
environment: ``WDSIM_BENCH=demo:1234``.
"""

import ctypes
import enum
import threading
from ctypes import POINTER, c_char_p, c_int, c_uint8, c_uint32
from dataclasses import dataclass
from typing import List, Optional

from tessbus import _libraries
from tessbus.errors import TessError

from ._library import library

WD_STATUS_SUCCESS = 0x00000000
WD_STATUS_DEVICE_GONE = 0x20000004
WD_STATUS_TRANSFER_TIMEOUT = 0x20000005
WD_STATUS_IO_ERROR = 0x20000008


class Operation(enum.IntEnum):
    """What wdsim_inject_fault makes fail (wdsim_op)."""

    BULK_OUT = 0
    BULK_IN = 1
    CONTROL = 2
    GET_DEVICE_INFO = 3
    EVENT_CREATE = 4
    MUTEX_CREATE = 5
    INIT = 6
    EVENT_WAIT = 7


class _Entry(ctypes.Structure):  # wdsim_transfer
    _fields_ = [
        ("device", c_uint32),
        ("kind", c_int),
        ("pipe", c_uint32),
        ("is_read", c_uint32),
        ("requested", c_uint32),
        ("moved", c_uint32),
        ("status", c_uint32),
        ("timeout_ms", c_uint32),
        ("setup", c_uint8 * 8),
        ("data", POINTER(c_uint8)),
    ]


@dataclass(frozen=True)
class Transfer:
    """One transfer as the toolkit's log holds it."""

    device: int  # the adapter's handle, as plug_bench returned it
    control: bool  # a control transfer (serial number reads); else bulk
    pipe: int  # 0x02 bulk OUT, 0x82 bulk IN, 0 control
    is_read: bool
    status: int
    data: bytes  # the bytes moved: sent (OUT) or received (IN)

    @property
    def is_command(self) -> bool:
        """A command packet sent on bulk OUT."""
        return not self.control and not self.is_read


class SimulatedToolkit:
    def __init__(self):
        dll = _libraries.load(_libraries.SIMULATED_TOOLKIT, mode=ctypes.RTLD_GLOBAL)
        prototypes = {
            "wdsim_plug_bench": (c_uint32, [c_char_p, c_char_p]),
            "wdsim_unplug": (None, [c_uint32]),
            "wdsim_settle": (c_int, [c_uint32]),
            "wdsim_adapter_count": (c_uint32, []),
            "wdsim_inject_fault": (None, [c_int, c_uint32, c_uint32, c_uint32]),
            "wdsim_log_count": (c_uint32, []),
            "wdsim_log_entry": (c_int, [c_uint32, POINTER(_Entry)]),
            "wdsim_log_clear": (None, []),
        }
        _libraries.declare(dll, prototypes)
        _check_bound_to(dll)
        self._dll = dll

    def plug_bench(self, bench: str = "demo", serial: Optional[str] = "1234") -> int:
        """Plugs an adapter (04CC:F297) whose replies come from the bulk
        adapter's firmware model with the devices of `bench` ("demo": the
        devices of ``tess --sim``; "bare": none), and returns its handle. The
        library sees it attach; settle() waits until it has."""
        serial_bytes = None if serial is None else str(serial).encode("ascii")
        handle = self._dll.wdsim_plug_bench(bench.encode("ascii"), serial_bytes)
        if handle == 0:
            raise TessError(f"the simulated toolkit cannot plug the bench {bench!r}")
        self.settle()
        return handle

    def unplug(self, handle: int) -> None:
        """Pulls the adapter out and waits until the library has seen it go."""
        self._dll.wdsim_unplug(handle)
        self.settle()

    def settle(self, timeout_ms: int = 5000) -> None:
        """Waits until every plug and unplug has been told to the library."""
        if not self._dll.wdsim_settle(timeout_ms):
            raise TessError(f"the simulated toolkit did not settle within {timeout_ms} ms")

    def adapter_count(self) -> int:
        return self._dll.wdsim_adapter_count()

    def inject_fault(self, operation: Operation, skip: int = 0,
                     status: int = WD_STATUS_TRANSFER_TIMEOUT, moved: int = 0) -> None:
        """After `skip` more calls of `operation`, the next one fails with
        `status`, having moved `moved` bytes."""
        self._dll.wdsim_inject_fault(int(operation), skip, status, moved)

    def transfers(self) -> List[Transfer]:
        """The transfers since the last clear_log(), oldest first."""
        entries = []
        for index in range(self._dll.wdsim_log_count()):
            entry = _Entry()
            if not self._dll.wdsim_log_entry(index, ctypes.byref(entry)):
                break
            data = ctypes.string_at(entry.data, entry.moved) if entry.data and entry.moved else b""
            entries.append(Transfer(entry.device, entry.kind == 1, entry.pipe,
                                    bool(entry.is_read), entry.status, data))
        return entries

    def commands(self, device: Optional[int] = None) -> List[bytes]:
        """The command packets sent on bulk OUT (to `device`, or to any)."""
        return [t.data for t in self.transfers()
                if t.is_command and (device is None or t.device == device)]

    def clear_log(self) -> None:
        self._dll.wdsim_log_clear()


def _check_bound_to(toolkit) -> None:
    """When libtessbridge is loaded already, it must use this toolkit."""
    tessbridge = library.loaded
    if tessbridge is None:
        return
    try:
        theirs = ctypes.cast(tessbridge.wdsim_plug_bench, ctypes.c_void_p).value
    except AttributeError:
        theirs = None
    ours = ctypes.cast(toolkit.wdsim_plug_bench, ctypes.c_void_p).value
    if theirs != ours:
        raise TessError("libtessbridge is loaded already and uses another driver toolkit; "
                        "start the simulated toolkit before the first use of tessbridge")


_toolkit: Optional[SimulatedToolkit] = None
_toolkit_lock = threading.Lock()


def toolkit() -> SimulatedToolkit:
    """The process's simulated toolkit, loaded on the first call."""
    global _toolkit
    with _toolkit_lock:
        if _toolkit is None:
            _toolkit = SimulatedToolkit()
        return _toolkit
