"""The SMBus packet error code: CRC-8 with polynomial x^8 + x^2 + x + 1 (0x07),
initial value 0, over every byte of the transaction, address bytes included."""


def _table():
    table = []
    for byte in range(256):
        crc = byte
        for _ in range(8):
            crc = ((crc << 1) ^ 0x07) & 0xFF if crc & 0x80 else (crc << 1) & 0xFF
        table.append(crc)
    return bytes(table)


_TABLE = _table()


def crc8(data: bytes, crc: int = 0) -> int:
    for byte in data:
        crc = _TABLE[crc ^ byte]
    return crc
