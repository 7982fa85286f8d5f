// The assembler's binary64 package: arithmetic checked bit for bit against the host's IEEE
// doubles (round to nearest even) over random operands, saturation instead of infinities,
// conversions, decimal constants and the validation of malformed values.
#include "assembler/floats.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace aq71;

namespace {

class FloatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FloatCallbacks cb;
    cb.internal_error = [this](const char* fn, const char* d) { internal.push_back(std::string(fn) + ": " + d); };
    cb.warning = [this](int code) { warnings.push_back(code); };
    ASSERT_TRUE(init_floats_G03(fs, cb));
  }

  static unpacked_float F(double d) { return ieee_double_to_float(std::bit_cast<std::uint64_t>(d)); }
  std::uint64_t bits(const unpacked_float& f) { return float_to_ieee_double(fs, f); }
  static std::uint64_t bits(double d) { return std::bit_cast<std::uint64_t>(d); }
  unpacked_float parse(const std::string& i, const std::string& f, long e = 0) {
    return decimal_to_float_G03(fs, i, f, e);
  }

  FloatState fs;  // the routines report to this fixture, not to any run
  std::vector<std::string> internal;
  std::vector<int> warnings;
};

constexpr std::uint64_t kLargestBits = 0x7FEFFFFFFFFFFFFFull;

TEST_F(FloatsTest, ConstantsAndValidLayouts) {
  EXPECT_EQ(bits(float_zero()), 0u);
  EXPECT_EQ(bits(float_one()), bits(1.0));
  EXPECT_EQ(bits(float_minus_one()), bits(-1.0));
  EXPECT_EQ(bits(float_largest()), kLargestBits);
  EXPECT_TRUE(check_double_G03(fs, float_largest()));
  EXPECT_TRUE(internal.empty());
}

