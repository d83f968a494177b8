#include "calc/number_format.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>

namespace sondrel {
namespace {

// A decimal number as digits without leading or trailing zeros:
// value = 0.d1 d2 ... dn x 10^point (point may be negative or beyond n).
struct DecimalText {
    bool negative = false;
    char digits[16] = {};
    int count = 0;
    int point = 0;
};

void DropTrailingZeros(DecimalText& d) {
    while (d.count > 0 && d.digits[d.count - 1] == '0') {
        --d.count;
    }
}

// The double with at most 15 significant digits, correctly rounded.
DecimalText FifteenDigits(double value) {
    DecimalText d;
    if (value == 0.0) {
        return d;
    }
    d.negative = std::signbit(value);
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
    DropTrailingZeros(d);
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
    DropTrailingZeros(d);
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
    std::string out;
    if (d.negative) {
        out += '-';
    }
    const int integer = std::max(d.point, 0);  // digits before the point
    out.append(d.digits, static_cast<std::size_t>(std::min(integer, d.count)));
    out.append(static_cast<std::size_t>(std::max(integer - d.count, 0)), '0');
    if (has_dot) {
        out += '.';
    }
    out.append(static_cast<std::size_t>(std::max(-d.point, 0)), '0');
    if (d.count > integer) {
        out.append(d.digits + integer, static_cast<std::size_t>(d.count - integer));
    }
    return out;
}

}  // namespace sondrel
