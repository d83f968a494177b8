// The page: the window's five boxes, Calculate, the results box and its three commands, with
// the design warnings and an elevation sweep below. Every text typed or computed is set as
// text, never as markup.
"use strict";

const page = {
    calculator: null,
    separators: { decimal: ".", group: "," },  // as the module reads the boxes
    localeDecimal: ".",  // the locale's own decimal separator, read as separators.decimal
    labels: {},
    resultsText: "",  // what the results box holds, "\r\n" line breaks
    calculated: "",   // the boxes' texts at the last Calculate when it solved, else empty
    header: "",       // the report header, stored by Done; empty until then, as in the window
    sweepCsv: "",
    sweepSvg: "",
    sweepName: "",    // the sweep's downloads' name, from its start, stop and step
    chartUrl: "",
    times: {},        // performance.now() at the page's milestones, for bench/
};
window.sondrelTimes = page.times;

const byId = (id) => document.getElementById(id);
const count = (n, noun) => `${n} ${noun}${n === 1 ? "" : "s"}`;

// A blank between digits, where the locale groups thousands with a blank.
const kBlankGroup = /(?<=\d)[ \u00a0\u202f](?=\d)/g;
const kArabicDigits = /[\u0660-\u0669\u06f0-\u06f9]/g;

// The browser locale's separators, as the window takes the desktop's: "," and "." in German.
// A locale whose decimal separator is neither "." nor "," (Arabic's "٫") is read with "."
// as well, and its own separator and digits are read as "." and ASCII digits.
function localeSeparators() {
    const locale = (navigator.languages && navigator.languages[0]) || navigator.language;
    const parts = new Intl.NumberFormat(locale, { useGrouping: true }).formatToParts(1234567.5);
    const part = (type) => (parts.find((p) => p.type === type) || { value: "" }).value;
    const decimal = part("decimal") || ".";
    page.localeDecimal = decimal;
    return { decimal: decimal === "," ? "," : ".", group: part("group") };
}

// A text as the module reads it: an ordinary or no-break blank between digits is the group
// where the locale groups with a blank; see localeSeparators for the other locales.
function readable(text) {
    let read = text;
    if (/^[ \u00a0\u202f]$/.test(page.separators.group)) {
        read = read.replace(kBlankGroup, page.separators.group);
    }
    if (page.localeDecimal !== page.separators.decimal) {
        read = read.replaceAll(page.localeDecimal, ".").replace(
            kArabicDigits, (d) => String(d.codePointAt(0) - (d < "\u06f0" ? 0x660 : 0x6f0)));
    }
    return read;
}

// The five boxes' texts as typed, or (`read`) as the module reads them.
function boxTexts(read) {
    const texts = {};
    for (const name of SondrelBoxes) {
        texts[name] = read ? readable(byId(name).value) : byId(name).value;
    }
    return texts;
}

const isCalculated = () => page.calculated === JSON.stringify(boxTexts(false));

// Downloads `data` (a string or bytes) as a file named `name`.
function download(name, data, type) {
    const url = URL.createObjectURL(new Blob([data], { type }));
    const link = document.createElement("a");
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
}

function setResults(text) {
    page.resultsText = text;
    byId("results").textContent = text.replaceAll("\r\n", "\n");
}

// Failures that name no box (a number outside the formula's range), by how their message
// starts, and the boxes whose numbers give them.
const kUnnamedFailureBoxes = [
    ["the elevation must be below", ["elevation"]],
    ["the pressure ratio", ["elevation"]],
    ["the low and high pressures give the same sensor voltage: at this elevation", ["elevation"]],
    ["the low and high pressures give the same sensor voltage", ["loBaro", "hiBaro"]],
    ["the low and high volts give", ["loVolts", "hiVolts"]],
];

function failedBoxes(failure) {
    if (failure.input) {
        return SondrelBoxes.filter((name) => page.labels[name] === failure.input);
    }
    const rule = kUnnamedFailureBoxes.find(([start]) => failure.message.startsWith(start));
    return rule ? rule[1] : [];
}