TEST_F(FloatsTest, ExamplesOfTheArithmetic) {
  unpacked_float r;
  add_floats_G03(fs, F(0.1), F(0.2), r);
  EXPECT_EQ(bits(r), 0x3FD3333333333334ull);
  sub_floats_G03(fs, F(1.0), F(1.0), r);
  EXPECT_TRUE(is_zero_float_G03(r));
  EXPECT_EQ(r.sign, 0);  // no negative zero
  mul_floats_G03(fs, F(-3.0), F(0.5), r);
  EXPECT_EQ(bits(r), bits(-1.5));
  div_floats_G03(fs, F(1.0), F(3.0), r);
  EXPECT_EQ(bits(r), bits(1.0 / 3.0));
  negate_float_G03(float_zero(), r);
  EXPECT_EQ(r.sign, 0);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(FloatsTest, OverflowGivesTheLargestValueNeverInfinity) {
  unpacked_float r;
  add_floats_G03(fs, float_largest(), float_largest(), r);
  EXPECT_EQ(bits(r), kLargestBits);
  EXPECT_EQ(warnings, std::vector<int>{1});
  warnings.clear();
  mul_floats_G03(fs, F(-1e200), F(1e200), r);
  EXPECT_EQ(bits(r), kLargestBits | (1ull << 63));
  EXPECT_EQ(warnings, std::vector<int>{1});
  warnings.clear();
  // Rounding up out of the top binade saturates too.
  add_floats_G03(fs, float_largest(), F(std::ldexp(1.0, 970)), r);
  EXPECT_EQ(bits(r), kLargestBits);
  EXPECT_EQ(warnings, std::vector<int>{1});
}

TEST_F(FloatsTest, UnderflowAndDivisionByZero) {
  unpacked_float r;
  mul_floats_G03(fs, F(1e-200), F(1e-200), r);
  EXPECT_TRUE(is_zero_float_G03(r));
  EXPECT_EQ(warnings, std::vector<int>{1});
  warnings.clear();
  div_floats_G03(fs, F(1e-300), F(1e100), r);
  EXPECT_TRUE(is_zero_float_G03(r));
  EXPECT_EQ(warnings, std::vector<int>{1});
  warnings.clear();
  div_floats_G03(fs, F(1.0), float_zero(), r);
  EXPECT_EQ(bits(r), kLargestBits);
  div_floats_G03(fs, F(-1.0), float_zero(), r);
  EXPECT_EQ(bits(r), kLargestBits | (1ull << 63));
  EXPECT_EQ(warnings, (std::vector<int>{2, 2}));
  warnings.clear();
  div_floats_G03(fs, float_zero(), F(5.0), r);
  EXPECT_TRUE(is_zero_float_G03(r));
  // Addition only warns about overflow: cancellation to zero is exact.
  add_floats_G03(fs, F(DBL_MIN), F(-DBL_MIN), r);
  EXPECT_TRUE(warnings.empty());
}

// Random operands over the whole normal range and near one another; the host's doubles are
// the reference wherever their result is a normal number.
TEST_F(FloatsTest, RandomArithmeticMatchesIeeeDoubles) {
  std::mt19937_64 rng(20261208);
  auto random_double = [&]() {
    for (;;) {
      std::uint64_t b = rng();
      switch (rng() % 4) {
        case 0:
          b = (b & 0x800FFFFFFFFFFFFFull) | (std::uint64_t{1023 + rng() % 40 - 20} << 52);
          break;
        case 1:
          b = (b & 0x800FFFFFFFFFFFFFull) | (std::uint64_t{1023 + rng() % 3} << 52);
          break;
        case 2:
          b &= 0x8000000000000000ull | (0x7FFull << 52) | (rng() % 8);
          break;  // short mantissa
        default:
          break;
      }
      double d = std::bit_cast<double>(b);
      if (std::isnormal(d)) return d;
    }
  };
  int checked = 0;
  for (int i = 0; i < 60000; ++i) {
    double a = random_double();
    double b = random_double();
    if (i % 5 == 0) b = std::nextafter(a, rng() % 2 ? 0.0 : 1e300) * (rng() % 2 ? 1 : -1);
    unpacked_float r;
    double expect = 0;
    switch (i % 3) {
      case 0:
        add_floats_G03(fs, F(a), F(b), r);
        expect = a + b;
        break;
      case 1:
        mul_floats_G03(fs, F(a), F(b), r);
        expect = a * b;
        break;
      default:
        div_floats_G03(fs, F(a), F(b), r);
        expect = a / b;
        break;
    }
    ASSERT_TRUE(internal.empty()) << internal.front();
    if (std::isinf(expect)) {
      ASSERT_EQ(bits(r) & ~(1ull << 63), kLargestBits) << a << " " << b;
    } else if (expect == 0.0 || std::fabs(expect) < 2 * DBL_MIN) {
      continue;  // the package has no subnormals
    } else {
      ASSERT_EQ(bits(r), bits(expect)) << std::hexfloat << a << " op" << i % 3 << " " << b;
      ++checked;
    }
  }
  EXPECT_GT(checked, 40000);
}

TEST_F(FloatsTest, IntegerConversions) {
  for (std::int32_t v : {0, 1, -1, 7, 1000000, INT32_MAX, INT32_MIN, -123456789}) {
    unpacked_float f = long_to_float_G03(fs, v);
    EXPECT_EQ(bits(f), bits(static_cast<double>(v))) << v;
    EXPECT_EQ(float_to_long_G03(fs, f), v);
  }
  EXPECT_EQ(float_to_long_G03(fs, F(3.9)), 3);
  EXPECT_EQ(float_to_long_G03(fs, F(-3.9)), -3);
  EXPECT_EQ(float_to_long_G03(fs, F(0.999)), 0);
  EXPECT_EQ(float_to_long_G03(fs, F(-0.5)), 0);
  EXPECT_EQ(float_to_long_G03(fs, F(1e10)), 0x7FFFFFFF);
  EXPECT_EQ(float_to_long_G03(fs, F(2147483648.0)), 0x7FFFFFFF);
  EXPECT_EQ(float_to_long_G03(fs, F(-1e10)), INT32_MIN);
  EXPECT_EQ(float_to_ulong_G03(fs, F(4294967295.5)), 0xFFFFFFFFu);
  EXPECT_EQ(float_to_ulong_G03(fs, F(3e9)), 3000000000u);
  EXPECT_EQ(float_to_ulong_G03(fs, F(1e20)), 0xFFFFFFFFu);
  EXPECT_EQ(float_to_ulong_G03(fs, F(0.25)), 0u);
  EXPECT_TRUE(internal.empty());
  float_to_ulong_G03(fs, F(-2.0));
  ASSERT_EQ(internal.size(), 1u);
  EXPECT_NE(internal[0].find("float is negative"), std::string::npos);
}

TEST_F(FloatsTest, SingleImages) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 5000; ++i) {
    double d = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 200) - 150);
    if (rng() % 2) d = -d;
    float s = static_cast<float>(d);
    if (!std::isnormal(s) || !std::isnormal(d)) continue;
    unpacked_float f = F(d);
    ASSERT_EQ(float_to_single_G03(fs, f), std::bit_cast<std::uint32_t>(s)) << std::hexfloat << d;
  }
  EXPECT_TRUE(warnings.empty());
  unpacked_float big = F(1e39);
  EXPECT_EQ(float_to_single_G03(fs, big), 0x7F7FFFFFu);  // largest single, not infinity
  unpacked_float neg = F(-1e39);
  EXPECT_EQ(float_to_single_G03(fs, neg), 0xFF7FFFFFu);
  // Rounds up past the largest single.
  unpacked_float edge = F(static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103));
  EXPECT_EQ(float_to_single_G03(fs, edge), 0x7F7FFFFFu);
  unpacked_float tiny = F(1e-39);
  EXPECT_EQ(float_to_single_G03(fs, tiny), 0u);
  EXPECT_TRUE(is_zero_float_G03(tiny));
  EXPECT_EQ(warnings, (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(get_ieee_high_G03(fs, F(1.0)), 0x3FF00000u);
  EXPECT_EQ(get_ieee_low_G03(fs, F(0.1)), 0x9999999Au);
}

TEST_F(FloatsTest, DecimalConstants) {
  struct Case {
    const char* i;
    const char* f;
    long e;
  };
  for (Case c : {Case{"0", "1", 0},
                 {"1", "5", 0},
                 {"123", "456", 0},
                 {"2", "5", 2},
                 {"6", "02214076", 23},
                 {"1", "0", -22},
                 {"9007199254740993", "0", 0},
                 {"3", "14159265358979", 0},
                 {"0", "000001", 5},
                 {"17", "", -3}}) {
    std::string text = std::string(c.i) + "." + c.f + "e" + std::to_string(c.e);
    double expect = std::strtod(text.c_str(), nullptr);
    EXPECT_EQ(bits(parse(c.i, c.f, c.e)), bits(expect)) << text;
  }
  // Powers beyond 10^22 are not exact (each squaring rounds): a few units in the last place
  // are allowed there.
  auto near = [this](const unpacked_float& f, double d) {
    std::int64_t diff = static_cast<std::int64_t>(float_to_ieee_double(fs, f) - std::bit_cast<std::uint64_t>(d));
    return diff >= -8 && diff <= 8;
  };
  // Digits beyond the range are made up for by a negative exponent.
  EXPECT_TRUE(near(parse("1" + std::string(400, '0'), "", -399), 10.0));
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(bits(parse("1", "0", 400)), kLargestBits);
  EXPECT_EQ(warnings, std::vector<int>{1});
  warnings.clear();
  EXPECT_TRUE(is_zero_float_G03(parse("1", "0", -400)));
  EXPECT_EQ(warnings, std::vector<int>{1});
  warnings.clear();
  EXPECT_TRUE(near(parse("1", "0", -307), 1e-307));
  EXPECT_TRUE(near(parse("4", "9", 300), 4.9e300));
  EXPECT_TRUE(near(parse("1", "797", 308), 1.797e308));
  EXPECT_EQ(bits(parse("0", "0", 99999)), 0u);
  EXPECT_TRUE(warnings.empty());
  EXPECT_TRUE(internal.empty());
}

// Up to 15 digits and a power of ten up to 10^22 are exact, so one rounding gives the
// correctly rounded value.
TEST_F(FloatsTest, RandomShortDecimalsAreCorrectlyRounded) {
  std::mt19937 rng(99);
  for (int i = 0; i < 5000; ++i) {
    std::string int_digits, frac_digits;
    int n_int = static_cast<int>(rng() % 8) + 1;
    int n_frac = static_cast<int>(rng() % (16 - n_int));
    for (int k = 0; k < n_int; ++k) int_digits += static_cast<char>('0' + rng() % 10);
    for (int k = 0; k < n_frac; ++k) frac_digits += static_cast<char>('0' + rng() % 10);
    long e = static_cast<long>(rng() % 30) - 15;
    if (e - n_frac < -22) continue;
    std::string text = int_digits + "." + frac_digits + "e" + std::to_string(e);
    ASSERT_EQ(bits(parse(int_digits, frac_digits, e)), bits(std::strtod(text.c_str(), nullptr))) << text;
  }
  EXPECT_TRUE(warnings.empty());
}

// Random digit strings and exponents of any size give a valid value (largest, zero or in
// between) and no internal error.
TEST_F(FloatsTest, RandomDecimalTextsGiveValidValues) {
  std::mt19937 rng(5);
  for (int i = 0; i < 3000; ++i) {
    std::string int_digits, frac_digits;
    int n_int = static_cast<int>(rng() % 600);
    int n_frac = static_cast<int>(rng() % 600);
    for (int k = 0; k < n_int; ++k) int_digits += static_cast<char>('0' + rng() % 10);
    for (int k = 0; k < n_frac; ++k) frac_digits += static_cast<char>('0' + rng() % 10);
    long e = static_cast<long>(rng() % 200001) - 100000;
    if (rng() % 2) e %= 400;
    unpacked_float f = parse(int_digits, frac_digits, e);
    ASSERT_TRUE(check_double_G03(fs, f));
    ASSERT_TRUE(internal.empty()) << internal.front();
    ASSERT_LE(warnings.size(), 1u);
    warnings.clear();
  }
}

TEST_F(FloatsTest, MulAndAddCharTakesDigitsUpToSixteen) {
  unpacked_float v{};
  for (int d : {1, 15, 16, 0}) mul_and_add_char_G03(fs, v, 16, d);
  EXPECT_EQ(float_to_long_G03(fs, v), ((1 * 16 + 15) * 16 + 16) * 16);
  EXPECT_TRUE(internal.empty());
  mul_and_add_char_G03(fs, v, 16, 17);
  ASSERT_EQ(internal.size(), 1u);
  EXPECT_NE(internal[0].find("[0, 16]"), std::string::npos);
}

TEST_F(FloatsTest, MalformedValuesAreInternalErrors) {
  auto with = [](auto change) {
    unpacked_float f = ieee_double_to_float(std::bit_cast<std::uint64_t>(2.5));
    change(f);
    return f;
  };
  struct Case {
    unpacked_float f;
    const char* text;
  };
  std::vector<Case> cases = {
      {with([](unpacked_float& f) { f.mantissa[0] |= 0x80; }), "illegal overflow bit"},
      {with([](unpacked_float& f) { f.mantissa[6] |= 1; }), "illegal g and/or r bit"},
      {with([](unpacked_float& f) { f.sticky = 1; }), "illegal sticky."},
      {with([](unpacked_float& f) { f.sign = 2; }), "illegal bit(s) in sign."},
      {with([](unpacked_float& f) { f.exponent = 0; }), "inconsistent zero repressentation"},
      {with([](unpacked_float& f) {
         f = unpacked_float{};
         f.sign = 1;
       }),
       "invalid sign and/or sticky"},
      {with([](unpacked_float& f) { f.mantissa[0] = 0x20; }), "argument is not normalized."},
      {with([](unpacked_float& f) { f.exponent = 3000; }), "double float exponent too large."},
      {with([](unpacked_float& f) { f.exponent = -4; }), "negative exponent not allowed."},
  };
  for (const Case& c : cases) {
    internal.clear();
    unpacked_float r;
    add_floats_G03(fs, c.f, float_one(), r);
    ASSERT_FALSE(internal.empty()) << c.text;
    EXPECT_NE(internal[0].find(c.text), std::string::npos) << internal[0];
    EXPECT_TRUE(is_zero_float_G03(r));
  }
  internal.clear();
  float_to_ieee_double(fs, with([](unpacked_float& f) { f.exponent = 2048; }));
  ASSERT_EQ(internal.size(), 1u);
  EXPECT_NE(internal[0].find("exponent to large"), std::string::npos);
}

TEST_F(FloatsTest, WarningBudgetAndSwitch) {
  unpacked_float r;
  set_float_warning_budget(fs, 2);
  for (int i = 0; i < 5; ++i) div_floats_G03(fs, float_one(), float_zero(), r);
  EXPECT_EQ(warnings.size(), 2u);
  warnings.clear();
  set_float_warning_budget(fs, kFloatWarningsUnlimited);
  set_float_warnings_enabled(fs, false);
  div_floats_G03(fs, float_one(), float_zero(), r);
  EXPECT_TRUE(warnings.empty());
  set_float_warnings_enabled(fs, true);
  for (int i = 0; i < 3; ++i) div_floats_G03(fs, float_one(), float_zero(), r);
  EXPECT_EQ(warnings.size(), 3u);
}

TEST(FloatsInit, WarningCallbackIsRequired) {
  FloatState fs;
  std::string seen;
  FloatCallbacks cb;
  cb.internal_error = [&](const char* fn, const char* d) { seen = std::string(fn) + ": " + d; };
  EXPECT_FALSE(init_floats_G03(fs, cb));
  EXPECT_EQ(seen, "init_floats_G03: no warning");
  EXPECT_FALSE(fs.callbacks.internal_error);  // refused: nothing installed
}

}  // namespace
