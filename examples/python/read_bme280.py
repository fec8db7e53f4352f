#!/usr/bin/env python3
"""Reads a BME280 sensor at 0x76 with Debian's bme280 driver (python3-bme280,
written for smbus2) through the bulk adapter, and keeps the reading in the
adapter's 24C02 EEPROM at 0x50.

    python3 examples/python/read_bme280.py            # the first bulk adapter attached
    python3 examples/python/read_bme280.py --sim      # a simulated adapter with the demo bench
    build/tools/tess/tess sim-run python3 examples/python/read_bme280.py   # the same, unmodified

Runs from the source tree without installing the binding (pip install ./python
installs it).
"""

import argparse
import struct
import sys
from pathlib import Path

try:
    import tessbridge
except ImportError:  # not installed: the binding in this source tree
    sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "python"))
    import tessbridge

import bme280


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sim", action="store_true", help="use a simulated adapter")
    arguments = parser.parse_args()
    if arguments.sim:
        from tessbridge import sim
        sim.toolkit().plug_bench("demo", "1234")  # before the library's first use

    try:
        with tessbridge.SMBus() as bus:  # the first adapter attached
            params = bme280.load_calibration_params(bus, 0x76)
            reading = bme280.sample(bus, 0x76, params)
            adapter = bus.adapter
            print(f"adapter {adapter.serial}: {reading.temperature:.2f} C, "
                  f"{reading.pressure:.2f} hPa, {reading.humidity:.2f} %RH")
            record = struct.pack("<hHH", round(reading.temperature * 100),
                                 round(reading.pressure * 10),
                                 round(reading.humidity * 100))
            adapter.i2c_write(0x50, 0x00, record)
            print("kept in the EEPROM:", adapter.i2c_read(0x50, 0x00, len(record)).hex(" "))
    except OSError as error:  # every failure of the binding is an OSError with its errno
        print(f"read_bme280: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
