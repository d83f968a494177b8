// The page's way into the calculator: C functions the page's script calls, on texts it
// writes into the module's memory and a JSON answer it reads back.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design.h"
#include "calc/failure.h"
#include "calc/report.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "chart/sweep_chart.h"
#include "cli/sweep.h"
#include "cli/text_writer.h"
#include "ui/help_text.h"
#include "web/json_writer.h"

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

void WriteFailure(JsonWriter& json, const Failure& failure) {
    json.Key("failure").BeginObject();
    json.Key("kind").String(FailureKindId(failure.kind));
    json.Key("title").String(FailureKindTitle(failure.kind));
    json.Key("input").String(failure.input);
    json.Key("message").String(failure.Message());
    json.EndObject();
}

// The page sweeps at most this many rows; sondrel-calc takes longer sweeps.
constexpr std::size_t kMaxPageSweepRows = 100'000;

// A sweep's start, stop or step read as the boxes are read, written back as the shortest
// text that reads as the same number with ".", for ParseSweepRange.
Result<std::string> SweepPart(std::string_view text, std::string_view label,
                              const NumberSeparators& separators) {
    const Result<double> value = ReadNumber(text, label, separators);
    if (!value) {
        return value.failure();
    }
    char buf[32];
    const auto written = std::to_chars(buf, buf + sizeof buf, *value);
    return std::string(buf, written.ptr);
}

std::uint32_t Answer(const JsonWriter& json) {
    State().answer = json.Text();
    return static_cast<std::uint32_t>(State().answer.size());
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
// "raw": [the four numbers],
// "warnings": [{"code", "message"}], "failure": {"kind", "title", "message"}}.
SONDREL_EXPORT(sondrel_calculate) std::uint32_t SondrelCalculate() {
    using namespace sondrel;
    web::PageState& state = State();
    state.session.Calculate(state.Boxes(), state.outcome, WarningText::Messages,
                            state.Separators());
    const Outcome& outcome = state.outcome;
    web::JsonWriter json;
    json.BeginObject();
    json.Key("solved").Bool(outcome.solved);
    json.Key("passes").Int(outcome.passes);
    json.Key("written").String(outcome.lines.written == WrittenLines::None       ? "none"
                               : outcome.lines.written == WrittenLines::Vr2Alone ? "vr2"
                                                                                 : "all");
    json.Key("text").String(outcome.Text());
    // The four numbers as shortest round-trip doubles, as sondrel-calc's CSV writes them.
    json.Key("raw").BeginArray();
    for (const double value : {outcome.lines.vr2_ohms, outcome.lines.vr1_wiper_to_gnd_ohms,
                               outcome.lines.lo_vin_volts, outcome.lines.hi_vin_volts}) {
        json.Double(value);
    }
    json.EndArray();
    json.Key("warnings").BeginArray();
    for (const DesignWarning& warning : outcome.warnings) {
        json.BeginObject();
        json.Key("code").String(warning.code);
        json.Key("message").String(warning.message);
        json.EndObject();
    }
    json.EndArray();
    if (!outcome.solved) {
        web::WriteFailure(json, outcome.failure);
    }
    json.EndObject();
    return web::Answer(json);
}

// Generate_Report's text for the session as it stands: {"text"} or {"failure"}.
SONDREL_EXPORT(sondrel_report) std::uint32_t SondrelReport() {
    using namespace sondrel;
    web::PageState& state = State();
    web::JsonWriter json;
    json.BeginObject();
    const Result<std::string> report = ReportText(
        state.session.loaded(), state.Boxes(), ConvertLineBreaks(state.slots[web::kResults], kCrLf),
        ConvertLineBreaks(state.slots[web::kHeader], kCrLf));
    if (report) {
        json.Key("text").String(*report);
    } else {
        web::WriteFailure(json, report.failure());
    }
    json.EndObject();
    return web::Answer(json);
}

// Help's text for the results box.
SONDREL_EXPORT(sondrel_help) std::uint32_t SondrelHelp() {
    State().answer = sondrel::ui::kHelpText;
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
    const std::string* texts[] = {&defaults.elevation, &defaults.lo_baro, &defaults.hi_baro,
                                  &defaults.lo_volts, &defaults.hi_volts};
    web::JsonWriter json;
    json.BeginObject().Key("labels").BeginObject();
    for (std::size_t i = 0; i < 5; ++i) {
        json.Key(names[i]).String(labels[i]);
    }
    json.EndObject().Key("defaults").BeginObject();
    for (std::size_t i = 0; i < 5; ++i) {
        json.Key(names[i]).String(*texts[i]);
    }
    json.EndObject().EndObject();
    return web::Answer(json);
}

// An elevation sweep from the sweep's start to its stop by its step, the four other boxes read
// once, as sondrel-calc --sweep-elevation sweeps: {"problem"} or {"rows", "warned", "failed",
// "csv" (sondrel-calc's table), "svg" (its --plot chart)}.
SONDREL_EXPORT(sondrel_sweep) std::uint32_t SondrelSweep() {
    using namespace sondrel;
    const web::PageState& state = State();
    const NumberSeparators separators = state.Separators();
    web::JsonWriter json;
    json.BeginObject();
    const auto problem = [&json](std::string_view message) {
        json.Key("problem").String(message);
        json.EndObject();
        return web::Answer(json);
    };
    std::string range_text;
    const std::string_view labels[] = {"Start, ft", "Stop, ft", "Step, ft"};
    for (std::size_t i = 0; i < 3; ++i) {
        const Result<std::string> part =
            web::SweepPart(state.slots[web::kSweepStart + i], labels[i], separators);
        if (!part) {
            return problem(part.failure().Message());
        }
        range_text += (i == 0 ? "" : ":") + *part;
    }
    // Past the page's limit, whether or not past sondrel-calc's, the page says its own.
    const std::string too_many =
        "more than 100,000 rows, the most the page sweeps "
        "(sondrel-calc --sweep-elevation takes up to " +
        cli::MaxRowsText() + ")";
    cli::SweepRange range;
    if (const auto message = cli::ParseSweepRange(range_text, range)) {
        // Said as sondrel-calc says it, less the option's name.
        constexpr std::string_view kOption = "--sweep-elevation: ";
        if (*message == std::string(kOption) + "more than " + cli::MaxRowsText() + " rows") {
            return problem(too_many);
        }
        return problem(message->starts_with(kOption) ? message->substr(kOption.size()) : *message);
    }
    if (range.rows > web::kMaxPageSweepRows) {
        return problem(too_many);
    }
    InputTexts fixed = state.Boxes();
    fixed.elevation = std::string(1, '0');  // each row puts its own elevation here
    const Result<Design> design = ReadDesign(fixed, separators);
    if (!design) {
        return problem(design.failure().Message());
    }
    std::string csv;
    std::vector<chart::ChartRow> chart_rows;
    cli::TableCounts counts;
    {
        cli::TextWriter out(&csv);
        counts = cli::WriteSweep(out, range, *design, &chart_rows, 1);
    }
    json.Key("rows").Int(static_cast<long long>(counts.rows));
    json.Key("warned").Int(static_cast<long long>(counts.warned));
    json.Key("failed").Int(static_cast<long long>(counts.failed()));
    json.Key("csv").String(csv);
    json.Key("svg").String(chart::SweepChartSvg(chart_rows, state.Boxes()));
    json.EndObject();
    return web::Answer(json);
}
