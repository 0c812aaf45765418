#!/bin/sh
# Runs the receiver's browser tests. Exits 77 (reported by CTest as skipped) when the browser
# or the page tests' npm packages are missing: scripts/deps.sh test installs both.
cd "$(dirname "$0")" || exit 1
chromium=${TAMBERLIN_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ] || [ ! -d ../page/node_modules/playwright-core ] || ! command -v node >/dev/null; then
    echo "Skipping the receiver's browser tests: run scripts/deps.sh test to install Chromium and playwright-core."
    exit 77
fi
# Debian 12's Node.js 18 has no --test-timeout; CTest's own time limit stops a hang there.
limit=--test-timeout=180000
node --test-timeout=1 -e '' 2>/dev/null || limit=
exec node --test $limit --test-reporter=tap results_in_browser.test.mjs
