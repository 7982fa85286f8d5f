#include "assembler/floats.h"
#include "assembler/assembly.h"

#include "assembler/diagnostics.h"

namespace aq71 {

namespace {

FloatCallbacks assembler_float_callbacks(Assembly& run) {
  FloatCallbacks cb;
  cb.internal_error = [&run](const char* function, const char* diagnostic) {
    internal_error_A01(run, function, diagnostic, 0, 0);
  };
  cb.warning = [&run](int code) {
    switch (code) {
      case 1:
        user_warning_A01(run, 5);
        break;
      case 2:
        user_warning_A01(run, 6);
        break;
      default:
        internal_error_A01(run, "fp_warning_G03", "unknown warning", code, 0);
    }
  };
  return cb;
}

// A run's floating-point state reports to that run from the start.
struct RunFloats {
  explicit RunFloats(Assembly& run) { state.callbacks = assembler_float_callbacks(run); }
  FloatState state;
};

}  // namespace

FloatState& float_state(Assembly& run) { return run.part<RunFloats>().state; }

namespace {

using u128 = unsigned __int128;

constexpr std::int64_t kBias = 1023;
constexpr std::int64_t kMaxExponent = 2046;  // 2047 would be the infinity/NaN image
constexpr std::uint64_t kMant56 = (std::uint64_t{1} << 56) - 1;
constexpr std::uint64_t kLargestMantissa = (kMantOverflowBit - 1) & ~kMantGuardRound;

// Without a callback the failure shows only in the result (false or zero).
void internal(FloatState& fs, const char* function, const char* diagnostic) {
  if (fs.callbacks.internal_error) fs.callbacks.internal_error(function, diagnostic);
}

unpacked_float make(std::int32_t sign, std::int32_t exponent, std::uint64_t m) {
  unpacked_float f;
  f.sign = sign;
  f.exponent = exponent;
  mantissa_set_M25(f, m);
  return f;
}

unpacked_float largest_with_sign(std::int32_t sign) {
  return make(sign, static_cast<std::int32_t>(kMaxExponent), kLargestMantissa);
}

// Normalises a wide working mantissa whose leading one belongs at bit 54 + extra and rounds it.
// exponent is the biased exponent that goes with that position.
int finish(FloatState& fs, std::int32_t sign, u128 m, std::int64_t exponent, int extra, bool sticky,
           unpacked_float& result) {
  if (m == 0) {
    result = unpacked_float{};
    return 0;
  }
  const u128 lead = u128{1} << (54 + extra);
  while (m >= (lead << 1)) {
    sticky |= (m & 1) != 0;
    m >>= 1;
    ++exponent;
  }
  while (m < lead) {
    m <<= 1;
    --exponent;
  }
  if (extra > 0) {
    sticky |= (m & ((u128{1} << extra) - 1)) != 0;
    m >>= extra;
  }
  return round_G03(fs, sign, static_cast<std::uint64_t>(m), exponent, sticky, result);
}

bool checked(FloatState& fs, const unpacked_float& a) { return check_double_G03(fs, a); }

}  // namespace

// ---- mantissa helpers ----------------------------------------------------------------------

std::uint64_t mantissa_get_M25(const unpacked_float& f) {
  std::uint64_t m = 0;
  for (std::uint8_t b : f.mantissa) m = (m << 8) | b;
  return m;
}

void mantissa_set_M25(unpacked_float& f, std::uint64_t m) {
  for (int i = 6; i >= 0; --i) {
    f.mantissa[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(m & 0xFF);
    m >>= 8;
  }
}

// ---- callbacks and warnings ----------------------------------------------------------------

bool init_floats_G03(FloatState& fs, const FloatCallbacks& callbacks) {
  if (!callbacks.warning) {
    if (callbacks.internal_error) callbacks.internal_error("init_floats_G03", "no warning");
    return false;
  }
  fs.callbacks = callbacks;
  fs.budget = kFloatWarningsUnlimited;
  fs.enabled = true;
  // The constants must pass their own checks.
  return check_double_G03(fs, float_zero()) && check_double_G03(fs, float_largest()) &&
         check_double_G03(fs, float_one()) && check_double_G03(fs, float_minus_one());
}

bool install_assembler_float_callbacks(Assembly& run, FloatState& fs) {
  return init_floats_G03(fs, assembler_float_callbacks(run));
}

void set_float_warning_budget(FloatState& fs, unsigned budget) { fs.budget = budget; }
void set_float_warnings_enabled(FloatState& fs, bool enabled) { fs.enabled = enabled; }
bool float_warnings_enabled(const FloatState& fs) { return fs.enabled; }

void fp_warning_G03(FloatState& s, int code) {
  if (!s.enabled || s.budget == 0) return;
  if (s.budget != kFloatWarningsUnlimited) --s.budget;
  if (s.callbacks.warning) s.callbacks.warning(code);
}

// ---- constants and checks ------------------------------------------------------------------

const unpacked_float& float_zero() {
  static const unpacked_float z{};
  return z;
}
const unpacked_float& float_largest() {
  static const unpacked_float l = largest_with_sign(0);
  return l;
}
const unpacked_float& float_one() {
  static const unpacked_float one = make(0, static_cast<std::int32_t>(kBias), kMantLeadingBit);
  return one;
}
const unpacked_float& float_minus_one() {
  static const unpacked_float m1 = make(1, static_cast<std::int32_t>(kBias), kMantLeadingBit);
  return m1;
}

bool check_double_G03(FloatState& fs, const unpacked_float& f) {
  const char* fn = "check_double_G03";
  const std::uint64_t m = mantissa_get_M25(f);
  if (m & kMantOverflowBit) return internal(fs, fn, "illegal overflow bit in argument."), false;
  if (m & kMantGuardRound) return internal(fs, fn, "illegal g and/or r bit in argument."), false;
  if (f.sticky != 0) return internal(fs, fn, "illegal sticky."), false;
  if (f.sign != 0 && f.sign != 1) return internal(fs, fn, "illegal bit(s) in sign."), false;
  if ((f.exponent == 0) != (m == 0)) return internal(fs, fn, "inconsistent zero repressentation in argument."), false;
  if (f.exponent == 0 && f.sign != 0) return internal(fs, fn, "invalid sign and/or sticky in zero float."), false;
  if (m != 0 && !(m & kMantLeadingBit)) return internal(fs, fn, "argument is not normalized."), false;
  if (f.exponent > 2047) return internal(fs, fn, "double float exponent too large."), false;
  if (f.exponent < 0) return internal(fs, fn, "negative exponent not allowed."), false;
  return true;
}

bool is_zero_float_G03(const unpacked_float& f) { return f.exponent == 0 && mantissa_get_M25(f) == 0; }

// ---- rounding ------------------------------------------------------------------------------

int round_G03(FloatState& fs, std::int32_t sign, std::uint64_t m, std::int64_t exponent, bool sticky,
              unpacked_float& result) {
  m &= kMant56;
  const bool guard = (m & 2) != 0;
  const bool round = (m & 1) != 0;
  const bool odd = (m & 4) != 0;
  if (guard && (round || sticky || odd)) {
    m += 4;
    if (m > kMant56) {
      internal(fs, "round_G03", "illegal carry after rounding.");
      result = unpacked_float{};
      return 0;
    }
    if (m & kMantOverflowBit) {
      m >>= 1;
      ++exponent;
    }
  }
  m &= ~kMantGuardRound;
  if (exponent <= 0) {
    result = unpacked_float{};
    return -1;
  }
  if (exponent > kMaxExponent) {
    result = largest_with_sign(sign);
    return 1;
  }
  result = make(sign, static_cast<std::int32_t>(exponent), m);
  return 0;
}

// ---- arithmetic ----------------------------------------------------------------------------

void add_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result) {
  if (!checked(fs, a) || !checked(fs, b)) {
    result = unpacked_float{};
    return;
  }
  if (is_zero_float_G03(a)) {
    result = b;
    return;
  }
  if (is_zero_float_G03(b)) {
    result = a;
    return;
  }
  // x: the operand with the larger exponent. Both mantissas get 64 extra low bits, so the
  // aligned sum is exact down to far below the round bit; what is shifted out beyond that
  // only sets the sticky bit.
  const unpacked_float& x = a.exponent >= b.exponent ? a : b;
  const unpacked_float& y = a.exponent >= b.exponent ? b : a;
  const std::int64_t shift = static_cast<std::int64_t>(x.exponent) - y.exponent;
  const u128 mx = u128{mantissa_get_M25(x)} << 64;
  u128 my = u128{mantissa_get_M25(y)} << 64;
  bool sticky = false;
  if (shift >= 120) {
    my = 1;  // far below the round bit: only its presence matters
  } else if (shift > 0) {
    sticky = (my & ((u128{1} << shift) - 1)) != 0;
    my >>= shift;
    if (sticky) my |= 1;
  }
  u128 m;
  std::int32_t sign = x.sign;
  if (x.sign == y.sign) {
    m = mx + my;
  } else if (mx >= my) {
    m = mx - my;
  } else {
    m = my - mx;
    sign = y.sign;
  }
  unpacked_float r;
  int status = finish(fs, sign, m, x.exponent, 64, false, r);
  if (status > 0) fp_warning_G03(fs, 1);
  if (is_zero_float_G03(r)) r = unpacked_float{};
  result = r;
  checked(fs, result);
}

void sub_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result) {
  unpacked_float nb;
  negate_float_G03(b, nb);
  add_floats_G03(fs, a, nb, result);
}

