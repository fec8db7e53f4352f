"""libtessbridge, loaded on first use, and the one lock its calls are made under.

The library's choice of adapter is process-wide (SelectBySerialNumber), so
every call selects its adapter and makes its command under one lock: two
Adapter objects used from two threads never reach each other's hardware.

The library's messages (transfer failures) are taken through
SetMessagePresenter. A message presented on the thread that holds the lock,
during a call, belongs to that call and becomes the text of its exception;
messages presented elsewhere (on the toolkit's notification thread while it
reads serial numbers) go to the ``tessbridge`` logger. What the library writes
to standard error while it loads (its start-up messages, before a presenter
can be installed) is taken the same way and kept in ``load_messages``.
"""

import atexit
import contextlib
import ctypes
import logging
import threading
from ctypes import POINTER, c_char_p, c_int32, c_uint8, c_uint16, c_uint32, c_void_p
from typing import Callable, List, Optional

from tessbus import _libraries
from tessbus._stderr import standard_error_taken
from tessbus.errors import AdapterNotFoundError, TessError, TransferError
from tessbus.statuses import BULK, status_error

log = logging.getLogger("tessbridge")
log.addHandler(logging.NullHandler())

_BYTES = POINTER(c_uint8)

# name: (result, arguments), as include/tessbridge.h declares them.
PROTOTYPES = {
    "ShutdownProcedure": (None, []),
    "GetNumberOfDevices": (c_int32, []),
    "SelectBySerialNumber": (c_int32, [c_int32]),
    "GetSerialNumbers": (c_int32, [POINTER(c_int32)]),
    "GetHardwareInfo": (c_int32, [_BYTES]),
    "GetFirmwareRevision": (c_uint8, []),
    "Get_DLL_Version": (c_int32, []),
    "Enable3VOutputPower": (c_int32, [c_int32]),
    "Enable5VOutputPower": (c_int32, [c_int32]),
    "Write_IO": (c_int32, [c_int32]),
    "Read_IO": (c_int32, []),
    "Enable_I2C": (c_int32, []),
    "Disable_I2C": (c_int32, []),
    "Enable_SPI": (c_int32, []),
    "Disable_SPI": (c_int32, []),
    "GPIO_I2C_Write": (c_int32, [c_int32]),
    "GPIO_SPI_Write": (c_int32, [c_int32]),
    "GPIO_I2C_Read": (c_uint8, []),
    "GPIO_SPI_Read": (c_uint8, []),
    "SetI2CFrequency": (c_int32, [c_int32]),
    "GetI2CFrequency": (c_int32, []),
    "I2CWriteByte": (c_uint8, [c_uint8, c_uint8, c_uint8]),
    "I2CSendByte": (c_uint8, [c_uint8, c_uint8]),
    "I2CReceiveByte": (c_uint8, [c_uint8, _BYTES]),
    "I2CReadByte": (c_uint8, [c_uint8, c_uint8, _BYTES]),
    "I2CReadArray": (c_uint8, [c_uint8, c_uint8, c_uint16, _BYTES]),
    "I2CReadArrayDB": (c_uint8, [c_uint8, c_uint8, c_uint8, c_uint16, _BYTES]),
    "I2C10ReadArray": (c_uint8, [c_uint16, c_uint8, c_int32, _BYTES]),
    "I2CRead": (c_uint8, [c_uint8, c_uint16, _BYTES, c_int32]),
    "I2CWrite": (c_uint8, [c_uint8, c_uint16, _BYTES, c_int32]),
    "I2CWriteArray": (c_uint8, [c_uint8, c_uint8, c_uint16, _BYTES]),
    "I2CWriteArrayDB": (c_uint8, [c_uint8, c_uint8, c_uint8, c_uint16, _BYTES]),
    "I2C10WriteArray": (c_uint8, [c_uint16, c_uint8, c_int32, _BYTES]),
    "I2CWriteRepWrite": (c_uint8, [c_uint8, c_uint16, _BYTES, c_uint8, c_uint16, _BYTES]),
    "SPI_Configure": (c_uint8, [c_uint32]),
    "SPI_SetFrequency": (c_int32, [c_uint32]),
    "SPI_Generic": (c_uint8, [c_uint16, _BYTES, _BYTES]),
    "SPI_Write": (c_uint8, [c_uint16, _BYTES]),
    "SPI_WriteWithOC": (c_uint8, [c_uint16, _BYTES]),
    "SPI_WriteRead": (c_uint8, [c_uint16, c_uint16, _BYTES, _BYTES]),
}

