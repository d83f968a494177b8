#pragma once
// Failures that stop a command: their kinds and the exception that carries them.
// A command that cannot go on throws Failure; the caller decides how to show it.

#include <stdexcept>
#include <string>
#include <string_view>

namespace sondrel {

enum class FailureKind {
    TypeMismatch,     // a text that is not a number
    InvalidArgument,  // e.g. the logarithm of a non-positive number
    DivisionByZero,
    Overflow,  // a result too large for a double, or not finite
    File,      // the report could not be written
};

// Stable machine-readable name: "type-mismatch", "invalid-argument", ...
std::string_view FailureKindId(FailureKind kind) noexcept;
// Name for people: "Type mismatch", "Invalid argument", ...
std::string_view FailureKindTitle(FailureKind kind) noexcept;

class Failure : public std::runtime_error {
public:
    Failure(FailureKind kind, const std::string& message);
    FailureKind kind() const noexcept { return kind_; }

private:
    FailureKind kind_;
};

// A user's text made safe to quote inside a message: control characters and bytes that are
// not UTF-8 escaped ("\x01"), and long texts cut to their first few dozen characters.
std::string QuoteForMessage(std::string_view text);

}  // namespace sondrel
