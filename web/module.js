// The calculator module: instantiates the WebAssembly calculator and passes texts in and
// answers out. The page and the tests under Node share this file.
"use strict";

const SondrelSlot = Object.freeze({
    elevation: 0, loBaro: 1, hiBaro: 2, loVolts: 3, hiVolts: 4,
    header: 5, results: 6, decimal: 7, group: 8,
    sweepStart: 9, sweepStop: 10, sweepStep: 11,
});
const SondrelBoxes = ["elevation", "loBaro", "hiBaro", "loVolts", "hiVolts"];

class SondrelModule {
    // `bytes`: the module's WebAssembly bytes, or a Response bringing them (compiled as they
    // arrive when served as application/wasm).
    static async load(bytes) {
        const streams = bytes instanceof Response &&
                        bytes.headers.get("Content-Type") === "application/wasm";
        const module = await (streams ? WebAssembly.compileStreaming(bytes)
            : WebAssembly.compile(bytes instanceof Response ? await bytes.arrayBuffer() : bytes));
        const calculator = new SondrelModule();
        const instance = await WebAssembly.instantiate(module, calculator.imports(module));
        calculator.exports = instance.exports;
        calculator.exports._initialize();
        return calculator;
    }

    constructor() {
        this.exports = null;
        this.console = "";  // what the module wrote to its standard streams
        this.encoder = new TextEncoder();
        this.decoder = new TextDecoder();
    }

    // The few WASI calls the C library makes (writing to its standard streams when it
    // aborts); any other fails as not supported (WASI's ENOSYS).
    imports(module) {
        const wasi = {
            fd_write: (fd, iovs, count, written) => {
                const view = new DataView(this.exports.memory.buffer);
                let total = 0;
                for (let i = 0; i < count; i++) {
                    const at = view.getUint32(iovs + 8 * i, true);
                    const length = view.getUint32(iovs + 8 * i + 4, true);
                    this.console += this.decoder.decode(
                        new Uint8Array(this.exports.memory.buffer, at, length));
                    total += length;
                }
                view.setUint32(written, total, true);
                return 0;
            },
            fd_close: () => 0,
            fd_seek: () => 70,  // ESPIPE
            proc_exit: (code) => { throw new Error(`the calculator stopped (${code}): ${this.console}`); },
        };
        const imports = {};
        for (const wanted of WebAssembly.Module.imports(module)) {
            imports[wanted.module] ??= {};
            imports[wanted.module][wanted.name] =
                (wanted.module === "wasi_snapshot_preview1" && wasi[wanted.name]) || (() => 52);
        }
        return imports;
    }

    setText(slot, text) {
        const bytes = this.encoder.encode(text);
        const at = this.exports.sondrel_text(slot, bytes.length);
        new Uint8Array(this.exports.memory.buffer, at, bytes.length).set(bytes);
    }

    answerText(length) {
        const at = this.exports.sondrel_answer();
        return this.decoder.decode(new Uint8Array(this.exports.memory.buffer, at, length));
    }

    // The five boxes' texts (`boxes`, by SondrelBoxes name) and the locale's separators.
    setInputs(boxes, separators) {
        for (const name of SondrelBoxes) {
            this.setText(SondrelSlot[name], boxes[name]);
        }
        this.setText(SondrelSlot.decimal, separators.decimal);
        this.setText(SondrelSlot.group, separators.group);
    }

    // The boxes' labels and designed defaults: {labels: {...}, defaults: {...}}.
    design() { return JSON.parse(this.answerText(this.exports.sondrel_design())); }
    inputChanged() { this.exports.sondrel_input_changed(); }
    calculate(boxes, separators) {
        this.setInputs(boxes, separators);
        return JSON.parse(this.answerText(this.exports.sondrel_calculate()));
    }
    // The report's text for the boxes, the results box's text and the header (each as the
    // page holds it, "\n" line breaks), or its failure.
    report(boxes, separators, resultsText, header) {
        this.setInputs(boxes, separators);
        this.setText(SondrelSlot.results, resultsText);
        this.setText(SondrelSlot.header, header);
        return JSON.parse(this.answerText(this.exports.sondrel_report()));
    }
    help() { return this.answerText(this.exports.sondrel_help()); }
    // An elevation sweep from `start` to `stop` by `step` (texts, read as the boxes are) of
    // the four other boxes: {problem} or {rows, warned, failed, csv, svg}.
    sweep(boxes, separators, start, stop, step) {
        this.setInputs(boxes, separators);
        this.setText(SondrelSlot.sweepStart, start);
        this.setText(SondrelSlot.sweepStop, stop);
        this.setText(SondrelSlot.sweepStep, step);
        return JSON.parse(this.answerText(this.exports.sondrel_sweep()));
    }
}

if (typeof module !== "undefined") {
    module.exports = { SondrelModule, SondrelSlot, SondrelBoxes };
}
