#!/usr/bin/env python3
"""Writes sondrel.html: the page with its styles, its script and the calculator module inline.

    make_page.py MODULE.wasm OUT.html page.html page.css SCRIPT.js...

The module goes in gzip-compressed and base64-encoded (the page inflates it with the browser's
DecompressionStream); the Content-Security-Policy allows exactly the inline script and styles
(by their SHA-256) and the module, and no request to any server.
"""
import base64
import gzip
import hashlib
import sys


def digest(text):
    return "'sha256-%s'" % base64.b64encode(hashlib.sha256(text.encode()).digest()).decode()


def main(module_path, out_path, html_path, css_path, *script_paths):
    with open(module_path, "rb") as f:
        module = base64.b64encode(gzip.compress(f.read(), 9, mtime=0)).decode()
    with open(html_path, encoding="utf-8") as f:
        page = f.read()
    with open(css_path, encoding="utf-8") as f:
        style = f.read()
    script = ""
    for path in script_paths:
        with open(path, encoding="utf-8") as f:
            script += f.read()
    policy = ("default-src 'none'; script-src %s 'wasm-unsafe-eval'; style-src %s; "
              "img-src blob:; base-uri 'none'; form-action 'none'" % (digest(script), digest(style)))
    for mark, text in (("@POLICY@", policy), ("@STYLE@", style), ("@MODULE@", module),
                       ("@SCRIPT@", script)):
        if page.count(mark) != 1:
            sys.exit("make_page.py: %s must be in %s once" % (mark, html_path))
        page = page.replace(mark, text)
    with open(out_path, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


if __name__ == "__main__":
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])
