#!/usr/bin/env bash
# make test-web: the browser page's module against the native sondrel-calc (Node), then the
# page itself in headless Chromium (Selenium), from build/web and build/dev.
#
#   tools/test-web.sh [GENERATED]   GENERATED designs beside the table (default 3000)
set -euo pipefail
cd "$(dirname "$0")/.."
generated=${1:-3000}
node tests/web/exactness.js build/web/web/sondrel.wasm build/dev/cli/sondrel-calc \
    tests/web/exactness.tsv "$generated"
/usr/bin/python3 tests/web/page_test.py build/web/sondrel.html build/dev/cli/sondrel-calc docs
