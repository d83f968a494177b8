#pragma once
// The encodings spreadsheets save text files in (UTF-8, Windows-1252, UTF-16 with a
// byte-order mark), turned into UTF-8, and where a text stops being well-formed UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace sondrel::cli {

// How a batch file's bytes are read: as --encoding names them, or guessed.
enum class TextEncoding {
    Guess,  // UTF-8 when the bytes are well-formed UTF-8, else Windows-1252
    Utf8,
    Windows1252,
};

// A file's bytes turned into UTF-8 as they are read. A UTF-16 byte-order mark (LE or BE)
// makes the file UTF-16 (a lone surrogate or a unit cut off at the end becomes U+FFFD);
// otherwise a UTF-8 one is dropped and the encoding given applies to the rest, where Guess
// reads the file as UTF-8 when its first `guess_bytes` (the mark included) are well-formed
// UTF-8, else as Windows-1252. Read as UTF-8, the bytes are passed on as they are,
// well-formed or not. The first bytes are held until they decide.
class TextDecoder {
public:
    TextDecoder(TextEncoding encoding, std::size_t guess_bytes)
        : encoding_(encoding), guess_bytes_(guess_bytes) {}

    // Appends the UTF-8 of the file's next `bytes` to `out`; `at_end` when none follow.
    void Append(std::string_view bytes, bool at_end, std::string& out);
    // Whether the text is passed on as read, to be checked for UTF-8 (once decided).
    bool PassesUtf8() const { return !utf16_ && encoding_ == TextEncoding::Utf8; }
    // Whether the encoding was guessed from the first bytes (not given, nor UTF-16).
    bool Guessed() const { return guessed_; }
    TextEncoding encoding() const { return encoding_; }
    std::size_t guess_bytes() const { return guess_bytes_; }

private:
    // The encoding, from the first bytes held; `at_end` when they are the whole file.
    void Decide(bool at_end, std::string& out);
    void Decode(std::string_view bytes, bool at_end, std::string& out);

    TextEncoding encoding_;
    std::size_t guess_bytes_;
    bool started_ = false;  // the encoding is decided
    bool guessed_ = false;
    bool utf16_ = false;
    bool big_endian_ = false;
    char32_t high_ = 0;  // a UTF-16 high surrogate waiting for its low one
    std::string held_;   // the first bytes until they decide; then a UTF-16 unit cut off
};

// The offset of the first byte of `bytes` that is not part of well-formed UTF-8, or
// std::string_view::npos when there is none. With `more_follows`, a character cut off by the
// end of `bytes` counts as well-formed: the rest of it may come next.
std::size_t FirstNonUtf8(std::string_view bytes, bool more_follows);

}  // namespace sondrel::cli
