#!/bin/sh
# Runs the receiver's browser tests. Exits 77 (reported by CTest as skipped) when the browser
# or the page tests' npm packages are missing: scripts/deps.sh test installs both.
cd "$(dirname "$0")" || exit 1
chromium=${TAMBERLIN_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ] || [ ! -d ../page/node_modules/playwright-core ] || ! command -v node >/dev/null; then
    echo "Skipping the receiver's browser tests: run scripts/deps.sh test to install Chromium and playwright-core."
    exit 77
fi
exec node --test --test-timeout=180000 --test-reporter=tap results_in_browser.test.mjs
