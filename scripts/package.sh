#!/usr/bin/env bash
# Builds the Debian package and checks it the way a distribution would: its
# contents, lintian, desktop-file-validate, appstreamcli, the dependencies
# resolvable by apt, and the installed kvctl against the built-in terminal SIM1.
# Reuses the build folder scripts/test.sh made. The package lands in build/.
#
#   bash scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
# What packaging needs beyond building and testing.
bash scripts/bootstrap.sh dpkg-dev fakeroot help2man lintian desktop-file-utils appstream systemd

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target kvvidiridoved kvctl kvsim kvmanpages kvchangelog
rm -f build/kvvidiridoved_*.deb
(cd build && cpack -G DEB)
deb=$(ls build/kvvidiridoved_*.deb)
echo "== $deb"
dpkg-deb --info "$deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAILED: $*" >&2
  failed=1
}

echo "== contents"
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/kvvidiridoved /usr/bin/kvctl /usr/bin/kvsim \
  /usr/share/applications/kvvidiridoved.desktop \
  /usr/share/metainfo/com.telmarq.KVVidiRidoved.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/kvvidiridoved.svg \
  /usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/kvvidiridoved.png \
  /usr/share/man/man1/{kvvidiridoved,kvctl,kvsim}.1.gz \
  /usr/share/bash-completion/completions/kvctl \
  /usr/share/doc/kvvidiridoved/copyright /usr/share/doc/kvvidiridoved/changelog.Debian.gz \
  /usr/lib/systemd/system/kvctl-watch@.service \
  /usr/share/doc/kvvidiridoved/examples/watch-profile.ini; do
  grep -qx "$path" "$work/contents" || fail "$path is not in the package"
done
grep -q '^Depends:.*libqt6serialport6' <(dpkg-deb --field "$deb") ||
  fail "the dependencies were not computed from the shared libraries"

echo "== lintian"
lintian --allow-root --fail-on error "$deb" || fail "lintian found errors"

root="$work/root"
dpkg-deb --extract "$deb" "$root"
echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/kvvidiridoved.desktop" ||
  fail "desktop-file-validate"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli"

echo "== the dependencies resolve"
apt-get install --simulate --no-install-recommends "$(realpath "$deb")" >"$work/apt.log" ||
  { cat "$work/apt.log"; fail "apt cannot install the package"; }

echo "== systemd-analyze verify"
# An instance of the template, with the installed kvctl where the unit looks for it.
mkdir -p "$work/units"
sed "s|/usr/bin/kvctl|$root/usr/bin/kvctl|" "$root/usr/lib/systemd/system/kvctl-watch@.service" \
  >"$work/units/kvctl-watch@.service"
ln -s kvctl-watch@.service "$work/units/kvctl-watch@ttyUSB0.service"
SYSTEMD_UNIT_PATH="$work/units:" systemd-analyze verify "$work/units/kvctl-watch@ttyUSB0.service" ||
  fail "systemd-analyze verify kvctl-watch@.service"
"$root/usr/bin/kvctl" watch --profile "$root/usr/share/doc/kvvidiridoved/examples/watch-profile.ini" \
  --check || fail "the example watch profile"

echo "== the installed programs"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
version=$(sed -n 's/^project(KVVidiRidoved VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for program in kvvidiridoved kvctl kvsim; do
  got=$("$root/usr/bin/$program" --version) || fail "$program --version"
  [ "$got" = "$program $version" ] || fail "$program --version printed '$got'"
done
"$root/usr/bin/kvvidiridoved" --help >/dev/null || fail "kvvidiridoved --help"
# The translations travel inside the program: the installed copy speaks Polish.
"$root/usr/bin/kvvidiridoved" --lang pl --help | grep -q '^Użycie: kvvidiridoved' ||
  fail "the installed program has no Polish translation"
listing=$("$root/usr/bin/kvctl" --port SIM1 ls PDT) || fail "kvctl --port SIM1 ls PDT"
printf '%s\n' "$listing"
[ "$listing" = $'C:\nD:' ] || fail "kvctl --port SIM1 ls PDT listed '$listing'"
for page in kvvidiridoved kvctl kvsim; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} \"1\"" ||
    fail "the manual page of $page"
done
icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/kvvidiridoved.desktop")
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/usr/share/applications/kvvidiridoved.desktop")
[ -x "$root/usr/bin/$exec" ] || fail "the desktop entry starts '$exec', which is not installed"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
  fail "the desktop entry's icon '$icon' is not installed"

if [ "$failed" -ne 0 ]; then
  echo "== $deb: checks FAILED" >&2
  exit 1
fi
echo "== $deb: every check passed"