// A failure as the window's message box tells it, in the results' place; the boxes it
// concerns are marked, the first focused, and keep what was typed.
function showFailure(failure) {
    for (const name of SondrelBoxes) {
        byId(name).removeAttribute("aria-invalid");
        byId(name).removeAttribute("aria-describedby");
    }
    byId("failure").textContent = failure ? `${failure.title}: ${failure.message}` : "";
    byId("results").hidden = Boolean(failure);
    const boxes = failure ? failedBoxes(failure) : [];
    for (const name of boxes) {
        byId(name).setAttribute("aria-invalid", "true");
        byId(name).setAttribute("aria-describedby", "failure");
    }
    if (boxes.length > 0) {
        byId(boxes[0]).focus();
    }
}

function showWarnings(warnings) {
    const list = byId("warnings");
    list.replaceChildren(...warnings.map((warning) => {
        const item = document.createElement("li");
        const code = document.createElement("code");
        code.textContent = warning.code;
        item.append(code, document.createTextNode(` ${warning.message}`));
        return item;
    }));
}

// The report of the boxes as they stand with the last results: {text} or {failure}.
function report() {
    return page.calculator.report(boxTexts(false), page.separators, page.resultsText, page.header);
}

// The printed sheet: the report of the last Calculate while the boxes still hold its inputs.
function fillSheet() {
    const text = isCalculated() ? report().text || "" : "";
    byId("sheet").textContent = text.replaceAll("\r\n", "\n");
}

// Calculate on the boxes as they stand: the four lines and the warnings, or the failure in
// the results' place. Returns whether it solved.
function calculate() {
    const typed = JSON.stringify(boxTexts(false));
    const outcome = page.calculator.calculate(boxTexts(true), page.separators);
    page.calculated = outcome.solved ? typed : "";
    setResults(outcome.solved ? outcome.text : "");
    showWarnings(outcome.solved ? outcome.warnings : []);
    showFailure(outcome.solved ? null : outcome.failure);
    fillSheet();
    return outcome.solved;
}

function onCalculate(event) {
    event.preventDefault();
    const started = performance.now();
    calculate();
    page.times.calculate ??= performance.now() - started;
}

// Unlike the window's, the page's report always belongs to the boxes as they stand: when
// they changed since the last Calculate, or that failed, it calculates first, and a failure
// makes no file.
function onGenerateReport() {
    if (!isCalculated() && !calculate()) {
        return;
    }
    const answer = report();
    showFailure(answer.failure);
    if (!answer.failure) {
        download(reportFileName(byId("elevation").value), new TextEncoder().encode(answer.text),
                 "text/plain");
    }
}

// The panels, each opened by its command (whose aria-expanded says so) and closed by its
// button or Escape; the focus goes back to the command when it was in the panel.
const kPanels = { "header-panel": "report-header-command", "help-panel": "help-command" };

function openPanel(panel, focus) {
    byId(panel).hidden = false;
    byId(kPanels[panel]).setAttribute("aria-expanded", "true");
    byId(focus).focus();
}

function closePanel(panel) {
    const hadFocus = byId(panel).contains(document.activeElement);
    byId(panel).hidden = true;
    byId(kPanels[panel]).setAttribute("aria-expanded", "false");
    if (hadFocus) {
        byId(kPanels[panel]).focus();
    }
}

function onKeyDown(event) {
    if (event.key === "Escape") {
        Object.keys(kPanels).filter((panel) => !byId(panel).hidden).forEach(closePanel);
    }
}

function onHeaderDone() {
    page.header = byId("header-box").value;
    closePanel("header-panel");
    fillSheet();
}

// Help in its own panel: the results stay as they are.
function onHelp() {
    byId("help-text").textContent = page.calculator.help().replaceAll("\r\n", "\n");
    openPanel("help-panel", "help-panel");
}

function cell(text, header) {
    const element = document.createElement(header ? "th" : "td");
    if (header) {
        element.scope = "row";
    }
    element.textContent = text;
    return element;
}

