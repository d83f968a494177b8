// The page's way into the calculator: C functions the page's script calls, on texts it
// writes into the module's memory and a JSON answer it reads back.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design.h"
#include "calc/failure.h"
#include "calc/help_text.h"
#include "calc/report.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "chart/sweep_chart.h"
#include "table/json.h"
#include "table/sweep.h"
#include "table/text_writer.h"

#define SONDREL_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace sondrel::web {
namespace {

// The texts the page hands over, each written in place by the page.
enum Slot : std::uint32_t {
    kElevation,
    kLoBaro,
    kHiBaro,
    kLoVolts,
    kHiVolts,
    kHeader,   // the report header as stored by Done, "\n" line breaks
    kResults,  // what the results box shows, as the page last set it
    kDecimal,  // the browser locale's decimal separator
    kGroup,    // and its group separator
    kSweepStart,
    kSweepStop,
    kSweepStep,
    kSlotCount
};

// Everything the page's one window holds between calls.
struct PageState {
    std::string slots[kSlotCount];
    CalculatorSession session;
    std::string answer;

    InputTexts Boxes() const {
        return {slots[kElevation], slots[kLoBaro], slots[kHiBaro], slots[kLoVolts],
                slots[kHiVolts]};
    }
    NumberSeparators Separators() const { return {slots[kDecimal], slots[kGroup]}; }
};

PageState page;

void WriteFailure(JsonObject& answer, const Failure& failure) {
    JsonObject object(answer.Member("failure"));
    object.Member("title").JsonString(FailureKindTitle(failure.kind));
    object.Member("input").JsonString(failure.input);
    object.Member("message").JsonString(failure.Message());
    object.Close();
}

// The JSON object `write` writes as the answer, for SondrelAnswer; its length.
template <typename Write>
std::uint32_t Answer(Write write) {
    page.answer.clear();
    TextWriter out(&page.answer);
    JsonObject answer(out);
    write(answer);
    answer.Close();
    out.Flush();
    return static_cast<std::uint32_t>(page.answer.size());
}

}  // namespace

// Room for `size` bytes of text in `slot`; the page writes the text there.
SONDREL_EXPORT(sondrel_text) char* SondrelText(std::uint32_t slot, std::uint32_t size) {
    if (slot >= kSlotCount) {
        return nullptr;
    }
    page.slots[slot].assign(size, '\0');
    return page.slots[slot].data();
}

// The last answer, of the length the call returned.
SONDREL_EXPORT(sondrel_answer) const char* SondrelAnswer() {
    return page.answer.data();
}

// An input box changed: the next Calculate reloads, as in the window.
SONDREL_EXPORT(sondrel_input_changed) void SondrelInputChanged() {
    page.session.ClearInitialized();
}

// Calculate on the five boxes: {"solved", "text", "raw": [the four numbers], "warnings":
// [{"code", "message"}], "failure": {"title", "input", "message"}}.
SONDREL_EXPORT(sondrel_calculate) std::uint32_t SondrelCalculate() {
    const Outcome outcome = page.session.Calculate(page.Boxes(), page.Separators());
    const ResultLines& lines = outcome.lines;
    return Answer([&](JsonObject& answer) {
        answer.Member("solved") << (outcome.solved ? "true" : "false");
        answer.Member("text").JsonString(outcome.Text());
        // The four numbers as shortest round-trip doubles, as sondrel-calc's CSV writes them.
        TextWriter& raw = answer.Member("raw") << '[';
        WriteJsonNumber(raw, lines.vr2_ohms);
        for (const double value :
             {lines.vr1_wiper_to_gnd_ohms, lines.lo_vin_volts, lines.hi_vin_volts}) {
            WriteJsonNumber(raw << ", ", value);
        }
        raw << ']';
        WriteJsonWarnings(answer.Member("warnings"), outcome.warnings);
        if (!outcome.solved) {
            WriteFailure(answer, outcome.failure);
        }
    });
}

