#include "calc/text_to_number.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#if SONDREL_HAS_FROM_CHARS_DOUBLE
#include <charconv>
#else
#include <cerrno>
#include <cstdlib>
#endif

namespace sondrel {
namespace {

// What ParseNumber gives for a text that is not a number and for one too large for a double.
constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double kTooLarge = std::numeric_limits<double>::infinity();

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether `text` holds `piece` at `at`; the first byte is tested before the rest.
bool HasAt(std::string_view text, std::size_t at, std::string_view piece) {
    return !piece.empty() && at < text.size() && text[at] == piece[0] &&
           (piece.size() == 1 || text.substr(at, piece.size()) == piece);
}

// What one pass over a valid text finds: the text as [-]digits[.digits][e[-]digits], which
// ReadDouble reads the same in every locale, and enough to tell a number too large for a
// double from one too small when ReadDouble takes neither.
struct Scan {
    std::string clean;
    bool negative = false;
    bool significant = false;  // a digit other than a leading zero seen
    long long point = 0;       // where the decimal point falls after the first significant digit
    long long exponent = 0;    // the written exponent, saturated far beyond any double's

    void Take(char c, bool fraction) {
        clean += c;
        if (!significant && c == '0') {
            point -= fraction ? 1 : 0;
        } else {
            significant = true;
            point += fraction ? 0 : 1;
        }
    }
};

// The powers of ten a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Checks the text against the grammar and scans it; nullopt when it is not a number.
std::optional<Scan> ScanNumber(std::string_view text, std::string_view decimal,
                               std::string_view group) {
    Scan scan;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') {
        scan.negative = text[i] == '-';
        scan.clean.append(scan.negative ? 1 : 0, '-');
        ++i;
    }
    // Integer part: plain digits, or groups of three after a first group of one to three.
    std::size_t int_digits = 0;
    std::size_t run = 0;  // digits since the last group separator
    bool grouped = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            scan.Take(text[i], false);
            ++int_digits;
            ++run;
        } else if (HasAt(text, i, group)) {
            if (run == 0 || run > 3 || (grouped && run != 3)) {
                return std::nullopt;
            }
            grouped = true;
            run = 0;
            i += group.size() - 1;
        } else {
            break;
        }
    }
    if (grouped && run != 3) {
        return std::nullopt;
    }
    std::size_t frac_digits = 0;
    if (HasAt(text, i, decimal)) {
        scan.clean += '.';
        for (i += decimal.size(); i < text.size() && IsDigit(text[i]); ++i, ++frac_digits) {
            scan.Take(text[i], true);
        }
    }
    if (int_digits + frac_digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        scan.clean.append(text.substr(i));
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negative = text[i] == '-';
            ++i;
        }
        const std::size_t start = i;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            if (scan.exponent < 1'000'000'000) {
                scan.exponent = scan.exponent * 10 + (text[i] - '0');
            }
        }
        if (i == start) {
            return std::nullopt;
        }
        scan.exponent = negative ? -scan.exponent : scan.exponent;
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    return scan;
}

// The common case, a box holding "28" or "1.25": at most 15 characters of digits and one
// single-byte decimal point, nothing else. Read in one tight loop; anything else (signs,
// blanks, groups, exponents) goes the general way. Exact: the digits and the power of ten are
// both exact doubles, so one division rounds correctly.
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

// The number the text holds; kNotANumber or kTooLarge when it holds none.
double ParseNumber(std::string_view text, const NumberSeparators& separators) {
    const std::string_view decimal =
        separators.decimal.empty() ? std::string_view(".") : std::string_view(separators.decimal);
    if (const std::optional<double> plain = PlainValue(text, decimal)) {
        return *plain;
    }
    const std::size_t first = text.find_first_not_of(" \t");  // blanks around are ignored
    if (first == std::string_view::npos) {
        return kNotANumber;
    }
    text = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    std::string_view group = separators.group;
    if (group.size() == decimal.size() && HasAt(group, 0, decimal)) {
        group = {};  // one separator cannot be both
    }
    const std::optional<Scan> scan = ScanNumber(text, decimal, group);
    if (!scan) {
        return kNotANumber;
    }
    if (const std::optional<double> value = ReadDouble(scan->clean); value || !scan->significant) {
        return value.value_or(scan->negative ? -0.0 : 0.0);
    }
    // Beyond the largest double, or below the smallest.
    return scan->point + scan->exponent > 0 ? kTooLarge : (scan->negative ? -0.0 : 0.0);
}

}  // namespace

std::optional<double> ReadDouble(std::string_view text) {
#if SONDREL_HAS_FROM_CHARS_DOUBLE
    double value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{}) {
        return std::nullopt;
    }
#else
    // For C libraries whose strtod is correctly rounded and whose locale stays "C" (wasi-libc:
    // the module never calls setlocale). strtod also flags subnormal results; from_chars only
    // those that became 0 or infinite.
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
    const double value = ParseNumber(text, separators);
    if (std::isfinite(value)) [[likely]] {
        return value;
    }
    const bool overflow = std::isinf(value);
    return Failure{
        overflow ? FailureKind::Overflow : FailureKind::TypeMismatch, std::string(input),
        QuoteForMessage(text) + (overflow ? " is too large for a number" : " is not a number")};
}

}  // namespace sondrel
