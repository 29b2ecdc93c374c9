#pragma once
// The libraries' entry points are called from C programs and their dialog procedures from the
// system's dialog manager: no C++ exception may leave them. A call that throws (memory
// exhausted, a lock that cannot be taken) reports the given failure result instead.

template <typename Result, typename Call> Result NoThrow(Result failure, Call&& call) noexcept {
    try {
        return call();
    } catch (...) {
        return failure;
    }
}
