"""The HID adapter emulated in this process, as ``tess --sim`` does it: the
adapter's hidraw interface faked with umockdev and answered by the adapter's
firmware model with the devices of the simulated board (a PMBus power supply at
0x58, a 256-byte register memory at 0x50, a BME280 at 0x76).

umockdev works only in a process that runs under its preload library, and the
emulation must start before anything in the process looks at /sys or /dev::

    from tesslink import sim
    sim.restart_under_umockdev()   # at the very top: the program starts again
                                   # under umockdev-wrapper (returns at once there)
    sim.start()
    import tesslink
    print(tesslink.Adapter().device_version())

The emulation is ``libtesslink_sim.so`` from the build tree (or the file
``$TESSLINK_SIM_LIBRARY`` names; include/tesslink_sim.h). A program that does
not call this gets the same adapter with ``tess sim-run PROGRAM``.
"""

import ctypes
import os
import shutil
import sys
import threading

from tessbus import _libraries
from tessbus._stderr import standard_error_taken
from tessbus.errors import TessError

# Set in the restarted process, so that a wrapper that does not take effect
# cannot make the program restart itself forever.
_RESTARTED = "TESSLINK_SIM_RESTARTED"

_lock = threading.Lock()
_emulation = None


def under_umockdev() -> bool:
    """True when the process runs under umockdev's preload library."""
    return "umockdev" in os.environ.get("LD_PRELOAD", "")


def restart_under_umockdev() -> None:
    """Starts this Python program again, with the same arguments, under
    umockdev-wrapper; returns at once when it runs there already. Raises
    TessError when umockdev-wrapper is missing or did not take effect."""
    if under_umockdev():
        return
    if os.environ.get(_RESTARTED):
        raise TessError("umockdev-wrapper did not put umockdev's preload library in place")
    wrapper = shutil.which("umockdev-wrapper")
    if wrapper is None:
        raise TessError("umockdev-wrapper is not installed (Debian: umockdev)")
    os.environ[_RESTARTED] = "1"
    sys.stdout.flush()
    sys.stderr.flush()
    # Python 3.10 and later keep the interpreter's own options (-m, -X ...).
    arguments = sys.orig_argv[1:] if hasattr(sys, "orig_argv") else sys.argv
    os.execv(wrapper, [wrapper, sys.executable, *arguments])


def _library():
    global _emulation
    if _emulation is None:
        dll = _libraries.load(_libraries.SIMULATED_HID)
        _libraries.declare(dll, {"tesslink_sim_start": (ctypes.c_int, []),
                                 "tesslink_sim_stop": (None, [])})
        _emulation = dll
    return _emulation


def start() -> None:
    """Starts the emulation: from now on libtesslink finds the adapter."""
    with _lock:
        if not under_umockdev():
            raise TessError("the HID adapter's emulation needs umockdev: run the program under "
                            "umockdev-wrapper, or call tesslink.sim.restart_under_umockdev() "
                            "first")
        with standard_error_taken() as taken:
            started = _library().tesslink_sim_start()
        if not started:
            raise TessError("the HID adapter's emulation did not start: " + " ".join(taken.lines()))


def stop() -> None:
    """Stops the emulation: the adapter is gone, and its devices forget what
    was written to them."""
    with _lock:
        if _emulation is not None:
            _emulation.tesslink_sim_stop()
