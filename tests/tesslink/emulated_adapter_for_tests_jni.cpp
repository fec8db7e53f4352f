// Test-only JNI library behind the Java class EmulatedAdapterForTests: it sets
// up a umockdev testbed inside the JVM (which runs under umockdev-wrapper) and
// serves an emulated HID adapter with the firmware model, so that the Java test
// drives libtesslink's natives against it.
#include <jni.h>

#include <memory>

#include "simulated_board.hpp"
#include "umockdev_hid_system.hpp"

namespace {

struct Emulation {
    std::unique_ptr<hid_adapter::UmockdevHidSystem> system;
    std::unique_ptr<hid_adapter::SimulatedBoard> board;
    hid_adapter::ServedInterface *adapter = nullptr;
};

Emulation &emulation() {
    static Emulation instance;
    return instance;
}

template <typename Look>
jint inspect(Look look) {
    Emulation &e = emulation();
    if (e.adapter == nullptr) {
        return -1;
    }
    jint value = 0;
    e.adapter->inspect([&] { value = look(*e.board); });
    return value;
}

}  // namespace

extern "C" {

// An emulated system with the adapter at /dev/hidraw0, its reports `payload`
// bytes long; replaces whatever was there.
JNIEXPORT void JNICALL Java_EmulatedAdapterForTests_attach(JNIEnv * /*env*/, jclass /*cls*/,
                                                           jint payload) {
    Emulation &e = emulation();
    e.adapter = nullptr;
    e.system.reset();
    e.board = std::make_unique<hid_adapter::SimulatedBoard>();
    e.system = std::make_unique<hid_adapter::UmockdevHidSystem>();
    hid_adapter::HidrawInterface description;
    description.format.payload = static_cast<std::size_t>(payload);
    e.adapter =
        &e.system->addServedInterface(description, hid_adapter::respondWith(e.board->firmware));
}

// An emulated system without any HID interface.
JNIEXPORT void JNICALL Java_EmulatedAdapterForTests_detach(JNIEnv * /*env*/, jclass /*cls*/) {
    Emulation &e = emulation();
    e.adapter = nullptr;
    e.system.reset();
    e.system = std::make_unique<hid_adapter::UmockdevHidSystem>();
}

JNIEXPORT void JNICALL Java_EmulatedAdapterForTests_setAnswering(JNIEnv * /*env*/, jclass /*cls*/,
                                                                 jboolean answering) {
    if (emulation().adapter != nullptr) {
        emulation().adapter->setAnswering(answering == JNI_TRUE);
    }
}

JNIEXPORT jint JNICALL Java_EmulatedAdapterForTests_reportsReceived(JNIEnv * /*env*/,
                                                                    jclass /*cls*/) {
    const Emulation &e = emulation();
    return e.adapter == nullptr ? -1 : static_cast<jint>(e.adapter->receivedReports().size());
}

JNIEXPORT jint JNICALL Java_EmulatedAdapterForTests_memoryAt(JNIEnv * /*env*/, jclass /*cls*/,
                                                             jint reg) {
    return inspect([reg](hid_adapter::SimulatedBoard &b) {
        return static_cast<jint>(b.memory.cells()[static_cast<std::size_t>(reg & 0xFF)]);
    });
}

JNIEXPORT jint JNICALL Java_EmulatedAdapterForTests_voutCommand(JNIEnv * /*env*/, jclass /*cls*/,
                                                                jint page) {
    return inspect([page](hid_adapter::SimulatedBoard &b) {
        return static_cast<jint>(
            b.powerSupply.pageState(static_cast<std::size_t>(page)).voutCommand);
    });
}

JNIEXPORT jint JNICALL Java_EmulatedAdapterForTests_ledFlashes(JNIEnv * /*env*/, jclass /*cls*/) {
    return inspect(
        [](hid_adapter::SimulatedBoard &b) { return static_cast<jint>(b.firmware.ledFlashes()); });
}

JNIEXPORT jint JNICALL Java_EmulatedAdapterForTests_resets(JNIEnv * /*env*/, jclass /*cls*/) {
    return inspect(
        [](hid_adapter::SimulatedBoard &b) { return static_cast<jint>(b.firmware.resets()); });
}

}  // extern "C"
