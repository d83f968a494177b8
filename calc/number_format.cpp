#include "calc/number_format.h"

#include <cassert>
#include <charconv>
#include <cmath>

namespace sondrel {
namespace {

// A decimal number as digits without leading or trailing zeros:
// value = 0.d1 d2 ... dn x 10^point (point may be negative or beyond n).
struct DecimalText {
    bool negative = false;
    char digits[24] = {};
    int count = 0;
    int point = 0;
};

// The double with at most 15 significant digits, correctly rounded.
DecimalText FifteenDigits(double value) {
    DecimalText d;
    if (value == 0.0) {
        return d;
    }
    d.negative = std::signbit(value);
    char buf[40];
    // d.dddddddddddddde±x
    const auto result =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const char* p = buf;
    const char* end = result.ptr;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.') {
            d.digits[d.count++] = *p;
        }
    }
    // The exponent is read from the characters written, never past them: to_chars ends no
    // text with a terminator, and the buffer beyond holds whatever the stack held.
    const char* exponent_begin = p == end ? end : p + 1;
    if (exponent_begin != end && *exponent_begin == '+') {
        ++exponent_begin;  // from_chars takes a minus sign only
    }
    int exponent = 0;
    std::from_chars(exponent_begin, end, exponent);
    d.point = exponent + 1;
    while (d.count > 0 && d.digits[d.count - 1] == '0') {
        --d.count;
    }
    return d;
}

// Rounds half away from zero so that no digit lies beyond `decimals` after the point.
void RoundToDecimals(DecimalText& d, int decimals) {
    const int keep = d.point + decimals;
    if (keep >= d.count) {
        return;
    }
    if (keep < 0) {
        d.count = 0;
        return;
    }
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
    while (d.count > 0 && d.digits[d.count - 1] == '0') {
        --d.count;
    }
}

}  // namespace

std::string FormatNumber(double value, std::string_view pattern) {
    assert(std::isfinite(value));
    const std::size_t dot = pattern.find('.');
    int decimals = 0;
    if (dot != std::string_view::npos) {
        for (std::size_t i = dot + 1; i < pattern.size(); ++i) {
            decimals += pattern[i] == '#';
        }
    }

    DecimalText d = FifteenDigits(value);
    RoundToDecimals(d, decimals);

    if (d.count == 0) {
        return dot == std::string_view::npos ? std::string{} : std::string{"."};
    }
    // Laid out in a string of its final length, zeros to start with: no growing on the way.
    const int integer = d.point > 0 ? d.point : 0;  // digits before the point
    const int zeros = d.point < 0 ? -d.point : 0;   // zeros after it
    const int fraction = d.count > integer ? d.count - integer : 0;
    std::string out(
        static_cast<std::size_t>((d.negative ? 1 : 0) + integer +
                                 (dot != std::string_view::npos ? 1 : 0) + zeros + fraction),
        '0');
    char* p = out.data();
    if (d.negative) {
        *p++ = '-';
    }
    for (int i = 0; i < integer; ++i, ++p) {
        *p = i < d.count ? d.digits[i] : '0';
    }
    if (dot != std::string_view::npos) {
        *p++ = '.';
    }
    p += zeros;
    for (int i = integer; i < d.count; ++i) {
        *p++ = d.digits[i];
    }
    return out;
}

}  // namespace sondrel
