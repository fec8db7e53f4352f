/**
 * The HID I2C adapter, driven through libtesslink.
 *
 * Status results are the adapter's status bytes read as Java bytes: 0 success,
 * -127 (129) a length, count or array out of range (nothing sent), -1 (255)
 * adapter not found or no reply. Byte arrays must hold at least the length or
 * count; reads fill them only on success, writes never change them.
 * Calls block the calling thread for up to about one second per report; use the
 * adapter from one thread at a time.
 */
public class PMBus {
    static {
        System.loadLibrary("tesslink");
    }

    /** Flashes the LED: 0 acknowledged, 255 not found or no answer. */
    public native short flashLED();

    /** The library version, always 1032 (0x0408). */
    public native int getDLLVersion();

    /** The adapter's firmware version (16 bits), 0 on failure. */
    public native short getDeviceVersion();

    /** The adapter's I2C clock setting (16 bits), 0 on failure. */
    public native short getFrequency();

    /** Reads length (1 to 60) bytes of register command into data. */
    public native byte read(int address, int length, byte[] data, int command);

    /** Reads count (1 to 256) bytes from startRegister on into data. */
    public native byte readArray(int address, int startRegister, int count, byte[] data);

    /** Sends the reset command: -1 (255) sent, 0 adapter not found. */
    public native byte reset();

    /** Sets the I2C clock (low 16 bits of value); the setting reported back, 0 on failure. */
    public native short setFrequency(int value);

    /** Writes length bytes of data to register command. */
    public native byte write(int address, int length, byte[] data, int command);

    /** Writes count (1 to 256) bytes of data from startRegister on. */
    public native byte writeArray(int address, int startRegister, int count, byte[] data);
}
