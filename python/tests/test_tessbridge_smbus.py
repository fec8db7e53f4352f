"""tessbridge.SMBus: every smbus2 operation, with the exact command packets
that reach the simulated bulk adapter, what it cannot carry, PEC and errno."""

import errno

import pytest
import smbus2

import tessbridge
from tessbus.pec import crc8

# (operation, arguments, packets, result); devices of the demo bench: 24C02 at
# 0x50, 24C256 at 0x54, LM75-like sensor at 0x48 (25.0 C), BME280 at 0x76.
OPERATIONS = [
    ("read_byte", (0x48,), ["01 20 00 01 91"], 0x19),
    ("write_byte", (0x50, 0x07), ["01 00 00 01 a0 07"], None),
    ("read_byte_data", (0x76, 0xD0), ["01 40 00 01 00 01 ec ed d0"], 0x60),
    ("write_byte_data", (0x50, 0x10, 0x5A), ["01 00 00 02 a0 10 5a"], None),
    ("read_word_data", (0x76, 0x88), ["01 40 00 01 00 02 ec ed 88"], 0x8000),
    ("write_word_data", (0x50, 0x20, 0x1234), ["01 00 00 03 a0 20 34 12"], None),
    # The BME280 takes F2 <- 01 and then D0 as its register pointer: the reply
    # is the chip ID register and the one after it.
    ("process_call", (0x76, 0xF2, 0xD001), ["01 01 00 03 ec f2 01 d0", "01 20 00 02 ed"],
     0x0060),
    ("write_block_data", (0x50, 0x40, [1, 2, 3]), ["01 00 00 05 a0 40 03 01 02 03"], None),
    ("read_i2c_block_data", (0x76, 0xE1, 7), ["01 40 00 01 00 07 ec ed e1"],
     [0x00, 0x40, 0x00, 0x14, 0x85, 0x03, 0x20]),
    ("write_i2c_block_data", (0x50, 0x50, [9, 8]), ["01 00 00 03 a0 50 09 08"], None),
]


@pytest.fixture
def bus(bench):
    with tessbridge.SMBus(bench.serial) as opened:
        yield opened


@pytest.mark.parametrize("operation, arguments, packets, result", OPERATIONS)
def test_each_operation_sends_its_commands(bench, bus, operation, arguments, packets, result):
    assert getattr(bus, operation)(*arguments) == result
    assert bench.commands() == packets


def test_writes_arrive(bench, bus):
    bus.write_byte_data(0x50, 0x10, 0x5A)
    bus.write_word_data(0x50, 0x20, 0x1234)
    bus.write_block_data(0x50, 0x40, [1, 2, 3])
    bus.write_i2c_block_data(0x50, 0x50, [9, 8])
    assert bus.read_byte_data(0x50, 0x10) == 0x5A
    assert bus.read_word_data(0x50, 0x20) == 0x1234
    assert bus.read_i2c_block_data(0x50, 0x40, 4) == [3, 1, 2, 3]
    assert bus.read_i2c_block_data(0x50, 0x50, 2) == [9, 8]


@pytest.mark.parametrize("message_type", [tessbridge.i2c_msg, smbus2.i2c_msg])
@pytest.mark.parametrize("messages, packets", [
    (lambda m: [m.write(0x50, [0x00]), m.read(0x50, 4)], ["01 40 00 01 00 04 a0 a1 00"]),
    (lambda m: [m.write(0x54, [0x12, 0x34]), m.read(0x54, 3)], ["01 40 00 02 00 03 a8 a9 12 34"]),
    (lambda m: [m.write(0x50, [0x01]), m.write(0x54, [0x02, 0x03])],
     ["01 30 00 01 a0 01 00 02 a8 02 03"]),
    (lambda m: [m.write(0x50, [0x00]), m.read(0x50, 2), m.read(0x50, 1)],
     ["01 01 00 01 a0 00", "01 21 00 02 a1", "01 20 00 01 a1"]),
    (lambda m: [m.write(0x50, [0x00]), m.read(0x50, 300)],
     ["01 01 00 01 a0 00", "01 20 01 2c a1"]),
    (lambda m: [m.read(0x48, 2)], ["01 20 00 02 91"]),
])
def test_i2c_rdwr_takes_either_message_type(bench, bus, message_type, messages, packets):
    built = messages(message_type)
    bus.i2c_rdwr(*built)
    assert bench.commands() == packets
    if built[-1].flags & 1:
        assert len(list(built[-1])) == built[-1].len


