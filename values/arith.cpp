#include "values/arith.h"

#include <cmath>

namespace tolven {

namespace {
constexpr int kInvalidValue = 200;
constexpr int kDivisionByZero = 201;
}  // namespace

int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t wrap_sub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t wrap_mul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
int32_t wrap_abs(int32_t a) { return a < 0 ? wrap_sub(0, a) : a; }

Checked<int32_t> long_div(int32_t a, int32_t b) {
    if (b == 0) return checked_fail<int32_t>(kDivisionByZero);
    if (b == -1) return checked_ok(wrap_sub(0, a));
    return checked_ok(a / b);
}

Checked<int32_t> long_mod(int32_t a, int32_t b) {
    if (b == 0) return checked_fail<int32_t>(kDivisionByZero);
    if (b == -1) return checked_ok(int32_t{0});
    return checked_ok(a % b);
}

Checked<double> float_div(double a, double b) {
    if (b == 0.0) return checked_fail<double>(kDivisionByZero);
    return checked_ok(a / b);
}

bool bit_test(int32_t v, int32_t b) {
    int bit = b & 31;
    if (bit == 31) return false;
    return (static_cast<uint32_t>(v) >> bit) & 1u;
}

int32_t bit_change(int32_t v, int32_t b, int32_t set) {
    uint32_t mask = 1u << (b & 31);
    uint32_t u = static_cast<uint32_t>(v);
    return static_cast<int32_t>(set > 0 ? (u | mask) : (u & ~mask));
}

Checked<double> math_function(MathFn fn, double x, double y) {
    double r = 0.0;
    switch (fn) {
    case MathFn::Cos: r = std::cos(x); break;
    case MathFn::Sin: r = std::sin(x); break;
    case MathFn::Exp: r = std::exp(x); break;
    case MathFn::Ln:
        if (x <= 0.0) return checked_fail<double>(kInvalidValue);
        r = std::log(x);
        break;
    case MathFn::Log10:
        if (x <= 0.0) return checked_fail<double>(kInvalidValue);
        r = std::log(x) / std::log(10.0);
        break;
    case MathFn::Tan:
        if (std::cos(x) == 0.0) return checked_fail<double>(kInvalidValue);
        r = std::sin(x) / std::cos(x);
        break;
    case MathFn::Cot:
        if (std::sin(x) == 0.0) return checked_fail<double>(kInvalidValue);
        r = std::cos(x) / std::sin(x);
        break;
    case MathFn::Power:
        if (x <= 0.0) return checked_fail<double>(kInvalidValue);
        r = std::exp(y * std::log(x));
        break;
    case MathFn::Square: r = x * x; break;
    case MathFn::Sqrt:
        if (x < 0.0) return checked_fail<double>(kInvalidValue);
        r = std::sqrt(x);
        break;
    case MathFn::ArcTan: r = std::atan(x); break;
    case MathFn::Pi: r = 3.141592653589793; break;
    }
    if (!std::isfinite(r)) return checked_fail<double>(kInvalidValue);
    return checked_ok(r);
}

}  // namespace tolven
