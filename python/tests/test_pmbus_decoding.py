"""The PMBus layer's decoding against the table of hand-worked vectors that
the tess tool's decoder test reads too (tests/data/pmbus_vectors.txt), and the
packet error code against the CRC-8/SMBUS check value."""

from pathlib import Path

import pytest

from tessbus import pmbus
from tessbus.pec import crc8

VECTORS = Path(__file__).resolve().parents[2] / "tests" / "data" / "pmbus_vectors.txt"


def fields_of(line):
    """Blank-separated fields; a field that starts with '"' runs to the next
    '"'; a '#' that starts a field starts a comment (as the C++ test reads it)."""
    fields, i = [], 0
    while i < len(line):
        if line[i] in " \t":
            i += 1
        elif line[i] == "#":
            break
        elif line[i] == '"':
            end = line.index('"', i + 1)
            fields.append(line[i + 1:end])
            i = end + 1
        else:
            end = min([j for j in (line.find(" ", i), line.find("\t", i)) if j >= 0],
                      default=len(line))
            fields.append(line[i:end])
            i = end
    return fields


def vectors():
    for number, line in enumerate(VECTORS.read_text().splitlines(), 1):
        fields = fields_of(line)
        if fields:
            yield pytest.param(fields[0], fields[1:], id=f"line{number}-{fields[0]}")


def raw(text):
    return int(text, 0)


@pytest.mark.parametrize("kind, f", vectors())
def test_vector(kind, f):
    if kind == "linear11":
        assert pmbus.linear11(raw(f[0])) == float(f[1])
    elif kind == "linear16":
        assert pmbus.linear16(raw(f[0]), int(f[1])) == float(f[2])
    elif kind == "vout_mode":
        assert pmbus.vout_mode_exponent(raw(f[0])) == (None if f[1] == "none" else int(f[1]))
    elif kind == "status_word":
        assert (",".join(pmbus.status_word_names(raw(f[0]))) or "-") == f[1]
    elif kind == "block_text":
        block = b"" if f[0] == "-" else bytes(int(b, 16) for b in f[0].split(":"))
        assert pmbus.block_text(block) == f[1]
    elif kind == "direct":
        assert pmbus.direct(raw(f[0]), int(f[1]), int(f[2]), int(f[3])) == pytest.approx(
            float(f[4]), rel=1e-12)
    else:
        pytest.fail(f"unknown kind {kind}")


def test_the_table_is_read():
    assert len(list(vectors())) > 30


def test_status_flags_carry_the_bits_names():
    assert pmbus.StatusWord(0x0841) == (pmbus.StatusWord.POWER_GOOD_N | pmbus.StatusWord.OFF
                                        | pmbus.StatusWord.NONE_OF_THE_ABOVE)
    assert pmbus.StatusCml(0x80) == pmbus.StatusCml.INVALID_COMMAND
    assert pmbus.StatusVout(0x90) == pmbus.StatusVout.VOUT_OV_FAULT | pmbus.StatusVout.VOUT_UV_FAULT


def test_packet_error_code_is_crc8_smbus():
    assert crc8(b"123456789") == 0xF4  # the catalogued check value of CRC-8/SMBUS
    assert crc8(b"") == 0
    # 0x07 shifted bit by bit, 0x07 xored in when bit 7 falls out:
    # 0e 1c 38 70 e0 c7 89 15
    assert crc8(bytes([0x07])) == 0x15
