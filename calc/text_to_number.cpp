#include "calc/text_to_number.h"

#include <charconv>
#include <cmath>
#include <string>

#include "calc/failure.h"

namespace sondrel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text rewritten in the one form std::from_chars reads: [-]digits[.digits][e[-]digits].
// Short texts stay on the stack.
class CleanText {
public:
    explicit CleanText(std::size_t capacity) {
        if (capacity > sizeof small_) {
            large_.reserve(capacity);
        }
    }
    void Push(char c) {
        if (large_.capacity() != 0) {
            large_.push_back(c);
        } else {
            small_[size_++] = c;
        }
    }
    const char* begin() const { return large_.capacity() != 0 ? large_.data() : small_; }
    const char* end() const { return begin() + size(); }
    std::size_t size() const { return large_.capacity() != 0 ? large_.size() : size_; }

private:
    char small_[64];
    std::size_t size_ = 0;
    std::string large_;
};

}  // namespace

ParseResult ParseNumber(std::string_view text, const NumberSeparators& separators) {
    const ParseResult not_a_number{ParseStatus::NotANumber, 0.0};
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return not_a_number;
    }

    const std::string_view decimal =
        separators.decimal.empty() ? std::string_view(".") : std::string_view(separators.decimal);
    const std::string_view group = separators.group == separators.decimal
                                       ? std::string_view{}
                                       : std::string_view(separators.group);

    CleanText clean(text.size() + 1);
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        if (negative) {
            clean.Push('-');
        }
        ++i;
    }

    // Integer part: plain digits, or groups of three after a first group of one to three.
    std::size_t int_digits = 0;
    std::size_t run = 0;  // digits since the last group separator
    bool grouped = false;
    // Position of the first non-zero digit relative to the decimal point, for telling an
    // overflow from an underflow when the value is out of range.
    long long magnitude = 0;
    bool seen_nonzero = false;
    while (i < text.size()) {
        if (IsDigit(text[i])) {
            clean.Push(text[i]);
            if (text[i] != '0') {
                seen_nonzero = true;
            }
            if (seen_nonzero) {
                ++magnitude;
            }
            ++int_digits;
            ++run;
            ++i;
        } else if (!group.empty() && text.substr(i, group.size()) == group) {
            if (run == 0 || run > 3 || (grouped && run != 3)) {
                return not_a_number;
            }
            grouped = true;
            run = 0;
            i += group.size();
        } else {
            break;
        }
    }
    if (grouped && run != 3) {
        return not_a_number;
    }

    std::size_t frac_digits = 0;
    if (text.substr(i, decimal.size()) == decimal) {
        clean.Push('.');
        i += decimal.size();
        while (i < text.size() && IsDigit(text[i])) {
            clean.Push(text[i]);
            if (!seen_nonzero) {
                if (text[i] != '0') {
                    seen_nonzero = true;
                } else {
                    --magnitude;
                }
            }
            ++frac_digits;
            ++i;
        }
    }
    if (int_digits + frac_digits == 0) {
        return not_a_number;
    }

    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        clean.Push('e');
        ++i;
        bool exp_negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            exp_negative = text[i] == '-';
            if (exp_negative) {
                clean.Push('-');
            }
            ++i;
        }
        const std::size_t exp_start = i;
        while (i < text.size() && IsDigit(text[i])) {
            clean.Push(text[i]);
            if (exponent < 1'000'000'000) {
                exponent = exponent * 10 + (text[i] - '0');
            }
            ++i;
        }
        if (i == exp_start) {
            return not_a_number;
        }
        if (exp_negative) {
            exponent = -exponent;
        }
    }
    if (i != text.size()) {
        return not_a_number;
    }

    double value = 0.0;
    const auto [end, ec] = std::from_chars(clean.begin(), clean.end(), value);
    if (ec == std::errc::result_out_of_range) {
        if (magnitude + exponent > 0) {
            return {ParseStatus::Overflow, 0.0};
        }
        return {ParseStatus::Ok, negative ? -0.0 : 0.0};  // below the smallest double
    }
    if (ec != std::errc{} || end != clean.end() || !std::isfinite(value)) {
        return not_a_number;
    }
    return {ParseStatus::Ok, value};
}

double TextToNumber(std::string_view text, std::string_view box_name,
                    const NumberSeparators& separators) {
    const ParseResult result = ParseNumber(text, separators);
    switch (result.status) {
        case ParseStatus::Ok: return result.value;
        case ParseStatus::Overflow:
            throw Failure(FailureKind::Overflow, std::string(box_name) + ": " +
                                                     QuoteForMessage(text) +
                                                     " is too large for a number");
        case ParseStatus::NotANumber: break;
    }
    throw Failure(FailureKind::TypeMismatch,
                  std::string(box_name) + ": " + QuoteForMessage(text) + " is not a number");
}

}  // namespace sondrel
