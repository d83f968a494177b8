#!/usr/bin/env python3
"""The page in headless Chromium, against the native sondrel-calc.

    page_test.py SONDREL_HTML SONDREL_CALC SCREENSHOT_DIR

Types designs into the page opened from file:// and compares what it shows and downloads with
sondrel-calc's answers; takes the screenshots at 1280 and 360 px; checks that the page asked
for nothing but itself and its own blobs. Serves the published folder (site/ beside it) on
127.0.0.1: it installs, works offline, keeps and shares a design.
"""
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

    def test_a_bad_box_names_itself_and_keeps_its_text(self):
        b = self.browser
        for box, text, message in [
                ("loBaro", "12a", 'Type mismatch: LoBaro, inHg: "12a" is not a number'),
                ("hiVolts", "1e999", 'Overflow: HiVolt: "1e999" is too large for a number')]:
            with self.subTest(box=box):
                texts = ["0", "28", "31", "1.25", "8.25"]
                texts[BOXES.index(box)] = text
                b.type_design(texts)
                b.find("calculate").click()
                self.assertEqual(b.find("failure").text, message)
                self.assertEqual(b.find(box).get_attribute("value"), text)
                self.assertEqual(b.find(box).get_attribute("aria-invalid"), "true")
                self.assertEqual(b.driver.switch_to.active_element.get_attribute("id"), box)

    def test_header_and_report_equal_sondrel_calcs(self):
        b = self.browser
        b.type_design(["5000", "28", "31", "1.25", "8.25"])
        b.find("calculate").click()
        b.find("report-header-command").click()
        header = b.find("header-box")
        header.clear()
        header.send_keys("Site 7", Keys.ENTER, "North ridge ✓", Keys.ENTER)
        b.find("header-done").click()
        path = b.downloaded("Output-5000ft.txt")
        b.find("generate-report-command").click()
        report, _ = sondrel_calc("--report", "-", "--header", "Site 7\nNorth ridge ✓\n",
                                 "5000", "28", "31", "1.25", "8.25")
        self.assertEqual(b.read_download(path), report)

    def test_help_fills_the_results_box(self):
        b = self.browser
        b.find("help-command").click()
        self.assertTrue(b.results().startswith("Generate_Report puts 'Output.txt' in the folder"))

    def test_sweep_table_csv_and_chart_equal_sondrel_calcs(self):
        b = self.browser
        b.type_design(["0", "28", "31", "1.25", "8.25"])
        for box, text in [("sweep-start", "0"), ("sweep-stop", "20000"), ("sweep-step", "1000")]:
            b.find(box).clear()
            b.find(box).send_keys(text)
        b.find("sweep-button").click()
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

    def test_screenshots_at_1280_and_360_px(self):
        # Wide: a design and a sweep with its chart; a phone: the design alone.
        for width, height, sweep, name in [(1280, 1560, True, "web-1280.png"),
                                           (360, 900, False, "web-360.png")]:
            with self.subTest(width=width):
                b = self.browser if width == 1280 else Browser(width=width, height=height)
                try:
                    b.driver.set_window_size(width, height)
                    b.type_design(["5000", "28", "31", "1.25", "8.25"])
                    b.find("calculate").click()
                    if sweep:
                        for box, text in [("sweep-start", "0"), ("sweep-stop", "20000"),
                                          ("sweep-step", "500")]:
                            b.find(box).clear()
                            b.find(box).send_keys(text)
                        b.find("sweep-button").click()
                        b.wait(lambda: b.driver.execute_script(
                            "return document.getElementById('sweep-chart').complete"))
                    b.driver.execute_script("window.scrollTo(0, 0)")
                    # One column on a phone: nothing wider than the screen, targets of 44 px.
                    inner = b.driver.execute_script("return window.innerWidth")
                    self.assertLessEqual(
                        b.driver.execute_script("return document.documentElement.scrollWidth"), inner)
                    small = b.driver.execute_script("""
                        return [...document.querySelectorAll('button, input, textarea')]
                            .filter(e => e.offsetParent && e.getBoundingClientRect().height < 44)
                            .map(e => e.id)""")
                    self.assertEqual(small, [])
                    b.driver.save_screenshot(os.path.join(SHOTS, name))
                finally:
                    if b is not self.browser:
                        b.close()

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


class GermanPageTest(unittest.TestCase):
    def test_reads_and_writes_the_decimal_comma(self):
        b = Browser(language="de-DE")
        try:
            self.assertEqual(b.find("loVolts").get_attribute("value"), "1,25")
            b.type_design(["1.000", "28", "31", "1,25", "8,25"])
            b.find("calculate").click()
            lines, _ = sondrel_calc("1000", "28", "31", "1.25", "8.25")
            self.assertEqual(b.results() + "\n", lines.decode())
        finally:
            b.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
