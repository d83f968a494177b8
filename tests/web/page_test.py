#!/usr/bin/env python3
"""The page in headless Chromium, against the native sondrel-calc.

    page_test.py SONDREL_HTML SONDREL_CALC SCREENSHOT_DIR

Types designs into the page opened from file:// and compares what it shows and downloads with
sondrel-calc's answers; takes the screenshots at 1280 and 360 px and prints the setting sheet;
checks that the page asked for nothing but itself and its own blobs. Serves the published
folder (site/ beside it) on 127.0.0.1: it installs, works offline, keeps and shares a design.
"""
import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

PAGE, CALC, SHOTS = (os.path.abspath(arg) for arg in sys.argv[1:4])
SITE = os.path.join(os.path.dirname(PAGE), "site")
BOXES = ["elevation", "loBaro", "hiBaro", "loVolts", "hiVolts"]
DEFAULTS = ["0", "28", "31", "1.25", "8.25"]


def sondrel_calc(*args):
    run = subprocess.run([CALC, *args], capture_output=True, env={"LC_ALL": "C.UTF-8"})
    return run.stdout, run.stderr.decode()


class Site:
    """A folder served over http on 127.0.0.1, on a free port, until stop()."""

    def __init__(self, folder=SITE):
        handler = type("Handler", (http.server.SimpleHTTPRequestHandler,),
                       {"log_message": lambda *args: None})
        self.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(handler, directory=folder))
        self.server.handle_error = lambda *args: None  # a browser that quit while fetching
        self.url = "http://127.0.0.1:%d/" % self.server.server_port
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


