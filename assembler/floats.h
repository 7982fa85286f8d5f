// The assembler's own binary64 floating point, so that floating constants come out the same on
// every host. Numbers are kept unpacked: sign, biased exponent and a 56-bit mantissa with an
// overflow bit, the leading one, 52 fraction bits and guard and round bits, plus a sticky byte.
// Between operations the overflow, guard, round and sticky bits are 0. Rounding is to nearest,
// ties to even; there are no infinities, NaNs or subnormal numbers: an overflow gives the
// largest finite value (with its sign), an underflow gives zero.
//
// Problems go through callbacks: internal errors (inconsistent arguments, impossible states)
// and warnings (code 1 value out of range, code 2 division by zero). The assembler maps the
// codes to its warnings 5 and 6 with install_assembler_float_callbacks().
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace aq71 {

struct unpacked_float {
  std::int32_t sign = 0;      // 0 positive, 1 negative
  std::int32_t exponent = 0;  // biased by 1023; 0 only for zero
  // Most significant byte first: bit 7 of byte 0 overflow, bit 6 the leading one, then the 52
  // fraction bits; bits 1 and 0 of byte 6 are the guard and round bits.
  std::array<std::uint8_t, 7> mantissa{};
  std::uint8_t sticky = 0;

  bool operator==(const unpacked_float&) const = default;
};

// ---- mantissa helpers (the 7 bytes as one 56-bit number) --------------------------------------

inline constexpr std::uint64_t kMantOverflowBit = std::uint64_t{1} << 55;
inline constexpr std::uint64_t kMantLeadingBit = std::uint64_t{1} << 54;
inline constexpr std::uint64_t kMantGuardRound = 0x3;

std::uint64_t mantissa_get_M25(const unpacked_float& f);
void mantissa_set_M25(unpacked_float& f, std::uint64_t m);

// ---- callbacks and warnings ----------------------------------------------------------------

struct FloatCallbacks {
  // Internal consistency failure (function, diagnostic). Expected not to return; if it does,
  // the operation carries on with a zero result.
  std::function<void(const char* function, const char* diagnostic)> internal_error;
  // Warning code 1 (value out of range) or 2 (division by zero).
  std::function<void(int code)> warning;
};

// Warning budget: each reported warning decrements it unless it is kFloatWarningsUnlimited; at
// 0 no further warning is reported. The enable flag switches them off altogether.
inline constexpr unsigned kFloatWarningsUnlimited = 65535;

// Where the routines below report and how much: every routine that can report a problem is
// handed one. A run keeps its own (float_state); a caller without a run may own one.
struct FloatState {
  FloatCallbacks callbacks;
  unsigned budget = kFloatWarningsUnlimited;
  bool enabled = true;
};

class Assembly;
FloatState& float_state(Assembly& run);

// Installs the callbacks and builds the constants. Without a warning callback: internal error
// "no warning" (when an internal-error callback is given) and false.
bool init_floats_G03(FloatState& fs, const FloatCallbacks& callbacks);
// Callbacks of the assembler, reporting to run: code 1 warning 5, code 2 warning 6, any other
// the internal error "unknown warning"; internal errors end the run. False when the package
// refused them. A run's float_state has them from the start.
bool install_assembler_float_callbacks(Assembly& run, FloatState& fs);

void set_float_warning_budget(FloatState& fs, unsigned budget);
void set_float_warnings_enabled(FloatState& fs, bool enabled);
bool float_warnings_enabled(const FloatState& fs);
void fp_warning_G03(FloatState& fs, int code);

// ---- constants and checks ------------------------------------------------------------------

const unpacked_float& float_zero();
const unpacked_float& float_largest();  // largest finite binary64, positive
const unpacked_float& float_one();
const unpacked_float& float_minus_one();

// Validates a float between operations; false (after an internal error) when it is malformed.
bool check_double_G03(FloatState& fs, const unpacked_float& f);
bool is_zero_float_G03(const unpacked_float& f);

// ---- arithmetic (result may alias an argument) ------------------------------------------------

void add_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result);
void sub_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result);
void mul_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result);
void div_floats_G03(FloatState& fs, const unpacked_float& a, const unpacked_float& b, unpacked_float& result);
void negate_float_G03(const unpacked_float& a, unpacked_float& result);
// value = value * base + digit; digit 0 to 16 (larger: internal error).
void mul_and_add_char_G03(FloatState& fs, unpacked_float& value, int base, int digit);

// Rounds a working value: m is a mantissa in the 56-bit layout (the overflow bit may be set),
// sticky the OR of the bits below it. Returns 1 on overflow (largest value), -1 on underflow
// (zero), 0 otherwise. Reports no warning itself.
int round_G03(FloatState& fs, std::int32_t sign, std::uint64_t m, std::int64_t exponent, bool sticky,
              unpacked_float& result);

// ---- conversions ---------------------------------------------------------------------------

unpacked_float long_to_float_G03(FloatState& fs, std::int32_t v);
// Truncates toward zero; 2^31 and above give 0x7FFFFFFF / 0x80000000.
std::int32_t float_to_long_G03(FloatState& fs, const unpacked_float& f);
// Truncates; 2^32 and above give 0xFFFFFFFF; a negative value is an internal error.
std::uint32_t float_to_ulong_G03(FloatState& fs, const unpacked_float& f);
// IEEE single image. Out of range: warning 1 and the largest single value (too large) or 0
// (too small; f itself becomes zero).
std::uint32_t float_to_single_G03(FloatState& fs, unpacked_float& f);
// High and low 32-bit words of the IEEE double image.
std::uint32_t get_ieee_high_G03(FloatState& fs, const unpacked_float& f);
std::uint32_t get_ieee_low_G03(FloatState& fs, const unpacked_float& f);
std::uint64_t float_to_ieee_double(FloatState& fs, const unpacked_float& f);
// Exact inverse of float_to_ieee_double for finite normal numbers and zero (tests, listings).
unpacked_float ieee_double_to_float(std::uint64_t bits);

// Builds a floating constant from its decimal text: integer digits, fraction digits, and the
// exponent (already read, with its sign). Digits are taken with mul_and_add_char_G03, the power
// of ten by repeated squaring.
unpacked_float decimal_to_float_G03(FloatState& fs, const std::string& int_digits, const std::string& frac_digits,
                                    long exponent);

}  // namespace aq71
