// Text to number: never crashes, reads exactly what strtod reads from the cleaned text, rejects
// what is not a number, and its failure messages stay one short, printable line.

#include <cmath>
#include <cstring>
#include <string>

#include "calc/failure.h"
#include "calc/text_to_number.h"
#include "fuzz/oracle.h"
#include "fuzz/targets.h"

namespace sondrel::fuzz {
namespace {

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

constexpr std::string_view kBox = "LoBaro, inHg";

std::size_t Count(std::string_view text, std::string_view piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string_view::npos;
         at = text.find(piece, at + piece.size())) {
        ++count;
    }
    return count;
}

void CheckAgainstStrtod(const std::string& text, const NumberSeparators& separators,
                        const Result<double>& got) {
    const std::optional<std::string> clean = CleanNumberText(text, separators);
    if (!clean) {
        Check(!got && got.failure().kind == FailureKind::TypeMismatch,
              "a text that is not a number was accepted", text);
        return;
    }
    bool out_of_range = false;
    const double expected = StrtodC(*clean, out_of_range);
    if (std::isinf(expected)) {
        Check(!got && got.failure().kind == FailureKind::Overflow,
              "a number beyond the largest double was not an overflow", text);
        return;
    }
    Check(got.ok(), "a number was rejected", text);
    if (!SameBits(*got, expected)) {
        char detail[160];
        std::snprintf(detail, sizeof detail, "read %.17g, strtod reads %.17g from \"%s\"", *got,
                      expected, clean->substr(0, 60).c_str());
        Check(false, detail, text);
    }
}

// Rules that hold whatever the reference says.
void CheckAcceptedShape(const std::string& text, const NumberSeparators& separators,
                        const Result<double>& got) {
    if (!got) {
        return;
    }
    Check(std::isfinite(*got), "an accepted number is not finite", text);
    std::size_t exponent_marks = 0;
    for (const char c : text) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        Check(!letter || c == 'e' || c == 'E', "a text with a letter was accepted", text);
        exponent_marks += c == 'e' || c == 'E';
    }
    Check(exponent_marks <= 1, "a text with two exponents was accepted", text);
    Check(Count(text, separators.decimal) <= 1, "a text with two decimal separators was accepted",
          text);
}

// A failure says what it is in one safe line.
void CheckMessage(const std::string& text, const Result<double>& got) {
    if (got) {
        return;
    }
    const std::string message = got.failure().Message();
    Check(message.starts_with(std::string(kBox) + ": \""), "the message does not name the box",
          text);
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        Check(byte >= 0x20 && byte != 0x7f, "the message holds a control character", text);
    }
    // 40 characters of at most 8 bytes each (a C1 control is escaped byte by byte, "\xC2\x80"),
    // the quotes, "..." and the longest wording.
    Check(message.size() <= kBox.size() + 2 + 40 * 8 + 3 + 40, "the message is too long", text);
    Check(!IsUtf8(text) || IsUtf8(message), "the message cuts a character in half", text);
}

}  // namespace

int FuzzTextToNumber(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const NumberSeparators& separators = SeparatorsFor(data[0]);
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Result<double> got = ReadNumber(text, kBox, separators);
    CheckAgainstStrtod(text, separators, got);
    CheckAcceptedShape(text, separators, got);
    CheckMessage(text, got);
    return 0;
}

}  // namespace sondrel::fuzz

SONDREL_FUZZ_ENTRY_POINT(sondrel::fuzz::FuzzTextToNumber)