def test_i2c_rdwr_fills_the_read_messages(bus):
    temperature = smbus2.i2c_msg.read(0x48, 2)
    bus.i2c_rdwr(smbus2.i2c_msg.write(0x48, [0x00]), temperature)
    assert list(temperature) == [0x19, 0x00]
    chip = tessbridge.i2c_msg.read(0x76, 1)
    bus.i2c_rdwr(tessbridge.i2c_msg.write(0x76, [0xD0]), chip)
    assert bytes(chip) == b"\x60"


@pytest.mark.parametrize("call, words", [
    (lambda b: b.write_quick(0x50), "write_quick(0x50): the bulk adapter cannot carry a write "
                                   "without data bytes"),
    (lambda b: b.read_block_data(0x50, 0), "read_block_data(0x50, 0x00): the bulk adapter"),
    (lambda b: b.block_process_call(0x50, 0, [1]), "block_process_call(0x50, 0x00)"),
    (lambda b: b.i2c_rdwr(tessbridge.i2c_msg.write(0x50, [0]), tessbridge.i2c_msg.write(0x50, []),
                          tessbridge.i2c_msg.read(0x50, 1)), "a write without data bytes"),
    (lambda b: b.i2c_rdwr(tessbridge.i2c_msg.read(0x50, 501)), "a read of 501 bytes"),
    (lambda b: b.i2c_rdwr(tessbridge.i2c_msg(addr=0x50, flags=0x0010, len=0)), "10-bit"),
])
def test_what_the_adapter_cannot_carry_is_refused_by_name(bench, bus, call, words):
    with pytest.raises(NotImplementedError) as raised:
        call(bus)
    assert words in str(raised.value)
    assert bench.commands() == []


def test_failures_carry_the_errno_of_i2c_dev(bench, bus):
    with pytest.raises(OSError) as raised:
        bus.read_byte_data(0x33, 0)
    assert raised.value.errno == errno.ENXIO
    bench.adapter.set_i2c_enabled(False)
    with pytest.raises(OSError) as raised:
        bus.read_byte_data(0x50, 0)
    assert raised.value.errno == errno.EIO
    with pytest.raises(ValueError):
        bus.read_i2c_block_data(0x50, 0, 33)  # smbus2's limit


def test_pec_is_appended_to_writes_and_checked_on_reads(bench, bus):
    bus.pec = 1
    assert bus.pec == 1
    bus.write_byte_data(0x50, 0x60, 0x42)
    pec = crc8(bytes([0xA0, 0x60, 0x42]))
    assert bench.commands() == [f"01 00 00 03 a0 60 42 {pec:02x}"]
    # The EEPROM stored the code after the byte; it is what a device with PEC
    # would send after a read of register 0x60 when it holds 0x42.
    bus.pec = 0
    bus.write_byte_data(0x50, 0x61, crc8(bytes([0xA0, 0x60, 0xA1, 0x42])))
    bus.pec = 1
    bench.commands()
    assert bus.read_byte_data(0x50, 0x60) == 0x42
    assert bench.commands() == ["01 40 00 01 00 02 a0 a1 60"]
    with pytest.raises(tessbridge.PECError) as raised:
        bus.read_word_data(0x50, 0x60)  # 42, then the code as data, then 0xff as code
    assert raised.value.errno == errno.EBADMSG
    bus.read_i2c_block_data(0x50, 0x60, 2)  # I2C block reads carry no PEC
    assert bench.commands()[-1] == "01 40 00 01 00 02 a0 a1 60"


def test_a_closed_bus_refuses(bus):
    bus.close()
    with pytest.raises(ValueError):
        bus.read_byte(0x48)


def test_funcs_say_what_the_bus_carries(bus):
    assert bus.funcs & smbus2.I2cFunc.SMBUS_READ_WORD_DATA
    assert bus.funcs & smbus2.I2cFunc.SMBUS_PEC
    assert not bus.funcs & smbus2.I2cFunc.SMBUS_QUICK
    assert not bus.funcs & smbus2.I2cFunc.SMBUS_READ_BLOCK_DATA
