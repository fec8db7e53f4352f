"""Python binding of libtessbridge, the host library of the bulk-endpoint
I2C and SPI adapter: ``adapters()``, ``Adapter`` for every export,
``SMBus`` for drivers written against smbus2. Pure Python over ctypes.

The library is loaded on first use (see tessbus._libraries for where it is
looked for); ``tessbridge.sim`` starts the simulated toolkit instead of real
hardware."""

from tessbus.errors import (AdapterNotFoundError, AdapterStatusError,
                            AddressNotAcknowledgedError, BusBusyError,
                            DataNotAcknowledgedError, I2CError, I2CFunctionOffError,
                            LibraryNotFoundError, PECError, RequestRefusedError, TessError,
                            TransferError)
from tessbus.transaction import i2c_msg

from .adapter import Adapter, adapter_count, adapters, library_version, load_messages, shutdown
from .smbus import SMBus

__all__ = [
    "Adapter", "SMBus", "adapters", "adapter_count", "library_version", "load_messages",
    "shutdown", "i2c_msg",
    "TessError", "LibraryNotFoundError", "AdapterNotFoundError", "I2CError",
    "AdapterStatusError", "AddressNotAcknowledgedError", "DataNotAcknowledgedError",
    "I2CFunctionOffError", "BusBusyError", "TransferError", "RequestRefusedError", "PECError",
]
