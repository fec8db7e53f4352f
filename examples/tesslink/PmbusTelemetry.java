/**
 * Reads the telemetry of a PMBus power supply through the HID adapter with the
 * class PMBus (tesslink-pmbus.jar), which loads libtesslink.so from
 * java.library.path:
 *
 *   java -Djava.library.path=/usr/local/lib -cp tesslink-pmbus.jar:. PmbusTelemetry
 *
 * A plain host program: it talks to whichever HID adapter is attached.
 * `tess sim-run` runs it against the emulated adapter with its power supply.
 */
public final class PmbusTelemetry {
    private static final int SUPPLY = 0x58 << 1; // 8-bit bus form of 7-bit address 0x58
    private static final int VOUT_MODE = 0x20;
    private static final int READ_VOUT = 0x8B;
    private static final int MFR_ID = 0x99;

    private PmbusTelemetry() {}

    /** Reads `length` bytes of a PMBus command; stops the program when the read fails. */
    private static byte[] read(PMBus bus, int command, int length) {
        byte[] data = new byte[length];
        // The status is the adapter's status byte read as a signed Java byte:
        // 0 success, -1 (255) no adapter or no answer, -127 (129) a bad length.
        byte status = bus.read(SUPPLY, length, data, command);
        if (status != 0) {
            System.err.printf("reading command 0x%02X failed: status %d%n", command, status & 0xFF);
            System.exit(1);
        }
        return data;
    }

    public static void main(String[] args) {
        PMBus bus = new PMBus();
        int version = bus.getDeviceVersion() & 0xFFFF;
        if (version == 0) {
            System.err.println("no HID adapter answers");
            System.exit(1);
        }
        System.out.printf("adapter firmware 0x%04X, library 0x%04X%n", version, bus.getDLLVersion());

        byte[] id = read(bus, MFR_ID, 8);
        int idLength = Math.min(id[0] & 0xFF, id.length - 1);
        System.out.println("MFR_ID " + new String(id, 1, idLength, java.nio.charset.StandardCharsets.US_ASCII));

        // READ_VOUT is LINEAR16: a 16-bit mantissa (low byte first) scaled by
        // the signed 5-bit exponent of VOUT_MODE.
        int exponent = read(bus, VOUT_MODE, 1)[0] & 0x1F;
        if (exponent > 15) {
            exponent -= 32;
        }
        byte[] vout = read(bus, READ_VOUT, 2);
        int mantissa = (vout[0] & 0xFF) | (vout[1] & 0xFF) << 8;
        System.out.printf(java.util.Locale.ROOT, "VOUT %.3f V%n", mantissa * Math.pow(2, exponent));
    }
}
