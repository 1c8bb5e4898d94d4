// Arithmetic of the function forms and the mathematical functions.
// Long arithmetic wraps around in 32 bits as the processor does, and never
// traps: INT32_MIN / -1 gives INT32_MIN, INT32_MIN mod -1 gives 0.
#pragma once
#include <cstdint>

#include "values/checked.h"

namespace tolven {

int32_t wrap_add(int32_t a, int32_t b);
int32_t wrap_sub(int32_t a, int32_t b);
int32_t wrap_mul(int32_t a, int32_t b);
// Absolute value; INT32_MIN stays INT32_MIN.
int32_t wrap_abs(int32_t a);

// Quotient toward zero; divisor 0 fails with 201 "Division durch 0!".
Checked<int32_t> long_div(int32_t a, int32_t b);
// Remainder with the sign of the dividend; divisor 0 fails with 201.
Checked<int32_t> long_mod(int32_t a, int32_t b);
// Float quotient; divisor 0 fails with 201.
Checked<double> float_div(double a, double b);

// Token 59: bit b (taken mod 32) of v; bit 31 always reads 0.
bool bit_test(int32_t v, int32_t b);
// Token 60: v with bit b (mod 32) set when `set` > 0, cleared otherwise.
int32_t bit_change(int32_t v, int32_t b, int32_t set);

enum class MathFn { Cos, Sin, Exp, Ln, Log10, Tan, Cot, Power, Square, Sqrt, ArcTan, Pi };

// The mathematical functions on float arguments (y only for Power: x^y).
// Fails with 200 (invalid function value) for ln and log10 of x <= 0,
// tan where cos x = 0, cot where sin x = 0, a power of x <= 0, the square
// root of x < 0, and whenever the result is not a finite number (the
// value is then 0).
Checked<double> math_function(MathFn fn, double x, double y = 0.0);

}  // namespace tolven
