#!/usr/bin/env bash
# make test-web: the browser page's module against the native sondrel-calc (Node), then the
# page itself in headless Chromium (Selenium), from build/web and build/dev (SONDREL_CALC names
# another sondrel-calc).
#
#   tools/test-web.sh [GENERATED]   GENERATED designs beside the table (default 3000)
set -euo pipefail
cd "$(dirname "$0")/.."
generated=${1:-3000}
calc=${SONDREL_CALC:-build/dev/cli/sondrel-calc}
node tests/web/exactness.js build/web/web/sondrel.wasm "$calc" tests/web/exactness.tsv "$generated"
/usr/bin/python3 tests/web/page_test.py build/web/sondrel.html "$calc" docs
