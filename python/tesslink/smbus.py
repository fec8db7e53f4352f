"""``tesslink.SMBus``: the smbus2 interface on the HID adapter."""

from typing import List

from tessbus.smbus import I2cFunc, SMBusBase
from tessbus.transaction import Segment

from ._library import library
from .transfers import transfer


class SMBus(SMBusBase):
    """The HID adapter's bus. It carries register reads and writes only
    (see tesslink.transfers): write_quick, read_byte, write_byte, process_call,
    read_block_data and block_process_call raise NotImplementedError, as does
    an i2c_rdwr of another form."""

    funcs = (I2cFunc.SMBUS_PEC | I2cFunc.SMBUS_READ_BYTE_DATA | I2cFunc.SMBUS_WRITE_BYTE_DATA
             | I2cFunc.SMBUS_READ_WORD_DATA | I2cFunc.SMBUS_WRITE_WORD_DATA
             | I2cFunc.SMBUS_WRITE_BLOCK_DATA | I2cFunc.SMBUS_READ_I2C_BLOCK
             | I2cFunc.SMBUS_WRITE_I2C_BLOCK)

    def __repr__(self):
        return "tesslink.SMBus()"

    def _adapter_name(self) -> str:
        return "the HID adapter"

    def _transfer(self, context: str, segments: List[Segment]) -> List[bytes]:
        with library.call(context) as call:
            return transfer(call, segments)
