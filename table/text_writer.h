#pragma once
// One buffered writer for everything sondrel-calc and the page print: to a C stream, or
// into a string. Numbers go in through std::to_chars, never through iostreams.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "calc/failure.h"

namespace sondrel {

class TextWriter {
public:
    explicit TextWriter(std::FILE* file) : file_(file) { buffer_.reserve(kFlushAt + 4096); }
    explicit TextWriter(std::string* sink) : sink_(sink) {}
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;
    ~TextWriter() { Flush(); }

    TextWriter& operator<<(std::string_view text) {
        buffer_ += text;
        return Filled();
    }
    TextWriter& operator<<(char c) {
        buffer_.push_back(c);
        return Filled();
    }
    // Shortest text that reads back as exactly this double; finite values only.
    TextWriter& Double(double value);
    // Shortest text that reads back as exactly this double, in plain decimals without an
    // exponent ("100000", "0.00001"); finite values only.
    TextWriter& DoubleFixed(double value);
    TextWriter& Int(long long value);
    // The text as a JSON string literal, quotes included; a byte 0xNN that is not UTF-8
    // becomes the lone surrogate "\udcNN", as Python's "surrogateescape" reads it, so that
    // any bytes (a file name's, say) read back exactly.
    TextWriter& JsonString(std::string_view text);
    // The text as one CSV field: quoted, with its quotes doubled, when it holds a comma,
    // a quote, CR or LF; as it is otherwise.
    TextWriter& CsvField(std::string_view text);

    // `text` goes before the first byte written, when any is: a byte-order mark.
    void WriteFirst(std::string_view text) { first_ = text; }

    // Writes what is buffered; the failure of the first write to the file that failed, its
    // detail the system's reason ("Broken pipe", "No space left on device").
    const std::optional<Failure>& Flush();
    // False once a write has failed, without flushing first.
    bool Good() const { return !failure_; }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    TextWriter& Filled() {
        if (buffer_.size() >= kFlushAt) {
            Flush();
        }
        return *this;
    }
    std::FILE* file_ = nullptr;
    std::string* sink_ = nullptr;
    std::string buffer_;
    std::string first_;
    std::optional<Failure> failure_;
};

}  // namespace sondrel