void mul_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result) {
  if (!checked(fs, a) || !checked(fs, b)) {
    result = unpacked_float{};
    return;
  }
  if (is_zero_float_G03(a) || is_zero_float_G03(b)) {
    result = unpacked_float{};
    return;
  }
  // 53-bit significands; the 106-bit product has its leading one at bit 104 or 105.
  const u128 p = u128{mantissa_get_M25(a) >> 2} * u128{mantissa_get_M25(b) >> 2};
  const std::int64_t exponent = std::int64_t{a.exponent} + b.exponent - kBias;
  unpacked_float r;
  const std::int32_t sign = a.sign ^ b.sign;
  int status = finish(fs, sign, p, exponent, 50, false, r);
  if (status != 0) fp_warning_G03(fs, 1);
  result = r;
  checked(fs, result);
}

void div_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result) {
  if (!checked(fs, a) || !checked(fs, b)) {
    result = unpacked_float{};
    return;
  }
  const std::int32_t sign = a.sign ^ b.sign;
  if (is_zero_float_G03(b)) {
    fp_warning_G03(fs, 2);
    result = largest_with_sign(a.sign);
    return;
  }
  if (is_zero_float_G03(a)) {
    result = unpacked_float{};
    return;
  }
  // Long division with 62 more quotient bits than needed for the integer part: the quotient
  // has its leading one at bit 61 or 62; the remainder only sets the sticky bit.
  const u128 num = u128{mantissa_get_M25(a)} << 62;
  const u128 den = mantissa_get_M25(b);
  const u128 q = num / den;
  const bool sticky = (num % den) != 0;
  const std::int64_t exponent = std::int64_t{a.exponent} - b.exponent + kBias;
  unpacked_float r;
  int status = finish(fs, sign, q, exponent, 8, sticky, r);
  if (status != 0) fp_warning_G03(fs, 1);
  result = r;
  checked(fs, result);
}

