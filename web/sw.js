// The published page's service worker: keeps every file of one build in a cache named for the
// build, answers from it (the page itself for any page address in its folder), and drops the
// caches of this folder's older builds when it takes over.
"use strict";

const kPrefix = `sondrel ${self.registration.scope} `;
const kCache = `${kPrefix}@BUILD@`;
const kFiles = @FILES@;

self.addEventListener("install", (event) => {
    // Past the browser's HTTP cache, which may still hold an older build's files.
    event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(
        kFiles.map((file) => new Request(file, { cache: "reload" })))));
});

self.addEventListener("activate", (event) => {
    event.waitUntil(caches.keys().then((names) => Promise.all(names
        .filter((name) => name.startsWith(kPrefix) && name !== kCache)
        .map((name) => caches.delete(name)))));
});

self.addEventListener("fetch", (event) => {
    if (event.request.method !== "GET") {
        return;
    }
    const wanted = event.request.mode === "navigate" ? "index.html" : event.request;
    event.respondWith(caches.open(kCache)
        .then((cache) => cache.match(wanted, { ignoreSearch: true }))
        .then((kept) => kept || fetch(event.request)));
});

// The page's Reload button: this build, waiting, takes over now.
self.addEventListener("message", (event) => {
    if (event.data === "skipWaiting") {
        self.skipWaiting();
    }
});
