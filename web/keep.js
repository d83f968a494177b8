// Keeping and sharing a design: the five boxes and the report header in the browser's storage,
// the five boxes as typed in the address (#e=5000&lo=28&hi=31&lv=1.25&hv=8.25), Reset, Copy
// link, and the downloads' names made from the design.
"use strict";

const kLinkKeys = { elevation: "e", loBaro: "lo", hiBaro: "hi", loVolts: "lv", hiVolts: "hv" };
const kStoreKey = "sondrel.design";
// A box's text in a link: letters, digits, spaces and a number's signs and separators, at most
// 40 characters; anything else (markup, script) makes the link no design.
const kLinkText = /^[\p{L}\p{N}\p{Zs}.,'’+\-−\u066B\u066C]{0,40}$/u;
const kLinkLength = 600;

const keep = { defaults: null };

// The five boxes' texts a link's fragment holds ("e=5000&lo=28&..."), or null when it holds
// no design: a key missing, unknown or repeated, a broken %-escape, a text no box could hold.
function designFromLink(fragment) {
    if (fragment.length > kLinkLength) {
        return null;
    }
    const texts = {};
    for (const pair of fragment.split("&")) {
        const at = pair.indexOf("=");
        const name = SondrelBoxes.find((box) => kLinkKeys[box] === pair.slice(0, at));
        if (at < 0 || !name || name in texts) {
            return null;
        }
        try {
            texts[name] = decodeURIComponent(pair.slice(at + 1));
        } catch {
            return null;
        }
        if (!kLinkText.test(texts[name])) {
            return null;
        }
    }
    return SondrelBoxes.every((box) => box in texts) ? texts : null;
}

function linkFragment(texts) {
    return "#" + SondrelBoxes.map((box) => `${kLinkKeys[box]}=${encodeURIComponent(texts[box])}`)
        .join("&");
}

// A part of a file name from a box's text: ASCII letters, digits, ".", "+" and "-" kept, each
// run of anything else one "_" ("1,5" gives "1_5"), at most 24 characters.
function namePart(text) {
    return text.trim().replace(/[^A-Za-z0-9.+-]+/g, "_").slice(0, 24) || "_";
}

function reportFileName(elevation) {
    return `Output-${namePart(elevation)}ft.txt`;
}

// The sweep's file name without its extension: "sweep-0-20000-1000".
function sweepFileName(start, stop, step) {
    return `sweep-${namePart(start)}-${namePart(stop)}-${namePart(step)}`;
}

function sayKept(text) {
    byId("keep-status").textContent = text;
}

function fillBoxes(texts) {
    for (const box of SondrelBoxes) {
        byId(box).value = texts[box];
    }
    page.calculator.inputChanged();
}

function storeDesign() {
    try {
        localStorage.setItem(kStoreKey, JSON.stringify({ boxes: boxTexts(), header: page.header }));
    } catch {
        // No storage (a private window, or turned off): the design lasts as long as the page.
    }
}

function storedDesign() {
    try {
        const kept = JSON.parse(localStorage.getItem(kStoreKey));
        if (typeof kept?.header === "string" &&
            SondrelBoxes.every((box) => typeof kept.boxes?.[box] === "string")) {
            return kept;
        }
    } catch {
        // Storage that cannot be read, or that holds no design, is left unread.
    }
    return null;
}

function dropAddressDesign() {
    history.replaceState(null, "", location.pathname + location.search);
}

// A link with a design fills the boxes and calculates; one without opens the defaults.
function openLink() {
    const fragment = location.hash.slice(1);
    if (!fragment) {
        return;
    }
    const texts = designFromLink(fragment);
    if (!texts) {
        fillBoxes(keep.defaults);
        dropAddressDesign();
        sayKept("The link holds no design (e, lo, hi, lv and hv, each once): the boxes hold the " +
                "defaults.");
        return;
    }
    fillBoxes(texts);
    byId("design").requestSubmit();
}

function onReset() {
    try {
        localStorage.removeItem(kStoreKey);
    } catch {
        // Nothing was stored.
    }
    fillBoxes(keep.defaults);
    page.header = "";
    byId("header-box").value = byId("header-box").defaultValue;
    dropAddressDesign();
    page.calculated = "";  // the results go, so a report calculates again
    setResults("");
    showWarnings([]);
    showFailure(null);
    fillSheet();
    sayKept("The boxes hold the defaults again.");
}

// Copies with the page's own selection where the clipboard's interface is refused.
function copyBySelection(text) {
    const holder = document.createElement("textarea");
    holder.value = text;
    document.body.append(holder);
    holder.select();
    const copied = document.execCommand("copy");
    holder.remove();
    return copied;
}

async function onCopyLink() {
    const link = location.href.split("#")[0] + linkFragment(boxTexts());
    let copied = false;
    try {
        await navigator.clipboard.writeText(link);
        copied = true;
    } catch {
        copied = copyBySelection(link);
    }
    sayKept(copied ? `Link copied: ${link}` : `Copy this link: ${link}`);
}

// Called by the page once the boxes hold the defaults: the stored design comes back, then the
// address's, if any.
function keepStart() {
    keep.defaults = boxTexts();
    const kept = storedDesign();
    if (kept) {
        fillBoxes(kept.boxes);
        page.header = kept.header;
        byId("header-box").value = kept.header || byId("header-box").defaultValue;
    }
    byId("design").addEventListener("input", storeDesign);
    byId("design").addEventListener("submit", () => {
        history.replaceState(null, "", linkFragment(boxTexts()));
        storeDesign();
        sayKept("");
    });
    byId("header-done").addEventListener("click", storeDesign);
    byId("reset").addEventListener("click", onReset);
    byId("copy-link").addEventListener("click", onCopyLink);
    byId("reset").disabled = false;
    byId("copy-link").disabled = false;
    window.addEventListener("hashchange", openLink);
    openLink();
}