// One line of sondrel-calc's CSV as its fields; only a field holding a comma, a quote or a
// line break is quoted, and none of the lines shown holds a line break.
function csvFields(line) {
    const fields = [];
    for (let at = 0; at <= line.length;) {
        if (line[at] === '"') {
            let field = "";
            for (at++; at < line.length; at++) {
                if (line[at] === '"' && line[at + 1] === '"') {
                    field += '"';
                    at++;
                } else if (line[at] === '"') {
                    break;
                } else {
                    field += line[at];
                }
            }
            fields.push(field);
            at += 2;
        } else {
            const end = line.indexOf(",", at) < 0 ? line.length : line.indexOf(",", at);
            fields.push(line.slice(at, end));
            at = end + 1;
        }
    }
    return fields;
}

// The table shows this many rows of a sweep; the CSV holds them all.
const kShownSweepRows = 1000;

function showSweepTable(csv) {
    const columns = csvFields(csv.slice(0, csv.indexOf("\n")));
    const column = (name) => columns.indexOf(name);
    const picked = ["elevation_ft", "passes", "vr2_text", "vr1_text", "lo_vin_text", "hi_vin_text"]
        .map(column);
    const body = document.createElement("tbody");
    let at = csv.indexOf("\n") + 1;
    for (let shown = 0; shown < kShownSweepRows && at < csv.length; shown++) {
        const end = csv.indexOf("\n", at);
        const fields = csvFields(csv.slice(at, end));
        at = end + 1;
        const line = document.createElement("tr");
        line.append(cell(fields[picked[0]], true),
                    ...picked.slice(1).map((k) => cell(fields[k], false)),
                    noteCell(fields[column("error")], fields[column("warnings")]));
        body.append(line);
    }
    byId("sweep-table").tBodies[0].replaceWith(body);
    byId("table-frame").hidden = false;
    byId("sweep-columns").hidden = false;
}

// A row's warnings or failure, and a mark for it that a narrow screen shows in its place.
function noteCell(failure, warnings) {
    const element = cell("", false);
    const mark = document.createElement("span");
    mark.className = "mark";
    mark.setAttribute("aria-hidden", "true");
    mark.textContent = failure ? "✕" : warnings ? "⚠" : "";
    const note = document.createElement("span");
    note.className = "note";
    note.textContent = failure;
    for (const code of failure ? [] : warnings.split(";").filter(Boolean)) {
        const unbroken = document.createElement("span");
        unbroken.textContent = code;
        note.append(note.childNodes.length > 0 ? ", " : "", unbroken);
    }
    element.append(mark, note);
    return element;
}

// A refused sweep leaves nothing of the one before it.
function clearSweep() {
    page.sweepCsv = "";
    page.sweepSvg = "";
    byId("sweep-csv").disabled = true;
    byId("sweep-svg").disabled = true;
    if (page.chartUrl) {
        URL.revokeObjectURL(page.chartUrl);
        page.chartUrl = "";
    }
    byId("sweep-chart").removeAttribute("src");
    byId("sweep-table").tBodies[0].replaceChildren();
    for (const id of ["chart-frame", "table-frame", "sweep-columns"]) {
        byId(id).hidden = true;
    }
}

// On a narrow screen the table shows elevation, VR2, VR1 and a mark; the rest on demand.
function onColumns() {
    const all = byId("sweep-columns").getAttribute("aria-pressed") !== "true";
    byId("sweep-columns").setAttribute("aria-pressed", String(all));
    byId("table-frame").classList.toggle("all-columns", all);
}

