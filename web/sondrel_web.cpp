// The page's way into the calculator: C functions the page's script calls, on texts it
// writes into the module's memory and a JSON answer it reads back.

#include <cstddef>
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
    Outcome outcome;
    std::string answer;

    InputTexts Boxes() const {
        return {slots[kElevation], slots[kLoBaro], slots[kHiBaro], slots[kLoVolts],
                slots[kHiVolts]};
    }
    NumberSeparators Separators() const { return {slots[kDecimal], slots[kGroup]}; }
};

PageState& State() {
    static PageState state;
    return state;
}

void WriteFailure(JsonObject& answer, const Failure& failure) {
    JsonObject object(answer.Member("failure"));
    object.Member("kind").JsonString(FailureKindId(failure.kind));
    object.Member("title").JsonString(FailureKindTitle(failure.kind));
    object.Member("input").JsonString(failure.input);
    object.Member("message").JsonString(failure.Message());
    object.Close();
}

// The page sweeps at most this many rows; sondrel-calc takes longer sweeps.
constexpr std::size_t kMaxPageSweepRows = 100'000;

// The JSON object `write` writes as the answer, for SondrelAnswer; its length.
template <typename Write>
std::uint32_t Answer(Write write) {
    std::string& text = State().answer;
    text.clear();
    {
        TextWriter out(&text);
        JsonObject answer(out);
        write(answer);
        answer.Close();
    }
    return static_cast<std::uint32_t>(text.size());
}

}  // namespace
}  // namespace sondrel::web

using sondrel::web::State;

// Room for `size` bytes of text in `slot`; the page writes the text there.
SONDREL_EXPORT(sondrel_text) char* SondrelText(std::uint32_t slot, std::uint32_t size) {
    if (slot >= sondrel::web::kSlotCount) {
        return nullptr;
    }
    std::string& text = State().slots[slot];
    text.assign(size, '\0');
    return text.data();
}

// The last answer, of the length the call returned.
SONDREL_EXPORT(sondrel_answer) const char* SondrelAnswer() {
    return State().answer.data();
}

// An input box changed: the next Calculate reloads, as in the window.
SONDREL_EXPORT(sondrel_input_changed) void SondrelInputChanged() {
    State().session.ClearInitialized();
}

// Calculate on the five boxes: {"solved", "passes", "written": "none"|"vr2"|"all", "text",
// "raw": [the four numbers], "warnings": [{"code", "message"}], "failure": {"kind", "title",
// "input", "message"}}.
SONDREL_EXPORT(sondrel_calculate) std::uint32_t SondrelCalculate() {
    using namespace sondrel;
    web::PageState& state = State();
    state.session.Calculate(state.Boxes(), state.outcome, WarningText::Messages,
                            state.Separators());
    const Outcome& outcome = state.outcome;
    const ResultLines& lines = outcome.lines;
    return web::Answer([&](JsonObject& answer) {
        answer.Member("solved") << (outcome.solved ? "true" : "false");
        answer.Member("passes").Int(outcome.passes);
        answer.Member("written").JsonString(lines.written == WrittenLines::None       ? "none"
                                            : lines.written == WrittenLines::Vr2Alone ? "vr2"
                                                                                      : "all");
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
            web::WriteFailure(answer, outcome.failure);
        }
    });
}

// Generate_Report's text for the session as it stands: {"text"} or {"failure"}.
SONDREL_EXPORT(sondrel_report) std::uint32_t SondrelReport() {
    using namespace sondrel;
    const web::PageState& state = State();
    const Result<std::string> report = ReportText(
        state.session.loaded(), state.Boxes(), ConvertLineBreaks(state.slots[web::kResults], kCrLf),
        ConvertLineBreaks(state.slots[web::kHeader], kCrLf));
    return web::Answer([&report](JsonObject& answer) {
        if (report) {
            answer.Member("text").JsonString(*report);
        } else {
            web::WriteFailure(answer, report.failure());
        }
    });
}

// Help's text for the results box.
SONDREL_EXPORT(sondrel_help) std::uint32_t SondrelHelp() {
    State().answer = sondrel::kHelpText;
    return static_cast<std::uint32_t>(State().answer.size());
}

// The boxes' labels and the window's designed defaults: {"labels": {...}, "defaults": {...}},
// keyed as the page names the boxes.
SONDREL_EXPORT(sondrel_design) std::uint32_t SondrelDesign() {
    using namespace sondrel;
    const InputTexts defaults;
    const std::string_view names[] = {"elevation", "loBaro", "hiBaro", "loVolts", "hiVolts"};
    const std::string_view labels[] = {kElevationBox, kLoBaroBox, kHiBaroBox, kLoVoltsBox,
                                       kHiVoltsBox};
    const std::string_view texts[] = {defaults.elevation, defaults.lo_baro, defaults.hi_baro,
                                      defaults.lo_volts, defaults.hi_volts};
    return web::Answer([&](JsonObject& answer) {
        for (const auto& [member, values] :
             {std::pair("labels", labels), std::pair("defaults", texts)}) {
            JsonObject object(answer.Member(member));
            for (std::size_t i = 0; i < std::size(names); ++i) {
                object.Member(names[i]).JsonString(values[i]);
            }
            object.Close();
        }
    });
}

// An elevation sweep from the sweep's start to its stop by its step, the four other boxes read
// once, as sondrel-calc --sweep-elevation sweeps: {"problem"} or {"rows", "warned", "failed",
// "csv" (sondrel-calc's table), "svg" (its --plot chart)}.
SONDREL_EXPORT(sondrel_sweep) std::uint32_t SondrelSweep() {
    using namespace sondrel;
    const web::PageState& state = State();
    const NumberSeparators separators = state.Separators();
    Result<SweepRange> range =
        ReadSweepRange(state.slots[web::kSweepStart], state.slots[web::kSweepStop],
                       state.slots[web::kSweepStep], separators);
    InputTexts fixed = state.Boxes();
    fixed.elevation = std::string(1, '0');  // each row puts its own elevation here
    const Result<Design> design = ReadDesign(fixed, separators);
    // Past the page's limit, whether or not past sondrel-calc's, the page says its own.
    const std::string too_many =
        "more than 100,000 rows, the most the page sweeps "
        "(sondrel-calc --sweep-elevation takes up to " +
        MaxRowsText() + ")";
    const bool past_limit = range
                                ? range->rows > web::kMaxPageSweepRows
                                : range.failure().detail == "more than " + MaxRowsText() + " rows";
    return web::Answer([&](JsonObject& answer) {
        if (past_limit) {
            answer.Member("problem").JsonString(too_many);
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
            TableCounts counts;
            {
                TextWriter out(&csv);
                counts = WriteSweep(out, *range, *design, &chart_rows);
            }
            answer.Member("rows").Int(static_cast<long long>(counts.rows));
            answer.Member("warned").Int(static_cast<long long>(counts.warned));
            answer.Member("failed").Int(static_cast<long long>(counts.failed()));
            answer.Member("csv").JsonString(csv);
            answer.Member("svg").JsonString(chart::SweepChartSvg(chart_rows, state.Boxes()));
        }
    });
}
