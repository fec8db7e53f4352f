"""Fixtures: the binding from this source tree, on simulated adapters.

The bulk adapter: the simulated toolkit (build/toolkit/sim) is loaded before
libtessbridge and every test gets a fresh adapter with the demo bench of
device models, plugged in for it and pulled out after it.
"""

import itertools
import os
import sys
from pathlib import Path

import pytest

PACKAGE_ROOT = Path(__file__).resolve().parents[1]
SOURCE_ROOT = PACKAGE_ROOT.parent
sys.path.insert(0, str(PACKAGE_ROOT))
# The HID library the tests load by name in other processes: the one named by
# $TESSLINK_LIBRARY (scripts/test names its build's), else the build tree's.
TESSLINK_FILE = Path(os.environ.get("TESSLINK_LIBRARY")
                     or SOURCE_ROOT / "build" / "tesslink" / "libtesslink.so")

import tessbridge
from tessbridge import sim

_serials = itertools.count(2001)


class Bench:
    """A simulated bulk adapter with the demo devices, and the toolkit's log."""

    def __init__(self, toolkit, serial: int):
        self.toolkit = toolkit
        self.serial = serial
        self.handle = toolkit.plug_bench("demo", str(serial))
        self.adapter = tessbridge.Adapter(serial)
        toolkit.clear_log()

    def commands(self):
        """The command packets this adapter received since the last call, as
        hex text ("01 40 00 ..."); the log is cleared."""
        packets = [packet.hex(" ") for packet in self.toolkit.commands(self.handle)]
        self.toolkit.clear_log()
        return packets

    def unplug(self):
        self.toolkit.unplug(self.handle)


@pytest.fixture(scope="session")
def toolkit():
    return sim.toolkit()


@pytest.fixture
def bench(toolkit):
    plugged = Bench(toolkit, next(_serials))
    yield plugged
    plugged.unplug()


@pytest.fixture
def second_bench(toolkit):
    plugged = Bench(toolkit, next(_serials))
    yield plugged
    plugged.unplug()
