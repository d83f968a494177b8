#!/usr/bin/env python3
"""Writes the browser page twice: sondrel.html, one file to open from a disk, and a folder to
publish on any static web server.

    make_page.py MODULE.wasm OUT.html SITE_DIR page.html page.css check.js SCRIPT.js... \\
        --site SITE_SCRIPT.js... --worker sw.js --manifest manifest.webmanifest --icons DIR

Both carry the styles and the scripts inline. check.js runs first, in a script of its own, so
that a browser too old for the rest can still say so. The one file holds the calculator module
too, gzip-compressed and base64-encoded (the page inflates it with the browser's
DecompressionStream); its Content-Security-Policy allows exactly its inline scripts and styles
(by their SHA-256) and the module, and no request to any server.

The folder holds the same page as index.html, with the SITE_SCRIPTs (the service worker's
registration) and links to the web app manifest and its icons, and the module beside it as
sondrel.wasm (compiled as it arrives, the page opens faster than with the module inline); its
policy allows besides only its own origin's files. Its service worker, sw.js, keeps every other
file of the folder in a cache named for their SHA-256, so that a new build replaces the old one
whole.
"""
import argparse
import base64
import gzip
import hashlib
import json
import os
import re
import shutil

ONE_FILE_POLICY = "default-src 'none'; img-src blob:"
SITE_POLICY = "default-src 'self'; img-src 'self' blob:; worker-src 'self'"
SITE_HEAD = """<meta name="description" content="Sondrel sets the two trimmers of a barometric-\
pressure sensor's scaling circuit for a site's elevation.">
<link rel="manifest" href="manifest.webmanifest">
<link rel="icon" type="image/png" sizes="192x192" href="icon-192.png">
<link rel="apple-touch-icon" href="apple-touch-icon.png">
<meta name="theme-color" content="#f4f4f2" media="(prefers-color-scheme: light)">
<meta name="theme-color" content="#1c1d1f" media="(prefers-color-scheme: dark)">
</head>"""


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def digests(page, element):
    """The SHA-256 of every inline `element` (a <script> with no type, or a <style>)."""
    texts = re.findall(r"<%s>(.*?)</%s>" % (element, element), page, re.S)
    return " ".join("'sha256-%s'" % base64.b64encode(hashlib.sha256(t.encode()).digest()).decode()
                    for t in texts)


def fill(template, marks):
    for mark, text in marks:
        if template.count(mark) != 1:
            raise SystemExit("make_page.py: %s must be in the page once" % mark)
        template = template.replace(mark, text)
    return template


def script_text(paths):
    """The scripts one after another, less their whole-line comments (for their readers here,
    a tenth of the page gzipped)."""
    lines = "".join(read(path) for path in paths).split("\n")
    if any(line.count("`") % 2 for line in lines):
        raise SystemExit("make_page.py: a template literal spans lines; its comments could be text")
    return "\n".join(line for line in lines if not line.lstrip().startswith("//"))


def page_text(args, scripts, policy, head, module_text):
    """The page with its parts filled in and its policy, `policy` (the sources besides the
    inline scripts and styles) made for them; with no `module_text`, no inline module."""
    page = read(args.html).replace("</head>", head)
    if not module_text:
        page, count = re.subn(r'<script [^>]*id="sondrel-module"[^>]*>@MODULE@</script>\n?',
                              "", page)
        if count != 1:
            raise SystemExit("make_page.py: no sondrel-module script holding @MODULE@")
    page = fill(page, [("@STYLE@", read(args.css)), ("@CHECK@", script_text([args.check])),
                       ("@SCRIPT@", script_text(scripts))] +
                ([("@MODULE@", module_text)] if module_text else []))
    return fill(page, [("@POLICY@", "%s; script-src %s 'wasm-unsafe-eval'; style-src %s; "
                                    "base-uri 'none'; form-action 'none'" % (
                                        policy, digests(page, "script"), digests(page, "style")))])


def write_site(args):
    os.makedirs(args.site_dir, exist_ok=True)
    files = {"index.html": page_text(args, args.scripts + args.site, SITE_POLICY, SITE_HEAD, ""),
             "manifest.webmanifest": read(args.manifest)}
    kept = {name: text.encode() for name, text in files.items()}
    with open(args.module, "rb") as f:
        kept["sondrel.wasm"] = f.read()
    for icon in json.loads(files["manifest.webmanifest"])["icons"] + [
            {"src": "apple-touch-icon.png"}]:
        with open(os.path.join(args.icons, icon["src"]), "rb") as f:
            kept[icon["src"]] = f.read()
    build = hashlib.sha256()
    for name in sorted(kept):
        build.update(b"%s\0%d\0%s" % (name.encode(), len(kept[name]), kept[name]))
    files["sw.js"] = fill(read(args.worker), [("@BUILD@", build.hexdigest()[:16]),
                                              ("@FILES@", json.dumps(sorted(kept)))])
    for name, data in kept.items():
        with open(os.path.join(args.site_dir, name), "wb") as f:
            f.write(data)
    write(os.path.join(args.site_dir, "sw.js"), files["sw.js"])


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    for name in ["module", "out", "site_dir", "html", "css", "check"]:
        parser.add_argument(name)
    parser.add_argument("scripts", nargs="+")
    parser.add_argument("--site", nargs="+", required=True)
    for name in ["--worker", "--manifest", "--icons"]:
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    with open(args.module, "rb") as f:
        module_text = base64.b64encode(gzip.compress(f.read(), 9, mtime=0)).decode()
    write(args.out, page_text(args, args.scripts, ONE_FILE_POLICY, "</head>", module_text))
    shutil.rmtree(args.site_dir, ignore_errors=True)
    write_site(args)


if __name__ == "__main__":
    main()
