"""PMBusDevice against a PMBus device written here (a register map that checks
and sends packet error codes), for what the simulated power supply does not
cover: PEC on every transaction form, DIRECT and IEEE half formats."""

import errno
import struct

import pytest

from tessbus import PECError, i2c_msg, pmbus
from tessbus.pec import crc8

ADDRESS = 0x40


class PecDevice:
    """An i2c_rdwr bus with one device: writes are checked against their PEC
    (when `pec`) and stored; reads answer the register's bytes and their PEC."""

    def __init__(self, registers, pec=True):
        self.registers = dict(registers)
        self.pec = pec
        self.written = []

    def i2c_rdwr(self, *messages):
        first = bytes(messages[0])
        if len(messages) == 1:
            self.written.append(first)
            if self.pec:
                assert crc8(bytes([ADDRESS << 1]) + first[:-1]) == first[-1], "bad PEC"
            return
        command, read = first[0], messages[1]
        data = self.registers[command]
        if self.pec:
            data += bytes([crc8(bytes([ADDRESS << 1, command, (ADDRESS << 1) | 1]) + data)])
        data = (data + b"\xff" * read.len)[:read.len]
        for index, byte in enumerate(data):
            read.buf[index] = bytes([byte])


def word(value):
    return struct.pack("<H", value & 0xFFFF)


def test_pec_on_writes_reads_and_blocks():
    bus = PecDevice({pmbus.VOUT_MODE: b"\x17", pmbus.READ_VOUT: word(0x1800),
                     pmbus.MFR_MODEL: b"\x05PSU-1", pmbus.STATUS_CML: b"\x20"})
    device = pmbus.PMBusDevice(bus, ADDRESS, pec=True)
    device.page = 1
    device.clear_faults()
    device.write_word(pmbus.VOUT_COMMAND, 0x1A00)
    assert bus.written == [b"\x00\x01" + bytes([crc8(b"\x80\x00\x01")]),
                           b"\x03" + bytes([crc8(b"\x80\x03")]),
                           b"\x21\x00\x1a" + bytes([crc8(b"\x80\x21\x00\x1a")])]
    assert device.read_vout() == 12.0
    assert device.mfr_string(pmbus.MFR_MODEL) == "PSU-1"
    assert device.status(pmbus.STATUS_CML) == pmbus.StatusCml.PEC_FAILED


def test_a_reply_with_a_wrong_pec_raises():
    bus = PecDevice({pmbus.READ_IOUT: word(0xF015)}, pec=False)
    bus.registers[pmbus.READ_IOUT] += b"\x00"  # a code that does not match
    with pytest.raises(PECError):
        pmbus.PMBusDevice(bus, ADDRESS, pec=True).read_iout()
    assert pmbus.PMBusDevice(PecDevice({pmbus.READ_IOUT: word(0xF015)}, pec=False),
                             ADDRESS).read_iout() == 5.25


def test_vout_formats_and_direct_coefficients():
    registers = {pmbus.VOUT_MODE: b"\x40", pmbus.READ_VOUT: word(1200),
                 pmbus.READ_IOUT: word(0xFF9C)}
    plain = pmbus.PMBusDevice(PecDevice(registers, pec=False), ADDRESS)
    with pytest.raises(ValueError, match="DIRECT"):
        plain.read_vout()
    coefficients = {pmbus.READ_VOUT: pmbus.Coefficients(1, 0, 2),
                    pmbus.READ_IOUT: pmbus.Coefficients(2, -50, 0)}
    device = pmbus.PMBusDevice(PecDevice(registers, pec=False), ADDRESS, coefficients=coefficients)
    assert device.read_vout() == 12.0
    assert device.read_iout() == -25.0
    half = {pmbus.VOUT_MODE: b"\x60", pmbus.READ_VOUT: struct.pack("<e", 3.3)}
    assert pmbus.PMBusDevice(PecDevice(half, pec=False), ADDRESS).read_vout() == pytest.approx(
        3.3, abs=1e-3)
    vid = {pmbus.VOUT_MODE: b"\x21", pmbus.READ_VOUT: word(0)}
    with pytest.raises(ValueError, match="VID"):
        pmbus.PMBusDevice(PecDevice(vid, pec=False), ADDRESS).read_vout()


def test_a_block_count_out_of_range_is_a_protocol_error():
    bus = PecDevice({pmbus.MFR_ID: b"\x00"}, pec=False)
    with pytest.raises(OSError) as raised:
        pmbus.PMBusDevice(bus, ADDRESS).mfr_string(pmbus.MFR_ID)
    assert raised.value.errno == errno.EPROTO  # as i2c-dev reports a bad block count


def test_messages_are_i2c_msgs():
    message = i2c_msg.write(ADDRESS, b"\x01\x02")
    assert (message.addr, message.flags, len(message), list(message)) == (ADDRESS, 0, 2, [1, 2])
