#include "fuzz/oracle.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <locale.h>

namespace sondrel::fuzz {
namespace {

// The input, printable: control bytes and non-ASCII as \xNN, cut after a few hundred bytes.
std::string Escaped(std::string_view input) {
    std::string out;
    for (std::size_t i = 0; i < input.size() && i < 400; ++i) {
        const auto c = static_cast<unsigned char>(input[i]);
        if (c < 0x20 || c >= 0x7f || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (input.size() > 400) {
        out += "... (" + std::to_string(input.size()) + " bytes)";
    }
    return out;
}

// Non-negative integers as decimal digit strings without leading zeros ("0" for zero).
std::string Stripped(std::string digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

int CompareBig(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string AddBig(const std::string& a, const std::string& b) {
    std::string out;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry != 0; ++i) {
        int sum = carry;
        if (i < a.size()) {
            sum += a[a.size() - 1 - i] - '0';
        }
        if (i < b.size()) {
            sum += b[b.size() - 1 - i] - '0';
        }
        out += static_cast<char>('0' + sum % 10);
        carry = sum / 10;
    }
    std::reverse(out.begin(), out.end());
    return Stripped(out);
}

// a - b for a >= b.
std::string SubtractBig(const std::string& a, const std::string& b) {
    std::string out;
    int borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        int digit = a[a.size() - 1 - i] - '0' - borrow;
        if (i < b.size()) {
            digit -= b[b.size() - 1 - i] - '0';
        }
        borrow = digit < 0 ? 1 : 0;
        out += static_cast<char>('0' + digit + 10 * borrow);
    }
    std::reverse(out.begin(), out.end());
    return Stripped(out);
}

// The digits of `d` scaled to the power of ten `scale` (which is at most d.exponent).
std::string Scaled(const Decimal& d, int scale) {
    return Stripped(d.digits + std::string(static_cast<std::size_t>(d.exponent - scale), '0'));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

void Check(bool condition, std::string_view what, std::string_view input) {
    if (condition) {
        return;
    }
    std::fprintf(stderr, "\nsondrel fuzz check failed: %.*s\n  input: \"%s\"\n",
                 static_cast<int>(what.size()), what.data(), Escaped(input).c_str());
    std::abort();
}

const NumberSeparators& SeparatorsFor(unsigned char selector) {
    static const std::array<NumberSeparators, 7> kSets = {{
        {".", ","},
        {",", "."},
        {",", "\u202f"},       // narrow no-break space between groups
        {".", ""},             // no grouping at all
        {",", " "},            // a plain blank between groups
        {".", "'"},            // apostrophe groups
        {"\u066b", "\u066c"},  // Arabic decimal and thousands separators, two bytes each
    }};
    return kSets[(selector + 1u) % kSets.size()];  // so that "0" to "6" pick them in order
}

std::optional<std::string> CleanNumberText(std::string_view text,
                                           const NumberSeparators& separators) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }

    // First cut the text into tokens, then check their order.
    enum class Kind { Digits, Group, Point, Plus, Minus, Exponent };
    struct Token {
        Kind kind;
        std::string_view digits;
    };
    const std::string_view point = separators.decimal;
    const std::string_view group = separators.group;
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i).starts_with(point)) {
            tokens.push_back({Kind::Point, {}});
            i += point.size();
        } else if (!group.empty() && text.substr(i).starts_with(group)) {
            tokens.push_back({Kind::Group, {}});
            i += group.size();
        } else if (IsDigit(text[i])) {
            std::size_t end = i;
            while (end < text.size() && IsDigit(text[end])) {
                ++end;
            }
            tokens.push_back({Kind::Digits, text.substr(i, end - i)});
            i = end;
        } else if (text[i] == '+' || text[i] == '-') {
            tokens.push_back({text[i] == '+' ? Kind::Plus : Kind::Minus, {}});
            ++i;
        } else if (text[i] == 'e' || text[i] == 'E') {
            tokens.push_back({Kind::Exponent, {}});
            ++i;
        } else {
            return std::nullopt;
        }
    }

