#!/bin/sh
# Runs the page tests in headless Chromium. Exits 77 (reported by CTest as skipped) when the
# browser or the npm packages are missing: scripts/deps.sh test installs both.
cd "$(dirname "$0")" || exit 1
chromium=${TAMBERLIN_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ] || [ ! -d node_modules/playwright-core ] || ! command -v node >/dev/null; then
    echo "Skipping the page tests: run scripts/deps.sh test to install Chromium and playwright-core."
    exit 77
fi
# A test that hangs (a browser that never answers) fails instead of blocking CI (each test also has its own limit).
# Debian 12's Node.js 18 has no --test-timeout; CTest's own time limit stops a hang there.
limit=--test-timeout=300000
node --test-timeout=1 -e '' 2>/dev/null || limit=
exec node --test $limit --test-reporter=tap quiz_page.test.mjs
