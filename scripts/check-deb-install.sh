#!/usr/bin/env bash
# Installs the Debian package on a clean Debian 12 (a minimal root made with
# debootstrap) the way a user would, with `apt-get install ./quorvel_*.deb`,
# so that apt has to find every run-time need among the package's declared
# dependencies, and then uses what it installed: both programs' --version,
# a consultation of an installed example with quorvel-cli, and the workbench
# opening an installed example on a virtual display, where it must load Qt's
# SVG icon engine; a screenshot of it is kept.
#
# Needs root, network access and debootstrap; not part of CI for that reason.
#
#   sudo bash scripts/check-deb-install.sh DEB [WORK_DIR]
#       DEB       the package, e.g. made by `cpack -G DEB` in a release build
#       WORK_DIR  default /var/tmp/quorvel-deb-check; the clean root is made
#                 there once (bookworm-minbase.tar) and unpacked afresh for
#                 every run; the screenshot is left there as workbench.png
set -euo pipefail
deb=$(realpath "${1:?usage: check-deb-install.sh DEB [WORK_DIR]}")
work=${2:-/var/tmp/quorvel-deb-check}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

fail() { echo "check-deb-install: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || fail "must run as root (debootstrap, chroot, mounts)"
[ -f "$deb" ] || fail "no package at $deb"
command -v debootstrap >/dev/null || fail "debootstrap is not installed (apt-get install debootstrap)"
command -v Xvfb >/dev/null || fail "Xvfb is not installed (apt-get install xvfb)"
mkdir -p "$work"

clean="$work/bookworm-minbase.tar"
if [ ! -f "$clean" ]; then
  echo "== making a clean Debian 12 root (once)"
  rm -rf "$work/fresh"
  debootstrap --variant=minbase bookworm "$work/fresh" "$mirror" >"$work/debootstrap.log"
  tar -C "$work/fresh" -cf "$clean" .
  rm -rf "$work/fresh"
fi

root="$work/root"
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  for mount in tmp/.X11-unix dev proc; do mountpoint -q "$root/$mount" && umount "$root/$mount"; done
  true
}
trap cleanup EXIT
cleanup
rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xf "$clean"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get update failed"; }
# Without the recommended packages: what the package declares it depends on
# must be enough on its own.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" \
  >"$work/apt.log" 2>&1 || { tail -20 "$work/apt.log"; fail "the package does not install"; }

echo "installed with it: $(grep -c '^Setting up' "$work/apt.log") packages (Depends: $(dpkg-deb -f "$deb" Depends))"

echo "== the installed programs"
version=$(dpkg-deb -f "$deb" Version)
got=$(in_root quorvel-cli --version)
[ "$got" = "quorvel-cli $version" ] || fail "quorvel-cli --version says '$got'"
echo "$got"
got=$(in_root quorvel --version)
[[ "$got" == *"$version"* ]] || fail "quorvel --version says '$got'"
echo "$got"
examples=/usr/share/quorvel/examples
in_root quorvel-cli consult "$examples/credito_pessoal.bcm" --answers "$examples/credito_pessoal.respostas.txt" \
  >"$work/consult.txt" || fail "quorvel-cli cannot consult the installed example"
grep -q '^Resultados de ' "$work/consult.txt" || fail "the consultation showed no results"
sed 's/^/  /' "$work/consult.txt"

echo "== the workbench opens an installed example on a virtual display"
# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=:$(head -1 "$work/display")
[ -S "/tmp/.X11-unix/X${display#:}" ] || fail "Xvfb did not start"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
# A fresh user: no settings, so the tip of the day opens over the base.
install -d -m 700 "$root/tmp/user" "$root/tmp/user/runtime"
in_root env DISPLAY="$display" HOME=/tmp/user XDG_RUNTIME_DIR=/tmp/user/runtime QT_DEBUG_PLUGINS=1 \
  QUORVEL_SCREENSHOT=/tmp/workbench.png QUORVEL_SCREENSHOT_DELAY=2000 \
  quorvel "$examples/cuidados_plantas.bcm" >"$work/workbench.log" 2>&1 ||
  { tail -20 "$work/workbench.log"; fail "the workbench did not start"; }
[ -s "$root/tmp/workbench.png" ] || fail "the workbench took no screenshot"
cp "$root/tmp/workbench.png" "$work/workbench.png"
grep -q 'iconengines/libqsvgicon.so" loaded library' "$work/workbench.log" ||
  fail "the workbench did not load Qt's SVG icon engine: its icons are blank"
if grep -E 'plugins/.*(Cannot load library|cannot load|could not be loaded)' "$work/workbench.log"; then
  fail "a Qt plugin failed to load"
fi
echo "screenshot: $work/workbench.png"
# The file, print and message dialogs take their own texts from Qt's catalogue.
[ -f "$root/usr/share/qt6/translations/qtbase_pt_BR.qm" ] || fail "Qt's own dialog texts in Portuguese are not installed"
echo "deb install check passed"
