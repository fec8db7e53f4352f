// Native methods of the Java class PMBus (default package). Each converts its
// Java arguments, lends the MPU function the bytes of the Java array for the
// length of the call, and narrows the result to the Java type.
#include <jni.h>

#include <cstdint>

#include "command_reports.hpp"
#include "tesslink.h"

namespace {

// The elements of a Java byte array, held for one call and handed back on
// every path: with mode 0 the bytes reach the Java array, with JNI_ABORT the
// Java array stays as it was.
class ArrayElements {
  public:
    ArrayElements(JNIEnv *env, jbyteArray array, jint releaseMode)
        : env_(env),
          array_(array),
          mode_(releaseMode),
          elements_(env->GetByteArrayElements(array, nullptr)) {}
    ArrayElements(const ArrayElements &) = delete;
    ArrayElements &operator=(const ArrayElements &) = delete;
    ~ArrayElements() {
        if (elements_ != nullptr) {
            env_->ReleaseByteArrayElements(array_, elements_, mode_);
        }
    }

    [[nodiscard]] unsigned char *bytes() const {
        return reinterpret_cast<unsigned char *>(elements_);
    }

  private:
    JNIEnv *env_;
    jbyteArray array_;
    jint mode_;
    jbyte *elements_;
};

// A null array, or one shorter than the low 16 bits of the length, is refused
// before its elements are touched.
bool holds(JNIEnv *env, jbyteArray array, jint length) {
    const auto needed = static_cast<jsize>(static_cast<std::uint32_t>(length) & 0xFFFFU);
    return array != nullptr && env->GetArrayLength(array) >= needed;
}

template <typename Operation>
jbyte withArray(JNIEnv *env, jbyteArray array, jint length, jint releaseMode, Operation operation) {
    if (!holds(env, array, length)) {
        return static_cast<jbyte>(tesslink::kStatusBadLength);
    }
    const ArrayElements elements(env, array, releaseMode);
    if (elements.bytes() == nullptr) {
        return static_cast<jbyte>(tesslink::kStatusBadLength);
    }
    return static_cast<jbyte>(operation(elements.bytes()));
}

unsigned char u8(jint value) {
    return static_cast<unsigned char>(value & 0xFF);
}
unsigned int u32(jint value) {
    return static_cast<unsigned int>(value);
}

}  // namespace

extern "C" {

JNIEXPORT jshort JNICALL Java_PMBus_flashLED(JNIEnv * /*env*/, jobject /*self*/) {
    return static_cast<jshort>(MPUSBFlashLED());
}

JNIEXPORT jint JNICALL Java_PMBus_getDLLVersion(JNIEnv * /*env*/, jobject /*self*/) {
    return MPUSBGetDLLVersion();
}

JNIEXPORT jshort JNICALL Java_PMBus_getDeviceVersion(JNIEnv * /*env*/, jobject /*self*/) {
    return static_cast<jshort>(MPUSBGetDeviceVersion());
}

JNIEXPORT jshort JNICALL Java_PMBus_getFrequency(JNIEnv * /*env*/, jobject /*self*/) {
    return static_cast<jshort>(MPUGetI2CFrequency());
}

JNIEXPORT jshort JNICALL Java_PMBus_setFrequency(JNIEnv * /*env*/, jobject /*self*/, jint value) {
    return static_cast<jshort>(MPUSetI2CFrequency(u32(value)));
}

JNIEXPORT jbyte JNICALL Java_PMBus_reset(JNIEnv * /*env*/, jobject /*self*/) {
    return static_cast<jbyte>(MPUReset());
}

JNIEXPORT jbyte JNICALL Java_PMBus_read(JNIEnv *env, jobject /*self*/, jint address, jint length,
                                        jbyteArray data, jint command) {
    return withArray(env, data, length, 0, [&](unsigned char *bytes) {
        return MPUI2CRead(u8(address), u32(length), bytes, u8(command));
    });
}

JNIEXPORT jbyte JNICALL Java_PMBus_readArray(JNIEnv *env, jobject /*self*/, jint address,
                                             jint startRegister, jint count, jbyteArray data) {
    return withArray(env, data, count, 0, [&](unsigned char *bytes) {
        return MPUI2CReadArray(u8(address), u8(startRegister), u32(count), bytes);
    });
}

JNIEXPORT jbyte JNICALL Java_PMBus_write(JNIEnv *env, jobject /*self*/, jint address, jint length,
                                         jbyteArray data, jint command) {
    return withArray(env, data, length, JNI_ABORT, [&](const unsigned char *bytes) {
        return MPUI2CWrite(u8(address), u32(length), bytes, u8(command));
    });
}

JNIEXPORT jbyte JNICALL Java_PMBus_writeArray(JNIEnv *env, jobject /*self*/, jint address,
                                              jint startRegister, jint count, jbyteArray data) {
    return withArray(env, data, count, JNI_ABORT, [&](const unsigned char *bytes) {
        return MPUI2CWriteArray(u8(address), u8(startRegister), u32(count), bytes);
    });
}

}  // extern "C"
