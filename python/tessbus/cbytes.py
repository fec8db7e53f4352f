"""C byte arrays for the libraries' buffers."""

import ctypes


def byte_array(data: bytes = b"", size: int = 0):
    """A C array of unsigned bytes holding `data`, at least `size` long (and
    never empty, so that a pointer to it is never null)."""
    array = (ctypes.c_uint8 * max(len(data), size, 1))()
    ctypes.memmove(array, data, len(data))
    return array
