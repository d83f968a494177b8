#pragma once
// Failures that stop a command, as values: their kinds, what they concern and say, and
// Result, a value or the failure that stopped it. The core reports every failure this way.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace sondrel {

enum class FailureKind {
    TypeMismatch,     // a text that is not a number
    InvalidArgument,  // e.g. the logarithm of a non-positive number
    DivisionByZero,
    Overflow,  // a result too large for a double, or not finite
    File,      // the report could not be written
};

// The kind's stable id for programs ("type-mismatch") and its title for people ("Type mismatch").
std::string_view FailureKindId(FailureKind kind) noexcept;
std::string_view FailureKindTitle(FailureKind kind) noexcept;

// What stopped a command.
struct Failure {
    FailureKind kind = FailureKind::TypeMismatch;
    // The input it concerns, as messages name it ("Elevation, ft", "--sweep-elevation START").
    std::string input;
    std::string detail;  // what went wrong, e.g. `"abc" is not a number`

    // The one-line message: `Elevation, ft: "abc" is not a number`, or the detail alone.
    std::string Message() const { return input.empty() ? detail : input + ": " + detail; }
};

// A value, or the failure that stopped its making.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}              // NOLINT: a value is a result
    Result(Failure failure) : failure_(std::move(failure)) {}  // NOLINT: so is a failure

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    T&& value() && { return std::move(*value_); }
    const T& operator*() const& { return *value_; }
    const T* operator->() const { return &*value_; }
    // Only when not ok().
    const Failure& failure() const { return failure_; }

private:
    std::optional<T> value_;
    Failure failure_;
};

// A user's text made safe to quote inside a message: control characters and bytes that are
// not UTF-8 escaped ("\x01"), and long texts cut to their first few dozen characters.
std::string QuoteForMessage(std::string_view text);

// A name (a file's, say) escaped as QuoteForMessage escapes it, neither quoted nor cut, so
// that no name can break a message's line or send a terminal escape.
std::string EscapeForMessage(std::string_view text);

}  // namespace sondrel
