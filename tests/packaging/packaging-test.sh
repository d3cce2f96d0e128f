#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kelvo as a user's system gets it: installs the build into a temporary DESTDIR
# and checks the file list, the launcher entry, the AppStream data, the man page,
# the icons and the bash completion; then builds the .deb and checks its control
# data and contents, and that every library the running Kelvo loads comes from
# a package its Depends pull in.
#   packaging-test.sh BUILD_DIR SOURCE_DIR   (inside scripts/with-desktop.sh)
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
app_id=app.kelvo.Kelvo
work=$(mktemp -d /tmp/kelvo-packaging.XXXXXX)
kelvo_pid=""
cleanup() {
  [ -n "$kelvo_pid" ] && kill "$kelvo_pid" 2>/dev/null && wait "$kelvo_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
section() { echo; echo "== $*"; }

section "install into a DESTDIR"
root="$work/root"
if ! DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2; fail "cmake --install"; exit 1
fi
expected_files="usr/bin/kelvo
usr/share/applications/$app_id.desktop
usr/share/bash-completion/completions/kelvo
usr/share/doc/kelvo/copyright
usr/share/icons/hicolor/128x128/apps/$app_id.png
usr/share/icons/hicolor/16x16/apps/$app_id.png
usr/share/icons/hicolor/22x22/apps/$app_id.png
usr/share/icons/hicolor/24x24/apps/$app_id.png
usr/share/icons/hicolor/256x256/apps/$app_id.png
usr/share/icons/hicolor/32x32/apps/$app_id.png
usr/share/icons/hicolor/48x48/apps/$app_id.png
usr/share/icons/hicolor/512x512/apps/$app_id.png
usr/share/icons/hicolor/64x64/apps/$app_id.png
usr/share/icons/hicolor/scalable/apps/$app_id.svg
usr/share/icons/hicolor/symbolic/apps/$app_id-symbolic.svg
usr/share/man/man1/kelvo.1.gz
usr/share/metainfo/$app_id.metainfo.xml"
installed=$(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
if [ "$installed" = "$(echo "$expected_files" | LC_ALL=C sort)" ]; then
  pass "the installed files are exactly the expected ones"
else
  fail "installed files differ from the expected list:"
  diff <(echo "$expected_files" | LC_ALL=C sort) <(echo "$installed") >&2
fi
[ -x "$root/usr/bin/kelvo" ] || fail "usr/bin/kelvo is not executable"
version=$(grep -m1 -o 'project(Kelvo VERSION [0-9.]*' "$source_dir/CMakeLists.txt" | awk '{print $3}')
[ "$("$root/usr/bin/kelvo" --version)" = "kelvo $version" ] && pass "the installed kelvo is version $version" \
  || fail "installed kelvo --version is not 'kelvo $version'"

section "launcher entry"
desktop="$root/usr/share/applications/$app_id.desktop"
if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
  pass "desktop-file-validate: no errors, no hints"
else
  fail "desktop-file-validate: $out"
fi
for line in "Name=Kelvo" "GenericName=Step Recorder" "Icon=$app_id" "Exec=kelvo" \
    "Actions=new-recording;" "Exec=kelvo --new-recording" "Name=New Recording"; do
  grep -qxF "$line" "$desktop" || fail "the launcher entry lacks '$line'"
done
grep -q '^Categories=.*Utility' "$desktop" && grep -q '^Keywords=' "$desktop" && grep -q '^Comment=' "$desktop" \
  || fail "the launcher entry lacks Categories, Keywords or Comment"

section "AppStream data"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
if out=$(appstreamcli validate --no-net --pedantic --no-color "$metainfo" 2>&1); then
  echo "$out" | sed 's/^/  /'
  pass "appstreamcli validate --no-net --pedantic"
else
  fail "appstreamcli validate: $out"
fi
for needle in "<project_license>GPL-3.0-or-later</project_license>" "<binary>kelvo</binary>" \
    "<release version=\"$version\"" "<content_rating type=\"oars-1.1\"/>" "$app_id.desktop</launchable>"; do
  grep -qF "$needle" "$metainfo" || fail "the metainfo lacks $needle"
done
# Its screenshots are the pictures scripts/screenshots.sh takes.
for shot in $(grep -o 'screenshots/[a-z-]*\.png' "$metainfo" | sed 's|screenshots/||; s|\.png||; s|-zoom$||'); do
  grep -qw -- "$shot" "$source_dir/scripts/screenshots.sh" || fail "screenshot $shot is not one scripts/screenshots.sh takes"
done

section "man page"
man_page="$root/usr/share/man/man1/kelvo.1.gz"
warnings=$(MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >"$work/man.txt")
if [ -z "$warnings" ] && [ -s "$work/man.txt" ]; then
  pass "man --warnings -l renders without warnings"
else
  fail "man page warnings: $warnings"
fi
# Every command the binary lists is documented, and the environment and files sections exist.
commands=$("$root/usr/bin/kelvo" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF {print $1}')
[ -n "$commands" ] || fail "kelvo --help lists no commands"
for command in $commands; do
  grep -qE "^ +kelvo $command( |\$)" "$work/man.txt" || fail "the man page does not document 'kelvo $command'"
done
for heading in SYNOPSIS OPTIONS COMMANDS "EXIT STATUS" ENVIRONMENT FILES; do
  grep -qx "$heading" "$work/man.txt" || fail "the man page has no $heading section"
done
for variable in KELVO_DATA_DIR KELVO_NO_UPDATES; do
  grep -q "$variable" "$work/man.txt" || fail "the man page does not name $variable"
done
pass "the man page documents: $(echo $commands)"

section "icons"
python3 - "$root/usr/share/icons/hicolor" "$app_id" <<'PY' || fail "icon check"
import struct, sys, xml.etree.ElementTree as ET
base, app_id = sys.argv[1], sys.argv[2]
bad = []
for size in (16, 22, 24, 32, 48, 64, 128, 256, 512):
    path = f"{base}/{size}x{size}/apps/{app_id}.png"
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        bad.append(f"{path}: not a PNG"); continue
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    if (width, height) != (size, size): bad.append(f"{path}: {width}x{height}")
    if colour != 6: bad.append(f"{path}: no alpha channel")
    # Not blank: the drawing reached the image.
    if len(data) < 200: bad.append(f"{path}: suspiciously small")
for name, size in ((f"scalable/apps/{app_id}.svg", None), (f"symbolic/apps/{app_id}-symbolic.svg", 16)):
    root = ET.parse(f"{base}/{name}").getroot()
    if root.tag != "{http://www.w3.org/2000/svg}svg" or not root.get("viewBox"):
        bad.append(f"{name}: not an SVG with a viewBox")
    if size and root.get("viewBox") != f"0 0 {size} {size}":
        bad.append(f"{name}: viewBox {root.get('viewBox')}")
    if "<text" in open(f"{base}/{name}").read():
        bad.append(f"{name}: text depends on the fonts of the machine")
print("\n".join(bad) if bad else "ok: 9 PNG sizes with alpha, two SVGs")
sys.exit(1 if bad else 0)
PY

section "bash completion"
completion="$root/usr/share/bash-completion/completions/kelvo"
replies=$(bash --norc -c "source '$completion'; COMP_WORDS=(kelvo ''); COMP_CWORD=1; _kelvo; echo \"\${COMPREPLY[*]}\"")
for command in $commands; do
  [[ " $replies " == *" $command "* ]] || fail "the completion does not offer '$command'"
done
pass "the completion offers: $replies"

section "the .deb"
if ! (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2; fail "cpack"; exit 1
fi
deb=$(ls "$work"/deb/kelvo_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || { fail "cpack wrote no kelvo_*.deb"; exit 1; }
control=$(dpkg-deb -f "$deb")
echo "$control" | sed 's/^/  /'
[ "$(dpkg-deb -f "$deb" Package)" = kelvo ] || fail "Package is not kelvo"
[ "$(dpkg-deb -f "$deb" Version)" = "$version-1" ] || fail "Version is not $version-1"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6multimedia6 libavcodec libxcb1 libatspi2.0-0 libcairo2 libpango-1.0-0 \
    libqt6svg6 gstreamer1.0-plugins-good at-spi2-core libc6; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed"
done
# Nothing needed only to build.
for package in $(echo "$depends" | tr ',|' '\n\n' | awk '{print $1}'); do
  case "$package" in
    *-dev|*-dev-tools|cmake|ninja-build|gcc*|g++*|clang*|ccache|pkg-config|googletest|libgtest*|libgmock*|libbenchmark*|\
    build-essential|xvfb|openbox|xdotool|imagemagick|python3*|poppler-utils|gtk-3-examples)
      fail "Depends names a build or test package: $package" ;;
  esac
done
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort >"$work/deb-files"
if diff <(echo "$expected_files" | LC_ALL=C sort) "$work/deb-files" >&2; then
  pass "the .deb holds exactly the installed files"
else
  fail "the .deb's files differ from the install's"
fi
[ -z "$(dpkg-deb -c "$deb" | awk '$6 != "./" && $6 !~ /^\.\/usr\// {print $6}')" ] || fail "the .deb has files outside /usr"
[ "$(dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/kelvo" {print $1}')" = "-rwxr-xr-x" ] || fail "usr/bin/kelvo mode"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/kelvo >"$work/packaged-kelvo"
[[ $(file "$work/packaged-kelvo") == *", stripped"* ]] || fail "the packaged kelvo is not stripped"

section "what the running Kelvo loads is in Depends"
# The closure of Depends on this machine, and the package of every shared object
# the installed kelvo has mapped once its window shows (plugins included).
# shellcheck disable=SC2046
if ! apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances $(echo "$depends" | tr ',|' '\n\n' | awk 'NF {print $1}' | sort -u) \
    >"$work/closure.txt" 2>"$work/closure.err" || [ -s "$work/closure.err" ]; then
  fail "apt-cache depends: $(cat "$work/closure.err")"
fi
closure=$(awk '/^[a-z0-9]/ {print $1} /Depends:/ {print $2}' "$work/closure.txt" | tr -d '<>' | sed 's/:.*//' | sort -u)
# Loaded because they are installed, not needed: Qt probes every image format
# plugin present (and so their libraries), and its xcb plugin opens libXcursor
# when there is one.
optional='qt6-image-formats-plugins|libmng1|libwebpdemux2|libwebpmux3|libwebp7|libtiff6|libjbig0|libdeflate0|liblerc4|libxcursor1'
export KELVO_DATA_DIR="$work/data" XDG_CONFIG_HOME="$work/config" KELVO_NO_UPDATES=1
"$root/usr/bin/kelvo" >"$work/kelvo.log" 2>&1 &
kelvo_pid=$!
shown=""
for _ in $(seq 1 600); do  # until the window is on screen, or a minute has passed
  xdotool search --onlyvisible --pid "$kelvo_pid" >/dev/null 2>&1 && { shown=1; break; }
  kill -0 "$kelvo_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$shown" ]; then
  fail "the installed kelvo showed no window: $(cat "$work/kelvo.log")"
else
  # One dpkg query for every mapped object (the real file, as packages list it).
  awk '$6 ~ /\.so/ {print $6}' "/proc/$kelvo_pid/maps" | sort -u | xargs readlink -f | sort -u >"$work/objects"
  # shellcheck disable=SC2046 # (merged /usr: a package may list the /lib path)
  dpkg -S $(cat "$work/objects") $(sed -n 's|^/usr/lib/|/lib/|p' "$work/objects") 2>/dev/null | sed 's/^\([^:]*\):[^:]*: /\1 /; s/^\([^ ,:]*\)[,:][^ ]* /\1 /' \
    >"$work/owners"
  missing=""
  while read -r owner object; do
    # (grep reads a here-string: grep -q on a pipe would break the pipe under pipefail)
    grep -qx -- "$owner" <<<"$closure" || [[ $owner =~ ^($optional)$ ]] \
      || missing="$missing $owner($(basename "$object"))"
  done <"$work/owners"
  echo "  $(wc -l <"$work/objects") shared objects mapped, $(wc -l <"$work/owners") from packages"
  [ -z "$missing" ] && pass "every loaded library is pulled in by Depends" \
    || fail "loaded but not pulled in by Depends:$missing"
  grep -q "libqxcb.so" "/proc/$kelvo_pid/maps" || fail "kelvo did not load the xcb platform plugin"
fi

echo
if [ $failures -eq 0 ]; then echo "packaging: all checks passed"; else echo "packaging: $failures checks failed" >&2; fi
exit $((failures > 0))
