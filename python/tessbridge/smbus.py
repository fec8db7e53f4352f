"""``tessbridge.SMBus``: the smbus2 interface on a bulk adapter."""

from typing import List, Optional

from tessbus.smbus import I2cFunc, SMBusBase
from tessbus.transaction import Segment

from ._library import library
from .adapter import Adapter
from .transfers import transfer


class SMBus(SMBusBase):
    """The bus of the bulk adapter with serial number `serial` (None: the first
    attached). Not carried, with NotImplementedError: write_quick (a write
    without data bytes), read_block_data and block_process_call (reads whose
    length the device's count byte decides), i2c_rdwr messages the adapter
    cannot carry (see tessbridge.transfers)."""

    funcs = (I2cFunc.I2C | I2cFunc.SMBUS_PEC | I2cFunc.SMBUS_READ_BYTE | I2cFunc.SMBUS_WRITE_BYTE
             | I2cFunc.SMBUS_READ_BYTE_DATA | I2cFunc.SMBUS_WRITE_BYTE_DATA
             | I2cFunc.SMBUS_READ_WORD_DATA | I2cFunc.SMBUS_WRITE_WORD_DATA
             | I2cFunc.SMBUS_PROC_CALL | I2cFunc.SMBUS_WRITE_BLOCK_DATA
             | I2cFunc.SMBUS_READ_I2C_BLOCK | I2cFunc.SMBUS_WRITE_I2C_BLOCK)

    def __init__(self, serial: Optional[int] = None):
        super().__init__()
        self.adapter = Adapter(serial)

    def __repr__(self):
        return f"tessbridge.SMBus(serial={self.adapter.serial})"

    def _adapter_name(self) -> str:
        return "the bulk adapter"

    def _transfer(self, context: str, segments: List[Segment]) -> List[bytes]:
        with library.call(context, self.adapter.serial) as call:
            return transfer(call, segments)
