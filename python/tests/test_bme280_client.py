"""A real driver written against smbus2, unmodified: Debian's python3-bme280
reads the simulated BME280 (devices/bus/bme280.hpp) through both bindings'
SMBus.

The sensor's trimming and converter readings, and the compensation worked by
hand with the data sheet's formulas (the floating-point ones the driver uses):

  Temperature: T1 = 32768, T2 = 16125, T3 = -1000, adc_T = 0xA0000 = 655360
    var1 = (655360/16384 - 32768/1024) * 16125 = (40 - 32) * 16125 = 129000
    var2 = (655360/131072 - 32768/8192)^2 * -1000 = (5 - 4)^2 * -1000 = -1000
    t_fine = 128000;  T = t_fine / 5120 = 25.0 C

  Pressure: P1 = 40000, P2 = -10685, P3 = 3024, P4 = 2000, P5 = 140, P6 = -7,
            P7 = 15505, P8 = -14592, P9 = 6016, adc_P = 0x58300 = 361216
    var1 = t_fine/2 - 64000 = 0, so the P2, P3, P5 and P6 terms vanish:
    var2 = P4 * 65536;  var1 = (1 + 0) * P1 = 40000
    p = 1048576 - 361216 = 687360
    p = (687360 - var2/4096) * 6250 / 40000 = (687360 - 32000) * 0.15625 = 102400
    var1 = P9 * p^2 / 2^31 = 6016 * 10485760000 / 2147483648 = 29375
    var2 = p * P8 / 32768 = 102400 * -14592 / 32768 = -45600
    p = 102400 + (29375 - 45600 + 15505) / 16 = 102400 - 45 = 102355 Pa = 1023.55 hPa

  Humidity: H1 = 64, H2 = 16384, H3 = 0, H4 = 325, H5 = 56, H6 = 32, adc_H = 0x529F = 21151
    h = t_fine - 76800 = 51200
    h = (21151 - (325*64 + 56/16384*51200)) * (16384/65536
          * (1 + 32/67108864*51200 * (1 + 0)))
      = (21151 - 20975) * 0.25 * (1 + 0.0244140625) = 44 * 1.0244140625 = 45.07421875
    h = h * (1 - 64 * h / 524288) = 45.07421875 - 45.07421875^2 / 8192
      = 45.07421875 - 2031.6851959228515625 / 8192 = 44.826210303232... %RH
"""

import pytest

bme280 = pytest.importorskip("bme280")

import tessbridge
import tesslink

CALIBRATION = {
    "dig_T1": 32768, "dig_T2": 16125, "dig_T3": -1000,
    "dig_P1": 40000, "dig_P2": -10685, "dig_P3": 3024, "dig_P4": 2000, "dig_P5": 140,
    "dig_P6": -7, "dig_P7": 15505, "dig_P8": -14592, "dig_P9": 6016,
    "dig_H1": 64, "dig_H2": 16384, "dig_H3": 0, "dig_H4": 325, "dig_H5": 56, "dig_H6": 32,
}
TEMPERATURE = 25.0
PRESSURE = 1023.55
HUMIDITY = 45.07421875 - 2031.6851959228515625 / 8192


def read_sensor(bus):
    params = bme280.load_calibration_params(bus, 0x76)
    return params, bme280.sample(bus, 0x76, params)


def test_bme280_driver_over_the_bulk_adapter(bench):
    with tessbridge.SMBus(bench.serial) as bus:
        params, reading = read_sensor(bus)
    assert dict(params) == CALIBRATION
    assert reading.temperature == pytest.approx(TEMPERATURE, abs=1e-9)
    assert reading.pressure == pytest.approx(PRESSURE, abs=1e-9)
    assert reading.humidity == pytest.approx(HUMIDITY, abs=1e-9)
    # The forced measurement: ctrl_hum, then ctrl_meas (x1 each, forced), then
    # one read of the eight data registers.
    assert bench.commands()[-3:] == [
        "01 00 00 02 ec f2 01", "01 00 00 02 ec f4 25", "01 40 00 01 00 08 ec ed f7"]


def test_bme280_driver_over_the_hid_adapter(hid):
    _, library = hid
    with tesslink.SMBus() as bus:
        params, reading = read_sensor(bus)
    assert dict(params) == CALIBRATION
    assert reading.temperature == pytest.approx(TEMPERATURE, abs=1e-9)
    assert reading.pressure == pytest.approx(PRESSURE, abs=1e-9)
    assert reading.humidity == pytest.approx(HUMIDITY, abs=1e-9)
    assert library.take()[-3:] == [("MPUI2CWrite", 0xEC, 1, b"\x01", 0xF2),
                                   ("MPUI2CWrite", 0xEC, 1, b"\x25", 0xF4),
                                   ("MPUI2CRead", 0xEC, 8, bytes(8), 0xF7)]
