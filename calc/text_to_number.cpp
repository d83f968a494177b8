#include "calc/text_to_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#if !SONDREL_HAS_FROM_CHARS_DOUBLE
#include <cerrno>
#include <cstdlib>
#endif

#include "calc/number_format.h"

namespace sondrel {
namespace {

// Whether `text` is digits alone (or empty).
bool AllDigits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A valid text as [-]digits[.digits][e[-]digits], which ReadDouble reads the same in every
// locale, and its written exponent, saturated far beyond any double's.
struct Scan {
    std::string clean;
    long long exponent = 0;
};

// Checks the text against the grammar and scans it; nullopt when it is not a number.
std::optional<Scan> ScanNumber(std::string_view text, std::string_view decimal,
                               std::string_view group) {
    Scan scan;
    if (text[0] == '+' || text[0] == '-') {
        scan.clean.append(text[0] == '-' ? 1 : 0, '-');
        text.remove_prefix(1);
    }
    std::string_view exponent;  // from the 'e'
    if (const std::size_t e = text.find_first_of("eE"); e != std::string_view::npos) {
        exponent = text.substr(e);
        text = text.substr(0, e);
        std::string_view digits = exponent.substr(1);
        if (digits.starts_with('+') || digits.starts_with('-')) {
            digits.remove_prefix(1);
        }
        if (digits.empty() || !AllDigits(digits)) {
            return std::nullopt;
        }
        if (std::from_chars(digits.data(), digits.data() + digits.size(), scan.exponent).ec !=
            std::errc{}) {
            scan.exponent = 1'000'000'000'000;  // too many digits for a long long
        }
        scan.exponent = exponent[1] == '-' ? -scan.exponent : scan.exponent;
    }
    const std::size_t point = text.find(decimal);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + decimal.size());
    std::string_view integer = text.substr(0, point);
    if (!AllDigits(fraction) || (integer.empty() && fraction.empty())) {
        return std::nullopt;
    }
    // The integer part: plain digits, or groups of three after a first group of one to three.
    for (int runs = 0;; ++runs) {
        const std::size_t at = group.empty() ? std::string_view::npos : integer.find(group);
        const std::string_view run = integer.substr(0, at);
        const bool grouped = runs > 0 || at != std::string_view::npos;
        if (!AllDigits(run) || (grouped && (run.empty() || run.size() > 3)) ||
            (runs > 0 && run.size() != 3)) {
            return std::nullopt;
        }
        scan.clean += run;
        if (at == std::string_view::npos) {
            break;
        }
        integer.remove_prefix(at + group.size());
    }
    if (point != std::string_view::npos) {
        scan.clean += '.';
        scan.clean += fraction;
    }
    scan.clean += exponent;
    return scan;
}

// Whether a number ReadDouble cannot read is beyond the largest double rather than nonzero
// below the smallest, as the place of its first significant digit and its exponent tell.
bool TooLarge(const Scan& scan) {
    const std::string_view digits =
        std::string_view(scan.clean).substr(0, scan.clean.find_first_of("eE"));
    const auto first = static_cast<long long>(digits.find_first_of("123456789"));
    const auto point = static_cast<long long>(std::min(digits.find('.'), digits.size()));
    const long long place = first < point ? point - first : point - first + 1;
    return first != static_cast<long long>(std::string_view::npos) && place + scan.exponent > 0;
}

// The common case, "28" or "1.25": up to 15 digits and a one-byte point, read in one tight
// loop, exact since the digits and the power of ten are exact doubles; else nullopt.
std::optional<double> PlainValue(std::string_view text, std::string_view decimal) {
    if (text.empty() || text.size() > 15 || decimal.size() != 1) {
        return std::nullopt;
    }
    std::uint64_t mantissa = 0;
    int frac_digits = -1;  // -1 until the point is seen
    for (const char c : text) {
        const auto digit = static_cast<unsigned>(c - '0');
        if (digit < 10) {
            mantissa = mantissa * 10 + digit;
            frac_digits += frac_digits >= 0 ? 1 : 0;
        } else if (c == decimal[0] && frac_digits < 0) {
            frac_digits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (frac_digits < 0) {
        return static_cast<double>(mantissa);
    }
    if (text.size() == 1) {  // the point alone
        return std::nullopt;
    }
    return static_cast<double>(mantissa) / kExactPowersOfTen[frac_digits];
}

}  // namespace

std::optional<double> ReadDouble(std::string_view text) {
#if SONDREL_HAS_FROM_CHARS_DOUBLE
    double value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{}) {
        return std::nullopt;
    }
#else
    // wasi-libc's strtod is correctly rounded and its locale stays "C". It also flags subnormal
    // results; from_chars only those that became 0 or infinite.
    const std::string terminated(text);
    errno = 0;
    const double value = std::strtod(terminated.c_str(), nullptr);
    if (errno == ERANGE && (value == 0 || std::isinf(value))) {
        return std::nullopt;
    }
#endif
    return value;
}

Result<double> ReadNumber(std::string_view text, std::string_view input,
                          const NumberSeparators& separators) {
    const std::string_view decimal =
        separators.decimal.empty() ? std::string_view(".") : std::string_view(separators.decimal);
    if (const std::optional<double> plain = PlainValue(text, decimal)) [[likely]] {
        return *plain;
    }
    const auto fail = [&](bool overflow) {
        return Failure{
            overflow ? FailureKind::Overflow : FailureKind::TypeMismatch, std::string(input),
            QuoteForMessage(text) + (overflow ? " is too large for a number" : " is not a number")};
    };
    const std::size_t first = text.find_first_not_of(" \t");  // blanks around are ignored
    if (first == std::string_view::npos) {
        return fail(false);
    }
    // One separator cannot be both.
    const std::string_view group =
        separators.group == decimal ? std::string_view() : std::string_view(separators.group);
    const std::optional<Scan> scan =
        ScanNumber(text.substr(first, text.find_last_not_of(" \t") + 1 - first), decimal, group);
    if (!scan) {
        return fail(false);
    }
    if (const std::optional<double> value = ReadDouble(scan->clean)) {
        return *value;
    }
    if (TooLarge(*scan)) {
        return fail(true);
    }
    return scan->clean.starts_with('-') ? -0.0 : 0.0;
}

}  // namespace sondrel