void negate_float_G03(const unpacked_float& a, unpacked_float& result) {
  result = a;
  if (!is_zero_float_G03(a)) result.sign = a.sign ^ 1;
}

void mul_and_add_char_G03(FloatState& fs, unpacked_float& value, int base, int digit) {
  if (digit < 0 || digit > 16) {
    internal(fs, "mul_and_add_char_G03", "second argument to large, must be within range [0, 16].");
    return;
  }
  unpacked_float r;
  mul_floats_G03(fs, value, long_to_float_G03(fs, base), r);
  add_floats_G03(fs, r, long_to_float_G03(fs, digit), value);
}

// ---- conversions ---------------------------------------------------------------------------

namespace {

unpacked_float long_to_float_raw(std::int32_t v) {
  if (v == 0) return unpacked_float{};
  const std::int32_t sign = v < 0 ? 1 : 0;
  std::uint64_t mag = v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(static_cast<std::int64_t>(v))
                            : static_cast<std::uint64_t>(v);
  // mag < 2^32: place its leading one at bit 54.
  std::int64_t exponent = kBias + 54;
  while (!(mag & kMantLeadingBit)) {
    mag <<= 1;
    --exponent;
  }
  return make(sign, static_cast<std::int32_t>(exponent), mag);
}

// Magnitude as an integer when it is below 2^bits (else nullopt-like: returns false).
bool truncated_magnitude(const unpacked_float& f, int bits, std::uint64_t& out) {
  out = 0;
  if (is_zero_float_G03(f) || f.exponent < kBias) return true;  // below 1
  const std::int64_t e = f.exponent - kBias;                    // value = 1.x * 2^e
  if (e >= bits) return false;
  out = mantissa_get_M25(f) >> (54 - e);
  return true;
}

}  // namespace

unpacked_float long_to_float_G03(FloatState& fs, std::int32_t v) {
  unpacked_float f = long_to_float_raw(v);
  if (float_to_long_G03(fs, f) != v)
    internal(fs, "long_to_float_G03", "error in conversion float_to_long or long_to_float");
  return f;
}

std::int32_t float_to_long_G03(FloatState& fs, const unpacked_float& f) {
  if (!checked(fs, f)) return 0;
  std::uint64_t mag;
  if (!truncated_magnitude(f, 31, mag)) return f.sign ? INT32_MIN : INT32_MAX;
  return f.sign ? static_cast<std::int32_t>(-static_cast<std::int64_t>(mag)) : static_cast<std::int32_t>(mag);
}

std::uint32_t float_to_ulong_G03(FloatState& fs, const unpacked_float& f) {
  if (!checked(fs, f)) return 0;
  if (f.sign) {
    internal(fs, "float_to_ulong_G03", "float is negative");
    return 0;
  }
  std::uint64_t mag;
  if (!truncated_magnitude(f, 32, mag)) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(mag);
}

