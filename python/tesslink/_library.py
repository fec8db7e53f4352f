"""libtesslink, loaded on first use, and the lock its calls are made under.

The library takes no lock and calls from several threads interleave their
reports on the adapter; the binding makes each call (and each combined
transaction) under one lock, so threads that share the adapter take turns.
The library shows no messages.
"""

import contextlib
import threading
from ctypes import POINTER, c_int, c_ubyte, c_uint, c_ushort

from tessbus import _libraries
from tessbus.statuses import HID, status_error

_BYTES = POINTER(c_ubyte)

# name: (result, arguments), as include/tesslink.h declares them.
PROTOTYPES = {
    "MPUI2CRead": (c_ubyte, [c_ubyte, c_uint, _BYTES, c_ubyte]),
    "MPUI2CWrite": (c_ubyte, [c_ubyte, c_uint, _BYTES, c_ubyte]),
    "MPUI2CReadArray": (c_ubyte, [c_ubyte, c_ubyte, c_uint, _BYTES]),
    "MPUI2CWriteArray": (c_ubyte, [c_ubyte, c_ubyte, c_uint, _BYTES]),
    "MPUSetI2CFrequency": (c_ushort, [c_uint]),
    "MPUGetI2CFrequency": (c_ushort, []),
    "MPUSBGetDeviceVersion": (c_ushort, []),
    "MPUSBFlashLED": (c_ushort, []),
    "MPUReset": (c_ubyte, []),
    "MPUSBGetDLLVersion": (c_int, []),
}


class Call:
    """One call to the library on behalf of the caller's operation `context`."""

    def __init__(self, dll, context: str):
        self.dll = dll
        self.context = context

    def status(self, status: int) -> None:
        if status != 0:
            raise status_error(HID, status, self.context)


class Library:
    def __init__(self):
        self.lock = threading.RLock()
        self._dll = None

    def dll(self):
        with self.lock:
            if self._dll is None:
                dll = _libraries.load(_libraries.TESSLINK)
                _libraries.declare(dll, PROTOTYPES)
                self._dll = dll
            return self._dll

    @contextlib.contextmanager
    def call(self, context: str):
        with self.lock:
            yield Call(self.dll(), context)


library = Library()
