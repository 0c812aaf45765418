#!/bin/sh
# Runs the GIFT checks against gift-pegjs. Exits 77 (reported by CTest as skipped) when node or
# the npm package is missing: scripts/deps.sh test installs both.
cd "$(dirname "$0")" || exit 1
if [ ! -d node_modules/gift-pegjs ] || ! command -v node >/dev/null; then
    echo "Skipping the GIFT checks: run scripts/deps.sh test to install gift-pegjs."
    exit 77
fi
# Debian 12's Node.js 18 has no --test-timeout; CTest's own time limit stops a hang there.
limit=--test-timeout=120000
node --test-timeout=1 -e '' 2>/dev/null || limit=
exec node --test $limit --test-reporter=tap gift_interop.test.mjs
