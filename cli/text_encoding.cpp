#include "cli/text_encoding.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "calc/text_rules.h"

namespace sondrel::cli {
namespace {

// Windows-1252 where it differs from Latin-1: the characters of bytes 0x80 to 0x9F. The five
// the code page leaves undefined keep their own number (C1 controls), as Windows reads them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr char32_t kReplacement = 0xFFFD;

// Appends `code` (at most U+10FFFF, not a surrogate) to `out` as UTF-8: a lead byte, then
// six bits in each continuation byte.
void AppendUtf8(char32_t code, std::string& out) {
    constexpr char32_t kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    const int more = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    out.push_back(static_cast<char>(kLead[more] | (code >> (6 * more))));
    for (int shift = 6 * (more - 1); shift >= 0; shift -= 6) {
        out.push_back(static_cast<char>(0x80 | ((code >> shift) & 0x3F)));
    }
}

}  // namespace

void TextDecoder::Append(std::string_view bytes, bool at_end, std::string& out) {
    if (started_) {
        Decode(bytes, at_end, out);
        return;
    }
    held_ += bytes;
    // A guess reads the first guess_bytes; a given encoding only looks for the marks.
    const std::size_t wanted = encoding_ == TextEncoding::Guess ? guess_bytes_ : 3;
    if (at_end || held_.size() >= wanted) {
        Decide(at_end, out);
    }
}

void TextDecoder::Decide(bool at_end, std::string& out) {
    std::string first = std::move(held_);
    held_.clear();
    std::string_view bytes = first;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        utf16_ = true;
        big_endian_ = bytes[0] == '\xFE';
        bytes.remove_prefix(2);
    } else {
        bytes.remove_prefix(bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
        if (encoding_ == TextEncoding::Guess) {
            // Exactly the first guess_bytes, however the reads came, so that the guess is
            // the same for the same file.
            const std::size_t guess_end = guess_bytes_ - (first.size() - bytes.size());
            const bool more = !at_end || bytes.size() > guess_end;
            guessed_ = true;
            encoding_ = FirstNonUtf8(bytes.substr(0, guess_end), more) == std::string_view::npos
                            ? TextEncoding::Utf8
                            : TextEncoding::Windows1252;
        }
    }
    started_ = true;
    Decode(bytes, at_end, out);
}

void TextDecoder::Decode(std::string_view bytes, bool at_end, std::string& out) {
    if (encoding_ == TextEncoding::Windows1252 && !utf16_) {
        for (const char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            AppendUtf8(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b, out);
        }
        return;
    }
    if (!utf16_) {
        out += bytes;
        return;
    }
    held_ += bytes;
    std::size_t i = 0;
    for (; i + 1 < held_.size(); i += 2) {
        const auto first = static_cast<unsigned char>(held_[i]);
        const auto second = static_cast<unsigned char>(held_[i + 1]);
        const char32_t unit =
            big_endian_ ? (char32_t{first} << 8 | second) : (char32_t{second} << 8 | first);
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high_ != 0 && low) {
            AppendUtf8(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00), out);
        } else if (high_ != 0) {  // a high surrogate without its low one
            AppendUtf8(kReplacement, out);
        }
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (!high && (high_ == 0 || !low)) {
            AppendUtf8(low ? kReplacement : unit, out);
        }
        high_ = high ? unit : 0;
    }
    held_.erase(0, i);
    if (at_end && (high_ != 0 || !held_.empty())) {
        AppendUtf8(kReplacement, out);
    }
}

std::size_t FirstNonUtf8(std::string_view bytes, bool more_follows) {
    for (std::size_t i = 0; i < bytes.size();) {
        // ASCII, the most of any file, eight bytes at a time.
        if (std::uint64_t eight = 0; bytes.size() - i >= sizeof eight) {
            std::memcpy(&eight, bytes.data() + i, sizeof eight);
            if ((eight & 0x8080808080808080u) == 0) {
                i += sizeof eight;
                continue;
            }
        }
        if (const std::size_t length = Utf8CharLength(bytes, i); length != 0) {
            i += length;
            continue;
        }
        if (more_follows && bytes.size() - i < 4) {
            // Cut off, or wrong already? It is cut off when some continuation makes it
            // well-formed: 0x80s, or 0xA0 first for the leads (E0, F0) that need more.
            for (const char first : {'\x80', '\xA0'}) {
                std::string padded(bytes.substr(i));
                while (padded.size() < 4) {
                    padded.push_back(padded.size() == bytes.size() - i ? first : '\x80');
                }
                if (Utf8CharLength(padded, 0) != 0) {
                    return std::string_view::npos;
                }
            }
        }
        return i;
    }
    return std::string_view::npos;
}

}  // namespace sondrel::cli
