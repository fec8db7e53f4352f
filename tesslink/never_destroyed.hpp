// Process-wide objects that a call made while the process exits may still use.
//
// exit() runs the destructors of static objects while other threads, and exit
// handlers registered before those objects were made, can still call into the
// library. An object made here lives in static storage and its destructor
// never runs, so such a call finds it whole.
#pragma once

#include <new>

namespace tesslink {

// The one T of the process, made on first use (thread-safe), never destroyed.
template <typename T>
T &neverDestroyed() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T *const instance = new (storage) T();
    return *instance;
}

}  // namespace tesslink
