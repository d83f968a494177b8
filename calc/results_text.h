#pragma once
// The results box as the calculator sees it: a text it can read and replace, and the
// four result lines ("VR2 = 1813. Ohms", ...) it writes there.

#include <string>

namespace sondrel {

// Which of a pass's lines the solver wrote: the VR2 line alone when the pass failed after it.
enum class WrittenLines { Vr2Alone, AllFour };

// What the solver last wrote: the VR2 line alone, or all four lines of a pass.
struct ResultLines {
    WrittenLines written = WrittenLines::AllFour;
    double vr2_ohms = 0;
    double vr1_wiper_to_gnd_ohms = 0;
    double lo_vin_volts = 0;
    double hi_vin_volts = 0;
};

// The lines' text, joined by "\r\n" with none after the last.
std::string FormatResultLines(const ResultLines& lines);

// A box of text: the window's results box, or a plain string.
class TextHolder {
public:
    virtual ~TextHolder() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(std::string text) = 0;
    // Replaces the text with result lines. A holder may keep the numbers and format them
    // only when it is read; what Text() returns is the same either way.
    virtual void SetResults(const ResultLines& lines) { SetText(FormatResultLines(lines)); }
};

// A text held in memory; result lines are formatted when first read.
class StringTextHolder final : public TextHolder {
public:
    StringTextHolder() = default;
    explicit StringTextHolder(std::string text) : text_(std::move(text)) {}

    std::string Text() const override;
    void SetText(std::string text) override;
    void SetResults(const ResultLines& lines) override;

    // The numbers behind the text when it holds result lines, else nullptr.
    const ResultLines* Results() const { return has_results_ ? &results_ : nullptr; }

private:
    mutable std::string text_;
    mutable bool pending_ = false;  // results_ not yet formatted into text_
    bool has_results_ = false;
    ResultLines results_;
};

}  // namespace sondrel