std::uint32_t float_to_single_G03(FloatState& fs, unpacked_float& f) {
  if (!checked(fs, f) || is_zero_float_G03(f)) return 0;
  // Keep bits 54..31 (24 significant bits); the 31 bits below are dropped with rounding.
  std::uint64_t m = mantissa_get_M25(f);
  std::uint64_t kept = m >> 31;
  const std::uint64_t dropped = m & ((std::uint64_t{1} << 31) - 1);
  const std::uint64_t half = std::uint64_t{1} << 30;
  std::int64_t exponent = std::int64_t{f.exponent} - 896;
  if (dropped > half || (dropped == half && (kept & 1))) {
    ++kept;
    if (kept >> 24) {
      kept >>= 1;
      ++exponent;
    }
  }
  const std::uint32_t sign = static_cast<std::uint32_t>(f.sign) << 31;
  if (exponent >= 255) {
    // 255 is the infinity/NaN image: the largest finite single stands for it.
    fp_warning_G03(fs, 1);
    return sign | 0x7F7FFFFFu;
  }
  if (exponent <= 0) {
    fp_warning_G03(fs, 1);
    f = unpacked_float{};
    return 0;
  }
  return sign | (static_cast<std::uint32_t>(exponent) << 23) | (static_cast<std::uint32_t>(kept) & 0x7FFFFFu);
}

std::uint64_t float_to_ieee_double(FloatState& fs, const unpacked_float& f) {
  if (f.exponent > 2047) {
    internal(fs, "get_ieee_G03", "exponent to large, must be within range [0,2047].");
    return 0;
  }
  if (f.exponent < 0) {
    internal(fs, "get_ieee_G03", "exponent to small, must be within range [0,2047].");
    return 0;
  }
  if (is_zero_float_G03(f)) return 0;
  const std::uint64_t fraction = (mantissa_get_M25(f) >> 2) & ((std::uint64_t{1} << 52) - 1);
  return (static_cast<std::uint64_t>(f.sign & 1) << 63) | (static_cast<std::uint64_t>(f.exponent) << 52) | fraction;
}

std::uint32_t get_ieee_high_G03(FloatState& fs, const unpacked_float& f) {
  return static_cast<std::uint32_t>(float_to_ieee_double(fs, f) >> 32);
}

std::uint32_t get_ieee_low_G03(FloatState& fs, const unpacked_float& f) {
  return static_cast<std::uint32_t>(float_to_ieee_double(fs, f));
}

unpacked_float ieee_double_to_float(std::uint64_t bits) {
  const std::int32_t exponent = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
  if (exponent == 0) return unpacked_float{};
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  return make(static_cast<std::int32_t>(bits >> 63), exponent, kMantLeadingBit | (fraction << 2));
}

unpacked_float decimal_to_float_G03(FloatState& fs, const std::string& int_digits, const std::string& frac_digits,
                                    long exponent) {
  unpacked_float value{};
  long scale = exponent - static_cast<long>(frac_digits.size());
  const std::string digits = int_digits + frac_digits;
  const bool warn = float_warnings_enabled(fs);
  bool saturated = false;
  for (char c : digits) {
    if (c < '0' || c > '9') continue;
    // A digit that would take the value beyond the range only scales it: a negative
    // exponent may still bring it back.
    if (saturated) {
      ++scale;
      continue;
    }
    unpacked_float next = value;
    set_float_warnings_enabled(fs, false);
    mul_and_add_char_G03(fs, next, 10, c - '0');
    set_float_warnings_enabled(fs, warn);
    if (next == float_largest()) {
      saturated = true;
      ++scale;
    } else {
      value = next;
    }
  }
  if (scale == 0 || is_zero_float_G03(value)) return value;
  const bool divide = scale < 0;
  unsigned long n = divide ? 0ul - static_cast<unsigned long>(scale) : static_cast<unsigned long>(scale);
  // The power of ten goes in by steps of at most 10^256 (which is in range), so that a large
  // exponent that the digits make up for still gives the right value.
  constexpr unsigned long kStep = 256;
  while (n > 0 && !is_zero_float_G03(value) && !(!divide && value == float_largest())) {
    unsigned long k = n < kStep ? n : kStep;
    n -= k;
    // 10^k by repeated squaring.
    unpacked_float power = float_one();
    unpacked_float square = long_to_float_G03(fs, 10);
    for (;;) {
      if (k & 1) mul_floats_G03(fs, power, square, power);
      k >>= 1;
      if (k == 0) break;
      mul_floats_G03(fs, square, square, square);
    }
    if (divide)
      div_floats_G03(fs, value, power, value);
    else
      mul_floats_G03(fs, value, power, value);
  }
  return value;
}

}  // namespace aq71
