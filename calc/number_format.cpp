#include "calc/number_format.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace sondrel {
namespace {

// A decimal number as digits without leading zeros (nor trailing ones once rounded):
// value = 0.d1 d2 ... dn x 10^point (point may be negative or beyond n).
struct DecimalText {
    bool negative = false;
    char digits[16] = {};
    int count = 0;
    int point = 0;
};

// The 15 digits of the magnitude `a` into `d`, as the integer a x 10^k, 1e14 <= it < 1e15,
// without a decimal conversion: exact when the product's distance to that integer, which one
// fused multiply-add gives without rounding it away, is clearly below a half. False when it is
// not (a near tie, or a magnitude outside 1e-8 to 1e15), for the exact conversion to decide.
bool FifteenDigitsByProduct(double a, DecimalText& d) {
    int k = 0;
    while (k < 22 && a * kExactPowersOfTen[k] < 1e14) {
        ++k;
    }
    const double scale = kExactPowersOfTen[k];
    const double digits = std::nearbyint(a * scale);
    const double off = std::fma(a, scale, -digits);  // a x 10^k - digits
    if (!(digits >= 1e14 && digits < 1e15 && std::fabs(off) < 0.49 &&
          (digits > 1e14 || off >= 0))) {
        return false;
    }
    std::to_chars(d.digits, d.digits + 15, static_cast<std::uint64_t>(digits));
    d.count = 15;
    d.point = 15 - k;
    return true;
}

// The double's 15 significant digits (none for zero), correctly rounded.
DecimalText FifteenDigits(double value) {
    DecimalText d;
    if (value == 0.0) {
        return d;
    }
    d.negative = std::signbit(value);
    if (FifteenDigitsByProduct(std::fabs(value), d)) {
        return d;
    }
    // "d.dddddddddddddde+x": a digit, the point, 14 digits, then the exponent.
    char buf[32];
    const char* end =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14)
            .ptr;
    d.digits[0] = buf[0];
    std::copy(buf + 2, buf + 16, d.digits + 1);
    d.count = 15;
    const char* exponent = buf[17] == '+' ? buf + 18 : buf + 17;  // from_chars takes no '+'
    std::from_chars(exponent, end, d.point);
    ++d.point;
    return d;
}

// Rounds half away from zero to no digit beyond `decimals` after the point; no trailing zeros.
void RoundToDecimals(DecimalText& d, int decimals) {
    const int keep = d.point + decimals;
    if (keep < 0) {
        d.count = 0;
    } else if (keep < d.count) {
        const bool up = d.digits[keep] >= '5';
        d.count = keep;
        if (up) {
            int i = keep - 1;
            while (i >= 0 && d.digits[i] == '9') {
                --i;
            }
            if (i >= 0) {
                ++d.digits[i];
                d.count = i + 1;
            } else {  // all nines (or nothing kept): the carry makes a new leading digit
                d.digits[0] = '1';
                d.count = 1;
                ++d.point;
            }
        }
    }
    while (d.count > 0 && d.digits[d.count - 1] == '0') {
        --d.count;
    }
}

}  // namespace

std::string FormatNumber(double value, std::string_view pattern) {
    assert(std::isfinite(value));
    const std::size_t dot = pattern.find('.');
    const bool has_dot = dot != std::string_view::npos;
    // Every place after the point is a digit's.
    const int decimals = has_dot ? static_cast<int>(pattern.size() - dot - 1) : 0;
    DecimalText d = FifteenDigits(value);
    RoundToDecimals(d, decimals);

    if (d.count == 0) {
        return has_dot ? "." : "";
    }
    const int integer = std::max(d.point, 0);         // digits before the point
    const int leading_zeros = std::max(-d.point, 0);  // zeros after it
    const int fraction = std::max(d.count - integer, 0);
    // Made at its length, all zeros, then given its sign, digits and point in place.
    std::string out(
        static_cast<std::size_t>(d.negative + integer + has_dot + leading_zeros + fraction), '0');
    char* at = out.data();
    if (d.negative) {
        *at++ = '-';
    }
    std::copy_n(d.digits, std::min(integer, d.count), at);
    at += integer;
    if (has_dot) {
        *at++ = '.';
    }
    std::copy_n(d.digits + std::min(integer, d.count), fraction, at + leading_zeros);
    return out;
}

}  // namespace sondrel
