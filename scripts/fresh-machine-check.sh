#!/usr/bin/env bash
# Tries the README's commands as a newcomer would, on a Debian 12 that has nothing installed:
# makes a minimal bookworm system with debootstrap (kept between runs), copies this checkout
# into a fresh copy of it, and runs scripts/run.sh there without a display, twice (the second
# run must start at once). With --test it then runs scripts/test.sh there too. Prints how long
# each step took. Needs root, the Debian mirror that apt uses here, and several minutes.
#
#   scripts/fresh-machine-check.sh [--test] [--keep] [--prepare]
#
# --prepare only makes the cached base system. --keep leaves the machine's folder in place afterwards (it is removed otherwise). The cached
# base system lives in $TAMBERLIN_FRESH_CACHE (default /var/cache/tamberlin-fresh-machine);
# delete it to start from a new debootstrap.
set -euo pipefail
# The whole script is one block, read before it starts: editing the file while it runs is safe.
{
here=$(cd "$(dirname "$0")/.." && pwd)

with_tests=0
keep=0
prepare_only=0
for arg in "$@"; do
    case "$arg" in
        --test) with_tests=1 ;;
        --keep) keep=1 ;;
        --prepare) prepare_only=1 ;;
        *) echo "usage: $0 [--test] [--keep] [--prepare]" >&2; exit 2 ;;
    esac
done
if [ "$(id -u)" -ne 0 ]; then
    echo "$0: needs root (debootstrap, chroot and mounts)" >&2
    exit 2
fi

cache=${TAMBERLIN_FRESH_CACHE:-/var/cache/tamberlin-fresh-machine}
base=$cache/bookworm-minbase
root=$cache/machine
log=$cache/last-run.log
mkdir -p "$cache"

# The mirror apt uses here (deb822 sources first, then the one-line format); a newcomer's
# machine usually has deb.debian.org.
mirror_of() { # $1: the archive's last path part, debian or debian-security
    local uri
    uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        sed -n "s|^URIs:[[:space:]]*\([^[:space:]]*/$1\)/\?[[:space:]]*$|\1|p" | head -n 1)
    if [ -z "$uri" ]; then
        uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            sed -n "s|^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]*/$1\)/\?[[:space:]].*|\2|p" |
            head -n 1)
    fi
    echo "${uri:-http://deb.debian.org/$1}"
}
mirror=${TAMBERLIN_DEBIAN_MIRROR:-$(mirror_of debian)}
security=${TAMBERLIN_DEBIAN_SECURITY_MIRROR:-$(mirror_of debian-security)}

# Seconds since the epoch, and a duration as "1m 05s".
now() { date +%s; }
span() { printf '%dm %02ds' $(($1 / 60)) $(($1 % 60)); }

if [ ! -f "$base/.complete" ]; then
    if ! command -v debootstrap >/dev/null 2>&1; then
        echo "== Installing debootstrap"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
    fi
    echo "== Making a minimal Debian 12 in $base from $mirror"
    rm -rf "$base"
    debootstrap --variant=minbase bookworm "$base" "$mirror"
    cat >"$base/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
    # The base is a machine that was never used: no package lists yet.
    rm -rf "$base/var/lib/apt/lists/"*
    touch "$base/.complete"
fi
[ "$prepare_only" -eq 0 ] || exit 0

# Unmounts whatever is mounted inside the machine (also what a killed earlier run left), deepest
# first, before anything there is removed: /dev is the host's own.
unmount_all() {
    local m
    for m in $(awk -v r="$root/" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r); do
        umount -l "$m" 2>/dev/null || true
    done
}
remove_machine() {
    unmount_all
    rm -rf --one-file-system "$root"
}
cleanup() {
    unmount_all
    if [ "$keep" -eq 0 ] && [ -d "$root" ]; then
        remove_machine
    fi
}
trap cleanup EXIT

