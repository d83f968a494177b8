#!/usr/bin/env python3
"""The browser page's size and speed, beside the native sondrel-calc's.

    bench/web_page.py [RUNS]     (default 10; run `make web` and build sondrel-calc first)

Size: build/web/sondrel.html as it is and gzipped (targets: under 300 KB and 120 KB).
Speed, in headless Chromium from file://: opening the file to the first result after
Calculate (target: under 150 ms), and a 10,000-row elevation sweep with its chart drawn (target:
under 1 s); beside them sondrel-calc's one calculation and its 10,000-row sweep with --plot.
Then, side by side, from a cold browser (a new Chromium and profile each run) to the first
result: the file from file://, the file and the published folder's page served on 127.0.0.1
(the folder's first visit, its service worker registering after the result), and the folder's
second visit, answered by its service worker.
"""
import gzip
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PAGE = os.path.join(ROOT, "build/web/sondrel.html")
CALC = os.path.join(ROOT, "build/dev/cli/sondrel-calc")
sys.argv[1:] = [PAGE, CALC, tempfile.gettempdir()] + sys.argv[1:2]
sys.path.insert(0, os.path.join(ROOT, "tests/web"))
import page_test  # noqa: E402  (the tests' headless Chromium)

runs = int(sys.argv[4]) if len(sys.argv) > 4 else 10


def median_ms(samples):
    return "%.1f ms (median of %d; %.1f to %.1f)" % (
        statistics.median(samples), len(samples), min(samples), max(samples))


def native_ms(args):
    samples = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([CALC, *args], stdout=subprocess.DEVNULL, check=True)
        samples.append((time.perf_counter() - start) * 1000)
    return median_ms(samples)


with open(PAGE, "rb") as f:
    html = f.read()
print("sondrel.html: %.1f KB, %.1f KB gzipped (targets 300 KB, 120 KB)" % (
    len(html) / 1024, len(gzip.compress(html, 9)) / 1024))

browser = page_test.Browser()
first, sweep = [], []
try:
    for _ in range(runs):
        # Opening the file to the first result: navigation start to the page ready, then
        # Calculate's own time.
        browser.driver.get("file://" + PAGE)
        browser.wait(lambda: browser.driver.execute_script(
            "return document.documentElement.dataset.ready === 'true'"))
        browser.find("calculate").click()
        # The page ready (module inflated, compiled, boxes filled) plus Calculate itself; the
        # driver's click and polling in between are no part of it.
        first.append(browser.driver.execute_script(
            "return window.sondrelTimes.ready + window.sondrelTimes.calculate"))
        for box, text in [("sweep-start", "0"), ("sweep-stop", "9999"), ("sweep-step", "1")]:
            browser.find(box).clear()
            browser.find(box).send_keys(text)
        browser.find("sweep-button").click()
        browser.wait(lambda: browser.driver.execute_script("return window.sondrelTimes.chart"))
        sweep.append(browser.driver.execute_script("return window.sondrelTimes.chart"))
finally:
    browser.close()



def first_result(browser, url):
    browser.open(url)
    browser.find("calculate").click()
    return browser.driver.execute_script(
        "return window.sondrelTimes.ready + window.sondrelTimes.calculate")


def cold_first_results(site):
    """The first result from a cold browser on each of four ways to open the page."""
    ways = {"file, file://": [], "file, http": [], "folder, first visit": [],
            "folder, second visit": []}
    for _ in range(runs):
        for way, url in [("file, file://", "file://" + PAGE),
                         ("file, http", site.url + "sondrel.html"),
                         ("folder, first visit", site.url + "site/")]:
            browser = page_test.Browser(url="about:blank", ready=False)
            try:
                ways[way].append(first_result(browser, url))
                if way == "folder, first visit":
                    browser.run_async("navigator.serviceWorker.ready")
                    ways["folder, second visit"].append(first_result(browser, url))
            finally:
                browser.close()
    return ways


print("page, open to first result:     " + median_ms(first))
print("sondrel-calc, one calculation:  " + native_ms(["5000", "28", "31", "1.25", "8.25"]))
print("page, 10,000-row sweep + chart: " + median_ms(sweep))
with tempfile.TemporaryDirectory() as folder:
    print("sondrel-calc, the same sweep:   " + native_ms(
        ["--sweep-elevation", "0:9999:1", "--plot", os.path.join(folder, "chart.svg")]))

site = page_test.Site(os.path.dirname(PAGE))
try:
    for way, samples in cold_first_results(site).items():
        print("cold browser to first result, %-21s %s" % (way + ":", median_ms(samples)))
finally:
    site.stop()