class Browser:
    """One headless Chromium with its own profile and download folder, on `url` (waiting for
    the calculator if `ready`)."""

    def __init__(self, language="en-US", width=1280, height=900, url="file://" + PAGE,
                 ready=True):
        self.profile = tempfile.TemporaryDirectory()
        self.downloads = os.path.join(self.profile.name, "downloads")
        os.mkdir(self.downloads)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + os.path.join(self.profile.name, "profile"),
                     "--lang=" + language, "--window-size=%d,%d" % (width, height)]:
            options.add_argument(flag)
        options.add_experimental_option("prefs", {
            "intl.accept_languages": language,
            "download.default_directory": self.downloads,
            "download.prompt_for_download": False,
        })
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": self.downloads})
        self.open(url, ready)

    def open(self, url, ready=True):
        self.url = url
        self.driver.get("about:blank")
        self.driver.get(url)
        if ready:
            self.wait(lambda: self.driver.execute_script(
                "return document.documentElement.dataset.ready === 'true'"))

    def run_async(self, script):
        """The value of the promise `script` gives."""
        return self.driver.execute_async_script("(%s).then(arguments[0])" % script)

    def wait(self, ready, seconds=10):
        end = time.monotonic() + seconds
        while not ready():
            if time.monotonic() > end:
                raise AssertionError("timed out waiting")
            time.sleep(0.05)

    def find(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def type_design(self, texts):
        for name, text in zip(BOXES, texts):
            box = self.find(name)
            box.send_keys(Keys.CONTROL, "a")
            box.send_keys(Keys.DELETE)
            box.send_keys(text)

    def set_header(self, *keys):
        self.find("report-header-command").click()
        self.find("header-box").clear()
        self.find("header-box").send_keys(*keys)
        self.find("header-done").click()

    def sweep(self, start, stop, step):
        for box, text in [("sweep-start", start), ("sweep-stop", stop), ("sweep-step", step)]:
            self.find(box).clear()
            self.find(box).send_keys(text)
        self.find("sweep-button").click()

    def boxes(self):
        return [self.find(name).get_attribute("value") for name in BOXES]

    def errors(self):
        return [e["message"] for e in self.driver.get_log("browser") if e["level"] == "SEVERE"]

    def results(self):
        return self.driver.execute_script("return document.getElementById('results').textContent")

    def downloaded(self, name):
        path = os.path.join(self.downloads, name)
        if os.path.exists(path):
            os.remove(path)
        return path

    def read_download(self, path):
        self.wait(lambda: os.path.exists(path) and not os.path.exists(path + ".crdownload"))
        with open(path, "rb") as f:
            return f.read()

    def requests(self):
        """Every URL the page asked for, from the browser's own log of requests (the browser's
        own pages, such as its new tab, are left out)."""
        urls = []
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if (message["method"] == "Network.requestWillBeSent" and
                    message["params"].get("documentURL") == self.url):
                urls.append(message["params"]["request"]["url"])
        return urls

    def close(self):
        self.driver.quit()
        self.profile.cleanup()


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.browser = Browser()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()

    def test_designs_show_sondrel_calcs_lines_and_warnings(self):
        b = self.browser
        for texts in [["0", "28", "31", "1.25", "8.25"], ["5000", "28", "31", "1.25", "8.25"],
                      ["15000", "28", "31", "1.25", "8.25"], [" 28 ", "1e3", "-0", "8.25", "1.25"]]:
            with self.subTest(texts=texts):
                b.type_design(texts)
                b.find("calculate").click()
                lines, errors = sondrel_calc("--", *texts)
                self.assertEqual(b.results() + "\n", lines.decode())
                shown = [item.text for item in b.driver.find_elements(By.CSS_SELECTOR, "#warnings li")]
                wanted = [line for line in errors.splitlines() if line.startswith("sondrel-calc: warning: ")]
                self.assertEqual(len(shown), len(wanted))
                for item, line in zip(shown, wanted):
                    self.assertTrue(item.endswith(line.removeprefix("sondrel-calc: warning: ")), item)

    def test_enter_in_a_box_calculates_after_an_edit(self):
        b = self.browser
        b.type_design(["0", "28", "31", "1.25", "8.25"])
        b.find("calculate").click()
        b.find("elevation").send_keys(Keys.BACKSPACE, "1000", Keys.ENTER)
        lines, _ = sondrel_calc("1000", "28", "31", "1.25", "8.25")
        self.assertEqual(b.results() + "\n", lines.decode())

    def test_a_failure_replaces_the_results_and_marks_its_boxes(self):
        b = self.browser
        for boxes, texts, message in [
                (["loBaro"], ["0", "12a", "31", "1.25", "8.25"], 'Type mismatch: LoBaro, inHg: "12a" is not a number'),
                (["hiVolts"], ["0", "28", "31", "1.25", "1e999"], 'Overflow: HiVolt: "1e999" is too large for a number'),
                (["elevation"], ["1e6", "28", "31", "1.25", "8.25"], "Invalid argument: the elevation must be below 145,491.8 ft (logarithm of a non-positive number)"),
                (["loBaro", "hiBaro"], ["0", "31", "31", "1.25", "8.25"], "Division by zero: the low and high pressures give the same sensor voltage (division by zero)")]:
            with self.subTest(texts=texts):
                b.type_design(["15000", "28", "31", "1.25", "8.25"])
                b.find("calculate").click()
                b.type_design(texts)
                b.find("calculate").click()
                self.assertEqual(b.find("failure").text, message)
                self.assertEqual((b.results(), b.find("results").is_displayed()), ("", False))
                self.assertEqual([b.find(n).get_attribute("value") for n in BOXES], texts)
                self.assertEqual([(b.find(n).get_attribute("aria-invalid"),
                                   b.find(n).get_attribute("aria-describedby")) for n in BOXES],
                                 [("true", "failure") if n in boxes else (None, None) for n in BOXES])
                self.assertEqual(b.driver.switch_to.active_element.get_attribute("id"), boxes[0])

    def test_header_and_report_of_the_boxes_as_they_stand_equal_sondrel_calcs(self):
        # Calculated, then edited: the report calculates the edit first, or makes no file.
        b = self.browser
        b.set_header("Site 7", Keys.ENTER, "North ridge ✓", Keys.ENTER)
        for calculated, reported, failure in [
                ("5000", "1e6", "Invalid argument: the elevation must be below 145,491.8 ft (logarithm of a non-positive number)"),
                ("5000", "5000", ""), ("0", "15000", ""), ("1e6", "1000", "")]:
            with self.subTest(reported=reported):
                b.type_design([calculated, "28", "31", "1.25", "8.25"])
                b.find("calculate").click()
                b.type_design([reported, "28", "31", "1.25", "8.25"])
                path = b.downloaded(f"Output-{reported}ft.txt")
                b.find("generate-report-command").click()
                self.assertEqual(b.find("failure").text, failure)
                if failure:
                    time.sleep(0.5)
                    self.assertFalse(os.path.exists(path))
                    continue
                report, _ = sondrel_calc("--report", "-", "--header", "Site 7\nNorth ridge ✓\n",
                                         reported, "28", "31", "1.25", "8.25")
                self.assertEqual(b.read_download(path), report)

    def test_panels_open_by_their_command_and_close_with_escape(self):
        b = self.browser
        b.find("calculate").click()
        results = b.results()
        for command, panel, text in [
                ("report-header-command", "header-panel", "The text that starts the report"),
                ("help-command", "help-panel", "Generate_Report puts 'Output.txt' in the folder")]:
            with self.subTest(panel=panel):
                b.find(command).click()
                self.assertIn(text, b.find(panel).text)
                self.assertEqual(b.find(command).get_attribute("aria-expanded"), "true")
                b.driver.switch_to.active_element.send_keys(Keys.ESCAPE)
                self.assertFalse(b.find(panel).is_displayed())
                self.assertEqual(b.find(command).get_attribute("aria-expanded"), "false")
                self.assertEqual(b.driver.switch_to.active_element.get_attribute("id"), command)
                self.assertEqual(b.results(), results)

    def test_sweep_table_csv_and_chart_equal_sondrel_calcs(self):
        b = self.browser
        b.type_design(["0", "28", "31", "1.25", "8.25"])
        b.sweep("0", "20000", "1000")
        chart = os.path.join(b.profile.name, "wanted.svg")
        csv, _ = sondrel_calc("--sweep-elevation", "0:20000:1000", "--plot", chart)
        self.assertEqual(len(b.driver.find_elements(By.CSS_SELECTOR, "#sweep-table tbody tr")), 21)
        path = b.downloaded("sweep-0-20000-1000.csv")
        b.find("sweep-csv").click()
        self.assertEqual(b.read_download(path), csv)
        path = b.downloaded("sweep-0-20000-1000.svg")
        b.find("sweep-svg").click()
        with open(chart, "rb") as f:
            self.assertEqual(b.read_download(path), f.read())
        b.wait(lambda: b.driver.execute_script(
            "return document.getElementById('sweep-chart').naturalWidth") == 800)
        # A refused sweep leaves nothing of the last one.
        for stop, status, rows in [("0", "1 row.", 1), ("1e9", "more than 100,000 rows, the most the page sweeps (sondrel-calc --sweep-elevation takes up to 10,000,000)", 0)]:
            b.sweep("0", stop, "1")
            self.assertEqual(b.find("sweep-status").text, status)
            self.assertEqual(len(b.driver.find_elements(By.CSS_SELECTOR, "#sweep-table tbody tr")), rows)
            self.assertEqual([b.find(i).is_displayed() for i in ["table-frame", "chart-frame"]] +
                             [b.find("sweep-csv").is_enabled()], [rows > 0] * 3)

    def test_screenshots_and_positions_at_1280_360_and_740_px(self):
        # No shift on start; in view after Calculate; a sweep's table in its frame, text >= 11 px.
        for width, height, design, in_view, name in [
                (1280, 1560, ["5000", "28", "31", "1.25", "8.25"], ["results"], "web-1280.png"),
                (360, 740, ["5000", "28", "31", "1.25", "1.3"], ["results", "warnings"], "web-360.png"),
                (740, 360, ["5000", "28", "31", "1.25", "1.3"], ["calculate"], "")]:
            with self.subTest(width=width):
                b = Browser(width=width, height=height)
                try:
                    self.assertEqual(b.driver.execute_async_script("""
                        new PerformanceObserver((list) => arguments[0](list.getEntries().length))
                            .observe({ type: "layout-shift", buffered: true });
                        setTimeout(() => arguments[0](0), 500);"""), 0)
                    b.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                        "width": width, "height": height, "deviceScaleFactor": 1,
                        "mobile": width < 640})
                    b.type_design(design)
                    b.find("calculate").click()
                    self.assertLessEqual(b.driver.execute_script(
                        "return Math.max(...arguments[0].map(e => e.getBoundingClientRect().bottom))",
                        [b.find(i) for i in in_view]), height)
                    b.sweep("0", "20000", "500")
                    self.assertLessEqual(*b.driver.execute_script(
                        "const f = document.getElementById('table-frame'); return [f.scrollWidth, f.clientWidth]"))
                    self.assertGreaterEqual(b.find("sweep-chart").size["width"] * 12 / 800, 11)
                    b.driver.execute_script("window.scrollTo(0, 0)")
                    # Nothing wider than the screen, targets of 44 px.
                    self.assertLessEqual(
                        b.driver.execute_script("return document.documentElement.scrollWidth"), width)
                    small = b.driver.execute_script("""
                        return [...document.querySelectorAll('button, input, textarea')]
                            .filter(e => e.offsetParent && e.getBoundingClientRect().height < 44)
                            .map(e => e.id)""")
                    self.assertEqual(small, [])
                    if name:
                        b.driver.save_screenshot(os.path.join(SHOTS, name))
                finally:
                    b.close()

    def test_the_printed_sheet_holds_the_report_the_warnings_and_the_sweep(self):
        b = self.browser
        b.type_design(["5000", "28", "31", "1.25", "1.3"])
        b.find("calculate").click()
        b.set_header("Site 7", Keys.ENTER)
        b.sweep("0", "20000", "500")
        path = os.path.join(b.profile.name, "sheet.pdf")
        with open(path, "wb") as f:
            f.write(base64.b64decode(b.driver.execute_cdp_cmd(
                "Page.printToPDF", {"paperWidth": 8.27, "paperHeight": 11.69})["data"]))
        info = subprocess.run(["pdfinfo", path], capture_output=True, text=True).stdout
        self.assertRegex(info, r"\nPages: +1\n")
        text = " ".join(subprocess.run(["pdftotext", "-layout", path, "-"],
                                       capture_output=True, text=True).stdout.split())
        for line in ["Site 7 Elev = 5000 ft Elev = 1524. m", "HiVolts = 1.3 VR2 = -718. Ohms",
                     "HiVin = 3.456 Volts vr1-beyond-track", "vr2-negative VR2 is -718 ohms",
                     "20000 17 -714. 9290. 1.486 1.696 vr1-beyond-track, vr2-negative"]:
            self.assertIn(line, text)
        self.assertNotRegex(text, "Calculate|Sweep,|Download|Report_Header")

    def test_download_names_hold_safe_characters(self):
        for call, name in [("reportFileName(' 1,5 ')", "Output-1_5ft.txt"),
                           ("sweepFileName('-500', '1 000', '')", "sweep--500-1_000-_"),
                           ("sweepFileName('<a>/', '\u0663', '9'.repeat(30))",
                            "sweep-_a_-_-" + "9" * 24)]:
            with self.subTest(call=call):
                self.assertEqual(self.browser.driver.execute_script("return " + call), name)

    def test_zz_no_request_but_the_page_itself(self):
        urls = self.browser.requests()
        self.assertIn("file://" + PAGE, urls)
        self.assertEqual([u for u in urls if u != "file://" + PAGE and not u.startswith("blob:")], [])


