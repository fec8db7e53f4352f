"""Python binding of libtesslink, the host library of the HID I2C adapter:
``Adapter`` for its MPU exports, ``SMBus`` for drivers written against
smbus2. Pure Python over ctypes; the library is loaded on first use (see
tessbus._libraries for where it is looked for)."""

from tessbus.errors import (AdapterStatusError, AddressNotAcknowledgedError, BusBusyError,
                            DataNotAcknowledgedError, I2CError, LibraryNotFoundError, PECError,
                            RequestRefusedError, TessError, TransferError)
from tessbus.transaction import i2c_msg

from .adapter import Adapter, library_version
from .smbus import SMBus

__all__ = [
    "Adapter", "SMBus", "library_version", "i2c_msg",
    "TessError", "LibraryNotFoundError", "I2CError", "AdapterStatusError",
    "AddressNotAcknowledgedError", "DataNotAcknowledgedError", "BusBusyError", "TransferError",
    "RequestRefusedError", "PECError",
]
