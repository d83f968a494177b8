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

std::size_t Count(std::string_view text, std::string_view piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string_view::npos;
         at = text.find(piece, at + piece.size())) {
        ++count;
    }
    return count;
}

void CheckAgainstStrtod(const std::string& text, const NumberSeparators& separators,
                        const ParseResult& got) {
    const std::optional<std::string> clean = CleanNumberText(text, separators);
    if (!clean) {
        Check(got.status == ParseStatus::NotANumber, "a text that is not a number was accepted",
              text);
        return;
    }
    bool out_of_range = false;
    const double expected = StrtodC(*clean, out_of_range);
    if (std::isinf(expected)) {
        Check(got.status == ParseStatus::Overflow,
              "a number beyond the largest double was not "
              "an overflow",
              text);
        return;
    }
    Check(got.status == ParseStatus::Ok, "a number was rejected", text);
    if (!SameBits(got.value, expected)) {
        char detail[160];
        std::snprintf(detail, sizeof detail, "read %.17g, strtod reads %.17g from \"%s\"",
                      got.value, expected, clean->substr(0, 60).c_str());
        Check(false, detail, text);
    }
}

// Rules that hold whatever the reference says.
void CheckAcceptedShape(const std::string& text, const NumberSeparators& separators,
                        const ParseResult& got) {
    if (got.status != ParseStatus::Ok) {
        return;
    }
    Check(std::isfinite(got.value), "an accepted number is not finite", text);
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

// ReadNumber agrees with ParseNumber, and says so in a safe message.
void CheckReadNumber(const std::string& text, const NumberSeparators& separators,
                     const ParseResult& got) {
    constexpr std::string_view kBox = "LoBaro, inHg";
    const Result<double> number = ReadNumber(text, kBox, separators);
    if (number) {
        Check(got.status == ParseStatus::Ok && SameBits(*number, got.value),
              "ReadNumber and ParseNumber disagree", text);
        return;
    }
    const FailureKind expected =
        got.status == ParseStatus::Overflow ? FailureKind::Overflow : FailureKind::TypeMismatch;
    Check(got.status != ParseStatus::Ok && number.failure().kind == expected,
          "ReadNumber failed with the wrong kind", text);
    const std::string message = number.failure().Message();
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
    const ParseResult got = ParseNumber(text, separators);
    CheckAgainstStrtod(text, separators, got);
    CheckAcceptedShape(text, separators, got);
    CheckReadNumber(text, separators, got);
    return 0;
}

}  // namespace sondrel::fuzz

SONDREL_FUZZ_ENTRY_POINT(sondrel::fuzz::FuzzTextToNumber)
