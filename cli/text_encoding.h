#pragma once
// The encodings spreadsheets save text files in (UTF-8, Windows-1252, UTF-16 with a
// byte-order mark), turned into UTF-8, and where a text stops being well-formed UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace sondrel::cli {

// How a batch file's bytes are read: as --encoding names them, or guessed.
enum class TextEncoding {
    Guess,        // UTF-8 when the bytes are well-formed UTF-8, else Windows-1252
    Utf8,         // --encoding utf-8
    Windows1252,  // --encoding windows-1252
};

// Appends `code` (at most U+10FFFF, not a surrogate) to `out` as UTF-8.
void AppendUtf8(char32_t code, std::string& out);

// Appends each byte of `bytes`, read as Windows-1252, to `out` as UTF-8. The five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the
// same number, as Windows itself reads them, so every byte reads as one character.
void AppendWindows1252(std::string_view bytes, std::string& out);

// UTF-16 (LE or BE) read a piece at a time into UTF-8.
class Utf16Decoder {
public:
    explicit Utf16Decoder(bool big_endian) : big_endian_(big_endian) {}

    // Appends the UTF-8 of the next `bytes` of the text to `out`. A code unit or a surrogate
    // pair cut off at their end waits for the next call; a lone surrogate becomes U+FFFD.
    void Append(std::string_view bytes, std::string& out);
    // The text has ended: a half code unit or a high surrogate left over becomes U+FFFD.
    void Finish(std::string& out);

private:
    bool big_endian_;
    std::string pending_;  // the bytes of an unfinished unit or surrogate pair
    char32_t high_ = 0;    // a high surrogate waiting for its low one
};

// A file's bytes turned into UTF-8 as they are read. A UTF-16 byte-order mark (LE or BE)
// makes the file UTF-16; otherwise a UTF-8 one is dropped and the encoding given applies to
// the rest, where Guess reads the file as UTF-8 when its first `guess_bytes` (the mark
// included) are well-formed UTF-8, else as Windows-1252. Read as UTF-8, the bytes are passed
// on as they are, well-formed or not. The first bytes are held until they decide.
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
    void Decode(std::string_view bytes, std::string& out);

    TextEncoding encoding_;
    std::size_t guess_bytes_;
    bool started_ = false;  // the encoding is decided
    bool guessed_ = false;
    bool utf16_ = false;
    Utf16Decoder utf16_decoder_{false};
    std::string held_;  // the first bytes, until they decide
};

// The offset of the first byte of `bytes` that is not part of well-formed UTF-8, or
// std::string_view::npos when there is none. With `more_follows`, a character cut off by the
// end of `bytes` counts as well-formed: the rest of it may come next.
std::size_t FirstNonUtf8(std::string_view bytes, bool more_follows);

}  // namespace sondrel::cli
