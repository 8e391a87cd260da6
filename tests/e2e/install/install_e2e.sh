#!/usr/bin/env bash
# `cmake --install` of this build into a scratch prefix: every file in its place and valid for
# the desktop's tools, the command-line options, and, with the prefix's bin folder not writable
# for the user, the profile in ${XDG_CONFIG_HOME}/quarrow/ after a run of the window.
# Usage: install_e2e.sh BUILD_DIR WINDOW_QUERY
set -euo pipefail
build=$1
query=$2
for tool in desktop-file-validate appstreamcli groff setpriv; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  # SIGTERM closes the program the normal way, writing its profile: let it finish first.
  [ -n "$pid" ] && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

id=org.quarrow.Quarrow
for file in bin/quarrow bin/quarrow-tree \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
    share/icons/hicolor/256x256/apps/$id.png \
    share/man/man1/quarrow.1 share/man/man1/quarrow-tree.1; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/bin/quarrow" ] && [ -x "$prefix/bin/quarrow-tree" ] || fail "the programs are not executable"
# The PNG header holds the size: width and height as 32-bit numbers at byte 16.
size=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/48x48/apps/$id.png" | tr -s ' ')
[ "$size" = " 0 0 0 48 0 0 0 48" ] || fail "the 48x48 icon is $size"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
for page in quarrow quarrow-tree; do
  warnings=$(groff -man -Tutf8 -ww -z "$prefix/share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

# The options answered without a window or a display.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quarrow" --version) || fail "quarrow --version"
[[ $out == "quarrow 0.2.1.3"* ]] || fail "quarrow --version printed: $out"
out=$("$prefix/bin/quarrow-tree" --version) || fail "quarrow-tree --version"
[[ $out == "quarrow-tree 0.2.1.3"* ]] || fail "quarrow-tree --version printed: $out"
"$prefix/bin/quarrow-tree" --help | grep -q '^Usage: quarrow-tree' || fail "quarrow-tree --help"
status=0
"$prefix/bin/quarrow-tree" --no-such-option x.tags 2>"$work/err" || status=$?
[ "$status" = 2 ] || fail "an unknown option gave $status"
grep -q '^Usage: quarrow-tree' "$work/err" || fail "an unknown option gave no usage"

# The window, run by a user who cannot write the bin folder: the profile goes to the XDG folder.
chmod 755 "$work"
home=$work/home
mkdir -p "$home/run"
chmod 700 "$home/run"
chown -R 65534:65534 "$home"
# The query tool goes where that user can run it: the build folder may be closed to others.
cp "$query" "$work/window_query"
chmod 755 "$work/window_query"
query=$work/window_query
as_user() {
  setpriv --reuid=65534 --regid=65534 --clear-groups \
    env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" LANG=C.UTF-8 "$@"
}
if [ "$(id -u)" = 0 ]; then
  as_user test -w "$prefix/bin" && fail "the bin folder is writable for the test user"
  as_user env QT_QPA_PLATFORM=offscreen "$prefix/bin/quarrow" >"$work/quarrow.log" 2>&1 &
  pid=$!
  as_user "$query" "$home/run" "無題 - Quarrow" || { cat "$work/quarrow.log"; fail "no window"; }
  wait "$pid" || fail "quarrow ended with $?"
  pid=
  [ -s "$home/config/quarrow/quarrow.INI" ] || fail "no profile in the XDG folder: $(find "$home" | tr '\n' ' ')"
  grep -q '^CX=' "$home/config/quarrow/quarrow.INI" || fail "the window did not write its size to the XDG profile"
  [ ! -e "$prefix/bin/quarrow.INI" ] || fail "a profile was written beside the program"
else
  echo "not root: the run under another user is skipped"
fi
echo "PASS"