function onSweep(event) {
    event.preventDefault();
    const started = performance.now();
    const sweep = page.calculator.sweep(boxTexts(true), page.separators,
                                        readable(byId("sweep-start").value),
                                        readable(byId("sweep-stop").value),
                                        readable(byId("sweep-step").value));
    const status = byId("sweep-status");
    clearSweep();
    if (sweep.problem) {
        status.textContent = sweep.problem;
        return;
    }
    page.sweepCsv = sweep.csv;
    page.sweepName = sweepFileName(byId("sweep-start").value, byId("sweep-stop").value,
                                   byId("sweep-step").value);
    page.sweepSvg = sweep.svg;
    byId("sweep-csv").disabled = false;
    byId("sweep-svg").disabled = false;
    page.chartUrl = URL.createObjectURL(new Blob([sweep.svg], { type: "image/svg+xml" }));
    const chart = byId("sweep-chart");
    chart.onload = () => { page.times.chart = performance.now() - started; };
    chart.src = page.chartUrl;
    chart.alt = `Chart of VR2 and VR1 wiper to GND against elevation, ${count(sweep.rows, "row")}`;
    byId("chart-frame").hidden = false;
    showSweepTable(sweep.csv);
    const failed = sweep.failed ? `, ${sweep.failed} failed` : "";
    const warned = sweep.warned ? `, ${sweep.warned} with warnings` : "";
    const shown = sweep.rows > kShownSweepRows ? ` The table shows the first ${kShownSweepRows}; the CSV has them all.` : "";
    status.textContent = `${count(sweep.rows, "row")}${warned}${failed}.${shown}`;
}

// The module: inline in the one file, beside the page (sondrel.wasm) in the published folder.
async function moduleBytes() {
    if (!byId("sondrel-module")) {
        const response = await fetch("sondrel.wasm");
        if (!response.ok) {
            throw new Error(`sondrel.wasm: ${response.status} ${response.statusText}`);
        }
        return response;
    }
    const base64 = byId("sondrel-module").textContent.trim();
    const packed = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const inflated = new Blob([packed]).stream().pipeThrough(new DecompressionStream("gzip"));
    return new Response(inflated).arrayBuffer();
}

async function start() {
    if (document.documentElement.dataset.unsupported) {
        return;  // check.js has said why
    }
    page.calculator = await SondrelModule.load(await moduleBytes());
    page.separators = localeSeparators();
    const design = page.calculator.design();
    page.labels = design.labels;
    for (const name of SondrelBoxes) {
        const box = byId(name);
        document.querySelector(`label[for="${name}"]`).textContent = design.labels[name];
        // The designed numbers ("1.25") written the way the page reads them ("1,25" in German).
        box.value = design.defaults[name].replaceAll(".", page.separators.decimal);
        box.addEventListener("input", () => page.calculator.inputChanged());
        box.disabled = false;
    }
    for (const id of ["sweep-start", "sweep-stop", "sweep-step"]) {
        byId(id).value = byId(id).value.replaceAll(".", page.separators.decimal);
    }
    byId("design").addEventListener("submit", onCalculate);
    byId("report-header-command").addEventListener("click",
                                                   () => openPanel("header-panel", "header-box"));
    byId("header-done").addEventListener("click", onHeaderDone);
    byId("generate-report-command").addEventListener("click", onGenerateReport);
    byId("help-command").addEventListener("click", onHelp);
    byId("help-done").addEventListener("click", () => closePanel("help-panel"));
    document.addEventListener("keydown", onKeyDown);
    // A printed sheet, too, belongs to the boxes as they stand.
    window.addEventListener("beforeprint", () => isCalculated() || calculate());
    byId("sweep").addEventListener("submit", onSweep);
    byId("sweep-columns").addEventListener("click", onColumns);
    byId("sweep-csv").addEventListener("click", () => download(`${page.sweepName}.csv`, page.sweepCsv, "text/csv"));
    byId("sweep-svg").addEventListener("click", () => download(`${page.sweepName}.svg`, page.sweepSvg, "image/svg+xml"));
    byId("calculate").disabled = false;
    byId("sweep-button").disabled = false;
    keepStart();
    byId("loading").remove();
    page.times.ready = performance.now();
    document.documentElement.dataset.ready = "true";
}

start().catch((error) => {
    byId("loading").textContent = `The calculator could not start: ${error.message}`;
});
