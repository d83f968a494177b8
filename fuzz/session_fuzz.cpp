// A whole session from arbitrary texts: Calculate, Calculate again, then the report text.
// Each ends with four well-formed result lines and a report laid out line by line, or with a
// typed failure that leaves the results box as it was or as the last pass wrote it.

#include <string>
#include <vector>

#include "calc/failure.h"
#include "calc/number_format.h"
#include "calc/report.h"
#include "calc/solver.h"
#include "fuzz/oracle.h"
#include "fuzz/targets.h"

namespace sondrel::fuzz {
namespace {

struct Session {
    InputTexts inputs;
    std::string header;
    std::string box;  // the results box before Calculate
    std::string input;
};

Session Split(const std::uint8_t* data, std::size_t size) {
    Session s;
    s.input.assign(reinterpret_cast<const char*>(data), size);
    std::vector<std::string*> fields = {&s.inputs.elevation,
                                        &s.inputs.lo_baro,
                                        &s.inputs.hi_baro,
                                        &s.inputs.lo_volts,
                                        &s.inputs.hi_volts,
                                        &s.header,
                                        &s.box};
    std::size_t start = 1;
    for (std::string* field : fields) {
        if (start > size) {
            break;
        }
        const std::size_t end = s.input.find('\x1f', start);
        *field = s.input.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? size + 1 : end + 1;
    }
    return s;
}

// Consumes `piece` at `at` in `text`.
bool Take(std::string_view text, std::size_t& at, std::string_view piece) {
    if (text.substr(at).starts_with(piece)) {
        at += piece.size();
        return true;
    }
    return false;
}

// Consumes a shown number ending at `terminator` and checks it against `value`.
bool TakeNumber(std::string_view text, std::size_t& at, std::string_view terminator, double value,
                int decimals) {
    const std::size_t end = text.find(terminator, at);
    if (end == std::string_view::npos) {
        return false;
    }
    const std::optional<Decimal> shown = ReadShownNumber(text.substr(at, end - at), decimals);
    if (!shown || CompareDistanceToHalfUnit(FifteenDigits(value), *shown, decimals) > 0) {
        return false;
    }
    at = end + terminator.size();
    return true;
}

// "VR2 = 1813. Ohms", or all four lines, with the numbers the holder keeps behind them.
bool AreResultLines(std::string_view text, const ResultLines& r, bool vr2_alone) {
    std::size_t at = 0;
    if (!Take(text, at, "VR2 = ") || !TakeNumber(text, at, " Ohms", r.vr2_ohms, 0)) {
        return false;
    }
    if (vr2_alone) {
        return at == text.size();
    }
    return Take(text, at, "\r\nVR1 wiper to GND side = ") &&
           TakeNumber(text, at, " Ohms", r.vr1_wiper_to_gnd_ohms, 0) &&
           Take(text, at, "\r\nLoVin = ") && TakeNumber(text, at, " Volts", r.lo_vin_volts, 3) &&
           Take(text, at, "\r\nHiVin = ") && TakeNumber(text, at, " Volts", r.hi_vin_volts, 3) &&
           at == text.size();
}

void CheckResultsAfterSuccess(const Session& s, const CalculatorSession& session,
                              const Outcome& outcome) {
    const ResultLines& r = outcome.lines;
    Check(r.written == WrittenLines::AllFour, "Calculate did not leave four result lines", s.input);
    Check(AreResultLines(outcome.Text(), r, false), "the result lines are malformed", s.input);
    Check(session.initialized() && outcome.passes >= 1 && outcome.passes <= 100,
          "the pass count left the range 1 to 100", s.input);
}

void CheckResultsAfterFailure(const Session& s, const Outcome& outcome) {
    const FailureKind kind = outcome.failure.kind;
    Check(kind == FailureKind::TypeMismatch || kind == FailureKind::InvalidArgument ||
              kind == FailureKind::DivisionByZero || kind == FailureKind::Overflow,
          "Calculate failed with a kind it cannot have", s.input);
    const std::string message = outcome.failure.Message();
    Check(!message.empty() && message.find_first_of("\r\n") == std::string_view::npos,
          "the failure message is empty or more than one line", s.input);
    const ResultLines& r = outcome.lines;
    Check(r.written == WrittenLines::None ||
              AreResultLines(outcome.Text(), r, r.written == WrittenLines::Vr2Alone),
          "a failure left something else in the results box", s.input);
}

// The header, then five lines in the report's layout, a blank line and the results box.
void CheckReport(const Session& s, const Design& loaded, const std::string& results) {
    const Result<std::string> report = ReportText(loaded, s.inputs, results, s.header);
    if (!report) {
        Check(report.failure().kind == FailureKind::Overflow, "the report failed with a wrong kind",
              s.input);
        return;
    }
    const std::string_view text = *report;
    std::size_t at = 0;
    const bool laid_out = Take(text, at, s.header) && Take(text, at, "Elev = ") &&
                          Take(text, at, s.inputs.elevation) &&
                          Take(text, at, " ft       Elev = ") &&
                          TakeNumber(text, at, " m\r\n", loaded.elevation_ft / 3.28084, 1) &&
                          Take(text, at, "LoBaro = ") && Take(text, at, s.inputs.lo_baro) &&
                          Take(text, at, " inHg     LoBaro = ") &&
                          TakeNumber(text, at, " mb\r\n", loaded.lo_baro_inhg / 0.02952999, 1) &&
                          Take(text, at, "HiBaro = ") && Take(text, at, s.inputs.hi_baro) &&
                          Take(text, at, " inHg     HiBaro = ") &&
                          TakeNumber(text, at, " mb\r\n", loaded.hi_baro_inhg / 0.02952999, 1) &&
                          Take(text, at, "LoVolts = ") && Take(text, at, s.inputs.lo_volts) &&
                          Take(text, at, "\r\nHiVolts = ") && Take(text, at, s.inputs.hi_volts) &&
                          Take(text, at, "\r\n\r\n") && Take(text, at, results);
    Check(laid_out, "the report does not follow the layout", s.input);
    Check(text.substr(at) == "" || text.substr(at) == "\r\n",
          "the report has more after the results box", s.input);
}

}  // namespace

int FuzzSession(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const Session s = Split(data, size);
    const NumberSeparators& separators = SeparatorsFor(data[0]);

    CalculatorSession session;
    const Outcome outcome = session.Calculate(s.inputs, separators);
    if (!outcome.solved) {
        CheckResultsAfterFailure(s, outcome);
        CheckReport(s, session.loaded(),
                    outcome.lines.written == WrittenLines::None ? s.box : outcome.Text());
        return 0;
    }
    CheckResultsAfterSuccess(s, session, outcome);

    // Again without an edit: one more pass, the same lines, the same pass count.
    const Outcome again = session.Calculate(s.inputs, separators);
    Check(again.solved, "a repeated Calculate failed where the first succeeded", s.input);
    Check(again.Text() == outcome.Text() && again.passes == outcome.passes,
          "a repeated Calculate changed the results or the pass count", s.input);

    CheckReport(s, session.loaded(), again.Text());
    return 0;
}

}  // namespace sondrel::fuzz

SONDREL_FUZZ_ENTRY_POINT(sondrel::fuzz::FuzzSession)
