/**
 * Test-only control of the emulated HID adapter (libtesslink_test_emulated_adapter).
 * The JVM must run under umockdev-wrapper.
 */
final class EmulatedAdapterForTests {
    static {
        System.loadLibrary("tesslink_test_emulated_adapter");
    }

    private EmulatedAdapterForTests() {}

    /** Attaches an adapter whose reports carry payload bytes after the report ID. */
    static native void attach(int payload);

    /** Leaves the system without any HID interface. */
    static native void detach();

    static native void setAnswering(boolean answering);

    static native int reportsReceived();

    /** A cell of the register memory at I2C address 0xA0. */
    static native int memoryAt(int register);

    /** VOUT_COMMAND of the power supply at I2C address 0xB0. */
    static native int voutCommand(int page);

    static native int ledFlashes();

    static native int resets();
}
