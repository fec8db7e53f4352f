"""The Python example runs on the simulated adapter, from the source tree."""

import subprocess
import sys

from conftest import SOURCE_ROOT, child_environment


def test_read_bme280_example_on_the_simulated_adapter(tmp_path):
    run = subprocess.run([sys.executable, str(SOURCE_ROOT / "examples/python/read_bme280.py"),
                          "--sim"], cwd=tmp_path, env=child_environment(), capture_output=True, text=True,
                         timeout=60)
    assert run.returncode == 0, run.stderr
    assert run.stdout.splitlines() == [
        "adapter 1234: 25.00 C, 1023.55 hPa, 44.83 %RH",
        "kept in the EEPROM: c4 09 fc 27 83 11",  # 2500, 10236, 4483 low byte first
    ]
    assert run.stderr == ""
