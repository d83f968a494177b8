// The page: the window's five boxes, Calculate, the results box and its three commands, with
// the design warnings and an elevation sweep below. Every text typed or computed is set as
// text, never as markup.
"use strict";

const page = {
    calculator: null,
    separators: { decimal: ".", group: "," },
    labels: {},
    resultsText: "",  // what the results box holds, "\r\n" line breaks
    header: "",       // the report header, stored by Done; empty until then, as in the window
    sweepCsv: "",
    sweepSvg: "",
    sweepName: "",    // the sweep's downloads' name, from its start, stop and step
    chartUrl: "",
    times: {},        // performance.now() at the page's milestones, for bench/
};
window.sondrelTimes = page.times;

const byId = (id) => document.getElementById(id);

// The browser locale's separators, as the window takes the desktop's: "," and "." in German.
function localeSeparators() {
    const locale = (navigator.languages && navigator.languages[0]) || navigator.language;
    const parts = new Intl.NumberFormat(locale, { useGrouping: true }).formatToParts(1234567.5);
    const part = (type) => (parts.find((p) => p.type === type) || { value: "" }).value;
    return { decimal: part("decimal") || ".", group: part("group") };
}

function boxTexts() {
    const texts = {};
    for (const name of SondrelBoxes) {
        texts[name] = byId(name).value;
    }
    return texts;
}

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

// A failure as the window's message box tells it; the box it names is marked and focused,
// and keeps what was typed.
function showFailure(failure) {
    for (const name of SondrelBoxes) {
        byId(name).removeAttribute("aria-invalid");
    }
    const shown = byId("failure");
    if (!failure) {
        shown.textContent = "";
        return;
    }
    shown.textContent = `${failure.title}: ${failure.message}`;
    const named = SondrelBoxes.find((name) => page.labels[name] === failure.input);
    if (named) {
        byId(named).setAttribute("aria-invalid", "true");
        byId(named).setAttribute("aria-describedby", "failure");
        byId(named).focus();
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

function onCalculate(event) {
    event.preventDefault();
    const started = performance.now();
    const outcome = page.calculator.calculate(boxTexts(), page.separators);
    // A failure leaves the box with the lines written before it, if any.
    if (outcome.written !== "none") {
        setResults(outcome.text);
    }
    showWarnings(outcome.warnings);
    showFailure(outcome.solved ? null : outcome.failure);
    page.times.calculate ??= performance.now() - started;
}

function onGenerateReport() {
    const answer = page.calculator.report(boxTexts(), page.separators, page.resultsText,
                                          page.header);
    showFailure(answer.failure);
    if (!answer.failure) {
        download(reportFileName(byId("elevation").value), new TextEncoder().encode(answer.text),
                 "text/plain");
    }
}

function onReportHeader() {
    const panel = byId("header-panel");
    panel.hidden = false;
    byId("report-header-command").setAttribute("aria-expanded", "true");
    byId("header-box").focus();
}

function onHeaderDone() {
    page.header = byId("header-box").value;
    byId("header-panel").hidden = true;
    byId("report-header-command").setAttribute("aria-expanded", "false");
    byId("report-header-command").focus();
}

function onHelp() {
    setResults(page.calculator.help());
    showFailure(null);
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
                    cell(fields[column("error")] || fields[column("warnings")].replaceAll(";", ", "), false));
        body.append(line);
    }
    byId("sweep-table").tBodies[0].replaceWith(body);
    byId("sweep-table").hidden = false;
}

function onSweep(event) {
    event.preventDefault();
    const started = performance.now();
    const sweep = page.calculator.sweep(boxTexts(), page.separators, byId("sweep-start").value,
                                        byId("sweep-stop").value, byId("sweep-step").value);
    const status = byId("sweep-status");
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
    if (page.chartUrl) {
        URL.revokeObjectURL(page.chartUrl);
    }
    page.chartUrl = URL.createObjectURL(new Blob([sweep.svg], { type: "image/svg+xml" }));
    const chart = byId("sweep-chart");
    chart.onload = () => { page.times.chart = performance.now() - started; };
    chart.src = page.chartUrl;
    chart.alt = `Chart of VR2 and VR1 wiper to GND against elevation, ${sweep.rows} rows`;
    chart.hidden = false;
    showSweepTable(sweep.csv);
    const failed = sweep.failed ? `, ${sweep.failed} failed` : "";
    const warned = sweep.warned ? `, ${sweep.warned} with warnings` : "";
    const shown = sweep.rows > kShownSweepRows ? ` The table shows the first ${kShownSweepRows}; the CSV has them all.` : "";
    status.textContent = `${sweep.rows} rows${warned}${failed}.${shown}`;
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
        // The designed numbers ("1.25") written the way this locale reads them ("1,25").
        box.value = design.defaults[name].replaceAll(".", page.separators.decimal);
        box.addEventListener("input", () => page.calculator.inputChanged());
        box.disabled = false;
    }
    for (const id of ["sweep-start", "sweep-stop", "sweep-step"]) {
        byId(id).value = byId(id).value.replaceAll(".", page.separators.decimal);
    }
    byId("design").addEventListener("submit", onCalculate);
    byId("report-header-command").addEventListener("click", onReportHeader);
    byId("header-done").addEventListener("click", onHeaderDone);
    byId("generate-report-command").addEventListener("click", onGenerateReport);
    byId("help-command").addEventListener("click", onHelp);
    byId("sweep").addEventListener("submit", onSweep);
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
