"""The exceptions of both bindings.

Every failure of an adapter or a library is an ``OSError`` carrying the
``errno`` that Linux's i2c-dev gives for the same fault, so code written for
``smbus2`` that looks at ``errno`` treats it as it treats a kernel bus:

=================================  ==========  ===============================
exception                          errno       raised when
=================================  ==========  ===============================
AddressNotAcknowledgedError        ENXIO       no device answered its address
DataNotAcknowledgedError           EIO         the device refused a byte
I2CFunctionOffError                EIO         the adapter's I2C function is off
BusBusyError                       EIO         SDA is held low
AdapterStatusError                 EIO         any other status of the adapter
TransferError                      ETIMEDOUT   the command or its reply did not
                                               get through (status 255)
RequestRefusedError                EINVAL      the library refused the request
                                               (also a ValueError)
PECError                           EBADMSG     a packet error code did not match
AdapterNotFoundError               ENODEV      no such adapter is attached
LibraryNotFoundError               ENOENT      a library cannot be loaded
=================================  ==========  ===============================

Arguments outside a limit raise a plain ``ValueError`` before anything is sent.
"""

import errno as _errno
from typing import Optional


class TessError(OSError):
    """Base of the bindings' exceptions."""

    default_errno = _errno.EIO

    def __init__(self, text: str, error_number: Optional[int] = None):
        super().__init__(self.default_errno if error_number is None else error_number, text)


class LibraryNotFoundError(TessError):
    """A native library cannot be loaded; the text names every place tried."""

    default_errno = _errno.ENOENT


class AdapterNotFoundError(TessError):
    """The adapter asked for is not attached (or no adapter is)."""

    default_errno = _errno.ENODEV


class I2CError(TessError):
    """A transaction reported a status other than 0; ``status`` is its value."""

    def __init__(self, text: str, status: Optional[int] = None,
                 error_number: Optional[int] = None):
        super().__init__(text, error_number)
        self.status = status


class AdapterStatusError(I2CError):
    """The adapter's own status byte, passed on by the library."""


class AddressNotAcknowledgedError(AdapterStatusError):
    default_errno = _errno.ENXIO


class DataNotAcknowledgedError(AdapterStatusError):
    pass


class I2CFunctionOffError(AdapterStatusError):
    pass


class BusBusyError(AdapterStatusError):
    pass


class TransferError(I2CError):
    """The command did not reach the adapter or no (complete) reply came back."""

    default_errno = _errno.ETIMEDOUT


class RequestRefusedError(I2CError, ValueError):
    """The library refused the request before sending anything."""

    default_errno = _errno.EINVAL


class PECError(I2CError):
    """The packet error code of a reply did not match its bytes."""

    default_errno = _errno.EBADMSG