# The presenter is a plain C callback (the typedef carries no calling convention).
PRESENTER = ctypes.CFUNCTYPE(None, c_char_p, c_void_p)


class Hooks:
    """Points where tests watch the binding work (None: nothing runs)."""

    after_select: Optional[Callable[[int], None]] = None  # serial; under the lock


hooks = Hooks()


class Call:
    """One call to the library on behalf of the caller's operation `context`:
    the exports (``call.dll``), and the messages presented meanwhile."""

    def __init__(self, dll, context: str):
        self.dll = dll
        self.context = context
        self.messages: List[str] = []

    def detail(self) -> str:
        return "; ".join(self.messages)

    def status(self, status: int) -> None:
        """Raises for a status byte other than 0."""
        if status != 0:
            raise status_error(BULK, status, self.context, self.detail())
        self.done()

    def done(self, ok: bool = True, what: str = "the command did not get through") -> None:
        """Raises TransferError when the call failed (`ok` false) or the
        library presented a message."""
        if not ok or self.messages:
            text = f"{self.context}: {what}"
            if self.messages:
                text += ": " + self.detail()
            raise TransferError(text, 255)


class Library:
    def __init__(self):
        self.lock = threading.RLock()
        self.load_messages: List[str] = []
        self._dll = None
        self._shut_down = False
        self._presenter = PRESENTER(self._present)  # kept alive with the library
        self._call: Optional[Call] = None
        self._owner: Optional[int] = None

    @property
    def loaded(self):
        return self._dll

    def dll(self):
        with self.lock:
            if self._shut_down:
                raise TessError("libtessbridge has been shut down (tessbridge.shutdown())")
            if self._dll is None:
                self._dll = self._load()
            return self._dll

    def _load(self):
        with standard_error_taken() as taken:
            dll = _libraries.load(_libraries.TESSBRIDGE)
        self.load_messages = taken.lines()
        for line in self.load_messages:
            log.warning("libtessbridge at start-up: %s", line)
        _libraries.declare(dll, PROTOTYPES)
        dll.SetMessagePresenter.restype = None
        dll.SetMessagePresenter.argtypes = [PRESENTER, c_void_p]
        dll.SetMessagePresenter(self._presenter, None)
        atexit.register(self.shutdown)
        return dll

    def _present(self, text: bytes, _context) -> None:
        message = (text or b"").decode("utf-8", "replace").replace("\r", " ")
        call = self._call
        if call is not None and self._owner == threading.get_ident():
            call.messages.append(message)
        else:
            log.warning("libtessbridge: %s", message)

    @contextlib.contextmanager
    def call(self, context: str, serial: Optional[int] = None):
        """Holds the lock, selects the adapter `serial` (None: no selection),
        and yields a Call whose messages are those of this call."""
        with self.lock:
            dll = self.dll()
            if serial is not None:
                if dll.SelectBySerialNumber(serial) != 1:
                    raise AdapterNotFoundError(
                        f"{context}: no bulk adapter with serial number {serial} is attached")
                if hooks.after_select is not None:
                    hooks.after_select(serial)
            outer = (self._call, self._owner)
            self._call, self._owner = Call(dll, context), threading.get_ident()
            try:
                yield self._call
            finally:
                self._call, self._owner = outer

    def shutdown(self) -> None:
        with self.lock:
            if self._dll is not None and not self._shut_down:
                self._dll.ShutdownProcedure()
            self._shut_down = True


library = Library()