    std::size_t k = 0;
    const auto next_is = [&](Kind kind) { return k < tokens.size() && tokens[k].kind == kind; };
    std::string clean;
    if (next_is(Kind::Plus) || next_is(Kind::Minus)) {
        if (tokens[k].kind == Kind::Minus) {
            clean += '-';
        }
        ++k;
    }
    std::size_t mantissa_digits = 0;
    if (next_is(Kind::Digits)) {
        const std::string_view first = tokens[k++].digits;
        clean += first;
        mantissa_digits += first.size();
        if (next_is(Kind::Group) && first.size() > 3) {
            return std::nullopt;
        }
        while (next_is(Kind::Group)) {
            ++k;
            if (!next_is(Kind::Digits) || tokens[k].digits.size() != 3) {
                return std::nullopt;
            }
            clean += tokens[k++].digits;
        }
    }
    if (next_is(Kind::Point)) {
        ++k;
        clean += '.';
        if (next_is(Kind::Digits)) {
            clean += tokens[k].digits;
            mantissa_digits += tokens[k++].digits.size();
        }
    }
    if (mantissa_digits == 0) {
        return std::nullopt;
    }
    if (next_is(Kind::Exponent)) {
        ++k;
        clean += 'e';
        if (next_is(Kind::Plus) || next_is(Kind::Minus)) {
            clean += tokens[k++].kind == Kind::Minus ? "-" : "+";
        }
        if (!next_is(Kind::Digits)) {
            return std::nullopt;
        }
        clean += tokens[k++].digits;
    }
    if (k != tokens.size()) {
        return std::nullopt;
    }
    return clean;
}

double StrtodC(const std::string& text, bool& out_of_range) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    errno = 0;
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, c_locale);
    out_of_range = errno == ERANGE;
    Check(end == text.c_str() + text.size(), "strtod did not read the whole cleaned text", text);
    return value;
}

Decimal FifteenDigits(double value) {
    Decimal d;
    if (value == 0) {
        return d;
    }
    d.negative = value < 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    d.digits.clear();
    const char* p = buf;
    for (; *p != 'e'; ++p) {
        if (IsDigit(*p)) {
            d.digits += *p;
        }
    }
    d.exponent = std::atoi(p + 1) - 14;
    d.digits = Stripped(d.digits);
    return d;
}

std::optional<Decimal> ReadShownNumber(std::string_view text, int decimals) {
    Decimal d;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        d.negative = true;
        ++i;
    }
    const std::size_t int_start = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    const std::string_view int_digits = text.substr(int_start, i - int_start);
    if (i == text.size() || text[i] != '.') {
        return std::nullopt;
    }
    ++i;
    const std::size_t frac_start = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    const std::string_view frac_digits = text.substr(frac_start, i - frac_start);
    if (i != text.size() || static_cast<int>(frac_digits.size()) > decimals) {
        return std::nullopt;
    }
    if ((!int_digits.empty() && int_digits.front() == '0') ||
        (!frac_digits.empty() && frac_digits.back() == '0')) {
        return std::nullopt;
    }
    if (int_digits.empty() && frac_digits.empty()) {
        if (d.negative) {
            return std::nullopt;  // a zero never carries a sign
        }
        return d;
    }
    d.digits = Stripped(std::string(int_digits) + std::string(frac_digits));
    d.exponent = -static_cast<int>(frac_digits.size());
    return d;
}

int CompareDistanceToHalfUnit(const Decimal& a, const Decimal& b, int decimals) {
    const int scale = std::min({a.exponent, b.exponent, -(decimals + 1)});
    const std::string sa = Scaled(a, scale);
    const std::string sb = Scaled(b, scale);
    std::string distance;
    if (a.negative == b.negative) {
        distance = CompareBig(sa, sb) >= 0 ? SubtractBig(sa, sb) : SubtractBig(sb, sa);
    } else {
        distance = AddBig(sa, sb);
    }
    // "5" and zeros, made in place: GCC 12 takes "5" + std::string(...) for an overlapping
    // copy (-Wrestrict).
    std::string half(static_cast<std::size_t>(-(decimals + 1) - scale) + 1, '0');
    half.front() = '5';
    return CompareBig(distance, half);
}

bool FartherFromZero(const Decimal& a, const Decimal& b) {
    const int scale = std::min(a.exponent, b.exponent);
    return CompareBig(Scaled(b, scale), Scaled(a, scale)) > 0;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, min = 0x80, code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, min = 0x800, code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t j = 1; j < length; ++j) {
            const auto next = static_cast<unsigned char>(text[i + j]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace sondrel::fuzz
