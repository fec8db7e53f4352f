"""Argument checks shared by both bindings: each raises ValueError (TypeError
for a value that is not a number or not bytes) before anything is sent."""

import operator


def integer(value, name: str, low: int, high: int) -> int:
    """`value` as an int within [low, high]."""
    try:
        number = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None
    if not low <= number <= high:
        raise ValueError(f"{name} {number} is out of range ({low} to {high})")
    return number


def seven_bit_address(address) -> int:
    """A 7-bit I2C address (0x00-0x7f); the bindings form the bus address."""
    number = integer(address, "address", 0, 0x7F)
    return number


def byte_string(data, name: str = "data", low: int = 0, high: int = 1 << 32) -> bytes:
    """`data` (bytes, bytearray or a sequence of 0-255) as bytes, of a length
    within [low, high]."""
    if isinstance(data, str):
        raise TypeError(f"{name} must be bytes or a sequence of integers, not str")
    try:
        result = bytes(data)
    except TypeError:
        raise TypeError(f"{name} must be bytes or a sequence of integers") from None
    except ValueError:
        raise ValueError(f"{name} must hold bytes (0 to 255)") from None
    if not low <= len(result) <= high:
        raise ValueError(f"{name} holds {len(result)} bytes; {low} to {high} are allowed")
    return result
