// The published page's service worker (sw.js): registered once the calculator is ready, so that
// it takes nothing from the first result, and a notice with a Reload button when a newer build
// waits; the button lets that build take over and the page reloads under it.
"use strict";

function offerNewerBuild(worker) {
    if (byId("newer-build")) {
        return;
    }
    const notice = document.createElement("div");
    notice.id = "newer-build";
    notice.setAttribute("role", "status");
    const reload = document.createElement("button");
    reload.type = "button";
    reload.textContent = "Reload";
    reload.addEventListener("click", () => worker.postMessage("skipWaiting"));
    notice.append("A newer Sondrel is ready. ", reload);
    document.body.append(notice);
    navigator.serviceWorker.addEventListener("controllerchange", () => location.reload(),
                                             { once: true });
}

async function registerWorker() {
    const registration = await navigator.serviceWorker.register("sw.js");
    // A newer build waits only where an older one controls the page.
    const offer = () => {
        if (registration.waiting && navigator.serviceWorker.controller) {
            offerNewerBuild(registration.waiting);
        }
    };
    registration.addEventListener("updatefound", () => {
        const worker = registration.installing;
        worker.addEventListener("statechange", () => worker.state === "installed" && offer());
    });
    offer();
}

if ("serviceWorker" in navigator) {
    new MutationObserver((changes, observer) => {
        if (document.documentElement.dataset.ready === "true") {
            observer.disconnect();
            registerWorker().catch((error) => console.warn(`No offline copy: ${error.message}`));
        }
    }).observe(document.documentElement, { attributes: true, attributeFilter: ["data-ready"] });
}
