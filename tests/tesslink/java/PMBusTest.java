import java.util.Arrays;

/**
 * Drives every PMBus native through libtesslink against an emulated adapter:
 * results narrowed to Java types, arrays checked and never overrun, writes never
 * changing the Java array. Exits with status 1 when a check fails.
 */
public final class PMBusTest {
    private static final int PSU = 0xB0;
    private static final int MEMORY = 0xA0;
    private static final int NOBODY = 0x20;
    private static final int READ_VOUT = 0x8B;
    private static final int VOUT_COMMAND = 0x21;

    private static int failures = 0;

    private static void check(boolean ok, String what) {
        if (!ok) {
            failures++;
            System.out.println("FAIL: " + what);
        }
    }

    private static void checkEquals(long expected, long actual, String what) {
        check(expected == actual, what + ": expected " + expected + ", got " + actual);
    }

    private static byte[] filled(int length, int value) {
        byte[] a = new byte[length];
        Arrays.fill(a, (byte) value);
        return a;
    }

    private static void withoutAdapter(PMBus bus) {
        EmulatedAdapterForTests.detach();
        checkEquals(1032, bus.getDLLVersion(), "getDLLVersion without adapter");
        byte[] data = filled(4, 0xEE);
        checkEquals(-1, bus.read(PSU, 4, data, READ_VOUT), "read without adapter");
        check(Arrays.equals(data, filled(4, 0xEE)), "read without adapter leaves the array");
        checkEquals(-1, bus.readArray(MEMORY, 0, 4, data), "readArray without adapter");
        checkEquals(-1, bus.write(MEMORY, 4, data, 0), "write without adapter");
        checkEquals(-1, bus.writeArray(MEMORY, 0, 4, data), "writeArray without adapter");
        checkEquals(255, bus.flashLED(), "flashLED without adapter");
        checkEquals(0, bus.reset(), "reset without adapter");
        checkEquals(0, bus.getDeviceVersion(), "getDeviceVersion without adapter");
        checkEquals(0, bus.getFrequency(), "getFrequency without adapter");
        checkEquals(0, bus.setFrequency(400), "setFrequency without adapter");
    }

    private static void information(PMBus bus) {
        checkEquals(0x0105, bus.getDeviceVersion(), "getDeviceVersion");
        checkEquals(400, bus.setFrequency(65536 + 400), "setFrequency uses the low 16 bits");
        checkEquals(400, bus.getFrequency(), "getFrequency");
        checkEquals((short) 50000, bus.setFrequency(50000), "a 16-bit value above 32767 as short");
        checkEquals(0, bus.flashLED(), "flashLED");
        checkEquals(1, EmulatedAdapterForTests.ledFlashes(), "the LED flashed once");
    }

    private static void reads(PMBus bus) {
        byte[] vout = new byte[2];
        checkEquals(0, bus.read(PSU, 2, vout, READ_VOUT), "read READ_VOUT");
        check(vout[0] == 0x00 && vout[1] == 0x18, "READ_VOUT is 12 V: " + Arrays.toString(vout));

        byte[] two = new byte[2];
        checkEquals(0, bus.read(PSU, 65536 + 2, two, READ_VOUT), "read length 65536 + 2 acts as 2");

        int sent = EmulatedAdapterForTests.reportsReceived();
        byte[] data = filled(4, 0x11);
        checkEquals(-127, bus.read(PSU, 0, data, READ_VOUT), "read length 0");
        checkEquals(-127, bus.read(PSU, -1, data, READ_VOUT), "read length -1 (65535)");
        checkEquals(-127, bus.read(PSU, 5, data, READ_VOUT), "read into a too short array");
        checkEquals(-127, bus.read(PSU, 2, null, READ_VOUT), "read into null");
        checkEquals(-127, bus.readArray(MEMORY, 0, 5, data), "readArray into a too short array");
        checkEquals(-127, bus.readArray(MEMORY, 0, 257, new byte[300]), "readArray count 257");
        checkEquals(-127, bus.readArray(MEMORY, 0, 4, null), "readArray into null");
        check(Arrays.equals(data, filled(4, 0x11)), "refused reads leave the array");
        checkEquals(sent, EmulatedAdapterForTests.reportsReceived(), "refused reads send nothing");

        byte[] block = filled(100, 0xEE);
        checkEquals(0, bus.readArray(MEMORY, 0, 100, block), "readArray of 100 bytes");
        boolean identity = true;
        for (int i = 0; i < 100; i++) {
            identity &= block[i] == (byte) i;
        }
        check(identity, "readArray filled the array from three chunks");
        checkEquals(sent + 3, EmulatedAdapterForTests.reportsReceived(), "three chunk reports");

        byte[] status = filled(2, 0x22);
        checkEquals(1, bus.read(NOBODY, 2, status, 0), "adapter status passed through");
        check(Arrays.equals(status, filled(2, 0x22)), "a failed read leaves the array");
    }