// Generate_Report's text for the session as it stands: {"text"} or {"failure"}.
SONDREL_EXPORT(sondrel_report) std::uint32_t SondrelReport() {
    const Result<std::string> report = ReportText(page.session.loaded(), page.Boxes(),
                                                  ConvertLineBreaks(page.slots[kResults], kCrLf),
                                                  ConvertLineBreaks(page.slots[kHeader], kCrLf));
    return Answer([&report](JsonObject& answer) {
        if (report) {
            answer.Member("text").JsonString(*report);
        } else {
            WriteFailure(answer, report.failure());
        }
    });
}

// Help's text for the results box.
SONDREL_EXPORT(sondrel_help) std::uint32_t SondrelHelp() {
    page.answer = kHelpText;
    return static_cast<std::uint32_t>(page.answer.size());
}

// The boxes' labels and the window's designed defaults: {"labels": {...}, "defaults": {...}},
// keyed as the page names the boxes.
SONDREL_EXPORT(sondrel_design) std::uint32_t SondrelDesign() {
    const InputTexts defaults;
    // Each box's name in the page, label and default.
    const std::string_view boxes[][3] = {{"elevation", kElevationBox, defaults.elevation},
                                         {"loBaro", kLoBaroBox, defaults.lo_baro},
                                         {"hiBaro", kHiBaroBox, defaults.hi_baro},
                                         {"loVolts", kLoVoltsBox, defaults.lo_volts},
                                         {"hiVolts", kHiVoltsBox, defaults.hi_volts}};
    return Answer([&boxes](JsonObject& answer) {
        for (const int column : {1, 2}) {
            JsonObject object(answer.Member(column == 1 ? "labels" : "defaults"));
            for (const auto& box : boxes) {
                object.Member(box[0]).JsonString(box[column]);
            }
            object.Close();
        }
    });
}

// An elevation sweep from the sweep's start to its stop by its step, the four other boxes read
// once, as sondrel-calc --sweep-elevation sweeps: {"problem"} or {"rows", "warned", "failed",
// "csv" (sondrel-calc's table), "svg" (its --plot chart)}.
SONDREL_EXPORT(sondrel_sweep) std::uint32_t SondrelSweep() {
    const Result<SweepRange> range = ReadSweepRange(page.slots[kSweepStart], page.slots[kSweepStop],
                                                    page.slots[kSweepStep], page.Separators());
    InputTexts fixed = page.Boxes();
    fixed.elevation = "0";  // each row puts its own elevation here
    const Result<Design> design = ReadDesign(fixed, page.Separators());
    return Answer([&](JsonObject& answer) {
        // Past the page's limit, whether or not past sondrel-calc's, the page says its own.
        if (range ? range->rows > 100'000
                  : range.failure().detail == "more than " + MaxRowsText() + " rows") {
            answer.Member("problem").JsonString(
                "more than 100,000 rows, the most the page sweeps (sondrel-calc "
                "--sweep-elevation takes up to " +
                MaxRowsText() + ")");
        } else if (!range) {
            Failure failure = range.failure();
            // A number is named by its box's label; the range's own problems by none.
            constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
                {"START", "Start, ft"}, {"STOP", "Stop, ft"}, {"STEP", "Step, ft"}};
            for (const auto& [name, label] : kLabels) {
                failure.input = failure.input == name ? std::string(label) : failure.input;
            }
            answer.Member("problem").JsonString(failure.Message());
        } else if (!design) {
            answer.Member("problem").JsonString(design.failure().Message());
        } else {
            std::string csv;
            std::vector<chart::ChartRow> chart_rows;
            TextWriter out(&csv);
            const TableCounts counts = WriteSweep(out, *range, *design, &chart_rows);
            out.Flush();
            answer.Member("rows").Int(static_cast<long long>(counts.rows));
            answer.Member("warned").Int(static_cast<long long>(counts.warned));
            answer.Member("failed").Int(static_cast<long long>(counts.failed()));
            answer.Member("csv").JsonString(csv);
            answer.Member("svg").JsonString(chart::SweepChartSvg(chart_rows, page.Boxes()));
        }
    });
}

}  // namespace sondrel::web
