#!/usr/bin/env bash
# The Debian package of this build: CPack makes it, its dependencies name the Qt 6 run-time and
# ctags and are all met on this machine, dpkg installs it into a scratch root, the installed
# programs run (quarrow-tree --version, the window offscreen), and dpkg removes it again.
# Usage: package_e2e.sh BUILD_DIR WINDOW_QUERY
set -euo pipefail
build=$1
query=$2
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ "$(id -u)" = 0 ] || { echo "SKIP: dpkg needs root"; exit 77; }

work=$(mktemp -d)
root=$work/root
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  # Removed through dpkg when it got in, then the scratch root goes whatever happened.
  if [ -e "$root/var/lib/dpkg/info/quarrow.list" ]; then
    dpkg --root="$root" --force-not-root --force-script-chrootless --remove quarrow >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/quarrow_*.deb)
dpkg-deb --info "$deb"

# Dependencies: ctags either way, Qt 6 libraries, and every one of them met here.
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *"universal-ctags | exuberant-ctags"* ]] || fail "no ctags in Depends: $depends"
[[ $depends == *libqt6widgets6* ]] || fail "no Qt 6 Widgets in Depends: $depends"
IFS=',' read -ra groups <<<"$depends"
for group in "${groups[@]}"; do
  met=
  IFS='|' read -ra choices <<<"$group"
  for choice in "${choices[@]}"; do
    name=$(echo "$choice" | sed 's/(.*)//; s/:any//' | tr -d ' ')
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' && met=1
  done
  [ -n "$met" ] || fail "dependency not met on this machine: $group"
done
dpkg-deb -c "$deb" >"$work/contents"
grep -q "\./usr/bin/quarrow$" "$work/contents" || fail "no /usr/bin/quarrow in the package"

# A scratch root with its own package database; the libraries come from this machine.
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --force-not-root --force-script-chrootless --force-depends --install "$deb" >"$work/dpkg.log" 2>&1 \
  || { cat "$work/dpkg.log"; fail "dpkg --install"; }
dpkg --root="$root" -s quarrow | grep -q '^Status: install ok installed' || fail "not installed"

out=$("$root/usr/bin/quarrow-tree" --version) || fail "quarrow-tree --version"
[[ $out == "quarrow-tree "* ]] || fail "quarrow-tree --version printed: $out"
[ -s "$root/usr/share/applications/org.quarrow.Quarrow.desktop" ] || fail "no desktop entry"

# The installed window, offscreen, in English. (Root may write the scratch root's bin folder, so
# the profile lands beside the program there and goes with the scratch root.)
mkdir -p "$work/home/run"
chmod 700 "$work/home/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_RUNTIME_DIR=$work/home/run
LANG=en_US.UTF-8 QT_QPA_PLATFORM=offscreen "$root/usr/bin/quarrow" >"$work/quarrow.log" 2>&1 &
pid=$!
"$query" "$XDG_RUNTIME_DIR" "Untitled - Quarrow" || { cat "$work/quarrow.log"; fail "no window"; }
wait "$pid" || fail "quarrow ended with $?"
pid=

dpkg --root="$root" --force-not-root --force-script-chrootless --remove quarrow >"$work/dpkg.log" 2>&1 \
  || { cat "$work/dpkg.log"; fail "dpkg --remove"; }
[ ! -e "$root/usr/bin/quarrow" ] || fail "the program is still there after dpkg --remove"
echo "PASS"
