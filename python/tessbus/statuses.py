"""What a status byte other than 0 means, one table per adapter.

The libraries' own values are those their headers define (Tessbridge: 255 and
10; Tesslink: 255 and 129). The adapters' own values are those of the
adapters' firmware as the project's device models and the ``tess`` tool read
them (1 address not acknowledged, 2 data not acknowledged, 3 I2C function off,
4 bus busy); any other value is reported as the adapter's status with its
number. Every text gives the raw value.
"""

from typing import Dict, Tuple, Type

from . import errors

Meaning = Tuple[Type[errors.I2CError], str]

_ADAPTER: Dict[int, Meaning] = {
    1: (errors.AddressNotAcknowledgedError, "no device acknowledged the address"),
    2: (errors.DataNotAcknowledgedError, "the device did not acknowledge a data byte"),
    3: (errors.I2CFunctionOffError, "the adapter's I2C function is switched off"),
    4: (errors.BusBusyError, "the bus is busy: SDA is held low"),
}

BULK: Dict[int, Meaning] = {
    **_ADAPTER,
    10: (errors.RequestRefusedError,
         "libtessbridge refused the request (a count over the function's limit, a negative "
         "count or a null buffer); nothing was sent"),
    255: (errors.TransferError,
          "the command did not reach the adapter or its reply did not come back in full"),
}

HID: Dict[int, Meaning] = {
    **_ADAPTER,
    129: (errors.RequestRefusedError,
          "libtesslink refused the length (TESSLINK_STATUS_BAD_LENGTH); nothing was sent"),
    255: (errors.TransferError,
          "the HID adapter was not found, or it did not answer within 1000 ms "
          "(TESSLINK_STATUS_NO_ANSWER)"),
}


def status_error(table: Dict[int, Meaning], status: int, context: str,
                 detail: str = "") -> errors.I2CError:
    """The exception for a status byte other than 0 of the call `context`;
    `detail` (the library's messages) is added to the text."""
    kind, what = table.get(status, (errors.AdapterStatusError,
                                    f"the adapter reported status {status}"))
    text = f"{context}: {what} (status {status})"
    if detail:
        text += ": " + detail
    return kind(text, status)
