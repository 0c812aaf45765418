#!/bin/sh
# Installs the build into a temporary DESTDIR and runs the installed program from there, checks
# the desktop files with the desktop's own tools, then builds the Debian package and checks it
# with dpkg-deb and lintian.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1
source=$2
version=$3

for tool in desktop-file-validate appstreamcli xmllint update-mime-database xdg-mime mimetype \
    man cpack dpkg-deb dpkg-shlibdeps lintian; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is missing (scripts/deps.sh test installs it)"
        exit 77
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

echo "== cmake --install into a DESTDIR"
root=$tmp/root
DESTDIR=$root cmake --install "$build" --prefix /usr/local >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; exit 1; }
prefix=$root/usr/local
data=$prefix/share/tamberlin
web_files="clock.js 0fdg.gif 1fdg.gif 2fdg.gif 3fdg.gif 4fdg.gif 5fdg.gif 6fdg.gif 7fdg.gif
    8fdg.gif 9fdg.gif cfdg.gif"
expected="bin/tamberlin bin/picture-dump bin/tamberlin-results lib/cgi-bin/tamberlin-results.cgi
    share/tamberlin/tamberlin_help.htm
    share/tamberlin/examples/solar_system.qvt share/tamberlin/examples/saturn.gif
    share/applications/tamberlin.desktop share/mime/packages/tamberlin.xml
    share/metainfo/tamberlin.metainfo.xml share/icons/hicolor/scalable/apps/tamberlin.svg
    share/doc/tamberlin/copyright share/doc/tamberlin/changelog.gz"
for name in $web_files; do expected="$expected share/tamberlin/$name"; done
for size in 16 22 24 32 48 64 128 256; do
    expected="$expected share/icons/hicolor/${size}x$size/apps/tamberlin.png"
done
# Every manual page of the source, and one for every installed program.
for page in "$source"/man/*.1; do
    expected="$expected share/man/man1/$(basename "$page").gz"
done
for program in "$prefix"/bin/*; do
    expected="$expected share/man/man1/$(basename "$program").1.gz"
done
for file in $expected; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done

echo "== The installed program, started from another folder"
exe=$prefix/bin/tamberlin
elsewhere=$tmp/elsewhere
mkdir -p "$elsewhere"
cd "$elsewhere"
[ "$("$exe" --version)" = "tamberlin $version" ] || fail "--version says $("$exe" --version)"
"$exe" --publish "$data/examples/solar_system.qvt" >"$tmp/publish.out" ||
    fail "--publish of the installed example failed"
[ "$(cat "$tmp/publish.out")" = "$data/examples/solar_system.htm" ] ||
    fail "--publish printed $(cat "$tmp/publish.out")"
cmp -s "$data/examples/solar_system.htm" "$source/tests/data/pages/solar_system.htm" ||
    fail "the installed example's page is not the expected page"
"$exe" --copy-web-files site >/dev/null || fail "--copy-web-files failed"
for name in $web_files; do
    cmp -s "site/$name" "$source/web/$name" || fail "--copy-web-files did not copy $name"
done
# The help page is found from the executable's folder: bin/../share/tamberlin.
[ -f "$(dirname "$exe")/../share/tamberlin/tamberlin_help.htm" ] ||
    fail "the help page is not in the data folder beside bin/"
"$prefix/bin/picture-dump" "$data/examples/saturn.gif" >/dev/null ||
    fail "the installed picture-dump cannot read the example's picture"
"$prefix/bin/tamberlin-results" --help >/dev/null ||
    fail "the installed tamberlin-results does not start"

echo "== Manual pages"
for page in "$prefix"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
# Every option that --help lists is documented in tamberlin(1).
LC_ALL=C MANWIDTH=1000 man -E ascii -l "$prefix/share/man/man1/tamberlin.1.gz" >"$tmp/man.txt" 2>/dev/null
for option in $("$exe" --help | grep -o -- '\(^\|[][ |(]\)-\{1,2\}[a-z][a-z-]*' |
    sed 's/^[^-]*//' | sort -u); do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" "$tmp/man.txt" ||
        fail "tamberlin.1 does not document $option"
done

echo "== The version everywhere it is written"
for page in "$source"/man/*.1; do
    grep -m 1 '^\.TH ' "$page" | grep -qF " $version\"" ||
        fail "the .TH line of $(basename "$page") does not give version $version"
done
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/tamberlin.metainfo.xml" ||
    fail "the metadata has no release $version"
gzip -dc "$prefix/share/doc/tamberlin/changelog.gz" | head -n 1 | grep -q "^tamberlin ($version)" ||
    fail "the changelog's latest entry is not $version"

echo "== Desktop entry, AppStream metadata, file type"
desktop-file-validate "$prefix/share/applications/tamberlin.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/tamberlin.metainfo.xml" >"$tmp/as.log" 2>&1 ||
    { cat "$tmp/as.log"; fail "appstreamcli validate"; }
xmllint --noout "$prefix/share/mime/packages/tamberlin.xml" \
    "$prefix/share/icons/hicolor/scalable/apps/tamberlin.svg" || fail "xmllint"
mime=$tmp/xdg/mime
mkdir -p "$mime/packages"
cp "$prefix/share/mime/packages/tamberlin.xml" "$mime/packages/"
XDG_DATA_DIRS="$tmp/xdg" update-mime-database "$mime" >"$tmp/mime.log" 2>&1 || fail "update-mime-database"
[ ! -s "$tmp/mime.log" ] || { cat "$tmp/mime.log"; fail "update-mime-database complained"; }
cp "$data/examples/solar_system.qvt" "$tmp/Quiz With Spaces.qvt"
type=$(env -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
    XDG_CURRENT_DESKTOP=X-Generic XDG_DATA_HOME="$tmp/xdg" XDG_DATA_DIRS="$tmp/xdg" \
    xdg-mime query filetype "$tmp/Quiz With Spaces.qvt")
[ "$type" = application/x-tamberlin-quiz ] || fail "xdg-mime query filetype says $type"

echo "== The Debian package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/package/tamberlin_"$version"_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/contents"
for file in $expected; do
    grep -qx "./usr/$file" "$tmp/contents" || fail "the package lacks /usr/$file"
done
if grep -v -e '^\./usr/' -e '^\./$' "$tmp/contents"; then
    fail "the package holds files outside /usr"
fi
[ "$(dpkg-deb -f "$deb" Package)" = tamberlin ] || fail "Package: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Section)" = education ] || fail "Section: $(dpkg-deb -f "$deb" Section)"
dpkg-deb -f "$deb" Maintainer | grep -q '<.*@.*>' || fail "Maintainer: $(dpkg-deb -f "$deb" Maintainer)"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo \
    libsqlite3-0 libmicrohttpd libxml2; do
    echo "$depends" | grep -q "$library" || fail "Depends lacks $library: $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -x -O ./triggers >"$tmp/triggers" 2>/dev/null ||
    fail "the package has no triggers"
for path in /usr/share/mime/packages /usr/share/applications /usr/share/icons/hicolor; do
    grep -qx "activate-noawait $path" "$tmp/triggers" || fail "no trigger for $path"
done
lintian --fail-on error --tag-display-limit 0 --display-info "$deb" >"$tmp/lintian.log" 2>&1 ||
    fail "lintian found errors"
cat "$tmp/lintian.log"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "All install and package checks passed"