class PolicyTest(unittest.TestCase):
    def test_the_pages_policy_refuses_a_request(self):
        b = Browser()
        try:
            refused = b.driver.execute_async_script("""
                const done = arguments[0];
                document.addEventListener("securitypolicyviolation",
                                          (e) => done(e.effectiveDirective), { once: true });
                fetch("https://example.com/").catch(() => {});""")
            self.assertEqual(refused, "connect-src")
        finally:
            b.close()


class SiteTest(unittest.TestCase):
    """The published folder (a copy), served on 127.0.0.1: it keeps and shares a design,
    installs, offers a newer build and calculates offline."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        shutil.copytree(SITE, cls.folder.name, dirs_exist_ok=True)
        cls.site = Site(cls.folder.name)
        cls.browser = Browser(url=cls.site.url)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.site.stop()
        cls.folder.cleanup()

    def test_a_link_fills_the_boxes_and_calculates_and_calculate_writes_it(self):
        b = self.browser
        for fragment, texts in [
                ("e=5000&lo=28&hi=31&lv=1.25&hv=8.25", ["5000", "28", "31", "1.25", "8.25"]),
                ("hv=1.25&lv=8.25&hi=-0&lo=1e3&e=%2028%20", [" 28 ", "1e3", "-0", "8.25", "1.25"])]:
            with self.subTest(fragment=fragment):
                b.open(self.site.url + "#" + fragment)
                self.assertEqual(b.boxes(), texts)
                self.assertEqual(b.results() + "\n", sondrel_calc("--", *texts)[0].decode())
        b.type_design(["1,5", "28", "31", "1.25", "8.25"])
        b.find("calculate").click()
        link = self.site.url + "#e=1%2C5&lo=28&hi=31&lv=1.25&hv=8.25"
        self.assertEqual(b.driver.current_url, link)
        b.find("copy-link").click()
        self.assertEqual(b.find("keep-status").text, "Link copied: " + link)

    def test_a_link_with_no_design_opens_the_defaults_with_a_note(self):
        b = self.browser
        b.errors()
        for fragment in ["hello", "e=5&lo=2&hi=3&lv=1", "e=1&e=1&lo=2&hi=3&lv=1&hv=8",
                         "e=5&lo=2&hi=3&lv=1&hv=8&x=1", "e=%E0%A4%A&lo=2&hi=3&lv=1&hv=8",
                         "e=" + "9" * 5000 + "&lo=2&hi=3&lv=1&hv=8", "e=<script>alert(1)</script>"
                         "&lo=2&hi=3&lv=1&hv=8", "e=%3Cimg%20onerror%3Dalert(1)%3E&lo=2&hi=3&lv=1&hv=8"]:
            with self.subTest(fragment=fragment[:60]):
                b.open(self.site.url + "#" + fragment)
                self.assertEqual(b.boxes(), DEFAULTS)
                self.assertEqual(b.find("keep-status").text, "The link holds no design (e, lo, hi, "
                                 "lv and hv, each once): the boxes hold the defaults.")
                self.assertEqual((b.driver.current_url, b.errors()), (self.site.url, []))

    def test_a_reload_keeps_the_design_and_header_and_reset_forgets_them(self):
        b = self.browser
        b.open(self.site.url)
        b.type_design(["7000", "27.5", "30", "1", "9"])
        b.find("report-header-command").click()
        b.find("header-box").clear()
        b.find("header-box").send_keys("Site 9")
        b.find("header-done").click()
        for press, boxes, header in [(None, ["7000", "27.5", "30", "1", "9"], "Site 9"),
                                     ("reset", DEFAULTS, "Report Header")]:
            if press:
                b.find(press).click()
            b.open(self.site.url)
            self.assertEqual(b.boxes(), boxes)
            self.assertEqual(b.find("header-box").get_attribute("value"), header)
        # Reset clears the results: a report after it calculates again, never reports none.
        b.find("calculate").click()
        b.find("reset").click()
        path = b.downloaded("Output-0ft.txt")
        b.find("generate-report-command").click()
        self.assertEqual(b.read_download(path), sondrel_calc("--report", "-", *DEFAULTS)[0])

    def test_zz_installs_offers_a_newer_build_and_calculates_offline(self):
        b, site = self.browser, self.site
        b.run_async("navigator.serviceWorker.ready")
        self.assertEqual(b.driver.execute_cdp_cmd("Page.getAppManifest", {})["errors"], [])
        self.assertEqual(b.driver.execute_cdp_cmd("Page.getInstallabilityErrors", {}),
                         {"installabilityErrors": []})
        urls = b.requests()
        self.assertIn(site.url + "manifest.webmanifest", urls)
        self.assertEqual([u for u in urls if not u.startswith((site.url, "blob:"))], [])
        self.assertTrue(b.driver.find_element(By.CSS_SELECTOR, "meta[http-equiv]")
                        .get_attribute("content").startswith("default-src 'self';"))
        with open(os.path.join(self.folder.name, "sw.js"), "r+", encoding="utf-8") as f:
            worker = f.read().replace("${kPrefix}", "${kPrefix}next ", 1)
            f.seek(0)
            f.write(worker)
        b.run_async("navigator.serviceWorker.getRegistration().then((r) => r.update())")
        b.wait(lambda: b.driver.find_elements(By.CSS_SELECTOR, "#newer-build button"))
        b.driver.find_element(By.CSS_SELECTOR, "#newer-build button").click()
        b.wait(lambda: b.driver.execute_script("return !document.getElementById('newer-build') "
                                               "&& document.documentElement.dataset.ready"))
        self.assertEqual([k.startswith("sondrel %s next " % site.url)
                          for k in b.run_async("caches.keys()")], [True])
        site.stop()
        b.driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
            "offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        b.open(site.url + "#e=5000&lo=28&hi=31&lv=1.25&hv=8.25")
        lines, _ = sondrel_calc("5000", "28", "31", "1.25", "8.25")
        self.assertEqual(b.results() + "\n", lines.decode())


class UnfitBrowserTest(unittest.TestCase):
    def test_a_browser_that_cannot_run_the_page_says_so(self):
        old = ("This browser cannot run the calculator (it has no %s). It runs in Chrome or Edge 85 "
               "or later, Firefox 113 or later, and Safari 16.4 or later.")
        for deleted, shown, text in [
                (None, "no-script", "Sondrel calculates in JavaScript, which this browser does not "
                 "run for this page. Allow JavaScript here, or use the Sondrel program or sondrel-calc."),
                ("DecompressionStream", "loading", old % "DecompressionStream"),
                ("WebAssembly", "loading", old % "WebAssembly")]:
            with self.subTest(deleted=deleted):
                b = Browser(url="about:blank", ready=False)
                try:
                    b.driver.execute_cdp_cmd(*(
                        ("Page.addScriptToEvaluateOnNewDocument", {"source": "delete " + deleted})
                        if deleted else ("Emulation.setScriptExecutionDisabled", {"value": True})))
                    b.open("file://" + PAGE, ready=False)
                    self.assertEqual(b.find(shown).text, text)
                    self.assertEqual([b.find("calculate").is_displayed(), b.errors()],
                                     [shown == "loading", []])
                finally:
                    b.close()


class LocalePageTest(unittest.TestCase):
    def test_reads_and_writes_numbers_as_the_locale_does(self):
        for language, shown, texts in [
                ("de-DE", "1,25", ["1.000", "28", "31", "1,25", "8,25"]),
                ("fr-FR", "1,25", ["1 000", "28", "31", "1,25", "8,25"]),
                ("ar-EG", "1.25", ["\u0661\u0660\u0660\u0660", "28", "31", "1.25", "8\u066b25"])]:
            with self.subTest(language=language):
                b = Browser(language=language)
                try:
                    self.assertEqual(b.find("loVolts").get_attribute("value"), shown)
                    b.type_design(texts)
                    b.find("calculate").click()
                    lines, _ = sondrel_calc("1000", "28", "31", "1.25", "8.25")
                    self.assertEqual(b.results() + "\n", lines.decode())
                finally:
                    b.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
