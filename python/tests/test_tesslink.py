"""tesslink on the emulated HID adapter (umockdev) with the simulated board:
a PMBus power supply at 0x58, a 256-byte register memory at 0x50, a BME280 at
0x76. Which export each operation calls and with what, the results, what the
adapter cannot carry, and the errors."""

import errno

import pytest
import smbus2

import tesslink
from tessbus import pmbus
from tesslink import sim

# (operation, arguments, the export called with its arguments, result)
OPERATIONS = [
    ("read_byte_data", (0x76, 0xD0), ("MPUI2CRead", 0xEC, 1, b"\0", 0xD0), 0x60),
    ("read_word_data", (0x58, 0x8B), ("MPUI2CRead", 0xB0, 2, b"\0\0", 0x8B), 0x1800),
    ("read_i2c_block_data", (0x76, 0xE1, 3), ("MPUI2CRead", 0xEC, 3, b"\0\0\0", 0xE1),
     [0x00, 0x40, 0x00]),
    ("write_byte_data", (0x50, 0x10, 0x5A), ("MPUI2CWrite", 0xA0, 1, b"\x5a", 0x10), None),
    ("write_word_data", (0x50, 0x20, 0x1234), ("MPUI2CWrite", 0xA0, 2, b"\x34\x12", 0x20), None),
    ("write_block_data", (0x50, 0x40, [1, 2, 3]),
     ("MPUI2CWrite", 0xA0, 4, b"\x03\x01\x02\x03", 0x40), None),
    ("write_i2c_block_data", (0x50, 0x50, [9, 8]), ("MPUI2CWrite", 0xA0, 2, b"\x09\x08", 0x50),
     None),
]


@pytest.mark.parametrize("operation, arguments, call, result", OPERATIONS)
def test_each_operation_calls_its_export(hid, operation, arguments, call, result):
    _, library = hid
    with tesslink.SMBus() as bus:
        assert getattr(bus, operation)(*arguments) == result
    assert library.take() == [call]


def test_writes_arrive_and_i2c_rdwr_takes_either_message_type(hid):
    with tesslink.SMBus() as bus:
        bus.write_word_data(0x50, 0x20, 0x1234)
        assert bus.read_word_data(0x50, 0x20) == 0x1234
        for message in (tesslink.i2c_msg, smbus2.i2c_msg):
            read = message.read(0x50, 2)
            bus.i2c_rdwr(message.write(0x50, [0x20]), read)
            assert list(read) == [0x34, 0x12]


@pytest.mark.parametrize("call", [
    lambda b: b.write_quick(0x50),
    lambda b: b.read_byte(0x50),
    lambda b: b.write_byte(0x50, 1),
    lambda b: b.process_call(0x50, 0, 1),
    lambda b: b.read_block_data(0x58, 0x99),
    lambda b: b.block_process_call(0x50, 0, [1]),
    lambda b: b.i2c_rdwr(tesslink.i2c_msg.read(0x50, 2)),
    lambda b: b.i2c_rdwr(tesslink.i2c_msg.write(0x50, [0, 1]), tesslink.i2c_msg.read(0x50, 2)),
    lambda b: b.read_i2c_block_data(0x50, 0, 0),
])
def test_what_the_hid_adapter_cannot_carry_is_refused(hid, call):
    _, library = hid
    with tesslink.SMBus() as bus, pytest.raises(NotImplementedError) as raised:
        call(bus)
    assert "the HID adapter" in str(raised.value)
    assert library.take() == []


def test_adapter_statuses_and_the_librarys_refusal(hid):
    _, library = hid
    with tesslink.SMBus() as bus:
        with pytest.raises(tesslink.AddressNotAcknowledgedError) as raised:
            bus.read_byte_data(0x33, 0x00)
        assert (raised.value.status, raised.value.errno) == (1, errno.ENXIO)
        with pytest.raises(tesslink.DataNotAcknowledgedError) as raised:
            bus.write_byte_data(0x58, pmbus.PAGE, 5)  # the supply has pages 0 and 1
        assert raised.value.status == 2
        assert "the device did not acknowledge a data byte (status 2)" in str(raised.value)
        # 60 data bytes after the register byte: more than a 65-byte report carries.
        with pytest.raises(tesslink.RequestRefusedError) as raised:
            bus.i2c_rdwr(tesslink.i2c_msg.write(0x50, bytes(61)))
        assert isinstance(raised.value, ValueError)
        assert (raised.value.status, raised.value.errno) == (129, errno.EINVAL)
    assert library.take()[-1][:3] == ("MPUI2CWrite", 0xA0, 60)


def test_a_missing_adapter_raises_transfer_errors(hid):
    adapter, _ = hid
    sim.stop()
    with pytest.raises(tesslink.TransferError) as raised:
        tesslink.SMBus().read_byte_data(0x50, 0)
    assert (raised.value.status, raised.value.errno) == (255, errno.ETIMEDOUT)
    for call in (lambda: adapter.clock, adapter.device_version, adapter.flash_led, adapter.reset,
                 lambda: adapter.i2c_read(0x50, 0, 4)):
        with pytest.raises(tesslink.TransferError):
            call()
    assert tesslink.library_version() == 0x0408


def test_adapter_methods(hid):
    adapter, library = hid
    data = bytes(range(100, 200))
    adapter.i2c_write(0x50, 0x80, data)  # chunks of 48, 48 and 4
    assert adapter.i2c_read(0x50, 0x80, 100) == data
    assert library.take()[0][:4] == ("MPUI2CWriteArray", 0xA0, 0x80, 100)
    assert adapter.set_clock(400) == 400
    assert adapter.clock == 400
    assert adapter.device_version() == 0x0105
    adapter.flash_led()
    adapter.reset()
    assert adapter.clock == 100, "the reset restores the default clock"
    with pytest.raises(ValueError):
        adapter.i2c_read(0x50, 0, 257)
    with pytest.raises(ValueError):
        adapter.i2c_write(0x50, 0, b"")
    with pytest.raises(ValueError):
        adapter.set_clock(0x10000)
    assert [call[0] for call in library.take()] == [
        "MPUSetI2CFrequency", "MPUGetI2CFrequency", "MPUSBGetDeviceVersion",
        "MPUSBFlashLED", "MPUReset", "MPUGetI2CFrequency"]


def test_pmbus_device_on_the_simulated_supply(hid):
    """The values the tess tool shows for the same supply (tests/tools/tess_hid_test.cpp)."""
    psu = pmbus.PMBusDevice(tesslink.SMBus(), 0x58)
    assert psu.page == 0
    assert psu.mfr_string(pmbus.MFR_ID) == "TESSPSU"
    assert (psu.read_vout(), psu.read_iout(), psu.read_temperature()) == (12.0, 5.25, 41.5)
    assert psu.status_word() == pmbus.StatusWord(0)
    psu.page = 1
    assert (psu.read_vout(), psu.read_iout(), psu.read_temperature()) == (3.30078125, 1.5, 38.0)
    with pytest.raises(tesslink.DataNotAcknowledgedError):
        psu.page = 5
    assert psu.status_word() == pmbus.StatusWord.CML
    with pytest.raises(NotImplementedError):
        psu.clear_faults()  # a send byte: the HID adapter writes a register and data
