#!/usr/bin/env bash
# Checks Quorvel as a Linux desktop installs it: the desktop entry and the
# AppStream metainfo validate, `cmake --install` into a prefix gives a file
# type that the desktop's tools recognise (by name and by content) and that
# the desktop entry opens, and `cpack -G DEB` makes a package with the right
# files and dependencies whose programs run. Also that a packager can
# configure without GoogleTest and Google Benchmark.
#
#   bash scripts/check-packaging.sh [BUILD_DIR]    (default: build, the dev preset)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" = 0 ]; then
  apt-get install -y -qq --no-install-recommends \
    desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl dpkg-dev file groff-base \
    >/dev/null
fi

fail() { echo "check-packaging: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -f "$build/CMakeCache.txt" ] || cmake --preset dev >/dev/null
cmake --build "$build" --target quorvel quorvel-cli quorvel_examples -j"$(nproc)" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
app_id=$(sed -n 's/^QUORVEL_APP_ID:STRING=//p' "$build/CMakeCache.txt")
[ -n "$version" ] && [ -n "$app_id" ] || fail "cannot read the version and the id from $build"

echo "== install into a prefix"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
expected_files="bin/quorvel
bin/quorvel-cli
share/applications/$app_id.desktop
share/doc/quorvel/copyright
share/icons/hicolor/scalable/apps/quorvel.svg
share/icons/hicolor/scalable/mimetypes/application-x-quorvel-base.svg
share/man/man1/quorvel-cli.1
share/man/man1/quorvel.1
share/metainfo/$app_id.metainfo.xml
share/mime/packages/quorvel.xml
share/quorvel/QUORVEL.TIP
share/quorvel/magic
share/quorvel/examples/README.md
share/quorvel/examples/credito_pessoal.bcm
share/quorvel/examples/credito_pessoal.bct
share/quorvel/examples/credito_pessoal.respostas.txt
share/quorvel/examples/cuidados_plantas.bcm
share/quorvel/examples/cuidados_plantas.bct
share/quorvel/examples/cuidados_plantas.respostas.txt"
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$(echo "$expected_files" | LC_ALL=C sort)" ] ||
  fail "installed files differ:
$(diff <(echo "$expected_files" | LC_ALL=C sort) <(echo "$installed") || true)"

echo "== desktop entry, metainfo, manual pages"
desktop="$prefix/share/applications/$app_id.desktop"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml"
grep -qx 'Exec=quorvel %f' "$desktop" || fail "the desktop entry does not pass the file to open"
grep -qx 'MimeType=application/x-quorvel-base;text/x-quorvel-base;' "$desktop" || fail "the desktop entry does not name the base type"
for page in quorvel quorvel-cli; do
  warnings=$(LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z "$prefix/share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

echo "== file type of a base, by name and by content"
export XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$work/home" XDG_CONFIG_HOME="$work/config"
update-mime-database "$prefix/share/mime"
update-desktop-database "$prefix/share/applications" >/dev/null 2>&1
example="$prefix/share/quorvel/examples/credito_pessoal.bcm"
cp "$example" "$work/some.bcm"
cp "$example" "$work/renamed"
echo "Base em texto" >"$work/some.bct"
check_type() {
  local got
  got=$(xdg-mime query filetype "$1")
  [ "$got" = "$2" ] || fail "xdg-mime query filetype $(basename "$1"): $got, not $2"
}
check_type "$work/some.bcm" application/x-quorvel-base
check_type "$work/renamed" application/x-quorvel-base
check_type "$work/some.bct" text/x-quorvel-base
# file(1) knows the bases through the magic file installed beside the examples.
described=$(file -b -m "$prefix/share/quorvel/magic" "$work/renamed")
[[ "$described" == "Quorvel knowledge base, version 1.1, "* ]] || fail "file -m says '$described'"
default=$(xdg-mime query default application/x-quorvel-base 2>/dev/null)
[ "$default" = "$app_id.desktop" ] || fail "bases open with '$default', not $app_id.desktop"

echo "== Debian package"
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null)
deb=$(ls "$work"/deb/quorvel_"$version"_*.deb)
file "$deb" | grep -q 'Debian binary package' || fail "$deb is not a Debian package"
packaged=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./usr/||' | LC_ALL=C sort)
[ "$packaged" = "$(echo "$expected_files" | LC_ALL=C sort)" ] ||
  fail "packaged files differ:
$(diff <(echo "$expected_files" | LC_ALL=C sort) <(echo "$packaged") || true)"
depends=$(dpkg-deb -f "$deb" Depends)
# The Qt libraries come from the programs' links; the SVG plugin that draws
# every icon and Qt's Portuguese texts are loaded at run time and must be
# declared by hand.
for need in libqt6svg6 qt6-translations-l10n libmimalloc2.0 libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
  echo "$depends" | tr ',' '\n' | grep -q "^ *$need\b" || fail "Depends lacks $need: $depends"
done
if [ "$(id -u)" = 0 ]; then
  apt-get install --simulate -qq "$deb" >/dev/null || fail "the package's dependencies cannot be installed"
fi

echo "== the packaged programs run"
root="$work/root"
dpkg-deb -x "$deb" "$root"
got=$("$root/usr/bin/quorvel-cli" --version)
[ "$got" = "quorvel-cli $version" ] || fail "quorvel-cli --version says '$got'"
"$root/usr/bin/quorvel-cli" consult "$root/usr/share/quorvel/examples/credito_pessoal.bcm" \
  --answers "$root/usr/share/quorvel/examples/credito_pessoal.respostas.txt" >/dev/null
QT_QPA_PLATFORM=offscreen QUORVEL_CONFIG_DIR="$work/config" QUORVEL_SCREENSHOT="$work/started.png" \
  QUORVEL_SCREENSHOT_DELAY=500 "$root/usr/bin/quorvel" "$root/usr/share/quorvel/examples/cuidados_plantas.bcm"
[ -s "$work/started.png" ] || fail "the packaged workbench did not start"

echo "== a packager's configuration needs neither GoogleTest nor Google Benchmark"
cmake --no-warn-unused-cli -S . -B "$work/packager" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
grep -q '^QUORVEL_WERROR:BOOL=OFF' "$work/packager/CMakeCache.txt" || fail "a plain configuration turns warnings into errors"

echo "packaging checks passed"
