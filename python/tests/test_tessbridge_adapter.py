"""tessbridge.Adapter on a simulated bulk adapter with the demo bench: the
command packets that reach the adapter, the results, and the errors."""

import errno

import pytest

import tessbridge
from tessbridge import sim

# (call, the packets the adapter receives, the result; ... where it is not checked)
EXPORTS = [
    (lambda a: a.i2c_read_byte(0x50, 0x05), ["01 40 00 01 00 01 a0 a1 05"], 0xFF),
    (lambda a: a.i2c_write_byte(0x50, 0x10, 0x55), ["01 00 00 02 a0 10 55"], None),
    (lambda a: a.i2c_receive_byte(0x48), ["01 20 00 01 91"], 0x19),
    (lambda a: a.i2c_send_byte(0x50, 0x7E), ["01 00 00 01 a0 7e"], None),
    (lambda a: a.i2c_read(0x76, 0xD0, 1), ["01 40 00 01 00 01 ec ed d0"], b"\x60"),
    (lambda a: a.i2c_write(0x50, 0x10, b"\xaa\xbb"), ["01 00 00 03 a0 10 aa bb"], None),
    (lambda a: a.i2c_write(0x50, 0x10, b""), ["01 00 00 01 a0 10"], None),
    (lambda a: a.i2c_read_reg16(0x54, 0x1234, 4), ["01 40 00 02 00 04 a8 a9 12 34"],
     b"\xff" * 4),
    (lambda a: a.i2c_write_reg16(0x54, 0x1234, [0xAA, 0xBB]), ["01 00 00 04 a8 12 34 aa bb"],
     None),
    (lambda a: a.i2c10_read(0x2A5, 0x00, 2), ["01 40 00 02 00 02 f4 f5 a5 00"], b"\xa5\x00"),
    (lambda a: a.i2c10_write(0x2A5, 0x07, b"\xaa\xbb"), ["01 00 00 04 f4 a5 07 aa bb"], None),
    (lambda a: a.i2c_receive(0x48, 2), ["01 20 00 02 91"], b"\x19\x00"),
    (lambda a: a.i2c_receive(0x48, 2, stop=False), ["01 21 00 02 91"], b"\x19\x00"),
    (lambda a: a.i2c_send(0x50, b"\x11\x22\x33"), ["01 00 00 03 a0 11 22 33"], None),
    (lambda a: a.i2c_send(0x50, b"\x11", stop=False), ["01 01 00 01 a0 11"], None),
    (lambda a: a.i2c_write_write(0x50, b"\x11\x22", 0x54, b"\x33"),
     ["01 30 00 02 a0 11 22 00 01 a8 33"], None),
    (lambda a: a.i2c_write_read(0x54, b"\x00\x10", 2), ["01 40 00 02 00 02 a8 a9 00 10"],
     b"\xff\xff"),
    (lambda a: a.i2c_write_read(0x76, b"\xf2\x01\xd0", 1),
     ["01 01 00 03 ec f2 01 d0", "01 20 00 01 ed"], b"\x60"),
    (lambda a: a.set_i2c_clock(400), ["01 90 0a 0a"], 400000),
    (lambda a: a.set_i2c_clock(23), ["01 90 ad ae"], 23054),
    (lambda a: a.i2c_clock, ["01 f7"], 100),
    (lambda a: a.spi_mode(3, option_bit=True), ["01 65 2c"], None),
    (lambda a: a.spi_clock(999), ["01 64 02"], 250),
    (lambda a: a.spi_write(b"\xaa\xbb\xcc"), ["01 60 00 03 aa bb cc"], None),
    (lambda a: a.spi_write_oc(b"\x9f\x00\x00"), ["01 63 00 02 9f 00 00"], None),
    (lambda a: a.spi_transfer(b"\x12\x34"), ["01 61 00 02 12 34"], b"\xff\xff"),
    (lambda a: a.spi_write_read(b"\x9f", 3), ["01 62 00 01 00 03 9f"], b"\x5a\x40\x18"),
    (lambda a: a.write_io(True), ["01 87"], None),
    (lambda a: a.read_io(), ["01 83"], ...),
    (lambda a: a.set_i2c_enabled(True), ["01 8d"], None),
    (lambda a: a.set_spi_enabled(False), ["01 88"], None),
    (lambda a: a.set_spi_enabled(True), ["01 89"], None),
    (lambda a: a.set_i2c_lines(2), ["01 8e 08"], None),
    (lambda a: a.i2c_lines(), ["01 8f"], 3),
    (lambda a: a.set_spi_lines(0x0F), ["01 8a 3c"], None),
    (lambda a: a.spi_lines(), ["01 8b"], ...),
    (lambda a: a.set_supply_3v(True), ["01 71"], None),
    (lambda a: a.set_supply_5v(False), ["01 74"], None),
    (lambda a: a.firmware_revision(), ["01 f0"], 0x15),
    (lambda a: a.hardware_info(), ["01 f7"], bytes([4000 // 80, 0x02, 0x1F])),
]


@pytest.mark.parametrize("call, packets, result", EXPORTS)
def test_each_method_sends_its_command(bench, call, packets, result):
    returned = call(bench.adapter)
    assert bench.commands() == packets
    if result is not ...:
        assert returned == result


def test_data_written_reads_back_through_every_addressing_form(bench):
    a = bench.adapter
    a.i2c_write(0x50, 0x20, b"tess")
    assert a.i2c_read(0x50, 0x20, 4) == b"tess"
    a.i2c_write_reg16(0x54, 0x7FF0, bytes(range(16)))
    assert a.i2c_read_reg16(0x54, 0x7FF0, 16) == bytes(range(16))
    assert a.i2c_write_read(0x54, b"\x7f\xf8", 3) == b"\x08\x09\x0a"
    a.i2c_send(0x50, b"\x21", stop=False)  # the address counter, then a plain read
    assert a.i2c_receive(0x50, 3) == b"ess"
    assert a.i2c_receive(0x50, 1200)[:4] == b"\xff" * 4  # three commands of 500, 500, 200
    a.write_io(True)
    assert a.read_io() & 1 == 1


def test_identification_and_library_version(bench):
    assert bench.serial in tessbridge.adapters()
    assert tessbridge.adapter_count() == len(tessbridge.adapters())
    assert tessbridge.library_version() == "1.8.1.1"
    assert repr(bench.adapter) == f"tessbridge.Adapter(serial={bench.serial})"


def test_adapters_follow_plugging_and_unplugging(toolkit, bench):
    handle = toolkit.plug_bench("bare", "4321")
    assert tessbridge.adapters()[-1] == 4321
    late = tessbridge.Adapter(4321)
    toolkit.unplug(handle)
    assert 4321 not in tessbridge.adapters()
    with pytest.raises(tessbridge.AdapterNotFoundError) as raised:
        late.i2c_read_byte(0x50, 0)
    assert raised.value.errno == errno.ENODEV
    assert "4321" in str(raised.value)
    with pytest.raises(tessbridge.AdapterNotFoundError):
        tessbridge.Adapter(4321)


# (call, exception, status, errno, words of its text)
ADAPTER_FAILURES = [
    (lambda a: a.i2c_read_byte(0x33, 0x00), tessbridge.AddressNotAcknowledgedError, 1,
     errno.ENXIO, "i2c_read_byte(0x33, 0x00): no device acknowledged the address (status 1)"),
    (lambda a: a.i2c_write(0x7F, 0x00, b"\x01"), tessbridge.AddressNotAcknowledgedError, 1,
     errno.ENXIO, "no device acknowledged"),
    (lambda a: a.i2c10_read(0x1A5, 0, 1), tessbridge.AddressNotAcknowledgedError, 1,
     errno.ENXIO, "no device acknowledged"),
]


@pytest.mark.parametrize("call, kind, status, error_number, text", ADAPTER_FAILURES)
def test_adapter_status_raises_its_exception(bench, call, kind, status, error_number, text):
    with pytest.raises(kind) as raised:
        call(bench.adapter)
    assert isinstance(raised.value, tessbridge.I2CError)
    assert isinstance(raised.value, OSError)
    assert (raised.value.status, raised.value.errno) == (status, error_number)
    assert text in str(raised.value)


def test_i2c_function_off_is_its_own_error(bench):
    bench.adapter.set_i2c_enabled(False)
    with pytest.raises(tessbridge.I2CFunctionOffError) as raised:
        bench.adapter.i2c_read(0x50, 0, 2)
    assert raised.value.status == 3
    assert raised.value.errno == errno.EIO
    assert "the adapter's I2C function is switched off (status 3)" in str(raised.value)


@pytest.mark.parametrize("operation, call", [
    (sim.Operation.BULK_OUT, lambda a: a.i2c_read(0x50, 0, 4)),
    (sim.Operation.BULK_IN, lambda a: a.i2c_read(0x50, 0, 4)),
    (sim.Operation.BULK_OUT, lambda a: a.set_supply_3v(True)),
    (sim.Operation.BULK_IN, lambda a: a.spi_transfer(b"\x01\x02")),
    (sim.Operation.BULK_IN, lambda a: a.i2c_clock),
    (sim.Operation.BULK_OUT, lambda a: a.write_io(True)),
])
def test_a_failed_transfer_raises_with_the_librarys_message(bench, capfd, operation, call):
    bench.toolkit.inject_fault(operation, 0, sim.WD_STATUS_TRANSFER_TIMEOUT, 0)
    with pytest.raises(tessbridge.TransferError) as raised:
        call(bench.adapter)
    assert raised.value.errno == errno.ETIMEDOUT
    assert "WDU_Transfer() failed: error 0x20000005" in str(raised.value)
    assert capfd.readouterr().err == "", "the library's message is not printed"


# (call, words of the ValueError's text): refused before anything is sent
BAD_ARGUMENTS = [
    (lambda a: a.i2c_read(0x80, 0, 1), "address 128 is out of range"),
    (lambda a: a.i2c_read(0x50, 256, 1), "register 256"),
    (lambda a: a.i2c_read(0x50, 0, 257), "count 257"),
    (lambda a: a.i2c_write(0x50, 0, bytes(501)), "501 bytes"),
    (lambda a: a.i2c_write(0x50, 0, [1, 256]), "bytes (0 to 255)"),
    (lambda a: a.i2c_read_reg16(0x54, 0x10000, 1), "register 65536"),
    (lambda a: a.i2c_write_reg16(0x54, 0, bytes(257)), "257 bytes"),
    (lambda a: a.i2c10_read(0x400, 0, 1), "address 1024"),
    (lambda a: a.i2c10_write(0x2A5, 0, bytes(257)), "257 bytes"),
    (lambda a: a.i2c_receive(0x50, 0), "count 0"),
    (lambda a: a.i2c_send(0x50, b""), "0 bytes"),
    (lambda a: a.i2c_write_write(0x50, bytes(300), 0x54, bytes(201)), "501 bytes"),
    (lambda a: a.i2c_write_read(0x50, b"\x00", 501), "count 501"),
    (lambda a: a.set_i2c_clock(1001), "khz 1001"),
    (lambda a: a.set_i2c_clock(0), "khz 0"),
    (lambda a: a.spi_mode(4), "mode 4"),
    (lambda a: a.spi_transfer(bytes(501)), "501 bytes"),
    (lambda a: a.spi_write(b""), "0 bytes"),
    (lambda a: a.spi_write_read(b"\x9f", 0), "count 0"),
    (lambda a: a.set_i2c_lines(4), "lines 4"),
    (lambda a: a.set_spi_lines(16), "lines 16"),
]


@pytest.mark.parametrize("call, text", BAD_ARGUMENTS)
def test_arguments_outside_a_limit_are_refused_before_anything_is_sent(bench, capfd, call,
                                                                        text):
    with pytest.raises(ValueError) as raised:
        call(bench.adapter)
    assert text in str(raised.value)
    assert bench.commands() == []
    assert capfd.readouterr().err == "", "the library's limit message is never shown"


def test_wrong_types_are_refused(bench):
    with pytest.raises(TypeError):
        bench.adapter.i2c_write(0x50, 0, "text")
    with pytest.raises(TypeError):
        bench.adapter.i2c_read(0x50, 1.5, 1)
    assert bench.commands() == []
