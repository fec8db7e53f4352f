// The C boundary: every export's and every toolkit handler's body runs inside
// `guarded`, so no exception ever reaches a C caller; one would turn into the
// function's failure value.
#pragma once

namespace tessbridge {

template <typename Result, typename Body>
Result guarded(Result failure, Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// The same for a body without a result.
template <typename Body>
void guarded(Body &&body) noexcept {
    try {
        body();
    } catch (...) {  // nothing to report it with: the call just ends
    }
}

}  // namespace tessbridge
