"""The library's messages: none reaches standard error; each goes to the
exception of the call that raised it, to the tessbridge logger when no call
did, or, at start-up, to load_messages() and the error that follows."""

import logging
import subprocess
import sys

import tessbridge
from conftest import PACKAGE_ROOT, child_environment
from tessbridge import sim


def test_a_message_raised_on_the_toolkits_thread_goes_to_the_logger(bench, toolkit, caplog,
                                                                   capfd):
    caplog.set_level(logging.WARNING, logger="tessbridge")
    toolkit.inject_fault(sim.Operation.CONTROL, 0, sim.WD_STATUS_IO_ERROR, 0)
    handle = toolkit.plug_bench("bare", "6789")  # its serial number cannot be read
    try:
        assert any("libtessbridge: WDU_Transfer() failed: error 0x20000008" in record.getMessage()
                   for record in caplog.records), caplog.records
        assert capfd.readouterr().err == ""
    finally:
        toolkit.unplug(handle)


START_UP_FAILS = """
import tessbridge
from tessbridge import sim
toolkit = sim.toolkit()
toolkit.plug_bench("demo", "1234")
toolkit.inject_fault(sim.Operation.INIT, 0, 0x20000003, 0)
try:
    tessbridge.Adapter()
except tessbridge.AdapterNotFoundError as error:
    print(error)
print(tessbridge.load_messages())
"""


def test_start_up_messages_are_kept_and_told_with_the_error(tmp_path):
    run = subprocess.run([sys.executable, "-c", START_UP_FAILS], cwd=tmp_path,
                         env=child_environment(PYTHONPATH=str(PACKAGE_ROOT)), capture_output=True, text=True,
                         timeout=60)
    assert run.returncode == 0, run.stderr
    assert run.stderr == ""
    message = "main: failed to initialize USB driver: error 0x20000003 "
    error, kept = run.stdout.splitlines()
    assert error.startswith("[Errno 19] no bulk adapter is attached; libtessbridge reported at "
                            "start-up: " + message)
    assert kept.startswith("['" + message)


def test_the_message_presenter_stays_installed(bench):
    assert tessbridge.load_messages() == []
    bench.toolkit.inject_fault(sim.Operation.BULK_OUT, 0, sim.WD_STATUS_DEVICE_GONE, 0)
    try:
        bench.adapter.read_io()
    except tessbridge.TransferError as error:
        assert "error 0x20000004" in str(error)
    else:
        raise AssertionError("the failed transfer went unnoticed")
