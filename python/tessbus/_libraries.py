"""Where the native libraries are found, and how each one is called.

This is the one place that knows file names, search order and calling
conventions. A library is looked for in this order:

1. the file named by its environment variable (when set, nothing else is
   tried: a wrong path is an error, not a reason to pick another library);
2. the build tree, when this package runs from the source tree
   (``<source>/build``, the directory ``scripts/build`` fills);
3. the system's normal search: ``ctypes.util.find_library`` and then the
   installed file name, as the dynamic loader finds it.

Windows: ``tessbridge.dll`` exports ``__stdcall`` functions and is loaded with
``ctypes.WinDLL`` on 32-bit Python; ``tesslink.dll``'s ``MPU`` exports are
``__cdecl`` (``ctypes.CDLL``). 64-bit Windows has one calling convention.
The driver toolkit ``wdapi801.dll`` that ``tessbridge.dll`` imports is loaded
first from the directory ``tessbridge.dll`` comes from.
"""

import ctypes
import ctypes.util
import os
import struct
import sys
from dataclasses import dataclass
from pathlib import Path
from typing import List, Optional, Tuple

from .errors import LibraryNotFoundError

WINDOWS = sys.platform == "win32"
_WINDOWS_32 = WINDOWS and struct.calcsize("P") == 4


@dataclass(frozen=True)
class LibraryFile:
    title: str  # how messages name the library
    environment: str  # variable naming the file; empty: none
    build_path: str  # below the build tree, with '/' separators; empty: not built there
    linux_file: str  # the installed file name on Linux
    windows_file: str  # the DLL name on Windows; empty: none
    stdcall: bool  # exports are __stdcall on 32-bit Windows
    find_name: str  # the name given to ctypes.util.find_library; empty: not searched
    windows_companions: Tuple[str, ...] = ()  # DLLs loaded first from the same directory


TESSBRIDGE = LibraryFile(
    title="libtessbridge",
    environment="TESSBRIDGE_LIBRARY",
    build_path="tessbridge/libtessbridge.so",
    linux_file="libtessbridge.so",
    windows_file="tessbridge.dll",
    stdcall=True,
    find_name="tessbridge",
    windows_companions=("wdapi801.dll",),
)

TESSLINK = LibraryFile(
    title="libtesslink",
    environment="TESSLINK_LIBRARY",
    build_path="tesslink/libtesslink.so",
    linux_file="libtesslink.so",
    windows_file="tesslink.dll",
    stdcall=False,
    find_name="tesslink",
)

# The simulated driver toolkit: built for tests and demos, never installed.
SIMULATED_TOOLKIT = LibraryFile(
    title="the simulated toolkit libwdapi801",
    environment="WDAPI801_SIM_LIBRARY",
    build_path="toolkit/sim/libwdapi801.so",
    linux_file="",
    windows_file="",
    stdcall=False,
    find_name="",
)

# The emulated HID adapter (include/tesslink_sim.h): built for tests and demos,
# never installed.
SIMULATED_HID = LibraryFile(
    title="the HID adapter's emulation libtesslink_sim",
    environment="TESSLINK_SIM_LIBRARY",
    build_path="devices/hid_adapter/libtesslink_sim.so",
    linux_file="",
    windows_file="",
    stdcall=False,
    find_name="",
)


def source_tree() -> Optional[Path]:
    """The project's source tree when this package runs from it, else None."""
    root = Path(__file__).resolve().parents[2]
    if (root / "CMakeLists.txt").is_file() and (root / "python" / "pyproject.toml").is_file():
        return root
    return None


def build_tree() -> Optional[Path]:
    root = source_tree()
    return root / "build" if root is not None else None


def _candidates(library: LibraryFile) -> List[Tuple[str, str]]:
    """(what, path or name) pairs in the order they are tried."""
    named = os.environ.get(library.environment) if library.environment else None
    if named:
        return [("$" + library.environment, named)]
    found: List[Tuple[str, str]] = []
    build = build_tree()
    if build is not None and library.build_path:
        found.append(("the build tree", str(build / library.build_path)))
    file_name = library.windows_file if WINDOWS else library.linux_file
    if library.find_name and file_name:
        located = ctypes.util.find_library(library.find_name)
        if located:
            found.append(("ctypes.util.find_library", located))
        found.append(("the system's search", file_name))
    return found


def _open(path: str, library: LibraryFile, mode: int) -> ctypes.CDLL:
    if WINDOWS:
        directory = os.path.dirname(os.path.abspath(path)) if os.path.dirname(path) else ""
        for companion in library.windows_companions:
            beside = os.path.join(directory, companion) if directory else companion
            if os.path.isfile(beside):
                ctypes.CDLL(beside)
        if library.stdcall and _WINDOWS_32:
            return ctypes.WinDLL(path)
        return ctypes.CDLL(path)
    return ctypes.CDLL(path, mode=mode)


def load(library: LibraryFile, mode: int = ctypes.DEFAULT_MODE) -> ctypes.CDLL:
    """Loads the library, or raises LibraryNotFoundError naming every attempt."""
    attempts = []
    for what, path in _candidates(library):
        if os.path.sep in path or "/" in path:
            if not os.path.exists(path):
                attempts.append(f"{what}: {path} (no such file)")
                continue
        try:
            return _open(path, library, mode)
        except OSError as error:
            attempts.append(f"{what}: {path} ({error})")
    if library.environment and not os.environ.get(library.environment):
        attempts.insert(0, f"${library.environment}: not set")
    raise LibraryNotFoundError(f"{library.title} cannot be loaded; tried " + "; ".join(attempts))


def declare(dll, prototypes) -> None:
    """Gives each export its result and argument types: {name: (result, [arguments])}."""
    for name, (result, arguments) in prototypes.items():
        function = getattr(dll, name)
        function.restype = result
        function.argtypes = arguments
