#!/usr/bin/env bash
# Installs what is missing, builds the programs (tamberlin, tamberlin-results, picture-dump; no
# tests) and starts Tamberlin on the example quiz. Without a display it does the headless
# equivalent: it publishes the example quiz's page and says where the page is. A second run
# with nothing changed installs, configures and builds nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

echo "== Checking the packages the programs need (scripts/deps.sh run)"
bash scripts/deps.sh run

echo "== Building the programs into build/"
# A build folder that exists (made by an earlier run, or by scripts/test.sh with the tests on)
# is kept as it is: its build files configure again by themselves when a CMake file changes.
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMBERLIN_TESTS=OFF >/dev/null
fi
cmake --build build -j "$(nproc)" --target programs

example="$here/examples/solar_system.qvt"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== Starting build/tamberlin on examples/solar_system.qvt"
    # Started from the quiz's folder, as an author would, so that the question picture given
    # by its bare file name is found there.
    cd "$here/examples"
    exec "$here/build/tamberlin" "$example"
fi
echo "== Starting: no display found, so publishing the example quiz headlessly instead of opening the window"
./build/tamberlin --publish "$example"
echo "Open the page in a browser; clock.js and the digit pictures are beside it in examples/."