    private static void writes(PMBus bus) {
        byte[] volts = {(byte) 0x9A, 0x06};
        checkEquals(0, bus.write(PSU, 2, volts, VOUT_COMMAND), "write VOUT_COMMAND");
        check(volts[0] == (byte) 0x9A && volts[1] == 0x06, "write leaves the array");
        checkEquals(0x069A, EmulatedAdapterForTests.voutCommand(0), "VOUT_COMMAND reached the PSU");
        byte[] vout = new byte[2];
        checkEquals(0, bus.read(PSU, 2, vout, READ_VOUT), "read READ_VOUT back");
        check(vout[0] == (byte) 0x9A && vout[1] == 0x06, "READ_VOUT follows VOUT_COMMAND");

        byte[] refused = filled(3, 0x33);
        checkEquals(1, bus.write(NOBODY, 3, refused, 0), "write status passed through");
        check(Arrays.equals(refused, filled(3, 0x33)), "a failed write leaves the array");
        checkEquals(-127, bus.write(MEMORY, 4, refused, 0), "write from a too short array");
        checkEquals(-127, bus.write(MEMORY, 2, null, 0), "write from null");

        byte[] block = new byte[100];
        for (int i = 0; i < 100; i++) {
            block[i] = (byte) (200 - i);
        }
        byte[] copy = block.clone();
        checkEquals(0, bus.writeArray(MEMORY, 0x80, 100, block), "writeArray of 100 bytes");
        check(Arrays.equals(block, copy), "writeArray leaves the array");
        checkEquals(200, EmulatedAdapterForTests.memoryAt(0x80), "first byte written");
        checkEquals(101, EmulatedAdapterForTests.memoryAt(0x80 + 99), "last byte written");
        checkEquals(-127, bus.writeArray(MEMORY, 0, 101, block), "writeArray from a too short array");
        checkEquals(-127, bus.writeArray(MEMORY, 0, 4, null), "writeArray from null");
    }

    private static void noAnswer(PMBus bus) {
        EmulatedAdapterForTests.setAnswering(false);
        byte[] data = filled(2, 0x44);
        checkEquals(-1, bus.read(PSU, 2, data, READ_VOUT), "read with no reply reads as -1");
        check(Arrays.equals(data, filled(2, 0x44)), "an unanswered read leaves the array");
        EmulatedAdapterForTests.setAnswering(true);
    }

    /** The reset has no reply: give the emulated adapter a moment to take it. */
    private static int resetsSeen() {
        for (int i = 0; i < 200 && EmulatedAdapterForTests.resets() == 0; i++) {
            try {
                Thread.sleep(5);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                break;
            }
        }
        return EmulatedAdapterForTests.resets();
    }

    public static void main(String[] args) {
        PMBus bus = new PMBus();
        withoutAdapter(bus);
        EmulatedAdapterForTests.attach(64);
        information(bus);
        reads(bus);
        writes(bus);
        noAnswer(bus);
        checkEquals(-1, bus.reset(), "reset sent reads as -1");
        checkEquals(1, resetsSeen(), "the adapter was reset");
        EmulatedAdapterForTests.detach();
        System.out.println(failures == 0 ? "PMBusTest: all checks passed" : "PMBusTest: " + failures + " failure(s)");
        System.exit(failures == 0 ? 0 : 1);
    }
}
