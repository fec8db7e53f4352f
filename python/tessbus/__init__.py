"""What the tessbridge and tesslink bindings share: their exceptions, the
smbus2 interface, combined transactions (i2c_msg) and the PMBus layer."""

from .errors import (AdapterNotFoundError, AdapterStatusError, AddressNotAcknowledgedError,
                     BusBusyError, DataNotAcknowledgedError, I2CError, I2CFunctionOffError,
                     LibraryNotFoundError, PECError, RequestRefusedError, TessError,
                     TransferError)
from .transaction import i2c_msg

__all__ = [
    "i2c_msg", "TessError", "LibraryNotFoundError", "AdapterNotFoundError", "I2CError",
    "AdapterStatusError", "AddressNotAcknowledgedError", "DataNotAcknowledgedError",
    "I2CFunctionOffError", "BusBusyError", "TransferError", "RequestRefusedError", "PECError",
]
