#!/usr/bin/env node
// The WebAssembly calculator against the native sondrel-calc: every design of the exactness
// table and GENERATED more, each calculated by both, must give the same result lines,
// warnings and report text, byte for byte, or the same failure.
//
//   node exactness.js MODULE.wasm SONDREL_CALC TABLE.tsv GENERATED
//
// Also counts the solved designs whose raw doubles differ between the two (the C libraries'
// exp and log may round differently in the last bit) and prints how close the nearest such
// value came to changing a printed digit.
"use strict";
const fs = require("fs");
const { execFile } = require("child_process");
const os = require("os");
const path = require("path");
const { SondrelModule } = require("../../web/module.js");

const [wasmPath, calcPath, tablePath, generatedText] = process.argv.slice(2);
const separators = { decimal: ".", group: "," };
const reportDir = fs.mkdtempSync(path.join(os.tmpdir(), "sondrel-exactness-"));
const headers = ["", "Site 7\nNorth ridge\n", "Ünïcode ✓ header", "Report Header"];

// A small deterministic generator (mulberry32), so a failing design can be found again.
function generator(seed) {
    return () => {
        seed = (seed + 0x6d2b79f5) | 0;
        let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
        t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
}

// A number as a user might type it: plain, padded, signed, grouped, with an exponent, or
// now and then not a number at all.
function spelling(random, value, decimals) {
    const plain = value.toFixed(decimals);
    const pick = random();
    if (pick < 0.55) return plain;
    if (pick < 0.62) return ` ${plain} `;
    if (pick < 0.68) return value >= 0 ? `+${plain}` : plain;
    if (pick < 0.74) return value.toExponential(Math.min(decimals + 3, 8)).replace("e+", "e");
    if (pick < 0.80) return Number(plain).toLocaleString("en-US", { maximumFractionDigits: decimals });
    if (pick < 0.84) return plain.replace(/^(-?)0\./, "$1.");
    if (pick < 0.87) return ["-0", "0e5", "1e3", "1e400", "1e-400", "4.9e-324"][Math.floor(random() * 6)];
    if (pick < 0.90) return ["abc", "", "1..2", "1,2", "0x10", "inf", "nan", "1e", "--1"][Math.floor(random() * 9)];
    return plain;
}

function generatedDesigns(count) {
    const random = generator(20261209);
    const designs = [];
    for (let i = 0; i < count; i++) {
        const lo = 26 + random() * 4;
        const hi = random() < 0.05 ? lo : lo + (random() < 0.1 ? -1 : 1) * random() * 5;
        const loVolts = random() * 6;
        designs.push({
            name: `generated ${i}`,
            boxes: {
                elevation: spelling(random, -2000 + random() * 22000, Math.floor(random() * 4)),
                loBaro: spelling(random, lo, Math.floor(random() * 4)),
                hiBaro: spelling(random, hi, Math.floor(random() * 4)),
                loVolts: spelling(random, loVolts, Math.floor(random() * 4)),
                hiVolts: spelling(random, loVolts + (random() - 0.2) * 8, Math.floor(random() * 4)),
            },
            header: headers[i % headers.length],
            expected: "=",
        });
    }
    return designs;
}

// Rows: name, the five texts, and what is expected: the four lines joined by " | ", "! " and
// the failure's message, or "=" (the native program's answer alone).
function tableDesigns(path) {
    return fs.readFileSync(path, "utf8").split("\n")
        .filter((line) => line !== "" && !line.startsWith("#"))
        .map((line, i) => {
            const f = line.split("\t");
            if (f.length !== 7) throw new Error(`${path}:${i + 1}: wants 7 tab-separated fields`);
            return {
                name: f[0],
                boxes: { elevation: f[1], loBaro: f[2], hiBaro: f[3], loVolts: f[4], hiVolts: f[5] },
                header: headers[i % headers.length],
                expected: f[6],
            };
        });
}

// sondrel-calc's CSV row on standard output, its report in a file of its own.
function native(design, index) {
    const b = design.boxes;
    const reportPath = path.join(reportDir, `${index}.txt`);
    const args = ["--csv", "--report", reportPath, "--header", design.header, "--",
                  b.elevation, b.loBaro, b.hiBaro, b.loVolts, b.hiVolts];
    return new Promise((resolve) => {
        execFile(calcPath, args, { encoding: "utf8", env: { LC_ALL: "C.UTF-8" } },
                 (error, stdout, stderr) => {
                     const report = fs.existsSync(reportPath) ? fs.readFileSync(reportPath, "utf8") : null;
                     resolve({ code: error ? error.code : 0, stdout, stderr, report });
                 });
    });
}

// How far the value's 15-significant-digit text lies from a rounding tie at `decimals`
// places, in units of its 15th digit. A last-bit difference moves that text by at most one
// unit, so a printed digit can change only where this is below 1.
function tieMargin(value, decimals) {
    const digits = Number(Math.abs(value).toPrecision(15));
    const unit = 10 ** (Math.floor(Math.log10(digits || 1)) - 14);
    const place = 10 ** -decimals;
    return Math.abs(digits % place - place / 2) / unit;
}

async function main() {
    const calculator = await SondrelModule.load(fs.readFileSync(wasmPath));
    const designs = [...tableDesigns(tablePath), ...generatedDesigns(Number(generatedText))];
    const answers = new Array(designs.length);
    for (let next = 0; next < designs.length;) {
        const batch = designs.slice(next, next + 8);
        (await Promise.all(batch.map((design, i) => native(design, next + i)))).forEach((answer, i) => { answers[next + i] = answer; });
        next += batch.length;
    }
    const faults = [];
    let solved = 0;
    let rawDiffer = 0;
    let closest = Infinity;
    designs.forEach((design, i) => {
        const fault = (what) => faults.push(`${design.name} ${JSON.stringify(design.boxes)}: ${what}`);
        const wanted = answers[i];
        calculator.inputChanged();
        const outcome = calculator.calculate(design.boxes, separators);
        if (design.expected.startsWith("! ")) {
            if (outcome.solved || outcome.failure.message !== design.expected.slice(2)) {
                fault(`wanted failure ${design.expected.slice(2)}, got ${JSON.stringify(outcome)}`);
            }
        } else if (design.expected !== "=") {
            if (outcome.text !== design.expected.split(" | ").join("\r\n")) {
                fault(`wanted lines ${design.expected}, got ${JSON.stringify(outcome.text)}`);
            }
        }
        if (!outcome.solved) {
            if (wanted.code !== 1 || wanted.stderr !== `sondrel-calc: ${outcome.failure.message}\n`) {
                fault(`failed with ${outcome.failure.message}; sondrel-calc: ${wanted.code} ${wanted.stderr}`);
            }
            return;
        }
        solved++;
        const report = calculator.report(design.boxes, separators, outcome.text, design.header);
        if (report.failure || wanted.report === null) {
            if (!report.failure || wanted.report !== null ||
                !wanted.stderr.endsWith(`sondrel-calc: ${report.failure.message}\n`)) {
                fault(`report: ${JSON.stringify(report)}; sondrel-calc: ${wanted.stderr}`);
            }
            return;
        }
        if (report.text !== wanted.report) {
            fault(`report differs:\n${JSON.stringify(report.text)}\n${JSON.stringify(wanted.report)}`);
        }
        const warnings = outcome.warnings.map((w) => `sondrel-calc: warning: ${w.message}\n`).join("");
        if (warnings !== wanted.stderr) {
            fault(`warnings differ: ${JSON.stringify(warnings)} vs ${JSON.stringify(wanted.stderr)}`);
        }
        const row = wanted.stdout.split("\n")[1].split(",");
        const raw = row.slice(2, 6).map(Number);
        if (raw.some((value, k) => value !== outcome.raw[k])) {
            rawDiffer++;
            raw.forEach((value, k) => {
                if (value !== outcome.raw[k]) {
                    closest = Math.min(closest, tieMargin(value, k < 2 ? 0 : 3));
                }
            });
        }
    });
    console.log(`exactness: ${designs.length} designs (${solved} solved): lines, warnings and ` +
                `reports equal sondrel-calc's for ${designs.length - faults.length}; ` +
                `raw doubles differ in the last bits for ${rawDiffer}` +
                (rawDiffer ? ` (the closest of them to a rounding tie: ${closest.toPrecision(3)} units of the 15th digit)` : ""));
    for (const fault of faults.slice(0, 20)) console.log(`FAIL ${fault}`);
    fs.rmSync(reportDir, { recursive: true });
    process.exit(faults.length ? 1 : 0);
}

main().catch((error) => { console.error(error); process.exit(1); });