echo "== Copying the base system and this checkout ($(git -C "$here" rev-parse --short HEAD))"
remove_machine
cp -a "$base" "$root"
rm -f "$root/.complete"
# Uncommitted changes to tracked files come along (git stash create makes a commit of them
# without touching the work tree); untracked files, build folders and node_modules do not.
snapshot=$(git -C "$here" stash create 2>/dev/null || true)
mkdir -p "$root/root/tamberlin"
git -C "$here" archive "${snapshot:-HEAD}" | tar -x -C "$root/root/tamberlin"
# The machine reaches the mirror and the npm registry as this one does: same name server, and
# the certificate authorities added here (a network's own, for one), which ca-certificates takes
# in when the run command installs it.
cp /etc/resolv.conf "$root/etc/resolv.conf"
if ls /usr/local/share/ca-certificates/*.crt >/dev/null 2>&1; then
    mkdir -p "$root/usr/local/share/ca-certificates"
    cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
fi

# What Chromium and the tests need besides the device nodes debootstrap made: /proc, /sys and
# a /dev/shm of the machine's own (the host's /dev is not bound in).
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mkdir -p "$root/dev/shm"
mount -t tmpfs shm "$root/dev/shm" -o mode=1777
mount -t tmpfs tmp "$root/tmp" -o mode=1777

# Runs a command in the machine as a login shell of root would, without a display, with each
# line of its output stamped with the seconds since it started.
in_machine() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd /root/tamberlin && $1" 2>&1
}
stamp() {
    local start line
    start=$(now)
    while IFS= read -r line; do
        printf '[%5ds] %s\n' $(($(now) - start)) "$line"
    done
}

: >"$log"
# The time at which a line matching $2 first appeared in the stamped output $1.
seconds_at() { sed -n "s/^\[ *\([0-9]*\)s\] $2.*/\1/p" "$1" | head -n 1; }

# Runs $1 in the machine, stamped, into the log file $2 (and the whole log); fails with what
# it printed last when the command fails.
run_step() {
    local rc
    set +e
    in_machine "$1" | stamp | tee "$2" >>"$log"
    rc=${PIPESTATUS[0]}
    set -e
    if [ "$rc" -ne 0 ]; then
        tail -n 30 "$2"
        echo "FAIL: '$1' exited with $rc on the fresh machine (whole log: $log)" >&2
        exit 1
    fi
}
page=$root/root/tamberlin/examples/solar_system.htm

echo "== First run of scripts/run.sh (install, build, publish)"
first=$cache/run1.log
t0=$(now)
run_step scripts/run.sh "$first"
t1=$(now)
grep -v '^\[ *[0-9]*s\] \(Get\|Selecting\|Preparing\|Unpacking\|Setting up\|Processing\)' "$first" |
    tail -n 25
if ! grep -qi '<html' "$page" 2>/dev/null; then
    echo "FAIL: the first run published no example page (examples/solar_system.htm)" >&2
    exit 1
fi
built_at=$(seconds_at "$first" "== Building")
started_at=$(seconds_at "$first" "== Starting")

echo "== Second run of scripts/run.sh (nothing changed)"
rm -f "$page"
second=$cache/run2.log
t2=$(now)
run_step scripts/run.sh "$second"
t3=$(now)
cat "$second"
if ! grep -qi '<html' "$page" 2>/dev/null; then
    echo "FAIL: the second run published no example page" >&2
    exit 1
fi
if grep -q 'Installing:\|Configuring done\|Linking CXX\|Building CXX' "$second"; then
    echo "FAIL: the second run installed, configured or built again" >&2
    exit 1
fi
programs=$(find "$root/root/tamberlin/build" -maxdepth 1 -type f -executable -printf '%f ')

echo
echo "== Timings on a fresh Debian 12 ($(nproc) cores)"
echo "first run of scripts/run.sh: $(span $((t1 - t0)))"
echo "  installing the packages:   $(span "${built_at:-0}")"
echo "  building the programs:     $(span $((${started_at:-0} - ${built_at:-0})))"
echo "  first start (publishing):  $(span $((t1 - t0 - ${started_at:-0})))"
echo "second run, nothing changed: $(span $((t3 - t2)))"
echo "executables built: $programs"

if [ "$with_tests" -eq 1 ]; then
    echo "== scripts/test.sh"
    t4=$(now)
    run_step scripts/test.sh "$cache/test.log"
    t5=$(now)
    tail -n 15 "$cache/test.log"
    echo "scripts/test.sh: passed in $(span $((t5 - t4))) (log: $log)"
fi
echo "fresh machine check passed"
exit 0
}
