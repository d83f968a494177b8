// The page's way into the calculator: C functions the page's script calls, on texts it
// writes into the module's memory and a JSON answer it reads back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "calc/design.h"
#include "calc/failure.h"
#include "calc/report.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
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

void WriteFailure(JsonWriter& json, FailureKind kind, std::string_view message) {
    json.Key("failure").BeginObject();
    json.Key("kind").String(FailureKindId(kind));
    json.Key("title").String(FailureKindTitle(kind));
    json.Key("message").String(message);
    json.EndObject();
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
        web::WriteFailure(json, outcome.failure.kind, outcome.failure.message);
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
    json.Key("text").String(ReportText(LoadedInputs::From(state.session.loaded()), state.Boxes(),
                                       ConvertLineBreaks(state.slots[web::kResults], kCrLf),
                                       ConvertLineBreaks(state.slots[web::kHeader], kCrLf)));
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
