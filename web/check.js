// Runs before the page's script, in the JavaScript every browser reads: a browser without what
// the calculator needs is told which browsers run it, and the page's script does not start.
(function () {
    var lacks = [];
    if (typeof WebAssembly !== "object") {
        lacks.push("WebAssembly");
    }
    if (typeof DecompressionStream !== "function") {
        lacks.push("DecompressionStream");
    }
    // The page's script is written for Chrome 85 and later, which brought replaceAll.
    if (typeof String.prototype.replaceAll !== "function") {
        lacks.push("String.replaceAll");
    }
    if (lacks.length === 0) {
        return;
    }
    document.documentElement.setAttribute("data-unsupported", lacks.join(" "));
    document.getElementById("loading").textContent = "This browser cannot run the calculator " +
        "(it has no " + lacks.join(", ") + "). It runs in Chrome or Edge 85 or later, " +
        "Firefox 113 or later, and Safari 16.4 or later.";
})();
