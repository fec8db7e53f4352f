"""Fixtures: the binding from this source tree, on simulated adapters.

The bulk adapter: the simulated toolkit (build/toolkit/sim) is loaded before
libtessbridge and every test gets a fresh adapter with the demo bench of
device models, plugged in for it and pulled out after it.

The HID adapter: emulated with umockdev (libtesslink_sim), which works only
when the tests run under umockdev-wrapper (scripts/test runs them so):
    umockdev-wrapper /usr/bin/python3 -m pytest python/tests
Without it the HID adapter's tests are skipped. The emulation starts here,
before anything in the process looks at /sys or /dev, and starts again for
every test, so that each finds the board's devices fresh.
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
import tesslink
from tessbridge import sim
from tesslink import sim as hid_sim

HID_EMULATED = hid_sim.under_umockdev()
if HID_EMULATED:
    hid_sim.start()

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


def child_environment(**changes):
    """The environment for a program the tests start: this one, without
    umockdev's preload library (which only slows a program down that does not
    emulate anything), with `changes`."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("UMOCKDEV")}
    preload = [p for p in env.pop("LD_PRELOAD", "").split(":") if p and "umockdev" not in p]
    if preload:
        env["LD_PRELOAD"] = ":".join(preload)
    env.update(changes)
    return env


class RecordedCalls:
    """Stands in front of libtesslink and records every export called, with
    its arguments (byte arrays as bytes)."""

    def __init__(self, dll):
        self._dll = dll
        self.calls = []

    def __getattr__(self, name):
        function = getattr(self._dll, name)

        def recorded(*arguments):
            self.calls.append((name, *(bytes(a) if hasattr(a, "_length_") else a
                                       for a in arguments)))
            return function(*arguments)
        return recorded

    def take(self):
        calls, self.calls = self.calls, []
        return calls


@pytest.fixture
def hid(monkeypatch):
    """The emulated HID adapter with fresh devices; its `calls` record the
    library's exports the binding calls."""
    if not HID_EMULATED:
        pytest.skip("the HID adapter is emulated under umockdev: run the tests with "
                    "umockdev-wrapper /usr/bin/python3 -m pytest python/tests")
    hid_sim.stop()
    hid_sim.start()
    from tesslink import _library
    recorder = RecordedCalls(_library.library.dll())
    monkeypatch.setattr(_library.library, "_dll", recorder)
    yield tesslink.Adapter(), recorder
