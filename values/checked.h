// Result of a pure value routine that can fail with a runtime error.
//
// The pure routines never raise anything themselves, so they can be used
// and tested without the error machinery. A routine that fails returns the
// runtime error number in `error` together with the neutral value the
// handler should leave in the result slot when the error mode lets the
// program go on (empty text, 0). The handler raises it:
//
//     auto r = nth_part(text, n, sep);
//     if (r.error) raise_error(r.error);
//     slots.s = r.value;
#pragma once
#include <utility>

namespace tolven {

template <class T>
struct Checked {
    T value{};
    int error = 0;  // 0, or the runtime error number to raise
    bool ok() const { return error == 0; }
};

template <class T>
Checked<T> checked_ok(T value) { return Checked<T>{std::move(value), 0}; }

template <class T>
Checked<T> checked_fail(int error, T neutral = T{}) { return Checked<T>{std::move(neutral), error}; }

}  // namespace tolven
